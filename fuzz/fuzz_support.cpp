#include "fuzz/fuzz_support.h"

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <memory>

#include "base/diagnostics.h"
#include "driver/driver.h"
#include "driver/run.h"

namespace fuzzing {

namespace {

// Conversions are never shown: nothing is started.
class NoLauncher : public Launcher {
 public:
  void ShowScene(const std::string&) override {}
  void OpenWebPage(const std::string&) override {}
};

void RemoveScratchDir() {
  std::error_code ignored;
  std::filesystem::remove_all(ScratchDir(), ignored);
}

}  // namespace

void QuietDiagnostics(Diagnostics& diag) {
  diag.remark_stream = NullStream();
  diag.message_stream = NullStream();
  diag.key_wait_off = true;
  diag.fatal_exit = [](int status) { throw FatalExit{status}; };
}

const std::string& ScratchDir() {
  static const std::string dir = [] {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "r7p-fuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) abort();
    for (const char* name :
         {"LDRAWDIR", "LDRAWINI", "LDRAWSEARCH", "LGEODIR", "USERPROFILE",
          "ALLUSERSPROFILE", "windir"})
      unsetenv(name);
    for (int i = 1; i <= 99; ++i) {
      char name[32];
      snprintf(name, sizeof name, "LDRAWSEARCH%02d", i);
      unsetenv(name);
    }
    setenv("HOME", pattern.c_str(), 1);
    setenv("SOURCE_DATE_EPOCH", "0", 1);
    return pattern;
  }();
  static const bool removed_at_exit = atexit(RemoveScratchDir) == 0;
  (void)removed_at_exit;
  return dir;
}

const std::string& TinyLibrary() {
  static const std::string root = [] {
    std::string path = ScratchDir() + "/ldraw";
    std::filesystem::copy(R7P_SOURCE_DIR "/demo/ldraw", path,
                          std::filesystem::copy_options::recursive);
    return path;
  }();
  return root;
}

const std::string& WriteFile(const std::string& path, std::string_view bytes) {
  FILE* file = fopen(path.c_str(), "wb");
  if (file == nullptr) abort();
  if (!bytes.empty() && fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size())
    abort();
  fclose(file);
  return path;
}

FILE* NullStream() {
  static FILE* const stream = fopen("/dev/null", "w");
  return stream;
}

int RunWholeProgram(const std::vector<std::string>& args) {
  std::vector<const char*> argv{"r7p"};
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  argv.push_back(nullptr);
  auto run = std::make_unique<Run>();
  run->command_line = CommandLine{static_cast<int>(argv.size()) - 1, argv.data()};
  run->out = NullStream();
  run->err = NullStream();
  // A second reading thread per input would cost more than the input.
  FileSource::Options options = run->loader.file_source().options();
  options.read_ahead = false;
  run->loader.file_source().set_options(options);
  Run& current = *run;
  current.diag.fatal_exit = [&current](int status) {
    // The scene file's buffer lives in the frame about to be left: the
    // file is closed while the buffer is still there.
    if (current.scene.scene != nullptr) {
      fclose(current.scene.scene);
      current.scene.scene = nullptr;
    }
    throw FatalExit{status};
  };
  NoLauncher launcher;
  try {
    return RunProgram(current, launcher);
  } catch (const FatalExit& exit) {
    return exit.status;
  }
}

}  // namespace fuzzing
