// Remarks about input lines, reading failures, and the fatal exit.
#ifndef R7P_BASE_DIAGNOSTICS_H_
#define R7P_BASE_DIAGNOSTICS_H_

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

/// Kinds of ReportMessage.
enum MessageKind { kPlain = 0, kWarning = 1, kSkipping = 2 };

/// The usage text the fatal exit shows. The text and its key waits belong
/// to the program's driver, a layer above; the driver implements this and
/// hands it to the run's Diagnostics.
class UsagePrinter {
 public:
  virtual ~UsagePrinter() = default;
  /// Prints the usage text on standard output.
  virtual void PrintUsage() = 0;
};

/// The message context of a run: one object, handed to everything that may
/// report. Remarks on input go to `remark_stream` (standard output), status
/// lines and reading failures to `message_stream` (standard error, or
/// standard output with -stdout first).
class Diagnostics {
 public:
  FILE* message_stream = stderr;  // MessageStream
  FILE* remark_stream = stdout;   // where ReportMessage writes
  bool stdout_first = false;      // -stdout was the first argument
  bool key_wait_off = false;      // KeyWaitOff
  int warning_level = 0;
  std::string current_file;       // name of the file being read
  uint32_t current_line = 0;      // physical line number in it
  std::string line_buffer;        // the current line, trimmed
  /// Remarks and reading failures written so far: a reading that leaves
  /// it unchanged said nothing.
  uint64_t messages_written = 0;

  /// Shows the usage text at the fatal exit; installed by the driver. Null
  /// shows nothing.
  UsagePrinter* usage = nullptr;

  /// Ends the run at the fatal exit instead of ending the process; empty
  /// (the program's own runs) ends the process with exit status 1. Only an
  /// in-process fuzzing harness sets it: it runs the whole program once per
  /// input, so a fatal input must come back to it, and it leaves by throwing
  /// its own exception. When it returns, the process ends all the same.
  std::function<void(int status)> fatal_exit;

  /// Formats and writes one remark as one line to remark_stream, unless
  /// `level` is above the warning level. Kinds 1 and 2 are prefixed with
  /// "WARNING"/"SKIPPING", the file name and line number, and followed by
  /// ": " and the line buffer.
  [[gnu::format(printf, 4, 5)]] void ReportMessage(int level, int kind,
                                                   const char* format, ...);

  /// Writes the formatted text and "\n" to message_stream.
  [[gnu::format(printf, 2, 3)]] void ReportInputError(const char* format,
                                                      ...);

  /// The single fatal exit, exit status 1: usage (unless -stdout came
  /// first), then "*** " + message + ".\n" on message_stream; a null format
  /// shows only the usage. The format holds at most one %s.
  [[noreturn]] void FatalError(const char* format, const char* argument);

  /// The fatal exit for a failure whose caller has written its own lines on
  /// message_stream already: no usage, no "***" line, exit status 1 (see
  /// fatal_exit).
  [[noreturn]] void FatalErrorReported();
};

#endif  // R7P_BASE_DIAGNOSTICS_H_
