// Where the model reader takes its lines from: a stream, split as it is
// read, or lines prescanned beforehand (see PrescanLines). Both give the
// same lines; a prescanned line comes with its number scan.
#ifndef R7P_MODEL_LINE_SOURCE_H_
#define R7P_MODEL_LINE_SOURCE_H_

#include <cstddef>
#include <cstdio>

#include "model/line_scan.h"
#include "model/prescan.h"
#include "base/text_scan.h"

struct SourceLine {
  char* text = nullptr;  // the reader may alter it within its length
  size_t length = 0;     // strlen(text)
  const GeometryScan* scan = nullptr;  // made beforehand; null: not made
};

/// The lines of a stream as LineReader splits them.
class StreamLines {
 public:
  explicit StreamLines(FILE* stream) : reader_(stream) {}
  /// The next line; false at the end.
  bool Next(SourceLine* line);

 private:
  LineReader reader_;
  char buffer_[kLineSize];
};

/// The lines of a prescanned file.
class PrescannedLines {
 public:
  explicit PrescannedLines(PrescannedFile& file) : file_(file) {}
  /// The next line; false at the end.
  bool Next(SourceLine* line);

 private:
  PrescannedFile& file_;
  size_t next_ = 0;
};

#endif  // R7P_MODEL_LINE_SOURCE_H_
