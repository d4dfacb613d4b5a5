#include "model/read_ahead.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

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

}  // namespace
