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
  /// What was written since the previous NewText() call (everything, the
  /// first time); text() does not move this mark.
  std::string NewText();

 private:
  FILE* file_ = nullptr;
  char* buffer_ = nullptr;
  size_t size_ = 0;
  size_t seen_ = 0;
};

/// `text` in single quotes for the shell, embedded quotes escaped.
std::string ShellQuote(const std::string& text);

/// The whole content of the file at `path`; empty when it cannot be read.
std::string ReadFileText(const std::string& path);

/// How often `what` occurs in `text`, counting non-overlapping matches (0
/// for an empty `what`).
size_t Occurrences(const std::string& text, const std::string& what);

/// An `env` prefix for RunR7p that hides the machine's LDraw and LGEO
/// configuration (no LDraw.ini, search list, library or LGEO folder from the
/// environment), with HOME at `home` and a fixed date in scene headers.
std::string CleanLdrawEnv(const std::string& home);

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
/// A POV-Ray option that takes a path, e.g. PovrayPathOption("+L", dir),
/// quoted for the shell. POV-Ray splits its options at blanks, so the path
/// goes in double quotes inside the shell's quotes.
std::string PovrayPathOption(const std::string& option, const std::string& path);

/// Renders `scene` with POV-Ray at 160x120 without display, with HOME at an
/// empty folder so that no user configuration applies; returns the exit
/// status and puts POV-Ray's messages into `messages`. `extra_options`
/// (already quoted for the shell, e.g. "+Q3 " + PovrayPathOption("+L", dir)) come
/// before the output and input options; a later +W/+H overrides the size.
/// The picture goes to `image` when given, else to a folder that is removed.
int RenderWithPovray(const std::string& scene, std::string* messages,
                     const std::string& extra_options = "",
                     const std::string& image = "");

}  // namespace testing_support

#define R7P_REQUIRE_SHARED_LIBRARY()                                          \
  do {                                                                       \
    if (testing_support::SharedLibrary().empty())                            \
      GTEST_SKIP() << "needs ../shared/ldraw beside the checkout; skipped";  \
  } while (0)

#endif  // R7P_TESTS_TEST_SUPPORT_H_
