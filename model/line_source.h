// Where the model reader takes its lines from: a stream, split as it is
// read, or lines prescanned beforehand (see PrescanLines).
#ifndef R7P_MODEL_LINE_SOURCE_H_
#define R7P_MODEL_LINE_SOURCE_H_

#include <cstddef>
#include <cstdio>

#include "model/line_scan.h"
#include "model/prescan.h"
#include "model/text_scan.h"

class LineSource {
 public:
  struct Line {
    char* text = nullptr;  // the reader may alter it within its length
    size_t length = 0;     // strlen(text)
    const GeometryScan* scan = nullptr;  // made beforehand; null: not made
  };
  virtual ~LineSource() = default;
  /// The next line; false at the end.
  virtual bool Next(Line* line) = 0;
};

/// The lines of a stream as LineReader splits them.
class StreamLines : public LineSource {
 public:
  explicit StreamLines(FILE* stream) : reader_(stream) {}
  bool Next(Line* line) override;

 private:
  LineReader reader_;
  char buffer_[kLineSize];
};

/// The lines of a prescanned file.
class PrescannedLines : public LineSource {
 public:
  explicit PrescannedLines(PrescannedFile& file) : file_(file) {}
  bool Next(Line* line) override;

 private:
  PrescannedFile& file_;
  size_t next_ = 0;
};

#endif  // R7P_MODEL_LINE_SOURCE_H_
