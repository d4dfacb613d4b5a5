#include "model/line_source.h"

bool StreamLines::Next(SourceLine* line) {
  size_t length = 0;
  if (reader_.ReadLine(buffer_, sizeof buffer_, &length) == nullptr)
    return false;
  *line = SourceLine{buffer_, length, nullptr};
  return true;
}

bool PrescannedLines::Next(SourceLine* line) {
  if (next_ >= file_.lines.size()) return false;
  const PrescannedFile::Line& entry = file_.lines[next_++];
  line->text = file_.LineText(entry);
  line->length = entry.length;
  line->scan = entry.scan < 0
                   ? nullptr
                   : &file_.scans[static_cast<size_t>(entry.scan)];
  return true;
}
