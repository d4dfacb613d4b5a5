#include "driver/check_mode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#include "driver/usage.h"
#include "model/line_validation.h"
#include "model/resolve.h"
#include "platform/platform.h"
#include "tests/record_text.h"
#include "tests/small_library_fixture.h"
#include "tests/test_support.h"

namespace {

using testing_support::TempDir;

constexpr char kTriangle[] = "3 16 0 0 0 1 0 0 0 0 1\n";

std::string Banner() { return std::string(kBanner) + "\n"; }

class CheckModeTest : public testing_support::SmallLibraryFixture {
 protected:
  CheckModeTest() { switches_.CheckMode = true; }

  int Run() {
    SetUpLibrary();
    loader_ = std::make_unique<ModelLoader>(reader_, library_, finder_, nullptr);
    check_ = std::make_unique<CheckRun>(reader_, *loader_, library_, finder_);
    return check_->RunChecks();
  }

  std::unique_ptr<ModelLoader> loader_;
  std::unique_ptr<CheckRun> check_;
};

// A whole check run in objects of its own, so that two runs can be compared.
class SeparateCheckRun : public testing_support::SmallLibraryFixture {
 public:
  explicit SeparateCheckRun(bool replay) {
    switches_.CheckMode = true;
    diag_.warning_level = 1;
    replay_quiet_reads_ = replay;
    reader_.validator = &validator_;
  }
  void TestBody() override {}

  /// Checks `path` (a file or a tree); returns remarks and messages with
  /// the run's own library folder spelt "LIB".
  std::string Check(const std::string& path) {
    switches_.ModelPath = path;
    SetUpLibrary();
    ModelLoader loader(reader_, library_, finder_, nullptr);
    CheckRun check(reader_, loader, library_, finder_);
    check.replay_quiet_reads = replay_quiet_reads_;
    (void)check.RunChecks();
    replays_ = loader.QuietReplays();
    std::string text = remarks_.text() + "\n--\n" + messages_.text() + "\n--\n";
    // What the run leaves in the file table: records, flags, colours.
    for (int i = 0; i < files_.count(); ++i)
      text += files_.slot(i).name + " " + std::to_string(files_.slot(i).flags) + "\n";
    for (const UsedColour& used : files_.used_colours)
      text += std::to_string(used.colour) + " ";
    for (size_t at = text.find(lib_.path()); at != std::string::npos;
         at = text.find(lib_.path()))
      text.replace(at, lib_.path().size(), "LIB");
    return text;
  }

  /// Loads each of `paths` as a check run loads its files, and describes
  /// every record of the table after each: name, flags, and lines.
  std::string LoadEach(const std::vector<std::string>& paths) {
    SetUpLibrary();
    ModelLoader loader(reader_, library_, finder_, nullptr);
    finder_.KeepContents();
    if (replay_quiet_reads_) loader.RememberQuietReads();
    reader_.line_type_mask = kCheckLineTypes;
    std::string text;
    for (const std::string& path : paths) {
      if (loader.StartModel(path) == Status::kOk) (void)loader.LoadModel();
      for (int i = 0; i < files_.count(); ++i) {
        DatFile& record = files_.slot(i);
        text += record.name + " " + std::to_string(record.flags) + ":" +
                testing_support::LinesText(record);
        text += "\n";
      }
      for (int i = 0; i < files_.count(); ++i) files_.FreeFileLines(files_.slot(i));
      text += "--\n";
    }
    for (const UsedColour& used : files_.used_colours)
      text += std::to_string(used.colour) + " ";
    replays_ = loader.QuietReplays();
    return text + "\n" + remarks_.text() + messages_.text();
  }

  size_t replays_ = 0;

 private:
  bool replay_quiet_reads_ = true;
  LineValidator validator_{diag_, switches_, &colours_};
};

// Files found beside the checked files are read again for each of them.
// Played back instead of parsed, the quiet ones must leave every message,
// count and listing as parsing does; the ones that say something, hold
// several sections or transform blocks, or name their referrer, are parsed.
TEST(CheckModeReplay, PlayingBackQuietReadingsChangesNothing) {
  TempDir tree;
  const std::string place = " 0 0 0 1 0 0 0 1 0 0 0 1 ";
  tree.Write("quiet.dat", "0 Quiet\n2 24 0 0 0 1 1 1\n1 16" + place + "deep.dat\n"
                          "4 16 0 0 0 1 0 0 1 1 0 0 1 0\n");
  tree.Write("deep.dat", "3 16 0 0 0 1 0 0 0 0 1\n1 16" + place + "nowhere.dat\n");
  tree.Write("bowtie.dat", "0 !LDRAW_ORG Part UPDATE 2004-01\n4 2 0 0 0 1 1 0 1 0 0 0 1 0\n"
                           "4 16 0 0 0 1 1 0 1 0 0 0 1 0\n");
  tree.Write("sticker.dat", "0 Sticker 1 x 1\n0 !LDRAW_ORG Part UPDATE 2004-01\n"
                            "3 16 0 0 0 1 0 0 0 0 1\n3 14 0 0 0 1 0 0 0 0 1\n");
  tree.Write("loud.dat", "3 4 0 0 0 1 0 0 0 0 1\n1 16" + place + "quiet.dat\n");
  tree.Write("moved.dat", "0 ~Moved to quiet\n1 16" + place + "quiet.dat\n");
  tree.Write("sections.ldr", "0 FILE sections.ldr\n1 16" + place + "inner.ldr\n"
                             "0 FILE inner.ldr\n3 16 0 0 0 1 0 0 0 0 1\n");
  tree.Write("block.dat", "0 TRANSLATE 0 -24 0\n3 16 0 0 0 1 0 0 0 0 1\n"
                          "0 TRANSLATE END\n");
  tree.Write("singular.dat", "1 16 0 0 0 0 0 0 0 0 0 0 0 0 quiet.dat\n"
                             "1 16" + place + "bowtie.dat\n");
  for (const char* name : {"a.dat", "b.dat", "c.dat", "d.dat"}) {
    std::string text;
    for (const char* part : {"quiet.dat", "bowtie.dat", "sticker.dat", "loud.dat", "moved.dat",
                             "sections.ldr", "block.dat", "singular.dat",
                             "quiet.dat", "absent.dat"})
      text += std::string("1 16") + place + part + "\n";
    tree.Write(name, text);
  }
  std::string parsed;
  {
    SeparateCheckRun run(false);
    parsed = run.Check(tree.path());
    EXPECT_EQ(run.replays_, 0u);
  }
  std::string replayed;
  {
    SeparateCheckRun run(true);
    replayed = run.Check(tree.path());
    EXPECT_GT(run.replays_, 10u);
  }
  EXPECT_EQ(replayed, parsed);
  // The messages the played-back files cause are there, once per referrer.
  EXPECT_NE(parsed.find("Could not find nowhere.dat Referenced by deep.dat"),
            std::string::npos)
      << parsed;
  EXPECT_NE(parsed.find("referenced by \"a.dat\": Moved to quiet"), std::string::npos);
  EXPECT_NE(parsed.find("referenced by \"d.dat\": Moved to quiet"), std::string::npos);

  // The records themselves, after each file: the same lines, targets,
  // flags and colours, whether parsed or played back.
  const std::vector<std::string> models = {
      tree.path() + "/a.dat", tree.path() + "/quiet.dat", tree.path() + "/b.dat",
      tree.path() + "/bowtie.dat", tree.path() + "/c.dat"};
  std::string loaded_parsed;
  {
    SeparateCheckRun run(false);
    loaded_parsed = run.LoadEach(models);
  }
  SeparateCheckRun run(true);
  EXPECT_EQ(run.LoadEach(models), loaded_parsed);
  EXPECT_GT(run.replays_, 5u);
}

TEST_F(CheckModeTest, SingleFile) {
  TempDir models;
  switches_.ModelPath = models.Write("m.ldr", "1 16 0 0 0 1 0 0 0 1 0 0 0 1 x.dat\n"
                                              "2 24 0 0 0 1 1 1\n");
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(remarks_.text(), "'" + switches_.ModelPath + "'\n");
  EXPECT_EQ(messages_.text(), "Could not find x.dat Referenced by m.ldr\n" + Banner());
  EXPECT_EQ(reader_.line_type_mask, kCheckLineTypes);
  // Lines are freed after each file; the records stay.
  EXPECT_TRUE(files_.slot(0).lines.empty());
  EXPECT_TRUE(files_.LookupFile("x.dat")->Has(NOT_FOUND));
}

TEST_F(CheckModeTest, DirectoryTree) {
  TempDir tree;
  tree.Write("a.dat", kTriangle);
  tree.Write("b.txt", "not LDraw at all\n");
  tree.Write("sub/c.dat", kTriangle);
  tree.Mkdir("empty");
  switches_.ModelPath = tree.path() + "/";
  EXPECT_EQ(Run(), 0);
  std::string out = remarks_.text();
  const std::string sub_line = "1 files in " + tree.path() + "/sub checked.\n";
  const std::string empty_line = "0 files in " + tree.path() + "/empty checked.\n";
  const std::string top_line = "2 files in " + tree.path() + " checked.\n";
  ASSERT_NE(out.find(sub_line), std::string::npos) << out;
  ASSERT_NE(out.find(empty_line), std::string::npos) << out;
  ASSERT_NE(out.find(top_line), std::string::npos) << out;
  EXPECT_LT(out.find(sub_line), out.find(top_line));
  EXPECT_NE(out.find("'" + tree.path() + "/sub/c.dat'\n"), std::string::npos);
  EXPECT_NE(out.find("'" + tree.path() + "/b.txt'\n"), std::string::npos);
  EXPECT_EQ(out.size() - out.rfind(top_line), top_line.size());  // last line
  // The message stream is another stream: it repeats the count lines.
  EXPECT_EQ(messages_.text().size(),
            sub_line.size() + empty_line.size() + top_line.size() + Banner().size());
  EXPECT_NE(messages_.text().find(top_line + Banner()), std::string::npos);

  // One stream for both: each count line once; empty and unreadable dirs.
  diag_.message_stream = remarks_.get();
  size_t before = remarks_.text().size();
  check_->WalkDirectory("", [](const std::string&) { FAIL(); });
  check_->WalkDirectory(tree.path() + "/none", [](const std::string&) { FAIL(); });
  EXPECT_EQ(remarks_.text().substr(before),
            "0 files in " + tree.path() + "/none checked.\n");
}

// The walk as done by asking the file system about every entry.
void SlowWalk(const std::string& dir, std::vector<std::string>* files,
              std::vector<std::string>* counts) {
  std::string base = dir.back() == '/' ? dir : dir + "/";
  int count = 0;
  for (const std::string& name :
       platform::ListDirectory(base).value_or(std::vector<std::string>())) {
    if (platform::IsDirectory(base + name)) {
      SlowWalk(base + name, files, counts);
      continue;
    }
    files->push_back(base + name);
    ++count;
  }
  base.pop_back();
  counts->push_back(std::to_string(count) + " files in " + base + " checked.\n");
}

TEST_F(CheckModeTest, WalkFollowsLinksAsTheFileSystemDoes) {
  namespace fs = std::filesystem;
  TempDir tree, elsewhere;
  tree.Write("a.dat", kTriangle);
  tree.Write("sub/c.dat", kTriangle);
  elsewhere.Write("far/d.dat", kTriangle);
  elsewhere.Write("e.dat", kTriangle);
  fs::create_directory_symlink(elsewhere.path() + "/far", tree.path() + "/linked");
  fs::create_symlink(elsewhere.path() + "/e.dat", tree.path() + "/sub/e.dat");
  fs::create_symlink(tree.path() + "/gone", tree.path() + "/dangling.dat");
  fs::create_symlink("../sub", tree.path() + "/sub/up");
  Run();
  diag_.message_stream = remarks_.get();
  remarks_.NewText();
  std::vector<std::string> walked;
  check_->WalkDirectory(tree.path(), [&](const std::string& path) {
    walked.push_back(path);
    fprintf(remarks_.get(), "%s\n", path.c_str());
  });
  std::vector<std::string> files, counts;
  SlowWalk(tree.path(), &files, &counts);
  EXPECT_EQ(walked, files);
  std::string log = remarks_.NewText();
  for (const std::string& line : counts) {
    EXPECT_NE(log.find(line), std::string::npos) << line;
  }
  // Linked folders are walked (a ring of links until the links give out),
  // linked and dangling files are checked.
  for (const char* file : {"/linked/d.dat", "/sub/e.dat", "/dangling.dat",
                           "/sub/up/up/c.dat"})
    EXPECT_NE(std::find(walked.begin(), walked.end(), tree.path() + file),
              walked.end()) << file;
  EXPECT_NE(log.find("1 files in " + tree.path() + "/linked checked.\n"),
            std::string::npos);
}

TEST_F(CheckModeTest, WholeLibraryAndCacheListing) {
  lib_.Write("p/stud.dat", kTriangle);
  lib_.Write("parts/1.dat", "1 16 0 0 0 1 0 0 0 1 0 0 0 1 stud.dat\n" + std::string(kTriangle));
  lib_.Write("parts/2.dat", "1 16 0 0 0 1 0 0 0 1 0 0 0 1 stud.dat\n");
  settings_.DebugLevel = 1;
  EXPECT_EQ(Run(), 0);
  std::string out = remarks_.text();
  const std::string& root = lib_.path();
  size_t p_line = out.find("1 files in " + root + "/p checked.\n");
  size_t parts_line = out.find("2 files in " + root + "/parts checked.\n");
  ASSERT_NE(p_line, std::string::npos) << out;
  ASSERT_NE(parts_line, std::string::npos) << out;
  EXPECT_LT(p_line, parts_line);
  // Each slot is listed once, after the first file that brought it in;
  // stud.dat is read once for the whole run.
  size_t stud = 0;
  for (size_t at = out.find(" stud.dat\n"); at != std::string::npos;
       at = out.find(" stud.dat\n", at + 1))
    ++stud;
  EXPECT_EQ(stud, 2u) << out;  // slot 0 as a checked file, slot 1 as a part
  EXPECT_NE(out.find("'" + root + "/p/stud.dat'\nCache#0 stud.dat\n"),
            std::string::npos) << out;
  EXPECT_NE(out.find("Cache#1 stud.dat\n"), std::string::npos) << out;
  EXPECT_EQ(check_->LastCacheListed, files_.count());
}

TEST_F(CheckModeTest, PrimitiveCoverage) {
  lib_.Write("p/4-4edge.dat", kTriangle);
  lib_.Write("p/4-4cyli.dat", kTriangle);
  lib_.Write("p/nosub.dat", kTriangle);
  lib_.Write("p/48/Ring3.DAT", kTriangle);
  lib_.Write("R7PParts/48/ring3.inc", "");
  switches_.PrintPrimitives = true;
  switches_.ModelPath = "ignored.ldr";
  EXPECT_EQ(Run(), 0);
  std::string out = remarks_.text();
  EXPECT_NE(out.find("4-4edge.dat      irrelevant\n"), std::string::npos) << out;
  EXPECT_NE(out.find("4-4cyli.dat      R7P\n"), std::string::npos) << out;
  EXPECT_NE(out.find("nosub.dat      \n"), std::string::npos) << out;
  EXPECT_NE(out.find("48\\ring3.dat     R7P  R7PPARTS\n"), std::string::npos) << out;
  const std::string p_line = "3 files in " + lib_.path() + "/p checked.\n";
  ASSERT_NE(out.find(p_line), std::string::npos) << out;
  EXPECT_EQ(out.substr(out.find(p_line)),
            p_line + "Primitives in P: 4\nPOV substitutes: 3 (75%)\n");
  EXPECT_NE(out.find("1 files in " + lib_.path() + "/p/48 checked.\n"),
            std::string::npos);
  EXPECT_EQ(messages_.text().find(kBanner), std::string::npos);
}

TEST_F(CheckModeTest, EmptyPrimitiveDirectory) {
  switches_.PrintPrimitives = true;
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(remarks_.text(), "0 files in " + lib_.path() +
                                 "/p checked.\nPrimitives in P: 0\n");
}

}  // namespace
