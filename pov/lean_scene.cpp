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
    if (span.declared && span.last_naming >= 0) placed.push_back(&span);
  // By place; several on one line in the order of their first naming.
  std::stable_sort(placed.begin(), placed.end(),
                   [](const Span* a, const Span* b) {
                     return a->last_naming < b->last_naming;
                   });
  // The scene is cut after each line of a last naming; the #undef lines of
  // a cut are collected in `undefs` first, as the pieces point into it.
  struct Cut {
    size_t scene_end;
    size_t undefs_begin;
    size_t undefs_end;
  };
  std::vector<Cut> cuts;
  std::string undefs;
  size_t written = 0;
  for (size_t i = 0; i < placed.size();) {
    const size_t at = std::min(static_cast<size_t>(placed[i]->last_naming),
                               scene.size());
    size_t line_end = scene.find('\n', std::max(at, written));
    line_end = line_end == std::string_view::npos ? scene.size() : line_end + 1;
    const size_t begin = undefs.size();
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
    cuts.push_back(Cut{line_end, begin, undefs.size()});
    written = line_end;
  }
  std::vector<std::string_view> pieces;
  pieces.reserve(2 * cuts.size() + 1);
  const std::string_view undef_text = undefs;
  written = 0;
  for (const Cut& cut : cuts) {
    pieces.push_back(scene.substr(written, cut.scene_end - written));
    pieces.push_back(
        undef_text.substr(cut.undefs_begin, cut.undefs_end - cut.undefs_begin));
    written = cut.scene_end;
  }
  pieces.push_back(scene.substr(written));
  return platform::WritePieces(out, pieces) ? Status::kOk : Status::kFailed;
}

void IdentifierLifetimes::Clear() {
  index_.clear();
  by_identifier_.clear();
  spans_.clear();
}
