// Helpers shared by the tests: the shared LDraw library, temporary folders,
// capturing what code writes to a FILE*.
#ifndef R7P_TESTS_TEST_SUPPORT_H_
#define R7P_TESTS_TEST_SUPPORT_H_

#include <cstdio>
#include <string>

namespace testing_support {

/// Path of ../shared beside the checkout, or empty when it is absent.
std::string SharedDir();
/// Path of ../shared/ldraw, or empty when absent.
std::string SharedLibrary();

/// A fresh empty directory, removed with its content on destruction.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  /// Writes `content` to path()/relative, creating folders; returns the path.
  std::string Write(const std::string& relative, const std::string& content) const;
  std::string Mkdir(const std::string& relative) const;

 private:
  std::string path_;
};

/// A FILE* writing into memory (open_memstream); text() flushes and returns
/// everything written so far.
class MemoryFile {
 public:
  MemoryFile();
  ~MemoryFile();
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;
  FILE* get() { return file_; }
  std::string text();

 private:
  FILE* file_ = nullptr;
  char* buffer_ = nullptr;
  size_t size_ = 0;
};

/// Result of running the built r7p program.
struct RunResult {
  int status = -1;
  std::string out;
  std::string err;
};
/// Runs the r7p binary with `args` (shell-quoted by the caller) in `cwd`,
/// with `env` prepended (e.g. "HOME=/x LDRAWDIR=/y"), stdin from /dev/null.
RunResult RunR7p(const std::string& args, const std::string& cwd = ".",
                 const std::string& env = "");

/// True when povray is installed.
bool HavePovray();
/// Renders `scene` with POV-Ray at 160x120 without display; returns the exit
/// status and puts POV-Ray's messages into `messages`.
int RenderWithPovray(const std::string& scene, std::string* messages);

}  // namespace testing_support

#define R7P_REQUIRE_SHARED_LIBRARY()                                          \
  do {                                                                       \
    if (testing_support::SharedLibrary().empty())                            \
      GTEST_SKIP() << "needs ../shared/ldraw beside the checkout; skipped";  \
  } while (0)

#endif  // R7P_TESTS_TEST_SUPPORT_H_
