#include "model/prescan.h"

#include <cstdint>
#include <optional>
#include <utility>

#include "model/reference_lines.h"


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
  NameQuotes quotes = NameQuotes::kFine;
  return ReferenceTarget(SkipBlanks(file.LineText(line)),
                         file.scans[static_cast<size_t>(line.scan)], &quotes);
}

std::string SectionName(const char* line) {
  const char* text = SkipBlanks(line);
  if (*text != '0') return std::string();
  bool separated = false;
  const char* meta = SkipBlanks(CommentText(text + 1, &separated));
  NameQuotes quotes = NameQuotes::kFine;
  std::optional<std::string> name = SectionFileName(meta, &quotes);
  if (!name) return std::string();
  NormalizeName(&*name);
  return std::move(*name);
}
