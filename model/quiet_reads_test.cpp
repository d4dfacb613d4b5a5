#include "model/quiet_reads.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "base/settings.h"
#include "base/diagnostics.h"
#include "model/file_table.h"
#include "model/parser.h"
#include "tests/diagnostics_fixture.h"
#include "tests/record_text.h"

namespace {

constexpr char kPlainFile[] =
    "0 A primitive\n"
    "0 BFC CERTIFY CCW\n"
    "1 16 0 0 0 1 0 0 0 1 0 0 0 1 child.dat\n"
    "4 2 0 0 0 1 1 0 1 0 0 0 1 0\n"
    "1 4 0 0 0 -1 0 0 0 1 0 0 0 1 other.dat\n"
    "3 16 0 0 0 1 0 0 0 0 1\n";

class QuietReadsTest : public testing_support::DiagnosticsFixture {
 protected:
  /// Reads `content` into the record `name` as a referenced file.
  DatFile& Read(FileTable& files, const std::string& name, const std::string& content) {
    ReaderContext context{diag_, settings_, switches_, files, kCheckLineTypes};
    DatFile& file = *files.GetOrAddFile(false, name);
    FILE* stream = tmpfile();
    fwrite(content.data(), 1, content.size(), stream);
    rewind(stream);
    EXPECT_EQ(ReadDatFile(context, "model.ldr", file, stream, false), Status::kOk);
    EXPECT_TRUE(context.last_read_plain);
    return file;
  }

  /// The record's flags and everything its lines hold.
  static std::string Describe(const DatFile& file) {
    return std::to_string(file.flags) + ":" + testing_support::LinesText(file);
  }

  Settings settings_;
  RunSwitches switches_;
};

TEST_F(QuietReadsTest, PlaybackFillsARecordAsReadingDoes) {
  FileTable files(diag_);
  DatFile& read = Read(files, "prim.dat", kPlainFile);
  const std::string read_text = Describe(read);
  const uint32_t last_line = diag_.current_line;
  const std::string last_text = diag_.line_buffer;
  QuietReads memo;
  memo.Remember("/lib/prim.dat", 0, read, diag_);
  EXPECT_EQ(memo.kept_lines(), 4u);

  // A second table, as after the model's files were freed: the targets are
  // looked up again and created in the same order.
  FileTable again(diag_);
  DatFile& fresh = *again.GetOrAddFile(false, "prim.dat");
  ReadingLine("elsewhere.dat", 99, "some other line");
  const QuietReads::Reading* reading = memo.Find("/lib/prim.dat", 0);
  ASSERT_NE(reading, nullptr);
  EXPECT_EQ(memo.Find("/lib/prim.dat", READ), nullptr);  // other flags
  EXPECT_EQ(memo.Find("/lib/other.dat", 0), nullptr);
  ASSERT_TRUE(memo.Replay(*reading, fresh, again, diag_, nullptr));
  EXPECT_EQ(Describe(fresh), read_text);
  EXPECT_EQ(again.slot(1).name, "child.dat");
  EXPECT_EQ(again.slot(2).name, "other.dat");
  EXPECT_EQ(diag_.current_file, "prim.dat");
  EXPECT_EQ(diag_.current_line, last_line);
  EXPECT_EQ(diag_.line_buffer, last_text);
  EXPECT_EQ(again.used_colours.size(), files.used_colours.size());
  EXPECT_EQ(memo.replays(), 1u);
  EXPECT_EQ(Remarks(), "");
}

TEST_F(QuietReadsTest, PlaybackRefusesWhatReadingWouldDoDifferently) {
  FileTable files(diag_);
  DatFile& read = Read(files, "prim.dat", kPlainFile);
  QuietReads memo;
  memo.Remember("/lib/prim.dat", 0, read, diag_);
  const QuietReads::Reading* reading = memo.Find("/lib/prim.dat", 0);
  ASSERT_NE(reading, nullptr);

  // A record that already has lines is not filled a second time.
  EXPECT_FALSE(memo.Replay(*reading, read, files, diag_, nullptr));

  // A table without room for both targets: reading would report the full
  // table on the way; the playback leaves that to a real reading.
  FileTable small(diag_, 2);
  DatFile& fresh = *small.GetOrAddFile(false, "prim.dat");
  EXPECT_FALSE(memo.Replay(*reading, fresh, small, diag_, nullptr));
  EXPECT_TRUE(fresh.lines.empty());
  EXPECT_EQ(small.count(), 1);
  EXPECT_EQ(memo.replays(), 0u);
  EXPECT_EQ(messages_.text(), "");
}

TEST_F(QuietReadsTest, ReadingsThatAreNotPlainAreNotKept) {
  FileTable files(diag_);
  ReaderContext context{diag_, settings_, switches_, files, kCheckLineTypes};
  for (const char* content :
       {"0 FILE a.dat\n3 16 0 0 0 1 0 0 0 0 1\n0 FILE b.dat\n3 16 0 0 0 1 0 0 0 0 1\n",
        "0 TRANSLATE 0 -24 0\n3 16 0 0 0 1 0 0 0 0 1\n0 TRANSLATE END\n"}) {
    DatFile& file = *files.GetOrAddFile(false, "mixed.dat");
    files.FreeFileLines(file);
    file.flags = 0;
    FILE* stream = tmpfile();
    fwrite(content, 1, strlen(content), stream);
    rewind(stream);
    (void)ReadDatFile(context, "model.ldr", file, stream, false);
    EXPECT_FALSE(context.last_read_plain) << content;
  }
  // A transform block's record belongs to its line: such lines are never
  // kept, even if asked.
  DatFile& block = *files.LookupFile("mixed.dat");
  ASSERT_FALSE(block.lines.empty());
  ASSERT_NE(block.lines.front().internal, nullptr);
  QuietReads memo;
  memo.Remember("/lib/mixed.dat", 0, block, diag_);
  EXPECT_EQ(memo.Find("/lib/mixed.dat", 0), nullptr);
  EXPECT_EQ(memo.kept_lines(), 0u);
}

}  // namespace
