// The part of reading an LDraw file that depends on nothing but its bytes:
// the physical lines as the model reader takes them, trimmed, and the
// number scan of every line that does not start with "0". Made ahead of
// reading (see ReadAhead), it spares the reader both steps.
#ifndef R7P_MODEL_PRESCAN_H_
#define R7P_MODEL_PRESCAN_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/line_scan.h"
#include "base/text_scan.h"

struct PrescannedFile {
  struct Line {
    uint32_t offset = 0;  // into `text`
    uint32_t length = 0;  // of the trimmed line
    int32_t scan = -1;    // index into `scans`; -1 for a line starting "0"
  };
  /// The trimmed lines, each followed by '\0'. The reader may alter a line
  /// in place, within its length.
  std::string text;
  std::vector<Line> lines;
  /// ScanFiniteGeometryLine of every line whose first character after
  /// blanks is not "0" (empty lines included).
  std::vector<GeometryScan> scans;

  char* LineText(const Line& line) { return text.data() + line.offset; }
  const char* LineText(const Line& line) const {
    return text.data() + line.offset;
  }
};

/// Prescans the bytes of a whole file, splitting them exactly as the model
/// reader's LineReader does. The lines and scans of `file` are replaced;
/// its room is kept.
void PrescanLines(std::string_view bytes, PrescannedFile* file);

/// Calls take(line, length) for every line of `bytes` as the model reader
/// sees it: split by LineReader, then trimmed of line ends, Ctrl-Z and
/// trailing blanks. The line may be altered within its length.
template <class Take>
void ForEachReaderLine(std::string_view bytes, Take take) {
  LineReader reader(bytes);
  char buffer[kLineSize];
  size_t length = 0;
  while (reader.ReadLine(buffer, sizeof buffer, &length) != nullptr)
    take(buffer, TrimLine(buffer, length, true));
}

/// The normalised target name of a prescanned type-1 line that the reader
/// will take as one (see ReferenceTarget), or "" for any other line.
std::string ReferencedName(const PrescannedFile& file,
                           const PrescannedFile::Line& line);

/// The normalised section name of a trimmed "0 FILE name" line as the
/// reader takes it (see SectionFileName), or "" for any other line.
std::string SectionName(const char* line);

#endif  // R7P_MODEL_PRESCAN_H_
