#include "pov/lean_scene.h"

#include <algorithm>

#include "model/dat_file.h"
#include "platform/platform.h"
#include "pov/declarations.h"

namespace {

const char* FormSuffix(IdentifierForm form) {
  switch (form) {
    case IdentifierForm::kPlain: return "";
    case IdentifierForm::kSlope: return "_slope";
    case IdentifierForm::kClear: return "_clear";
  }
  return "";
}

}  // namespace

size_t IdentifierLifetimes::Lifetime(const DatFile& file, IdentifierForm form,
                                     const std::string& suffix) {
  const auto [at, added] = index_.try_emplace(Key{&file, form}, spans_.size());
  if (!added) return at->second;
  // The suffix is cut with a name past 125 characters, the form's ending is
  // not: so the declarations and references write them.
  std::string identifier = MakeIdentifier(file.name, suffix) + FormSuffix(form);
  const auto [named, first] =
      by_identifier_.try_emplace(identifier, spans_.size());
  if (first)
    spans_.push_back(Span{std::move(identifier), -1, true});
  else
    spans_[named->second].declared = true;  // POV code named it before
  at->second = named->second;
  return at->second;
}

size_t IdentifierLifetimes::LifetimeOfText(std::string_view identifier) {
  const auto [at, added] =
      by_identifier_.try_emplace(std::string(identifier), spans_.size());
  if (added) spans_.push_back(Span{std::string(identifier), -1, false});
  return at->second;
}

void IdentifierLifetimes::Place(const std::vector<Naming>& namings,
                                std::string_view text, long base) {
  for (const Naming& naming : namings) {
    size_t line_end = text.find('\n', naming.offset);
    line_end = line_end == std::string_view::npos ? text.size() : line_end + 1;
    const long at = base + static_cast<long>(line_end);
    Span& span = spans_[naming.lifetime];
    if (at > span.undef_at) span.undef_at = at;
  }
}

Status IdentifierLifetimes::InsertUndefs(FILE* scene) const {
  std::vector<const Span*> placed;
  for (const Span& span : spans_)
    if (span.declared && span.undef_at >= 0) placed.push_back(&span);
  // By place; several after one line in the order of their first naming.
  std::stable_sort(placed.begin(), placed.end(),
                   [](const Span* a, const Span* b) {
                     return a->undef_at < b->undef_at;
                   });
  // The lines of one place together; `text` is complete before the
  // insertions point into it.
  std::string text;
  std::vector<std::pair<long, size_t>> places;  // offset, end in `text`
  for (const Span* span : placed) {
    if (places.empty() || places.back().first != span->undef_at)
      places.emplace_back(span->undef_at, 0);
    text += "#undef ";
    text += span->identifier;
    text += '\n';
    places.back().second = text.size();
  }
  std::vector<platform::FileInsertion> insertions;
  insertions.reserve(places.size());
  size_t from = 0;
  for (const auto& [offset, until] : places) {
    insertions.push_back(platform::FileInsertion{
        offset, std::string_view(text).substr(from, until - from)});
    from = until;
  }
  return platform::InsertIntoFile(scene, insertions) ? Status::kOk
                                                     : Status::kFailed;
}

void IdentifierLifetimes::Clear() {
  index_.clear();
  by_identifier_.clear();
  spans_.clear();
}
