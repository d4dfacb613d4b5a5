#include "model/read_ahead.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "driver/driver.h"
#include "driver/run.h"
#include "driver/wiring.h"
#include "tests/library_env.h"
#include "tests/test_support.h"

namespace {

using testing_support::ReadFileText;
using testing_support::TempDir;

std::string Reference(const std::string& name) {
  return "1 16 0 0 0 1 0 0 0 1 0 0 0 1 " + name + "\n";
}

// Waits up to ten seconds for the thread to have read `count` files.
bool WaitForFilesRead(const ReadAhead& ahead, size_t count) {
  for (int i = 0; i < 1000 && ahead.files_read() < count; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return ahead.files_read() == count;
}

// A model folder beside a library with parts/ and p/, searched in that
// order, as a conversion searches them.
class ReadAheadTest : public ::testing::Test {
 protected:
  ReadAheadTest() {
    dirs_ = {dir_.Mkdir("model") + "/", dir_.Mkdir("lib/parts") + "/",
             dir_.Mkdir("lib/p") + "/"};
  }

  ReadAhead::Plan PlanFor(const std::string& model) const {
    ReadAhead::Plan plan;
    plan.model_path = model;
    for (const std::string& dir : dirs_) {
      SearchDir search_dir;
      search_dir.Dir = dir;
      plan.directories.push_back(search_dir);
    }
    plan.never_read = [](const std::string& name) { return name == "stud.dat"; };
    return plan;
  }

  TempDir dir_;
  std::vector<std::string> dirs_;
};

TEST_F(ReadAheadTest, ReadsTheFilesTheResolverWillAskFor) {
  const std::string model = dir_.Write(
      "model/Model.mpd",
      "0 FILE main.ldr\n" + Reference("Sub.ldr") + Reference("A.DAT") + Reference("missing.dat") +
          Reference("stud.dat") + "0 FILE sub.ldr\n" + Reference("b.dat") + Reference("a.dat"));
  dir_.Write("model/b.dat", Reference("S\\Inner.dat"));
  const std::string a = dir_.Write("lib/parts/a.dat", "0 Part\n" + Reference("prim.dat") +
                                                          "3 16 0 0 0 1 0 0 0 0 1\n");
  dir_.Write("lib/parts/s/inner.dat", "3 16 0 0 0 1 0 0 0 0 1\n");
  dir_.Write("lib/p/prim.dat", "3 16 0 0 0 1 0 0 0 0 1\n");
  // Found in the model folder first, as the resolver finds it.
  dir_.Write("lib/parts/b.dat", "0 not this one\n");

  ReadAhead ahead(PlanFor(model));
  ASSERT_TRUE(WaitForFilesRead(ahead, 4));

  std::unique_ptr<ReadAhead::File> b = ahead.Take("b.dat");
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->path, dirs_[0] + "b.dat");
  EXPECT_EQ(b->directory, 0u);
  std::unique_ptr<ReadAhead::File> inner = ahead.Take("s\\inner.dat");
  ASSERT_NE(inner, nullptr);
  EXPECT_EQ(inner->path, dirs_[1] + "s/inner.dat");
  std::unique_ptr<ReadAhead::File> file_a = ahead.Take("a.dat");
  ASSERT_NE(file_a, nullptr);
  EXPECT_EQ(file_a->directory, 1u);
  PrescannedFile expected;
  PrescanLines(ReadFileText(a), &expected);
  EXPECT_EQ(file_a->lines.text, expected.text);
  EXPECT_EQ(file_a->lines.lines.size(), expected.lines.size());
  EXPECT_EQ(file_a->lines.scans.size(), expected.scans.size());
  std::unique_ptr<ReadAhead::File> prim = ahead.Take("prim.dat");
  ASSERT_NE(prim, nullptr);
  EXPECT_EQ(prim->directory, 2u);

  // Handed out once; nothing for names never read or not found.
  EXPECT_EQ(ahead.Take("a.dat"), nullptr);
  EXPECT_EQ(ahead.Take("stud.dat"), nullptr);
  EXPECT_EQ(ahead.Take("missing.dat"), nullptr);
  EXPECT_EQ(ahead.Take("sub.ldr"), nullptr);
  ahead.GiveBack(std::move(file_a));
  EXPECT_EQ(ahead.files_read(), 4u);
}

TEST_F(ReadAheadTest, LeavesClaimedFilesToTheResolverAndWaitsForRoom) {
  // Each file holds more than the thread may keep ready at once.
  std::string big;
  while (big.size() < ReadAhead::kMaxHeldBytes) big += "3 16 0 0 0 1 0 0 0 0 1\n";
  for (const char* name : {"big1.dat", "big2.dat", "big3.dat"})
    dir_.Write(std::string("lib/parts/") + name, big);
  const std::string model = dir_.Write(
      "model/model.ldr", Reference("big1.dat") + Reference("big2.dat") + Reference("big3.dat"));

  ReadAhead ahead(PlanFor(model));
  ASSERT_TRUE(WaitForFilesRead(ahead, 1));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(ahead.files_read(), 1u);  // waiting for room

  EXPECT_EQ(ahead.Take("big3.dat"), nullptr);  // the resolver reads it itself
  ASSERT_NE(ahead.Take("big1.dat"), nullptr);
  ASSERT_TRUE(WaitForFilesRead(ahead, 2));
  ASSERT_NE(ahead.Take("big2.dat"), nullptr);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(ahead.files_read(), 2u);
  EXPECT_EQ(ahead.Take("big3.dat"), nullptr);
}

TEST_F(ReadAheadTest, StopsWhenAskedWhateverItIsDoing) {
  std::string big;
  while (big.size() < ReadAhead::kMaxHeldBytes) big += "3 16 0 0 0 1 0 0 0 0 1\n";
  dir_.Write("lib/parts/big1.dat", big);
  dir_.Write("lib/parts/big2.dat", big);
  const std::string model =
      dir_.Write("model/model.ldr", Reference("big1.dat") + Reference("big2.dat"));
  {
    ReadAhead waiting(PlanFor(model));
    ASSERT_TRUE(WaitForFilesRead(waiting, 1));
  }  // destroyed while it waits for room
  { ReadAhead starting(PlanFor(model)); }
  {
    ReadAhead no_model(PlanFor(dir_.path() + "/model/none.ldr"));
    no_model.Stop();
    EXPECT_EQ(no_model.Take("big1.dat"), nullptr);
  }
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
      RunServices services(run);
      FileSource::Options options = services.loader.file_source().options();
      options.read_ahead = read_ahead;
      services.loader.file_source().set_options(options);
      ConversionHooks hooks = WireConversionHooks(services);
      status = RunProgram(run, hooks);
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
