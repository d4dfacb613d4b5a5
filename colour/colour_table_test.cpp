#include "colour/colour_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/diagnostics.h"
#include "tests/test_support.h"

namespace {

using testing_support::MemoryFile;
using testing_support::TempDir;

// A colour table and a diagnostics object whose remarks land in memory.
class ColourFixture {
 public:
  ColourFixture() {
    diag.remark_stream = remarks.get();
    diag.message_stream = errors.get();
  }

  // Reads `content` as a colour file; returns the remarks it produced.
  std::string Read(const std::string& content, int warning_level = 0) {
    path = dir.Write("ldconfig.ldr", content);
    diag.warning_level = warning_level;
    EXPECT_TRUE(table.ReadColourFile(path, diag));
    return remarks.text();
  }

  std::string Skipping(int line, const std::string& message,
                       const std::string& text) const {
    return "SKIPPING \"" + path + "\" Line " + std::to_string(line) + ": " +
           message + ": " + text + "\n";
  }
  std::string Warning(int line, const std::string& message,
                      const std::string& text) const {
    return "WARNING \"" + path + "\" Line " + std::to_string(line) + ": " +
           message + ": " + text + "\n";
  }

  TempDir dir;
  MemoryFile remarks;
  MemoryFile errors;
  Diagnostics diag;
  ColourTable table;
  std::string path;
};

void ExpectRgb(const ColourTable& table, long number, float r, float g, float b,
               uint32_t attributes, int result = 0) {
  float rgb[3] = {-1, -1, -1};
  uint32_t attr = 0xFFFFFFFF;
  EXPECT_EQ(table.ColourToRgb(number, rgb, &attr), result) << number;
  EXPECT_NEAR(rgb[0], r, 0.001) << number;
  EXPECT_NEAR(rgb[1], g, 0.001) << number;
  EXPECT_NEAR(rgb[2], b, 0.001) << number;
  EXPECT_EQ(attr, attributes) << number;
}

TEST(ColourTable, BuiltInColours) {
  ColourFixture f;
  f.table.AddDefaultColours();
  ASSERT_EQ(f.table.size(), 49u);
  const Colour* black = f.table.FindColourByCode(0);
  ASSERT_NE(black, nullptr);
  EXPECT_EQ(black->name, "Black");
  EXPECT_EQ(black->value, 0x4D4D4Du);
  EXPECT_EQ(black->edge, 8);
  EXPECT_EQ(black->flags, 0);
  EXPECT_EQ(f.table.FindColourByCode(22)->edge, 20);
  EXPECT_EQ(f.table.FindColourByCode(28)->edge, 6);
  EXPECT_EQ(f.table.FindColourByCode(5)->name, "Magenta_DkPink)");
  const Colour* trans = f.table.FindColourByCode(57);
  EXPECT_EQ(trans->alpha, 128);
  EXPECT_EQ(trans->flags, kAlphaGiven);
  EXPECT_EQ(trans->edge, 0);
  EXPECT_EQ(f.table.FindColourByCode(256)->flags, kFinishRubber);
  EXPECT_EQ(f.table.FindColourByCode(375)->flags, kFinishRubber);
  EXPECT_EQ(f.table.FindColourByCode(494)->flags, kFinishChrome);
  EXPECT_EQ(f.table.FindColourByCode(503)->flags, kFinishChrome);
  for (int code : {16, 24, 29, 48, 512, -1, -512})
    EXPECT_EQ(f.table.FindColourByCode(code), nullptr) << code;
  // Sorted by code, none marked as coming from a colour file.
  for (size_t i = 1; i < f.table.size(); ++i) {
    EXPECT_LT(f.table.colours()[i - 1].code, f.table.colours()[i].code);
    EXPECT_EQ(f.table.colours()[i].flags & kFromColourFile, 0);
  }
  EXPECT_EQ(f.table.FindColourByName("red")->code, 4);
  EXPECT_EQ(f.table.FindColourByName("TRANSORANGE")->code, 57);
  EXPECT_EQ(f.table.FindColourByName("Re"), nullptr);
  // Adding them again changes nothing; freeing empties the table.
  f.table.AddDefaultColours();
  EXPECT_EQ(f.table.size(), 49u);
  f.table.FreeColours();
  EXPECT_EQ(f.table.size(), 0u);
  EXPECT_EQ(f.remarks.text(), "");
}

TEST(ColourTable, ColourLineHeadErrors) {
  ColourFixture f;
  std::vector<std::string> lines = {
      "0 !COLOUR",
      "0 !COLOUR 9Bad CODE 1 VALUE #000000 EDGE 0",
      "0 !COLOUR Bad-Name CODE 1 VALUE #000000 EDGE 0",
      "0 !COLOUR Name COD 1 VALUE #000000 EDGE 0",
      "0 !COLOUR Name CODE x VALUE #000000 EDGE 0",
      "0 !COLOUR Name CODE 16 VALUE #000000 EDGE 0",
      "0 !COLOUR Name CODE 24 VALUE #000000 EDGE 0",
      "0 !COLOUR Name CODE 16777216 VALUE #000000 EDGE 0",
      "0 !COLOUR Name CODE -1 VALUE #000000 EDGE 0",
      "0 !COLOUR Name CODE 1 VALU #000000 EDGE 0",
      "0 !COLOUR Name CODE 1 VALUE #000000 EDG 0",
      "0 !colour Name CODE 1 VALUE #000000 EDGE 0",
      "0 !COLOUR Good_1 code 1 value #000000 edge 0 alpha 7 luminance 9",
  };
  std::string content;
  for (const std::string& line : lines) content += line + "\n";
  std::string out = f.Read(content);
  const char* messages[] = {"Color name expected",
                            "Illegal color name",
                            "Illegal color name",
                            "CODE expected",
                            "Color code expected",
                            "Illegal color code",
                            "Illegal color code",
                            "Color code out of range [0..16777215]",
                            "Color code out of range [0..16777215]",
                            "VALUE expected",
                            "EDGE expected"};
  std::string expected;
  for (int i = 0; i < 11; ++i)
    expected += f.Skipping(i + 1, messages[i], lines[static_cast<size_t>(i)]);
  EXPECT_EQ(out, expected);
  ASSERT_EQ(f.table.size(), 1u);
  const Colour& c = f.table.colours()[0];
  EXPECT_EQ(c.name, "Good_1");
  EXPECT_EQ(c.alpha, 7);
  EXPECT_EQ(c.luminance, 9);
  EXPECT_EQ(c.flags, kFromColourFile | kAlphaGiven | kLuminanceGiven);
}

TEST(ColourTable, ColourValueSyntax) {
  ColourFixture f;
  std::vector<std::string> lines = {
      "0 !COLOUR A CODE 1 VALUE 0x11223 EDGE 0",
      "0 !COLOUR A CODE 1 VALUE #GG0000 EDGE 0",
      "0 !COLOUR A CODE 1 VALUE 0.5 1 0.5 EDGE 0",
      "0 !COLOUR A CODE 1 VALUE 0.5 1.5 0.5 EDGE 0",
      "0 !COLOUR A CODE 1 VALUE 255 128 EDGE 0",
      "0 !COLOUR A CODE 1 VALUE 255 EDGE 0",
      "0 !COLOUR A CODE 1 VALUE 300 0 0 EDGE 0",
      "0 !COLOUR A CODE 1 VALUE red EDGE 0",
      "0 !COLOUR A CODE 1 VALUE",
      "0 !COLOUR A CODE 1 VALUE #000000 EDGE 256 0 0",
      "0 !COLOUR A CODE 1 VALUE #000000 EDGE 16777216",
      "0 !COLOUR A CODE 1 VALUE #000000 EDGE 5 6",
      "0 !COLOUR A CODE 1 VALUE #000000 EDGE 0 ALPHA",
      "0 !COLOUR A CODE 1 VALUE #000000 EDGE 0 ALPHA 256",
      "0 !COLOUR A CODE 1 VALUE #000000 EDGE 0 LUMINANCE -3",
      "0 !COLOUR A CODE 1 VALUE #000000 EDGE 0 LUMINANCE 999",
      // Accepted forms follow.
      "0 !COLOUR Frac CODE 1 VALUE 0.5 0.25 1.0 EDGE 5 ALPHA 10",
      "0 !COLOUR Ints CODE 2 VALUE 1 2 3 EDGE #000000",
      "0 !COLOUR Hex CODE 3 VALUE 0XaBcDeF EDGE 1 2 3",
      "0 !COLOUR Edge CODE 4 VALUE #010203 EDGE 7",
      "0 !COLOUR Dots CODE 6 VALUE .5 1. 0.0 EDGE 0.0 0.0 1.",
  };
  std::string content;
  for (const std::string& line : lines) content += line + "\n";
  std::string out = f.Read(content);
  const char* messages[] = {
      "VALUE: Six hex digits RRGGBB expected",
      "VALUE: Six hex digits RRGGBB expected",
      "VALUE: Bad floating point color value",
      "VALUE: Color value out of range [0..1]",
      "VALUE: Error in color value",
      "VALUE: Error in color value",
      "VALUE: Color value out of range [0..255]",
      "VALUE: Color value expected",
      "VALUE: Color value expected",
      "EDGE: Color value out of range [0..255]",
      "EDGE: Edge color code out of range [0..16777215]",
      "EDGE: Error in color value",
      "ALPHA value expected",
      "ALPHA value out of range [0..255]",
      "LUMINANCE value expected",
      "LUMINANCE value out of range [0..255]",
  };
  std::string expected;
  for (int i = 0; i < 16; ++i)
    expected += f.Skipping(i + 1, messages[i], lines[static_cast<size_t>(i)]);
  EXPECT_EQ(out, expected);
  ASSERT_EQ(f.table.size(), 5u);
  const Colour* frac = f.table.FindColourByCode(1);
  EXPECT_EQ(frac->value, 0x7F3FFFu);
  EXPECT_EQ(frac->edge, 5);
  EXPECT_EQ(frac->alpha, 10);
  EXPECT_EQ(f.table.FindColourByCode(2)->value, 0x010203u);
  EXPECT_EQ(f.table.FindColourByCode(2)->edge, 0x2000000);
  EXPECT_EQ(f.table.FindColourByCode(3)->value, 0xABCDEFu);
  EXPECT_EQ(f.table.FindColourByCode(3)->edge, 0x2010203);
  EXPECT_EQ(f.table.FindColourByCode(4)->edge, 7);
  EXPECT_EQ(f.table.FindColourByCode(6)->value, 0x7FFF00u);
  EXPECT_EQ(f.table.FindColourByCode(6)->edge, 0x20000FF);
}

TEST(ColourTable, FinishTags) {
  ColourFixture f;
  std::vector<std::string> lines = {
      "0 !COLOUR A CODE 1 VALUE #000000 EDGE 0 CHROME METAL",
      "0 !COLOUR B CODE 2 VALUE #000000 EDGE 0 ALPHA 5 pearlescent MATERIAL "
      "SPARKLE x",
      "0 !COLOUR C CODE 3 VALUE #000000 EDGE 0 Sparkle CHROME",
      "0 !COLOUR D CODE 5 VALUE #000000 EDGE 0 LUMINANCE 3 ALPHA 4",
      "0 !COLOUR E CODE 6 VALUE #000000 EDGE 0 matte_metallic rubber",
  };
  std::string content;
  for (const std::string& line : lines) content += line + "\n";
  std::string out = f.Read(content);
  EXPECT_EQ(out, f.Warning(1, "Finish-tag already met", lines[0]) +
                     f.Warning(3, "Unknown tag \"SPARKLE\"", lines[2]) +
                     f.Warning(4, "Unknown tag \"ALPHA\"", lines[3]) +
                     f.Warning(5, "Finish-tag already met", lines[4]));
  ASSERT_EQ(f.table.size(), 5u);
  EXPECT_EQ(f.table.FindColourByCode(1)->flags,
            kFromColourFile | kFinishChrome);
  EXPECT_EQ(f.table.FindColourByCode(2)->flags,
            kFromColourFile | kAlphaGiven | kFinishPearlescent);
  EXPECT_EQ(f.table.FindColourByCode(3)->flags, kFromColourFile);
  EXPECT_EQ(f.table.FindColourByCode(5)->flags,
            kFromColourFile | kLuminanceGiven);
  EXPECT_EQ(f.table.FindColourByCode(6)->flags,
            kFromColourFile | kFinishMatteMetallic);
}

TEST(ColourTable, ColourFileLines) {
  ColourFixture f;
  // CR, LF, CR LF and LF CR line ends; blank, comment and foreign lines.
  std::string content =
      "0 Comment\r\n"
      "\n"
      "   \t\n"
      "1 16 0 0 0 1 0 0 0 1 0 0 0 1 x.dat\r"
      "0\n\r"
      "0!COLOUR Tight CODE 1 VALUE #000000 EDGE 0\n"
      "  0 !COLOUR Ind CODE 2 VALUE #000000 EDGE 0   \t\n"
      "0 !COLOUR Again CODE 1 VALUE #000000 EDGE 0\n"
      "0 !COLOUR ind CODE 3 VALUE #000000 EDGE 0\x1a\n";
  std::string out = f.Read(content, 3);
  EXPECT_EQ(out,
            f.Skipping(4, "Bad line", "1 16 0 0 0 1 0 0 0 1 0 0 0 1 x.dat") +
                f.Warning(6, "Comment lines should have space after 0",
                          "0!COLOUR Tight CODE 1 VALUE #000000 EDGE 0") +
                f.Skipping(8, "Colour code already defined",
                           "0 !COLOUR Again CODE 1 VALUE #000000 EDGE 0") +
                f.Warning(9, "Colour name already used",
                          "0 !COLOUR ind CODE 3 VALUE #000000 EDGE 0"));
  EXPECT_EQ(f.table.size(), 3u);
  EXPECT_EQ(f.table.FindColourByCode(1)->name, "Tight");
  // The remark about the missing blank only shows from warning level 3.
  ColourFixture quiet;
  EXPECT_EQ(quiet.Read("0!COLOUR Tight CODE 1 VALUE #000000 EDGE 0\n"), "");
  EXPECT_EQ(quiet.table.size(), 1u);
  // The reader leaves the diagnostics context as it found it.
  EXPECT_EQ(quiet.diag.current_file, "");
  EXPECT_EQ(quiet.diag.current_line, 0u);
  // A missing file is no error of its own.
  EXPECT_FALSE(
      quiet.table.ReadColourFile(quiet.dir.path() + "/none.ldr", quiet.diag));
  EXPECT_FALSE(quiet.table.ReadColourFile(quiet.dir.path(), quiet.diag));
  // Hostile input: a very long line, long words, binary noise.
  ColourFixture hostile;
  std::string noise = "0 !COLOUR " + std::string(3000, 'A') + " CODE 1\n";
  noise += std::string("0 !COLOUR B CODE 1 VALUE #000000 EDGE 0 ") +
           std::string(200, 'X') + std::string("\n\0\xff\x01\n", 5);
  hostile.Read(noise);
  EXPECT_LE(hostile.table.size(), 1u);
}

TEST(ColourTable, FileColoursAndBuiltIns) {
  ColourFixture f;
  f.Read(
      "0 !COLOUR MyRed CODE 4 VALUE #FF0000 EDGE 99\n"
      "0 !COLOUR Black CODE 99 VALUE #000000 EDGE 0\n"
      "0 !COLOUR Odd CODE 100 VALUE #000000 EDGE 16\n"
      "0 !COLOUR Direct CODE 101 VALUE #000000 EDGE #123456\n");
  f.table.AddDefaultColours();
  EXPECT_EQ(f.table.size(), 4u + 48u);
  EXPECT_EQ(f.table.FindColourByCode(4)->name, "MyRed");
  EXPECT_EQ(f.table.FindColourByCode(0)->name, "Black_R7");
  EXPECT_EQ(f.table.FindColourByName("black")->code, 99);
  EXPECT_EQ(f.table.FindColourByName("Red"), nullptr);
  std::string before = f.remarks.text();
  f.table.CheckEdgeColours(f.path, f.diag);
  EXPECT_EQ(f.remarks.text().substr(before.size()),
            "WARNING \"" + f.path +
                "\": Cannot find edge color (16) for color 100, using 0\n");
  EXPECT_EQ(f.table.FindColourByCode(100)->edge, 0);
  EXPECT_EQ(f.table.FindColourByCode(4)->edge, 99);
  EXPECT_EQ(f.table.FindColourByCode(101)->edge, 0x2123456);
  // A taken name grows by "_R7" until it is free.
  ColourFixture g;
  g.Read(
      "0 !COLOUR Red CODE 200 VALUE #000000 EDGE 0\n"
      "0 !COLOUR Red_R7 CODE 201 VALUE #000000 EDGE 0\n");
  g.table.AddDefaultColours();
  EXPECT_EQ(g.table.FindColourByCode(4)->name, "Red_R7_R7");
  // An edge colour that names a missing colour is caught without a file too.
  ColourFixture h;
  h.table.CheckEdgeColours("", h.diag);
  h.table.AddDefaultColours();
  h.table.CheckEdgeColours("", h.diag);
  EXPECT_EQ(h.remarks.text(), "");
}

TEST(ColourTable, ColourToRgbOfEveryNumberClass) {
  ColourFixture f;
  f.Read(
      "0 !COLOUR Glow CODE 50 VALUE #FF8000 EDGE 0 ALPHA 200 LUMINANCE 60 "
      "METAL\n");
  f.table.AddDefaultColours();
  ExpectRgb(f.table, 4, 0xF7 / 255.f, 0x29 / 255.f, 0x0E / 255.f, 0);
  ExpectRgb(f.table, 36, 0xF7 / 255.f, 0x29 / 255.f, 0x0E / 255.f, 0x8008);
  ExpectRgb(f.table, 50, 1, 0x80 / 255.f, 0, 0x3CC800u | 0x20 | 0x18 | 5);
  ExpectRgb(f.table, 383, 0xD6 / 255.f, 0xD6 / 255.f, 0xD6 / 255.f,
            kFinishChrome);
  // Dithers of two of the first sixteen colours.
  ExpectRgb(f.table, 300, (0xFF + 0x1E) / 510.f, (0x9A + 0xA0) / 510.f,
            (0x21 + 0x3A) / 510.f, 0);
  ExpectRgb(f.table, 0x2FF8000, 1, 0.502f, 0, 0);
  ExpectRgb(f.table, 0x3FF8000, 1, 0.502f, 0, 0x8008);
  ExpectRgb(f.table, 0x4F000F0, 0.5f, 0.5f, 0, 0);
  ExpectRgb(f.table, 0x4123456, (1 + 4) / 30.f, (2 + 5) / 30.f, (3 + 6) / 30.f,
            0);
  ExpectRgb(f.table, 0x5F00000, 1, 0, 0, 0x8008);
  ExpectRgb(f.table, 0x6000F00, 1, 0, 0, 0x8008);
  ExpectRgb(f.table, 0x5123ABC, 1 / 15.f, 2 / 15.f, 3 / 15.f, 0x8008);
  ExpectRgb(f.table, 0x6123ABC, 10 / 15.f, 11 / 15.f, 12 / 15.f, 0x8008);
  ExpectRgb(f.table, 0x7000000, 0, 0, 0, 0);
  ExpectRgb(f.table, 0x7FFFFFF, 0, 0, 0, 0);
  for (long bad : {16L, 24L, 100L, 255L, 512L, -1L, 0x1000000L, 0x1FFFFFFL,
                   0x8000000L, 0x7FFFFFFFL, -0x2000000L})
    ExpectRgb(f.table, bad, 0.5f, 0.5f, 0.5f, 0, -1);
  EXPECT_TRUE(f.table.IsColour(0x2000000));
  EXPECT_FALSE(f.table.IsColour(16));
  // Without its base colours a dither is grey, yet still a colour.
  ColourTable empty;
  ExpectRgb(empty, 300, 0.5f, 0.5f, 0.5f, 0);
}

// Codes run from 0 to 0xFFFFFF; a code above 511 is a colour only when the
// file defines it, and a table entry in 256..511 wins over the dither.
TEST(ColourTable, CodesUpToTwentyFourBits) {
  ColourFixture f;
  std::string out = f.Read(
      "0 !COLOUR Zero CODE 0 VALUE #010101 EDGE 0\n"
      "0 !COLOUR Top_Dither CODE 511 VALUE #020202 EDGE 0\n"
      "0 !COLOUR Above CODE 512 VALUE #030303 EDGE 10002\n"
      "0 !COLOUR Rubber_Green CODE 10002 VALUE #00852B EDGE 16777215 RUBBER\n"
      "0 !COLOUR Last CODE 16777215 VALUE #050505 EDGE 0\n");
  EXPECT_EQ(out, "");
  for (long code : {0L, 511L, 512L, 10002L, 16777215L})
    EXPECT_NE(f.table.FindColourByCode(code), nullptr) << code;
  ExpectRgb(f.table, 511, 2 / 255.f, 2 / 255.f, 2 / 255.f, kFromColourFile);
  ExpectRgb(f.table, 10002, 0, 0x85 / 255.f, 0x2B / 255.f,
            kFromColourFile | kFinishRubber);
  for (long bad : {513L, 10003L, 16777216L})
    ExpectRgb(f.table, bad, 0.5f, 0.5f, 0.5f, 0, -1);
  f.table.CheckEdgeColours(f.path, f.diag);
  EXPECT_EQ(f.remarks.text(), "") << "edges 10002 and 16777215 are table codes";
  int number = 0;
  EXPECT_EQ(f.table.ParseColourArgument("Rubber_Green", nullptr, &number, {}),
            ColourArgument::kTaken);
  EXPECT_EQ(number, 10002);
  EXPECT_EQ(f.table.ParseColourArgument("16777215", nullptr, &number, {}),
            ColourArgument::kTaken);
  EXPECT_EQ(f.table.ParseColourArgument("10003", nullptr, &number, {}),
            ColourArgument::kBad);
  testing_support::MemoryFile listing;
  f.table.PrintColours(listing.get());
  EXPECT_NE(listing.text().find(
                "0 !COLOUR Rubber_Green        CODE 10002 VALUE #00852B EDGE "
                "16777215 RUBBER\n"),
            std::string::npos)
      << listing.text();
}

TEST(ColourTable, ParseColourArgument) {
  ColourFixture f;
  f.table.AddDefaultColours();
  int setups = 0;
  // The library set-up replaces the table by the colour file's colours.
  auto ensure_library = [&] {
    if (setups++ > 0) return;
    f.table.FreeColours();
    f.Read("0 !COLOUR Navy CODE 272 VALUE #1E3264 EDGE 0\n");
    f.table.AddDefaultColours();
  };
  int number = -7;
  float rgb[3] = {-1, -1, -1};
  EXPECT_EQ(f.table.ParseColourArgument("", rgb, &number, ensure_library),
            ColourArgument::kEmpty);
  EXPECT_EQ(number, -7);
  EXPECT_EQ(rgb[0], -1);
  EXPECT_EQ(
      f.table.ParseColourArgument("1,0,0", nullptr, &number, ensure_library),
      ColourArgument::kTaken);
  EXPECT_EQ(number, 0x2FF0000);
  EXPECT_EQ(
      f.table.ParseColourArgument("0.5,0.25,1", rgb, &number, ensure_library),
      ColourArgument::kTaken);
  EXPECT_EQ(number, 0x27F3FFF);
  EXPECT_FLOAT_EQ(rgb[1], 0.25f);
  EXPECT_EQ(
      f.table.ParseColourArgument("1.5,0,0", nullptr, &number, ensure_library),
      ColourArgument::kBad);
  EXPECT_EQ(
      f.table.ParseColourArgument("nan,0,0", nullptr, &number, ensure_library),
      ColourArgument::kBad);
  EXPECT_EQ(
      f.table.ParseColourArgument("1.5,0,0", rgb, nullptr, ensure_library),
      ColourArgument::kTaken);
  EXPECT_FLOAT_EQ(rgb[0], 1.5f);
  EXPECT_EQ(
      f.table.ParseColourArgument("#FF0000", rgb, &number, ensure_library),
      ColourArgument::kTaken);
  EXPECT_EQ(number, 0x2FF0000);
  EXPECT_FLOAT_EQ(rgb[0], 1);
  EXPECT_FLOAT_EQ(rgb[1], 0);
  for (const char* bad : {"#FFF", "#FF00000", "#GG0000", "#", "-", "?x", "a-b"})
    EXPECT_EQ(f.table.ParseColourArgument(bad, rgb, &number, ensure_library),
              ColourArgument::kBad)
        << bad;
  // Built-in and direct numbers need no library when only the number counts.
  EXPECT_EQ(setups, 0);
  EXPECT_EQ(
      f.table.ParseColourArgument("010", nullptr, &number, ensure_library),
      ColourArgument::kTaken);
  EXPECT_EQ(number, 8);
  EXPECT_EQ(f.table.ParseColourArgument("0x2FF0000", nullptr, &number,
                                        ensure_library),
            ColourArgument::kTaken);
  EXPECT_EQ(number, 0x2FF0000);
  EXPECT_EQ(
      f.table.ParseColourArgument("300", nullptr, &number, ensure_library),
      ColourArgument::kTaken);
  EXPECT_EQ(setups, 0);
  // Its RGB, an unknown number or a name call for the library.
  EXPECT_EQ(f.table.ParseColourArgument("4", rgb, nullptr, ensure_library),
            ColourArgument::kTaken);
  EXPECT_EQ(setups, 1);
  EXPECT_FLOAT_EQ(rgb[0], 0xF7 / 255.f);
  EXPECT_EQ(
      f.table.ParseColourArgument("red", nullptr, &number, ensure_library),
      ColourArgument::kTaken);
  EXPECT_EQ(number, 4);
  EXPECT_EQ(f.table.ParseColourArgument("NAVY", rgb, &number, ensure_library),
            ColourArgument::kTaken);
  EXPECT_EQ(number, 272);
  EXPECT_FLOAT_EQ(rgb[2], 0x64 / 255.f);
  EXPECT_EQ(
      f.table.ParseColourArgument("Nothing", nullptr, &number, ensure_library),
      ColourArgument::kBad);
  EXPECT_EQ(f.table.ParseColourArgument("q", nullptr, &number, ensure_library),
            ColourArgument::kBad);
  int calls_before = setups;
  for (const char* bad :
       {"16", "24", "99", "-1", "0x1000000", "99999999999999999999"})
    EXPECT_EQ(
        f.table.ParseColourArgument(bad, nullptr, &number, ensure_library),
        ColourArgument::kBad)
        << bad;
  EXPECT_GT(setups, calls_before);
  // An empty callback is allowed (the library is already set up).
  EXPECT_EQ(f.table.ParseColourArgument("Navy", nullptr, &number, nullptr),
            ColourArgument::kTaken);
}

TEST(ColourTable, PrintColoursListing) {
  ColourFixture f;
  f.Read(
      "0 !COLOUR A_Very_Long_Colour_Name_Here CODE 1 VALUE #010203 EDGE "
      "#ABCDEF "
      "ALPHA 9 LUMINANCE 250 PEARLESCENT\n"
      "0 !COLOUR Glow CODE 2 VALUE #FFFFFF EDGE 511 LUMINANCE 5\n");
  f.table.AddDefaultColours();
  MemoryFile out;
  f.table.PrintColours(out.get());
  std::string text = out.text();
  std::string head = text.substr(0, text.find("CODE   3"));
  head = head.substr(0, head.rfind('\n') + 1);
  EXPECT_EQ(
      head,
      "0 !COLOUR Black*" + std::string(13, ' ') +
          " CODE   0 VALUE #4D4D4D EDGE       8\n"
          "0 !COLOUR A_Very_Long_Colour_Name_Here  CODE   1 VALUE #010203 EDGE "
          "#ABCDEF ALPHA   9 LUMINANCE 250 PEARLESCENT\n"
          "0 !COLOUR Glow " +
          std::string(14, ' ') +
          " CODE   2 VALUE #FFFFFF EDGE     511 "
          "LUMINANCE   5\n");
  EXPECT_NE(text.find("0 !COLOUR TransOrange*" + std::string(7, ' ') +
                      " CODE  57 VALUE #FF6600 EDGE       0 ALPHA 128\n"),
            std::string::npos);
  EXPECT_NE(text.find("0 !COLOUR ElectricalContactsYellow* CODE 494 VALUE "
                      "#D6D6D6 EDGE       0 CHROME\n"),
            std::string::npos);
  std::string last = "0 !COLOUR Chrome*" + std::string(12, ' ') +
                     " CODE 503 VALUE #D6D6D6 EDGE       0 CHROME\n";
  EXPECT_EQ(text.substr(text.size() - last.size()), last);
}

TEST(ColourTable, RealColourFile) {
  R7P_REQUIRE_SHARED_LIBRARY();
  ColourFixture f;
  std::string path = testing_support::SharedLibrary() + "/LDConfig.ldr";
  ASSERT_TRUE(f.table.ReadColourFile(path, f.diag));
  std::string out = f.remarks.text();
  // Only the entries for 16 and 24, which name the inherited colours, are
  // skipped; the rubber, metallic, opal and glitter codes above 10000 are kept.
  size_t remarks = 0;
  for (size_t at = 0; (at = out.find('\n', at)) != std::string::npos; ++at)
    ++remarks;
  EXPECT_NE(out.find("Illegal color code: 0 !COLOUR Main_Colour "),
            std::string::npos);
  EXPECT_NE(out.find("Illegal color code: 0 !COLOUR Edge_Colour "),
            std::string::npos);
  EXPECT_EQ(remarks, 2u) << out;
  const Colour* rubber = f.table.FindColourByCode(10002);
  ASSERT_NE(rubber, nullptr);
  EXPECT_EQ(rubber->name, "Rubber_Green");
  EXPECT_EQ(rubber->flags & kFinishMask, kFinishRubber);
  EXPECT_EQ(out.rfind("SKIPPING \"" + path + "\" Line ", 0), 0u);
  EXPECT_GT(f.table.size(), 100u);
  EXPECT_EQ(f.table.FindColourByCode(0)->value, 0x1B2A34u);
  EXPECT_EQ(f.table.FindColourByCode(0)->edge, 0x2808080);
  EXPECT_EQ(f.table.FindColourByCode(0)->flags, kFromColourFile);
  f.table.AddDefaultColours();
  f.table.CheckEdgeColours(path, f.diag);
  EXPECT_EQ(f.remarks.text(), out);
}

}  // namespace
