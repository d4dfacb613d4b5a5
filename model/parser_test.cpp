#include "model/parser.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "colour/colour_table.h"
#include "base/settings.h"
#include "base/diagnostics.h"
#include "model/file_table.h"
#include "model/line_validation.h"
#include "platform/platform.h"
#include "tests/diagnostics_fixture.h"
#include "tests/test_support.h"

namespace {

class ParserTest : public testing_support::DiagnosticsFixture {
 protected:
  /// Reads `content` as the main model "model.ldr" (slot 0).
  DatFile& ReadMain(const std::string& content, Status* result = nullptr) {
    DatFile& main = files_.SetMainModel("model.ldr");
    Status r = ReadDatFile(context_, nullptr, main, Stream(content), true);
    if (result != nullptr) *result = r;
    return main;
  }

  /// Reads `content` as a referenced file.
  DatFile& ReadReferenced(const std::string& name, const std::string& content,
                          const char* referenced_by = "model.ldr") {
    DatFile& file = *files_.GetOrAddFile(false, name);
    EXPECT_EQ(ReadDatFile(context_, referenced_by, file, Stream(content), false), Status::kOk);
    return file;
  }

  static FILE* Stream(const std::string& content) {
    FILE* stream = tmpfile();
    fwrite(content.data(), 1, content.size(), stream);
    rewind(stream);
    return stream;
  }

  Settings settings_;
  RunSwitches switches_;
  FileTable files_{diag_};
  ReaderContext context_{diag_, settings_, switches_, files_, kAllLineTypes};
};

TEST_F(ParserTest, LeadingFreeTextIsKeptUntilTheFirstLDrawLine) {
  DatFile& main = ReadMain(
      "Exported by some tool\r\n"
      "\r\n"
      "12 apples\r\n"
      "1 16 0 0 0 1 0 0 0 1 0 0 0 1 3001.dat\r\n"
      "Trailing junk\r\n"
      "\r\n"
      "99 1 2\r\n");
  EXPECT_EQ(Remarks(),
            "SKIPPING \"model.ldr\" Line 5: Bad line: Trailing junk\n"
            "SKIPPING \"model.ldr\" Line 7: Unknown line type: 99 1 2\n");
  ASSERT_EQ(main.lines.size(), 4u);
  EXPECT_EQ(main.lines[0].type, 0);
  EXPECT_EQ(main.lines[0].text, "Exported by some tool");
  EXPECT_EQ(main.lines[0].flags, 0u);
  EXPECT_EQ(main.lines[1].text, "");
  EXPECT_EQ(main.lines[2].text, "12 apples");
  EXPECT_EQ(main.lines[3].type, 1);
  EXPECT_EQ(main.lines[3].lineNumber, 4u);
  EXPECT_EQ(main.lines[3].file, files_.LookupFile("3001.dat"));
  EXPECT_TRUE(main.Has(READ));
}

TEST_F(ParserTest, ItemCountsOfTheLineScanDecide) {
  ReadMain(
      "0 Title\n"
      "1 16 0 0 0 1 0 0 0 1 0 0 0 1\n"           // no file name
      "3 16 0 0 0 1 0 0 0 0 1 5\n"               // a tenth coordinate
      "3 16 0 0 0 1 0 0 0 0 1 word\n"            // a word ends the scan
      "2 24 0 0 0 1 1 1 trailing words\n"        // likewise for lines
      "4 16 0 0 0 1 0 0 1 1 0 0 1 0 x\n"         // a word is one item more
      "5 24 0 0 0 1 0 0 0 1 0 1 1 0\n"
      "2 24 0 0 0 1 1\n"
      "-1 2 3\n");
  EXPECT_EQ(Remarks(),
            "SKIPPING \"model.ldr\" Line 2: 15 arguments expected: 1 16 0 0 0 1 0 0 0 1 0 0 0 1\n"
            "SKIPPING \"model.ldr\" Line 3: 11 arguments expected: 3 16 0 0 0 1 0 0 0 0 1 5\n"
            "SKIPPING \"model.ldr\" Line 6: 14 arguments expected: 4 16 0 0 0 1 0 0 1 1 0 0 1 0 x\n"
            "SKIPPING \"model.ldr\" Line 8: 8 arguments expected: 2 24 0 0 0 1 1\n"
            "SKIPPING \"model.ldr\" Line 9: Unknown line type: -1 2 3\n");
  DatFile& main = files_.slot(0);
  ASSERT_EQ(main.lines.size(), 4u);
  EXPECT_EQ(main.lines[1].lineNumber, 4u);
  EXPECT_EQ(main.lines[1].matrix.at(2, 0), 0.0f);
  EXPECT_EQ(main.lines[1].matrix.at(2, 2), 1.0f);
  EXPECT_EQ(main.lines[1].matrix.at(3, 3), 1.0f);  // unused rows end in 1
  EXPECT_EQ(main.lines[2].type, 2);
  EXPECT_EQ(main.lines[3].type, 5);
  EXPECT_EQ(main.lines[3].matrix.at(3, 0), 1.0f);
}

TEST_F(ParserTest, ColoursAreReadAsCLongs) {
  DatFile& main = ReadMain(
      "1 0x2FF0000 0 0 0 1 0 0 0 1 0 0 0 1 a.dat\n"
      "1 010 0 0 0 1 0 0 0 1 0 0 0 1 a.dat\n"
      "3 16 0 0 0 1 0 0 0 0 1\n"
      "3 24 0 0 0 1 0 0 0 0 1\n"
      "3 99999999999 0 0 0 1 0 0 0 0 1\n");
  ASSERT_EQ(main.lines.size(), 5u);
  EXPECT_EQ(main.lines[0].colour, 0x2FF0000);
  EXPECT_EQ(main.lines[1].colour, 8);
  EXPECT_EQ(main.lines[4].colour, 2147483647);
  // 16 and 24 stand for inherited colours and never count as used.
  ASSERT_EQ(files_.used_colours.size(), 3u);
  EXPECT_EQ(files_.used_colours[0].colour, 0x2FF0000);
  EXPECT_EQ(files_.used_colours[1].colour, 8);
}

TEST_F(ParserTest, TypeOneLines) {
  settings_.SettingsFlags |= LightDatLights;
  ColourTable colours;  // knows no colour number
  context_.colours = &colours;
  DatFile& main = ReadMain(
      "1 16 0 0 0 -1 0 0 0 1 0 0 0 1 \"Sub Dir/My Part.DAT\"\n"
      "1 4 0 0 0 1 0 0 0 1 0 0 0 1 STU24.dat\n"
      "1 4 0 0 0 1 0 0 0 1 0 0 0 1 stud4.dat\n"
      "1 600 0 0 0 1 0 0 0 1 0 0 0 1 light.dat\n"
      "1 4 0 0 0 1 0 0 0 1 0 0 0 1 \"\"\n"
      "1 4 0 0 0 1 0 0 0 1 0 0 0 1 \"open.dat\n");
  EXPECT_EQ(Remarks(),
            "WARNING \"model.ldr\" Line 2: This speed-primitive should not be "
            "referenced directly: 1 4 0 0 0 1 0 0 0 1 0 0 0 1 STU24.dat\n"
            "WARNING \"model.ldr\" Line 4: Sorry, cannot handle color 600, using 15: "
            "1 600 0 0 0 1 0 0 0 1 0 0 0 1 light.dat\n"
            "SKIPPING \"model.ldr\" Line 5: 15 arguments expected: "
            "1 4 0 0 0 1 0 0 0 1 0 0 0 1 \"\"\n"
            "WARNING \"model.ldr\" Line 6: Missing end quote: "
            "1 4 0 0 0 1 0 0 0 1 0 0 0 1 \"open.dat\n");
  ASSERT_EQ(main.lines.size(), 5u);
  EXPECT_EQ(main.lines[0].file->name, "sub dir\\my part.dat");
  EXPECT_EQ(main.lines[0].flags, uint32_t{MIRRORED});
  EXPECT_EQ(main.lines[0].matrix.at(0, 0), -1.0f);
  EXPECT_TRUE(main.lines[2].file->Has(STUD));
  EXPECT_EQ(main.lines[3].flags, uint32_t{LIGHT});
  EXPECT_EQ(main.lines[3].colour, 15);
  EXPECT_TRUE(settings_.Has(LightDatFound));
  EXPECT_EQ(main.lines[4].file->name, "open.dat");
}

TEST_F(ParserTest, CommentsAndTheLineTypeMask) {
  context_.line_type_mask = kConversionLineTypes;
  diag_.warning_level = 3;
  DatFile& main = ReadMain(
      "0\n"
      "0//comment\n"
      "0 \t STEP\n"
      "0 step\n"
      "2 24 0 0 0 1 1 1\n"
      "5 24 0 0 0 1 0 0 0 1 0 1 1 0\n"
      "3 4 0 0 0 1 0 0 0 0 1\n");
  EXPECT_EQ(Remarks(),
            "WARNING \"model.ldr\" Line 2: Comment lines should have space after 0: 0//comment\n");
  ASSERT_EQ(main.lines.size(), 5u);
  EXPECT_EQ(main.lines[0].text, "");
  EXPECT_EQ(main.lines[0].flags, uint32_t{META});
  EXPECT_EQ(main.lines[1].text, "//comment");
  EXPECT_EQ(main.lines[2].text, "\t STEP");
  EXPECT_EQ(main.lines[2].flags, uint32_t{META | STEP});
  EXPECT_EQ(main.lines[3].flags, uint32_t{META});  // keywords are case-sensitive
  EXPECT_EQ(main.lines[4].type, 3);
  EXPECT_EQ(files_.title, "//comment");
}

TEST_F(ParserTest, BfcStatementsFollowTheSectionState) {
  DatFile& main = ReadMain(
      "0 BFC CERTIFY CCW\n"
      "0 BFC CW\n"
      "0 BFC INVERTNEXT\n"
      "3 16 0 0 0 1 0 0 0 0 1\n"
      "0 BFC CERTIFY\n"
      "0 BFC\n"
      "0 BFC CLIP NOCLIP\n"
      "0 BFC FOO\n"
      "0 BFC NOCERTIFY\n");
  EXPECT_EQ(Remarks(),
            "WARNING \"model.ldr\" Line 4: Line type 1 must follow BFC INVERTNEXT: 3 16 0 0 0 1 0 0 0 0 1\n"
            "WARNING \"model.ldr\" Line 5: BFC CERTIFY already met: 0 BFC CERTIFY\n"
            "SKIPPING \"model.ldr\" Line 6: No BFC options specified: 0 BFC\n"
            "SKIPPING \"model.ldr\" Line 7: Only one BFC option from a group allowed: 0 BFC CLIP NOCLIP\n"
            "SKIPPING \"model.ldr\" Line 8: Illegal BFC option: 0 BFC FOO\n"
            "SKIPPING \"model.ldr\" Line 9: BFC CERTIFY already met: 0 BFC NOCERTIFY\n");
  EXPECT_EQ(main.lines.size(), 5u);

  DatFile& part = ReadReferenced("p.dat",
                                 "0 Part\n"
                                 "3 16 0 0 0 1 0 0 0 0 1\n"
                                 "0 BFC CW\n"
                                 "0 BFC CERTIFY\n");
  EXPECT_EQ(Remarks(),
            "SKIPPING \"p.dat\" Line 3: This BFC is ignored because no BFC appeared "
            "before the first operational command-line: 0 BFC CW\n"
            "SKIPPING \"p.dat\" Line 4: BFC CERTIFY must appear before the first "
            "operational command-line: 0 BFC CERTIFY\n");
  EXPECT_EQ(part.lines.size(), 2u);

  ReadReferenced("q.dat", "0 BFC NOCERTIFY CW\n0 BFC CCW\n");
  EXPECT_EQ(Remarks(),
            "WARNING \"q.dat\" Line 1: NOCERTIFY must appear alone: 0 BFC NOCERTIFY CW\n"
            "SKIPPING \"q.dat\" Line 2: BFC NOCERTIFY already met: 0 BFC CCW\n");
}

TEST_F(ParserTest, TransformBlocksBecomeInternalRecords) {
  DatFile& main = ReadMain(
      "0 TRANSLATE 0 -24 0\n"
      "3 4 0 0 0 1 0 0 0 0 1\n"
      "0 ROTATE END\n"
      "0 SCALE 2\n"
      "0 SCALE END\n"
      "0 TRANSLATE END\n"
      "0 TRANSFORM END\n"
      "0 ROTATE 90 0 0 0\n"
      "0 ROTATE END\n"
      "0 TRANSLATE 1 2\n");
  EXPECT_EQ(Remarks(),
            "SKIPPING \"model.ldr\" Line 3: TRANSLATE END expected: 0 ROTATE END\n"
            "SKIPPING \"model.ldr\" Line 7: END not expected: 0 TRANSFORM END\n"
            "WARNING \"model.ldr\" Line 8: Zero vector: 0 ROTATE 90 0 0 0\n"
            "SKIPPING \"model.ldr\" Line 10: Illegal syntax: 0 TRANSLATE 1 2\n");
  // main: TRANSLATE, R7Transf0, TRANSLATE END, ROTATE, R7Transf2, ROTATE END,
  // and the malformed TRANSLATE as a comment.
  ASSERT_EQ(main.lines.size(), 7u);
  const DatLine& reference = main.lines[1];
  EXPECT_EQ(reference.type, 1);
  EXPECT_EQ(reference.colour, 16);
  EXPECT_EQ(reference.lineNumber, 0u);
  EXPECT_EQ(reference.matrix.at(1, 3), -24.0f);
  EXPECT_EQ(reference.matrix.at(1, 1), 1.0f);
  DatFile& block = *reference.file;
  EXPECT_EQ(block.name, "R7Transf0");
  EXPECT_EQ(block.flags, uint32_t{INTERNAL | READ});
  EXPECT_EQ(block.parentFile, &main);
  EXPECT_EQ(block.parentBlock, 0);
  EXPECT_EQ(files_.LookupFile("R7Transf0"), nullptr);  // never in the table
  // In the block: the triangle, SCALE 2, its record, SCALE END.
  ASSERT_EQ(block.lines.size(), 4u);
  DatFile& inner = *block.lines[2].file;
  EXPECT_EQ(inner.name, "R7Transf1");
  EXPECT_EQ(inner.parentBlock, 1);
  EXPECT_EQ(block.lines[2].matrix.at(0, 0), 2.0f);
  EXPECT_EQ(main.lines[4].file->name, "R7Transf2");
  EXPECT_EQ(files_.internal_counter, 3);

  ReadReferenced("open.dat", "0 TRANSLATE 1 2 3\n0 TRANSFORM 1 2 3 1 0 0 0 1 0 0 0 1\n");
  EXPECT_EQ(Remarks(),
            "WARNING \"open.dat\": End-Of-File, TRANSFORM END expected\n"
            "WARNING \"open.dat\": End-Of-File, TRANSLATE END expected\n");
}

TEST_F(ParserTest, MultiPartFilesSplitIntoSections) {
  switches_.Verbose = 1;
  files_.SetMainModel("model.mpd").flags |= LIBRARY;
  DatFile& main = files_.slot(0);
  (void)ReadDatFile(context_, nullptr, main,
              Stream("0 BFC CERTIFY\n"
                     "0 FILE main.ldr\n"
                     "0 Main title\n"
                     "1 16 0 0 0 1 0 0 0 1 0 0 0 1 Sub.ldr\n"
                     "0 FILE sub.ldr\n"
                     "0 Sub comment\n"
                     "4 16 0 0 0 1 0 0 1 1 0 0 1 0\n"
                     "0 FILE SUB.LDR\n"
                     "0 again\n"
                     "3 16 0 0 0 1 0 0 0 0 1\n"
                     "0 FILE \"\"\n"
                     "0 FILE other.ldr\n"),
              true);
  EXPECT_EQ(Remarks(),
            "WARNING \"model.mpd\" Line 2: LDraw command(s) preceded this line: 0 FILE main.ldr\n"
            "SKIPPING \"model.mpd\" Line 8: FILE sub.ldr already read: 0 FILE SUB.LDR\n"
            "SKIPPING \"model.mpd\" Line 9: Subfile sub.ldr already read: 0 again\n"
            "SKIPPING \"model.mpd\" Line 10: Subfile sub.ldr already read: 3 16 0 0 0 1 0 0 0 0 1\n"
            "SKIPPING \"model.mpd\" Line 11: Subfile sub.ldr already read: 0 FILE \"\"\n");
  EXPECT_EQ(messages_.text(), "MPD subfile sub.ldr\nMPD subfile SUB.LDR\nMPD subfile other.ldr\n");
  EXPECT_EQ(files_.title, "Main title");
  // The first FILE line stays with the file passed in, as a comment.
  ASSERT_EQ(main.lines.size(), 4u);
  EXPECT_EQ(main.lines[1].text, "FILE main.ldr");
  DatFile* sub = files_.LookupFile("sub.ldr");
  ASSERT_NE(sub, nullptr);
  EXPECT_EQ(main.lines[3].file, sub);  // referenced before its section
  EXPECT_EQ(sub->flags, uint32_t{READ | MPD_SUBFILE | LIBRARY});
  EXPECT_EQ(sub->lines.size(), 2u);
  EXPECT_TRUE(files_.LookupFile("other.ldr")->Has(READ));
}

TEST_F(ParserTest, TextureBlocks) {
  DatFile& main = ReadMain(
      "0 TEXTURE SLOPE\n"
      "0 TEXTURE\n"
      "0 TEXTURE END\n"
      "0 TEXTURE PLANAR\n"
      "0 TEXTURE SLOPE\n");
  EXPECT_EQ(Remarks(),
            "SKIPPING \"model.ldr\" Line 4: Unknown TEXTURE PLANAR: 0 TEXTURE PLANAR\n"
            "WARNING \"model.ldr\": End-Of-File, TEXTURE SLOPE not ended\n");
  ASSERT_EQ(main.lines.size(), 4u);
  EXPECT_EQ(main.lines[0].flags, uint32_t{META | TEXTURE});
  EXPECT_EQ(main.lines[0].colour, 1);
  EXPECT_EQ(main.lines[1].colour, 0);
  EXPECT_EQ(main.lines[3].colour, 1);

  files_.SetMainModel("m.mpd");
  (void)ReadDatFile(context_, nullptr, files_.slot(0),
              Stream("0 FILE a.ldr\n0 TEXTURE SLOPE\n0 TRANSLATE 1 2 3\n0 FILE b.ldr\n"),
              true);
  EXPECT_EQ(Remarks(),
            "WARNING \"m.mpd\" Line 4: TRANSLATE END expected: 0 FILE b.ldr\n"
            "WARNING \"m.mpd\" Line 4: TEXTURE SLOPE not ended: 0 FILE b.ldr\n");
}

TEST_F(ParserTest, TitleAndAuthorComeFromTheMainModelOnly) {
  switches_.CheckMode = true;
  ReadMain(
      "0 ROTATION CENTER 0 0 0 1 \"Custom\"\n"
      "0 R7P something\n"
      "0 Z-Tally 12\n"
      "0 Author: \t Someone <a@b>\n"
      "0 Brick  2 x  4\n"
      "0 Author: Somebody else\n"
      "0 Later comment\n");
  EXPECT_EQ(Remarks(), "Author: \t Someone <a@b>\nBrick  2 x  4\n");
  EXPECT_EQ(files_.title, "Brick  2 x  4");
  EXPECT_EQ(files_.author, "Someone <a@b>");
  ReadReferenced("3001.dat", "0 Sub title\n0 Author: Part author\n");
  EXPECT_EQ(files_.title, "Brick  2 x  4");
  EXPECT_EQ(files_.author, "Someone <a@b>");
  EXPECT_EQ(Remarks(), "");

  files_.title.clear();
  files_.author.clear();
  ReadMain("0 " + std::string(150, 't') + "\n0 Author: " + std::string(150, 'a') + "\n");
  EXPECT_EQ(files_.title, std::string(99, 't'));
  EXPECT_EQ(files_.author, std::string(99, 'a'));
}

TEST_F(ParserTest, NotabeneAndDeprecatedKeywords) {
  ReadReferenced("old.dat", "0 ~Moved to 3001\n");
  EXPECT_EQ(Remarks(), "NOTABENE \"old.dat\" referenced by \"model.ldr\": Moved to 3001\n");
  ReadMain("0   ~Moved to 3002\n0 R7P IFPOV\n0 R7P IFPOV now\n");
  EXPECT_EQ(Remarks(),
            "NOTABENE \"model.ldr\" Line 1: 0   ~Moved to 3002\n"
            "WARNING \"model.ldr\" Line 2: This keyword is deprecated: 0 R7P IFPOV\n");
}

TEST_F(ParserTest, CategoryAndStickers) {
  DatFile& a = ReadReferenced("a.dat", "0 Sticker  1 x  2\n0 CATEGORY Sticker\n0 CATEGORY Brick\n");
  EXPECT_EQ(Remarks(),
            "SKIPPING \"a.dat\" Line 3: Already met CATEGORY Sticker: 0 CATEGORY Brick\n");
  EXPECT_TRUE(a.Has(STICKER));
  EXPECT_EQ(a.lines.size(), 2u);
  EXPECT_TRUE(ReadReferenced("b.dat", "0 Sticker 1 x 2\n").Has(STICKER));
  EXPECT_FALSE(ReadReferenced("c.dat", "0 Sticker 1 x 2\n0 CATEGORY Stickers\n").Has(STICKER));
  EXPECT_FALSE(ReadReferenced("d.dat", "0 Brick\n0 Sticker\n").Has(STICKER));
}

TEST_F(ParserTest, PartTypeHeaders) {
  EXPECT_TRUE(ReadReferenced("a.dat", "0 !LDRAW_ORG Part UPDATE 2004-01\n").Has(PART));
  EXPECT_TRUE(ReadReferenced("b.dat", "0 Official LCAD 48_Primitive\n").Has(PRIMITIVE));
  DatFile& c = *files_.GetOrAddFile(false, "c.dat");
  c.flags |= PART;
  (void)ReadDatFile(context_, "m", c, Stream("0 !LDRAW_ORG Primitive\n"), false);
  EXPECT_EQ(Remarks(), "SKIPPING \"c.dat\" Line 1: Already categorized as Part: 0 !LDRAW_ORG Primitive\n");
  EXPECT_TRUE(c.lines.empty());
}

TEST_F(ParserTest, ValidationDropsAndLevelsLibraryMessages) {
  switches_.CheckMode = true;
  diag_.warning_level = 1;
  LineValidator validator(diag_, switches_);
  context_.validator = &validator;
  // A singular placement is dropped; a level-1 remark shows in the checked
  // file, not in the library file it references.
  const std::string line16 = "2 16 0 0 0 1 1 1\n";
  DatFile& main = ReadMain("1 4 0 0 0 0 0 0 0 0 0 0 0 0 bad.dat\n" + line16 +
                           "3 4 0 0 0 1 0 0 0 0 1\n");
  EXPECT_NE(Remarks().find("Lines should not use color 16"), std::string::npos);
  EXPECT_EQ(main.lines.size(), 2u);
  EXPECT_EQ(files_.LookupFile("bad.dat"), nullptr);  // a dropped line adds no file
  ReadReferenced("lib.dat", line16);
  EXPECT_EQ(Remarks(), "");
  EXPECT_EQ(diag_.warning_level, 1);
}

TEST_F(ParserTest, HostileBytesNeverCrash) {
  std::string garbage;
  for (int i = 0; i < 200000; ++i) garbage += static_cast<char>((i * 7919) % 256);
  ReadMain(garbage);
  std::string nul("1 16 0 0 0 1 0 0 0 1 0 0 0 1 a\0b.dat\n0 \0\n\0\0\0\n", 45);
  ReadMain(nul);
  ReadMain("0 Title\n" + std::string(10 * 1024 * 1024, '7') + "\n");
  EXPECT_EQ(diag_.current_line, 1u + 10497u);  // 999 characters per line
  ReadMain("1 16 0 0 0 1 0 0 0 1 0 0 0 1 \"unterminated\n0 FILE \"x\n0 FILE \"\n");
  Remarks();
}

TEST_F(ParserTest, HostileSizesNeverCrash) {
  // A million lines, and a hundred thousand distinct direct colours: nothing
  // may grow quadratically. Comments are not stored, as in check mode.
  context_.line_type_mask = kCheckLineTypes;
  std::string many;
  for (int i = 0; i < 1000000; ++i) many += "0\n";
  for (int i = 0; i < 100000; ++i)
    many += "2 " + std::to_string(0x2000000 + i) + " 0 0 0 1 1 1\n";
  DatFile& main = ReadMain(many);
  EXPECT_EQ(main.lines.size(), 100000u);
  EXPECT_EQ(files_.used_colours.size(), 100000u);
  EXPECT_EQ(main.lines.back().lineNumber, 1100000u);
  EXPECT_EQ(Remarks(), "");
}

TEST_F(ParserTest, HostileNestingNeverCrashes) {
  std::string nested;
  for (int i = 0; i < 10000; ++i) nested += "0 TRANSLATE 0 1 0\n3 4 0 0 0 1 0 0 0 0 1\n";
  DatFile& deep = ReadMain(nested);
  EXPECT_EQ(deep.lines.size(), 2u);
  std::string text = Remarks();
  EXPECT_NE(text.find("WARNING \"model.ldr\": End-Of-File, TRANSLATE END expected\n"),
            std::string::npos);
  files_.FreeFileLines(deep);  // ten thousand nested records, no deep recursion
}

TEST_F(ParserTest, ThousandsOfSectionsAreAllKept) {
  std::string sections;
  for (int i = 0; i < 3000; ++i)
    sections += "0 FILE s" + std::to_string(i) + ".ldr\n3 4 0 0 0 1 0 0 0 0 1\n";
  ReadMain(sections);
  for (int i = 1; i < 3000; ++i) {
    DatFile* section = files_.LookupFile("s" + std::to_string(i) + ".ldr");
    ASSERT_NE(section, nullptr);
    EXPECT_EQ(section->lines.size(), 1u);
  }
}

}  // namespace

namespace {

class LibraryReadTest : public testing_support::DiagnosticsFixture {
 protected:
  LibraryReadTest() {
    diag_.warning_level = 1;
    switches_.CheckMode = true;
    colours_.AddDefaultColours();
    context_.validator = &validator_;
    context_.colours = &colours_;
  }

  /// Reads one library file as a model of its own, as the check mode does.
  void ReadFile(const std::string& path, const std::string& name) {
    FILE* stream = fopen(path.c_str(), "rb");
    ASSERT_NE(stream, nullptr) << path;
    files_.FreeModelFiles();
    files_.title.clear();
    files_.author.clear();
    DatFile& main = files_.SetMainModel(name);
    EXPECT_EQ(ReadDatFile(context_, nullptr, main, stream, true), Status::kOk) << path;
    EXPECT_TRUE(main.Has(READ)) << path;
  }

  Settings settings_;
  RunSwitches switches_;
  FileTable files_{diag_};
  ColourTable colours_;
  LineValidator validator_{diag_, switches_, &colours_};
  ReaderContext context_{diag_, settings_, switches_, files_, kCheckLineTypes};
};

TEST_F(LibraryReadTest, EveryLibraryFileReads) {
  R7P_REQUIRE_SHARED_LIBRARY();
  std::string root = testing_support::SharedLibrary();
  colours_.ReadColourFile(root + "/LDConfig.ldr", diag_);
  size_t colour_remarks = remarks_.text().size();
  int read = 0;
  for (const char* sub : {"p", "p/48", "p/8", "parts", "parts/s"}) {
    auto names = platform::ListDirectory(root + "/" + sub);
    if (!names) continue;
    for (const std::string& name : *names) {
      std::string path = root + "/" + sub + "/" + name;
      if (!platform::IsRegularFile(path)) continue;
      ReadFile(path, name);
      ++read;
    }
  }
  EXPECT_GT(read, 1000);
  EXPECT_EQ(messages_.text(), "");
  EXPECT_EQ(remarks_.text().substr(colour_remarks).find("SKIPPING"), std::string::npos);
}

TEST_F(LibraryReadTest, ChosenFilesGiveTheirRemarks) {
  R7P_REQUIRE_SHARED_LIBRARY();
  std::string root = testing_support::SharedLibrary();
  colours_.ReadColourFile(root + "/LDConfig.ldr", diag_);
  size_t start = remarks_.text().size();
  ReadFile(root + "/p/stu24f1n.dat", "stu24f1n.dat");
  ReadFile(root + "/p/t04q2857.dat", "t04q2857.dat");
  ReadFile(root + "/parts/3820.dat", "3820.dat");
  EXPECT_EQ(remarks_.text().substr(start),
            "NOTABENE \"stu24f1n.dat\" Line 1: 0 ~Moved to 8\\stud4f1n\n"
            "~Moved to 8\\stud4f1n\n"
            "Author: [PTadmin]\n"
            "Torus Tube  1 x 0.2857 x 0.25\n"
            "Author: Philippe Hurbain [Philo]\n"
            "WARNING \"t04q2857.dat\" Line 116: Identical to line 84: 5 24 1 0.2857 0 0.9239 0.2857 0.3827 1.1093 0.264 0 0.8907 0.264 0\n"
            "WARNING \"t04q2857.dat\" Line 149: Identical to line 117: 5 24 0.9239 0.2857 0.3827 0.7071 0.2857 0.7071 1.0249 0.264 0.4245 0.8229 0.264 0.3409\n"
            "WARNING \"t04q2857.dat\" Line 182: Identical to line 150: 5 24 0.7071 0.2857 0.7071 0.3827 0.2857 0.9239 0.7844 0.264 0.7844 0.6298 0.264 0.6298\n"
            "WARNING \"t04q2857.dat\" Line 215: Identical to line 183: 5 24 0.3827 0.2857 0.9239 0 0.2857 1 0.4245 0.264 1.0249 0.3409 0.264 0.8229\n"
            "Minifig Hand\n"
            "Author: Orion Pobursky [OrionP]\n"
            "WARNING \"3820.dat\" Line 180: Vertices not coplanar (1.21963): 4 16 -4.7152 3.9694 -12.3076 -5.5434 4.4609 -10.9004 -3.5 4.6076 -10.3742 -3.5 3.9694 -12.3076\n"
            "WARNING \"3820.dat\" Line 245: Vertices not coplanar (1.21963): 4 16 3.5 4.6076 -10.3742 5.5434 4.4609 -10.9004 4.7152 3.9694 -12.3076 3.5 3.9694 -12.3076\n");
  // The file's own header flags it; its references point into the table.
  DatFile& hand = files_.slot(0);
  EXPECT_TRUE(hand.Has(PART));
  EXPECT_EQ(files_.title, "Minifig Hand");
}

}  // namespace
