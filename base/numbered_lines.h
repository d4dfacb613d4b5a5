// Reading a small line-oriented text file (the colour file, the LGEO lists)
// so that every remark on a line names the file and the line number.
#ifndef R7P_BASE_NUMBERED_LINES_H_
#define R7P_BASE_NUMBERED_LINES_H_

#include <cstdio>
#include <functional>
#include <string>

class Diagnostics;

/// Reads `file` to its end, line by line (at most 999 characters a line,
/// line ends, Ctrl-Z and trailing blanks removed), and hands each line to
/// `handle_line`; reading stops early when it returns false. While a line
/// is handled, `diag` names `shown_name` and the line's number (from 1) as
/// the current file and line, and holds the line as its line buffer; all
/// three are restored afterwards. `file` stays open.
void ReadNumberedLines(FILE* file, const std::string& shown_name,
                       Diagnostics& diag,
                       const std::function<bool(const std::string& line)>& handle_line);

#endif  // R7P_BASE_NUMBERED_LINES_H_
