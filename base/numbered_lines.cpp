#include "base/numbered_lines.h"

#include <cstdint>

#include "base/diagnostics.h"
#include "base/text_scan.h"

void ReadNumberedLines(FILE* file, const std::string& shown_name,
                       Diagnostics& diag,
                       const std::function<bool(const std::string& line)>& handle_line) {
  std::string saved_file = diag.current_file;
  uint32_t saved_line = diag.current_line;
  std::string saved_buffer = diag.line_buffer;
  diag.current_file = shown_name;
  diag.current_line = 0;
  std::string line;
  while (ReadLine(&line, file)) {
    ++diag.current_line;
    TrimLine(&line, true);
    diag.line_buffer = line;
    if (!handle_line(line)) break;
  }
  diag.current_file = saved_file;
  diag.current_line = saved_line;
  diag.line_buffer = saved_buffer;
}
