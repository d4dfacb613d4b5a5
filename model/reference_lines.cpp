#include "model/reference_lines.h"

#include <cstring>

namespace {

constexpr int kReferenceItems = 15;  // type, colour, twelve numbers, a word

}  // namespace

const char* CommentText(const char* after_zero, bool* separated) {
  *separated = *after_zero == ' ' || *after_zero == '\t';
  return *separated ? after_zero + 1 : after_zero;
}

bool IsFileLine(const char* meta) {
  if (std::strncmp(meta, "FILE", 4) != 0) return false;
  if (meta[4] != ' ' && meta[4] != '\t') return false;
  return *SkipBlanks(meta + 4) != '\0';
}

std::optional<std::string> SectionFileName(const char* meta,
                                           NameQuotes* quotes) {
  *quotes = NameQuotes::kFine;
  if (!IsFileLine(meta)) return std::nullopt;
  return TakeFileName(meta + 5, quotes);
}

std::string ReferenceTarget(const char* start, const GeometryScan& scan,
                            NameQuotes* quotes) {
  *quotes = NameQuotes::kFine;
  if (scan.items != kReferenceItems || scan.type != 1 ||
      scan.after_numbers < 0)
    return std::string();
  std::string name = TakeFileName(start + scan.after_numbers, quotes);
  NormalizeName(&name);
  return name;
}
