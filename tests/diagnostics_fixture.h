// A fixture base for tests of code that reports through Diagnostics: the
// remarks and messages land in memory, where the tests compare them.
#ifndef R7P_TESTS_DIAGNOSTICS_FIXTURE_H_
#define R7P_TESTS_DIAGNOSTICS_FIXTURE_H_

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "base/diagnostics.h"
#include "tests/test_support.h"

namespace testing_support {

class DiagnosticsFixture : public ::testing::Test {
 protected:
  DiagnosticsFixture() {
    diag_.remark_stream = remarks_.get();
    diag_.message_stream = messages_.get();
  }

  /// Reports from now on name line `line` of `file` and quote `text` as
  /// that line, as while the reader is on it.
  void ReadingLine(const std::string& file, uint32_t line, const std::string& text) {
    diag_.current_file = file;
    diag_.current_line = line;
    diag_.line_buffer = text;
  }

  /// Remarks written since the previous call.
  std::string Remarks() { return remarks_.NewText(); }

  MemoryFile remarks_;
  MemoryFile messages_;
  Diagnostics diag_;
};

}  // namespace testing_support

#endif  // R7P_TESTS_DIAGNOSTICS_FIXTURE_H_
