#include "model/prescan.h"

#include <cstdint>
#include <cstring>


namespace {

constexpr int kReferenceItems = 15;  // type, colour, twelve numbers, a word

}  // namespace

bool IsFileLine(const char* meta) {
  if (std::strncmp(meta, "FILE", 4) != 0) return false;
  if (meta[4] != ' ' && meta[4] != '\t') return false;
  return *SkipBlanks(meta + 4) != '\0';
}

void PrescanLines(std::string_view bytes, PrescannedFile* out) {
  PrescannedFile& file = *out;
  file.text.clear();
  file.lines.clear();
  file.scans.clear();
  // LDraw lines are rarely shorter than 24 bytes; a line's text takes no
  // more room than its bytes, and one more for its '\0'.
  const size_t likely_lines = bytes.size() / 24 + 1;
  file.text.reserve(bytes.size() + likely_lines);
  file.lines.reserve(likely_lines);
  file.scans.reserve(likely_lines);
  ForEachReaderLine(bytes, [&file](char* text, size_t length) {
    PrescannedFile::Line line;
    line.offset = static_cast<uint32_t>(file.text.size());
    line.length = static_cast<uint32_t>(length);
    const char* start = SkipBlanks(text);
    if (*start != '0') {
      line.scan = static_cast<int32_t>(file.scans.size());
      ScanFiniteGeometryLine(start, file.scans.emplace_back());
    }
    file.text.append(text, length + 1);  // with its '\0'
    file.lines.push_back(line);
  });
}

std::string ReferencedName(const PrescannedFile& file,
                           const PrescannedFile::Line& line) {
  if (line.scan < 0) return std::string();
  const GeometryScan& scan = file.scans[static_cast<size_t>(line.scan)];
  if (scan.items != kReferenceItems || scan.type != 1 ||
      scan.after_numbers < 0)
    return std::string();
  const char* start = SkipBlanks(file.LineText(line));
  NameQuotes quotes = NameQuotes::kFine;
  std::string name = TakeFileName(start + scan.after_numbers, &quotes);
  NormalizeName(&name);
  return name;
}

std::string SectionName(const char* line) {
  const char* text = SkipBlanks(line);
  if (*text != '0') return std::string();
  ++text;
  if (*text == ' ' || *text == '\t') ++text;
  const char* meta = SkipBlanks(text);
  if (!IsFileLine(meta)) return std::string();
  NameQuotes quotes = NameQuotes::kFine;
  std::string name = TakeFileName(meta + 5, &quotes);
  NormalizeName(&name);
  return name;
}

std::string LikelyReferencedName(const char* line) {
  const char* p = SkipBlanks(line);
  if (p[0] != '1' || (p[1] != ' ' && p[1] != '\t')) return std::string();
  ++p;
  constexpr int kWordsBeforeName = 13;  // the colour and twelve numbers
  for (int word = 0; word < kWordsBeforeName; ++word) {
    while (IsScanSpace(*p)) ++p;
    if (*p == '\0') return std::string();
    while (*p != '\0' && !IsScanSpace(*p)) ++p;
  }
  NameQuotes quotes = NameQuotes::kFine;
  std::string name = TakeFileName(p, &quotes);
  NormalizeName(&name);
  return name;
}
