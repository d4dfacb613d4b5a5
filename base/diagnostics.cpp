#include "base/diagnostics.h"

#include <cstdarg>
#include <cstdlib>
#include <string>

namespace {

// A remark never grows past the message buffer of the reader.
constexpr size_t kMessageSize = 2000;

// The format attribute lets the compilers check the callers' formats, which
// are literals, instead of calling this one's a non-literal.
[[gnu::format(printf, 1, 0)]] std::string VFormat(const char* format,
                                                  va_list args) {
  va_list copy;
  va_copy(copy, args);
  int needed = vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  if (needed <= 0) return "";
  std::string text(static_cast<size_t>(needed) + 1, '\0');
  vsnprintf(text.data(), text.size(), format, args);
  text.resize(static_cast<size_t>(needed));
  return text;
}

// Fatal messages carry at most one "%s"; it is expanded by hand so that an
// argument or a message can never act as a format.
std::string ExpandFatal(const char* format, const char* argument) {
  std::string text;
  for (const char* p = format; *p != '\0'; ++p) {
    if (p[0] == '%' && p[1] == 's') {
      text += argument != nullptr ? argument : "(null)";
      ++p;
    } else if (p[0] == '%' && p[1] == '%') {
      text += '%';
      ++p;
    } else {
      text += *p;
    }
  }
  return text;
}

}  // namespace

void Diagnostics::ReportMessage(int level, int kind, const char* format, ...) {
  if (level > warning_level) return;
  va_list args;
  va_start(args, format);
  std::string message = VFormat(format, args);
  va_end(args);
  std::string text;
  if (kind != kPlain) {
    const char* label = kind == kWarning ? "WARNING" : "SKIPPING";
    char head[kMessageSize];
    snprintf(head, sizeof head, "%s \"%s\" Line %u: ", label,
             current_file.c_str(), current_line);
    text = head;
    text += message;
    text += ": ";
    text += line_buffer;
  } else {
    text = message;
  }
  if (text.size() > kMessageSize - 1) text.resize(kMessageSize - 1);
  fprintf(remark_stream, "%s\n", text.c_str());
  ++messages_written;
}

void Diagnostics::ReportInputError(const char* format, ...) {
  va_list args;
  va_start(args, format);
  vfprintf(message_stream, format, args);
  va_end(args);
  fputc('\n', message_stream);
  ++messages_written;
}

void Diagnostics::FatalError(const char* format, const char* argument) {
  bool usage_shown = false;
  if (!stdout_first || format == nullptr) {
    if (usage != nullptr) usage->PrintUsage();
    usage_shown = true;
  }
  if (format == nullptr) FatalErrorReported();
  if (usage_shown) fputc('\n', message_stream);
  fprintf(message_stream, "*** %s.\n", ExpandFatal(format, argument).c_str());
  FatalErrorReported();
}

void Diagnostics::FatalErrorReported() {
  if (fatal_exit) fatal_exit(1);
  exit(1);
}
