#include "model/file_table.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "base/diagnostics.h"
#include "tests/test_support.h"

namespace {

class FileTableTest : public ::testing::Test {
 protected:
  FileTableTest() { diag_.message_stream = messages_.get(); }
  Diagnostics diag_;
  testing_support::MemoryFile messages_;
  FileTable files_{diag_};
};

TEST_F(FileTableTest, LookupAndAddFindTheFirstEqualSlot) {
  DatFile& main = files_.SetMainModel("Model.LDR");
  EXPECT_EQ(files_.count(), 1);
  EXPECT_EQ(files_.LookupFile("Model.LDR"), &main);
  EXPECT_EQ(files_.LookupFile("model.ldr"), nullptr);  // exact comparison
  EXPECT_EQ(files_.LookupFile(""), nullptr);
  DatFile* a = files_.GetOrAddFile(false, "3001.dat");
  DatFile* stud = files_.GetOrAddFile(false, "stud.dat");
  EXPECT_EQ(files_.GetOrAddFile(false, "3001.dat"), a);
  EXPECT_EQ(files_.count(), 3);
  EXPECT_EQ(a->flags, 0u);
  EXPECT_EQ(stud->flags, uint32_t{STUD});
  EXPECT_EQ(stud->studCount, 1);
  EXPECT_EQ(files_.GetOrAddFile(false, ""), nullptr);  // would look free
  EXPECT_EQ(files_.count(), 3);

  std::unique_ptr<DatFile> owned;
  DatFile* block = files_.GetOrAddFile(true, "R7Transf0", &owned);
  EXPECT_EQ(block, owned.get());
  EXPECT_EQ(block->flags, uint32_t{INTERNAL});
  EXPECT_EQ(files_.LookupFile("R7Transf0"), nullptr);
  EXPECT_EQ(files_.count(), 3);
  EXPECT_EQ(messages_.text(), "");
}

TEST_F(FileTableTest, FreedSlotsAreReusedLowestFirst) {
  files_.SetMainModel("m.ldr");
  DatFile* model_a = files_.GetOrAddFile(false, "a.ldr");
  DatFile* part = files_.GetOrAddFile(false, "3001.dat");
  DatFile* model_b = files_.GetOrAddFile(false, "b.ldr");
  part->flags |= LIBRARY | DONE;
  part->studCount = 8;
  files_.FreeModelFiles();
  EXPECT_EQ(files_.count(), 4);
  EXPECT_TRUE(files_.slot(0).name.empty());
  EXPECT_TRUE(model_a->name.empty());
  EXPECT_TRUE(model_b->name.empty());
  EXPECT_EQ(files_.LookupFile("a.ldr"), nullptr);
  EXPECT_EQ(files_.LookupFile("3001.dat"), part);  // library files stay
  EXPECT_EQ(part->studCount, 8);

  files_.SetMainModel("n.ldr");
  EXPECT_EQ(files_.GetOrAddFile(false, "c.ldr"), &files_.slot(1));
  EXPECT_EQ(files_.GetOrAddFile(false, "d.ldr"), &files_.slot(3));
  DatFile* e = files_.GetOrAddFile(false, "e.ldr");
  EXPECT_EQ(e, &files_.slot(4));
  EXPECT_EQ(files_.count(), 5);
  // A freed record is cleared completely.
  EXPECT_EQ(files_.slot(1).flags, 0u);
  EXPECT_TRUE(files_.slot(1).lines.empty());
}

TEST_F(FileTableTest, MainModelShadowsALibraryFileOfTheSameName) {
  files_.SetMainModel("first.ldr");
  DatFile* library = files_.GetOrAddFile(false, "3001.dat");
  library->flags |= LIBRARY;
  files_.FreeModelFiles();
  DatFile& main = files_.SetMainModel("3001.dat");
  EXPECT_EQ(files_.LookupFile("3001.dat"), &main);  // slot 0 comes first
  files_.FreeModelFiles();
  EXPECT_EQ(files_.LookupFile("3001.dat"), library);
}

TEST_F(FileTableTest, UsedColoursKeepTheOrderOfFirstUse) {
  for (int colour : {7, 4, 7, 16, 0x2FF0000, 4, 16})
    EXPECT_TRUE(files_.AddUsedColour(colour));
  ASSERT_EQ(files_.used_colours.size(), 4u);
  EXPECT_EQ(files_.used_colours[0].colour, 7);
  EXPECT_EQ(files_.used_colours[1].colour, 4);
  EXPECT_EQ(files_.used_colours[2].colour, 16);  // the caller filters 16 and 24
  EXPECT_EQ(files_.used_colours[3].colour, 0x2FF0000);
  files_.used_colours[1].writerFlags = 1;
  files_.used_colours.push_back(UsedColour{99, 0});  // filled by hand
  files_.AddUsedColour(99);
  files_.AddUsedColour(5);
  ASSERT_EQ(files_.used_colours.size(), 6u);
  EXPECT_EQ(files_.used_colours[1].writerFlags, 1);
  EXPECT_EQ(files_.used_colours[5].colour, 5);
  EXPECT_EQ(files_.used_colours[5].writerFlags, 0);
}

TEST_F(FileTableTest, FreeingReleasesNestedInternalRecords) {
  files_.SetMainModel("m.ldr");
  DatFile* outer = files_.GetOrAddFile(false, "a.ldr");
  DatFile* parent = outer;
  for (int i = 0; i < 20000; ++i) {
    DatLine line;
    line.type = 1;
    line.file = files_.GetOrAddFile(true, "R7Transf", &line.internal);
    DatFile* next = line.file;
    files_.AppendLine(*parent, std::move(line));
    parent = next;
  }
  files_.FreeFile(*outer);
  EXPECT_TRUE(outer->name.empty());
  EXPECT_TRUE(outer->lines.empty());
  EXPECT_EQ(files_.LookupFile("a.ldr"), nullptr);

  std::unique_ptr<DatFile> owned;
  DatFile* block = files_.GetOrAddFile(true, "R7Transf1", &owned);
  files_.AppendLine(*block, DatLine());
  files_.FreeFile(*block);  // the record itself belongs to its line
  EXPECT_TRUE(block->lines.empty());
  EXPECT_EQ(files_.count(), 2);
}

TEST_F(FileTableTest, FullTableReportsAndRefuses) {
  // Today's libraries overflow the historic 2000 slots.
  EXPECT_EQ(kMaxFiles, 1000000);
  FileTable small(diag_, 2500);
  small.SetMainModel("m.ldr");
  for (int i = 1; i < 2500; ++i)
    ASSERT_NE(small.GetOrAddFile(false, std::to_string(i)), nullptr);
  EXPECT_EQ(small.GetOrAddFile(false, "one.more"), nullptr);
  EXPECT_NE(small.GetOrAddFile(false, "7"), nullptr);  // known names still found
  EXPECT_EQ(messages_.text(), "Sorry, max 2500 parts.\n");
  small.FreeModelFiles();
  EXPECT_NE(small.GetOrAddFile(false, "one.more"), nullptr);
  EXPECT_EQ(messages_.text(), "Sorry, max 2500 parts.\n");
}

}  // namespace
