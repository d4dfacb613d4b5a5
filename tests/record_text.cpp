#include "tests/record_text.h"

#include <cstdio>

namespace testing_support {

std::string LinesText(const DatFile& record) {
  std::string text;
  for (const DatLine& line : record.lines) {
    text += " [" + std::to_string(line.type) + " " + std::to_string(line.colour) + " " +
            std::to_string(line.lineNumber) + " " + std::to_string(line.flags);
    for (float n : line.matrix.m) {
      char number[32];
      snprintf(number, sizeof number, " %a", static_cast<double>(n));
      text += number;
    }
    text += " " + (line.file != nullptr ? line.file->name : std::string("-")) + " " +
            line.text + "]";
  }
  return text;
}

}  // namespace testing_support
