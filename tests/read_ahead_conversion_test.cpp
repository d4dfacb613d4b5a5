// Whole conversions with and without the loader's read-ahead thread: what
// is read, written and reported must not depend on it.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "driver/driver.h"
#include "driver/run.h"
#include "tests/library_env.h"
#include "tests/test_support.h"

namespace {

using testing_support::ReadFileText;
using testing_support::TempDir;

std::string Reference(const std::string& name) {
  return "1 16 0 0 0 1 0 0 0 1 0 0 0 1 " + name + "\n";
}

// Where two long texts part, with some text of each from there on.
std::string FirstDifference(const std::string& a, const std::string& b) {
  size_t at = 0;
  while (at < a.size() && at < b.size() && a[at] == b[at]) ++at;
  const size_t from = at < 80 ? 0 : at - 80;
  return "at byte " + std::to_string(at) + ":\n" + a.substr(from, 160) + "\n-- versus --\n" +
         b.substr(from, 160);
}

// A conversion reads the same whether the library files were read ahead or
// not: same scene, same console text, same status.
class ReadAheadConversion {
 public:
  static std::string Convert(const std::vector<std::string>& args, bool read_ahead,
                             const std::string& scene) {
    testing_support::MemoryFile out;
    testing_support::MemoryFile err;
    std::vector<const char*> argv = {"r7p"};
    for (const std::string& arg : args) argv.push_back(arg.c_str());
    argv.push_back(nullptr);
    int status = 0;
    {
      Run run;
      run.out = out.get();
      run.err = err.get();
      run.command_line = CommandLine{static_cast<int>(argv.size() - 1), argv.data()};
      FileSource::Options options = run.loader.file_source().options();
      options.read_ahead = read_ahead;
      run.loader.file_source().set_options(options);
      DesktopLauncher launcher;  // no option asks for a launch
      status = RunProgram(run, launcher);
    }
    return "status " + std::to_string(status) + "\n" + out.text() + "--\n" + err.text() +
           "--\n" + ReadFileText(scene);
  }
};

TEST(ReadAheadConversionTest, ScenesAndMessagesAreTheSameWithoutReadingAhead) {
  R7P_REQUIRE_SHARED_LIBRARY();
  testing_support::LibraryEnv env;
  env.Set("SOURCE_DATE_EPOCH", "0");
  TempDir out;
  const std::string scene = out.path() + "/scene.pov";
  const std::string library = testing_support::SharedLibrary();
  // A model of our own beside the shared ones: sections, a part of the
  // model folder, a missing part, a file referenced twice, a light.
  TempDir own;
  own.Write("local.dat", Reference("3001.dat") + "3 4 0 0 0 1 0 0 0 0 1\n");
  const std::string own_model = own.Write(
      "own.mpd", "0 FILE own.mpd\n" + Reference("sub.ldr") + Reference("local.dat") +
                     Reference("nowhere.dat") + Reference("light.dat") +
                     "0 FILE sub.ldr\n" + Reference("3001.dat") + Reference("local.dat"));
  std::vector<std::string> models = {own_model};
  for (const auto& entry : std::filesystem::directory_iterator(library + "/models"))
    models.push_back(entry.path().string());
  const std::vector<std::vector<std::string>> option_sets = {
      {}, {"-q4", "-l", "-ld"}, {"-w3", "-studs0"}};
  for (const std::string& model : models) {
    for (const std::vector<std::string>& options : option_sets) {
      std::vector<std::string> args = {"-ldd" + library, "-o"};
      args.insert(args.end(), options.begin(), options.end());
      args.push_back(model);
      args.push_back(scene);
      const std::string ahead = ReadAheadConversion::Convert(args, true, scene);
      const std::string plain = ReadAheadConversion::Convert(args, false, scene);
      EXPECT_TRUE(ahead == plain) << model << " " << options.size() << " "
                                  << FirstDifference(ahead, plain);
    }
  }
}

}  // namespace
