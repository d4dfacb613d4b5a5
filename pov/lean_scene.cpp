#include "pov/lean_scene.h"

#include <algorithm>

#include "model/dat_file.h"
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

bool WriteAll(std::string_view text, FILE* out) {
  return text.empty() || fwrite(text.data(), 1, text.size(), out) == text.size();
}

}  // namespace

size_t IdentifierLifetimes::Lifetime(const DatFile& file, IdentifierForm form,
                                     const std::string& suffix) {
  const auto [at, added] = index_.try_emplace(Key{&file, form}, spans_.size());
  // The suffix is cut with a name past 125 characters, the form's ending is
  // not: so the declarations and references write them.
  if (added)
    spans_.push_back(
        Span{MakeIdentifier(file.name, suffix) + FormSuffix(form), -1});
  return at->second;
}

void IdentifierLifetimes::Place(const std::vector<Naming>& namings, long base) {
  for (const Naming& naming : namings) {
    const long at = base + static_cast<long>(naming.offset);
    Span& span = spans_[naming.lifetime];
    if (at > span.last_naming) span.last_naming = at;
  }
}

Status IdentifierLifetimes::WriteLeanScene(std::string_view scene,
                                           FILE* out) const {
  std::vector<const Span*> placed;
  for (const Span& span : spans_)
    if (span.last_naming >= 0) placed.push_back(&span);
  // By place; several on one line in the order of their first naming.
  std::stable_sort(placed.begin(), placed.end(),
                   [](const Span* a, const Span* b) {
                     return a->last_naming < b->last_naming;
                   });
  size_t written = 0;
  std::string undefs;
  for (size_t i = 0; i < placed.size();) {
    const size_t at = std::min(static_cast<size_t>(placed[i]->last_naming),
                               scene.size());
    size_t line_end = scene.find('\n', std::max(at, written));
    line_end = line_end == std::string_view::npos ? scene.size() : line_end + 1;
    undefs.clear();
    if (line_end == scene.size() && (line_end == 0 || scene.back() != '\n'))
      undefs += '\n';
    for (; i < placed.size() &&
           (static_cast<size_t>(placed[i]->last_naming) < line_end ||
            line_end == scene.size());
         ++i) {
      undefs += "#undef ";
      undefs += placed[i]->identifier;
      undefs += '\n';
    }
    if (!WriteAll(scene.substr(written, line_end - written), out) ||
        !WriteAll(undefs, out))
      return Status::kFailed;
    written = line_end;
  }
  return WriteAll(scene.substr(written), out) ? Status::kOk : Status::kFailed;
}

void IdentifierLifetimes::Clear() {
  index_.clear();
  spans_.clear();
}
