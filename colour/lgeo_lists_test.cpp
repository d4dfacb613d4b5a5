#include "colour/lgeo_lists.h"

#include <gtest/gtest.h>

#include <string>

#include "base/settings.h"
#include "base/diagnostics.h"
#include "platform/path_finder.h"
#include "platform/platform.h"
#include "tests/test_support.h"

namespace {

using testing_support::MemoryFile;
using testing_support::TempDir;

class LgeoFixture {
 public:
  LgeoFixture() {
    diag.remark_stream = remarks.get();
    diag.message_stream = errors.get();
  }

  // Writes both lists (file names as given, to test the case-blind lookup).
  void WriteLists(const std::string& elements, const std::string& colours,
                  const std::string& element_file = "lg_elements.lst",
                  const std::string& colour_file = "lg_colors.lst") {
    element_path = dir.Write("lgeo/" + element_file, elements);
    colour_path = dir.Write("lgeo/" + colour_file, colours);
  }
  Status Load(int debug_level = 0) {
    return lists.LoadLgeoLists(dir.path() + "/lgeo", debug_level, finder, diag);
  }

  TempDir dir;
  MemoryFile remarks;
  MemoryFile errors;
  Diagnostics diag;
  platform::PathFinder finder;
  LgeoLists lists;
  std::string element_path;
  std::string colour_path;
};

TEST(LgeoLists, ReadingAndMessages) {
  LgeoFixture f;
  f.WriteLists(
      "# comment\n"
      "; another comment\n"
      "\n"
      "3001 brick2x4 LS\n"
      "  3002 brick2x3\n"
      "3003 brick2x2 ls\n"
      "Parts/3004 plate1x2 AL extra words\n",
      "4 lg_red\n"
      "x lg_nothing\n"
      "7\n"
      "4 lg_red_later\n"
      "-1 lg_minus\n",
      "LG_Elements.LST", "Lg_Colors.lst");
  ASSERT_EQ(f.Load(), Status::kOk);
  EXPECT_EQ(f.remarks.text(),
            "SKIPPING \"" + f.element_path +
                "\" Line 5: Bad line, 3 fields expected:   3002 brick2x3\n"
                "WARNING \"" +
                f.element_path +
                "\" Line 6: Unknown flag 'l': 3003 brick2x2 ls\n"
                "WARNING \"" +
                f.element_path +
                "\" Line 6: Unknown flag 's': 3003 brick2x2 ls\n"
                "SKIPPING \"" +
                f.colour_path +
                "\" Line 2: Bad line, Color number expected: x lg_nothing\n"
                "SKIPPING \"" +
                f.colour_path + "\" Line 3: Bad line, 2 fields expected: 7\n");
  EXPECT_EQ(f.errors.text(), "");
  ASSERT_EQ(f.lists.elements().size(), 3u);
  const LgeoElement& e = f.lists.elements()[0];
  EXPECT_EQ(e.ldrawName, "3001");
  EXPECT_EQ(e.lgeoName, "brick2x4");
  EXPECT_EQ(e.flags, kLgeoSetL | kLgeoSlope);
  EXPECT_EQ(f.lists.elements()[1].flags, 0u);
  EXPECT_EQ(f.lists.elements()[2].ldrawName, "parts\\3004");
  EXPECT_EQ(f.lists.elements()[2].flags, kLgeoSetA | kLgeoSetL);
  ASSERT_EQ(f.lists.colours().size(), 3u);
  EXPECT_STREQ(f.lists.FindLgeoColour(4), "lg_red_later");
  EXPECT_STREQ(f.lists.FindLgeoColour(-1), "lg_minus");
  EXPECT_EQ(f.lists.FindLgeoColour(7), nullptr);
  EXPECT_EQ(f.lists.colours()[0].name, "lg_red");
}

TEST(LgeoLists, LoadFailures) {
  LgeoFixture missing;
  EXPECT_EQ(missing.Load(), Status::kFailed);
  EXPECT_EQ(missing.errors.text(),
            "Can't open " + missing.dir.path() + "/lgeo/lg_elements.lst\n");
  LgeoFixture no_colours;
  no_colours.element_path =
      no_colours.dir.Write("lgeo/lg_elements.lst", "3001 b L\n");
  EXPECT_EQ(no_colours.Load(), Status::kFailed);
  EXPECT_EQ(no_colours.errors.text(),
            "Can't open " + no_colours.dir.path() + "/lgeo/lg_colors.lst\n");
  LgeoFixture empty;
  empty.WriteLists("# nothing\n", "4 lg_red\n");
  EXPECT_EQ(empty.Load(1), Status::kFailed);
  EXPECT_EQ(empty.remarks.text(), "Found " + empty.element_path + "\nFound " +
                                      empty.colour_path + "\n");
  EXPECT_EQ(empty.errors.text(), "");
}

TEST(LgeoLists, SortedSearchAndChosenSet) {
  LgeoFixture f;
  f.WriteLists(
      "3001 brick2x4 LS\n"
      "10 ten L\n"
      "3001p01 brick2x4p L\n"
      "s\\3001s01 sub A\n"
      "2 two LA\n"
      "970c00 legs A\n"
      "zz zed L\n"
      "aa ay -\n"
      "300 three L\n",
      "4 lg_red\n");
  ASSERT_EQ(f.Load(), Status::kOk);
  std::string order;
  for (const LgeoElement& e : f.lists.elements()) order += e.ldrawName + " ";
  EXPECT_EQ(order, "2 10 300 970c00 3001 3001p01 aa s\\3001s01 zz ");
  // Every listed name is found again by the bisection.
  for (const char* name :
       {"2.dat", "10.dat", "300.dat", "970c00.dat", "3001.dat", "3001p01.dat",
        "aa.dat", "s\\3001s01.dat", "zz.dat"})
    EXPECT_NE(f.lists.FindLgeoElement(name, 0, "L"), nullptr) << name;
  for (const char* name : {"3001", "3002.dat", "30.dat", "", ".", "3001.dat.",
                           "3001.DAT.x", "s\\3001s01"})
    EXPECT_EQ(f.lists.FindLgeoElement(name, 0, "LA"), nullptr) << name;
  // Names as stored on disk or typed by the user are compared normalised.
  for (const char* name : {"3001P01.DAT", "970C00.dat", "S/3001s01.dat", "ZZ.Dat"})
    EXPECT_NE(f.lists.FindLgeoElement(name, 0, "L"), nullptr) << name;
  // The extension is whatever follows the last dot.
  EXPECT_NE(f.lists.FindLgeoElement("3001.xyz", 0, ""), nullptr);
  std::string long_name = std::string(76, '0') + "2.dat";
  EXPECT_EQ(f.lists.FindLgeoElement(long_name, 0, "L"), nullptr);

  // L and S with only the AX set wanted: found for any set, not for A.
  const LgeoElement* e = f.lists.FindLgeoElement("3001.dat", 0, "P3A");
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->chosenSet, 0);
  EXPECT_EQ(f.lists.FindLgeoElement("3001.dat", 'A', "P3A"), nullptr);
  e = f.lists.FindLgeoElement("3001.dat", 'L', "PL3");
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->chosenSet, 'L');
  // Both sets present: the option given first decides.
  EXPECT_EQ(f.lists.FindLgeoElement("2.dat", 0, "PAL")->chosenSet, 'A');
  EXPECT_EQ(f.lists.FindLgeoElement("2.dat", 0, "LAP")->chosenSet, 'L');
  EXPECT_EQ(f.lists.FindLgeoElement("2.dat", 'L', "AL"), nullptr);
  EXPECT_EQ(f.lists.FindLgeoElement("s\\3001s01.dat", 'A', "LA")->chosenSet,
            'A');
}

TEST(LgeoLists, LoadOnceAndDump) {
  LgeoFixture f;
  f.WriteLists("3001 brick2x4 LS\n3002 b3 -\n970c00 legs A\n",
               "4 lg_red\n15 lg_white\n");
  Settings settings;
  // Without L or A in the substitution order nothing is read.
  ASSERT_EQ(f.lists.LoadLgeoListsOnce(settings, f.dir.path() + "/lgeo",
                                      f.finder, f.diag),
            Status::kOk);
  EXPECT_FALSE(f.lists.loaded());
  EXPECT_EQ(f.errors.text(), "");
  settings.SubstitutionOrder = "P3L";
  settings.DebugLevel = 1;
  ASSERT_EQ(f.lists.LoadLgeoListsOnce(settings, f.dir.path() + "/lgeo",
                                      f.finder, f.diag),
            Status::kOk);
  EXPECT_TRUE(f.lists.loaded());
  EXPECT_EQ(f.errors.text(), "Using LGEO: 3 parts, 2 colors\n");
  EXPECT_EQ(f.remarks.text(), "Found " + f.element_path + "\n" + "WARNING \"" +
                                  f.element_path +
                                  "\" Line 2: Unknown flag '-': 3002 b3 -\n" +
                                  "Found " + f.colour_path +
                                  "\n"
                                  "lg_elements.lst  3\n"
                                  "  970c00 legs     A  \n"
                                  "    3001 brick2x4 LS \n"
                                  "    3002 b3       -  \n"
                                  "\n"
                                  "lg_colors.lst  2\n"
                                  "     4 lg_red\n"
                                  "    15 lg_white\n"
                                  "\n");
  // A second scene does not read the lists again.
  ASSERT_EQ(
      f.lists.LoadLgeoListsOnce(settings, "/nonexistent", f.finder, f.diag),
      Status::kOk);
  EXPECT_EQ(f.errors.text(), "Using LGEO: 3 parts, 2 colors\n");

  LgeoFixture broken;
  settings.SubstitutionOrder = "A";
  EXPECT_EQ(broken.lists.LoadLgeoListsOnce(settings, broken.dir.path(),
                                           broken.finder, broken.diag),
            Status::kFailed);
  EXPECT_FALSE(broken.lists.loaded());
}

}  // namespace
