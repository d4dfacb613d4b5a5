#include "platform/path_finder.h"
#include "pov/prepared_parts.h"

#include <gtest/gtest.h>

#include <string>

#include "pov/scene_writer_test_fixture.h"

namespace {

using testing_support::MemoryFile;
using testing_support::TempDir;

TEST(PreparedParts, IncludeFileNames) {
  EXPECT_EQ(PovPartsFileName("3001.dat"), "3001.inc");
  EXPECT_EQ(PovPartsFileName("s\\3001s01.dat"), "s/3001s01.inc");
  EXPECT_EQ(PovPartsFileName("Car.LDR"), "Car.inc");
  EXPECT_EQ(PovPartsFileName("R7Begin.inc"), "R7Begin.inc");
  EXPECT_EQ(PovPartsFileName("model.mpd"), "");
  EXPECT_EQ(PovPartsFileName("dat"), "");
}

TEST(PreparedParts, OpenIgnoresCase) {
  TempDir dir;
  dir.Write("r7pparts/S/3001S01.INC", "x");
  platform::PathFinder finder;
  std::string found;
  FILE* in = OpenPovPartsFile(finder, dir.path(), "s\\3001s01.dat", &found);
  ASSERT_NE(in, nullptr);
  std::fclose(in);
  EXPECT_EQ(found, dir.path() + "/r7pparts/S/3001S01.INC");
  EXPECT_EQ(OpenPovPartsFile(finder, dir.path(), "3001.dat"), nullptr);
  EXPECT_EQ(OpenPovPartsFile(finder, "", "s\\3001s01.dat"), nullptr);
  EXPECT_EQ(OpenPovPartsFile(finder, dir.path(), "s\\3001s01.mpd"), nullptr);
}

class PreparedPartsTest : public SceneWriterTest {
 protected:
  PreparedPartsTest() { ctx.ldraw_dir = dir.path(); }
  TempDir dir;
};

TEST_F(PreparedPartsTest, R7PPartsInclude) {
  settings.SubstitutionOrder = "3";
  dir.Write("R7PPARTS/3001.inc",
            "// R7PDATA: version 1.4\n"
            "// R7PDATA: flag slope\r\n"
            "// R7PDATA: flag shiny\n\r"
            "// R7PDATA: uses S/3001S01.DAT\r"
            "// R7PDATA: uses nothere.dat\n"
            "#declare _3001_dot_dat = box { <-20,-24,-10>, <20,0,10> }\n");
  dir.Write("R7PPARTS/s/3001s01.inc",
            "// R7PDATA: version 1.0\n#declare s_slash_3001s01_dot_dat = sphere { 0, 1 }\n");
  DatFile& sub = File("s\\3001s01.dat", PART);
  DatFile& part = File("3001.dat", PART);
  Meta(part, "Brick  2 x  4");
  Square(part, 16);
  EXPECT_EQ(Declare(part),
            "\n//// Part s\\3001s01.dat\n#ifndef (s_slash_3001s01_dot_dat)\n"
            "\t#include \"s/3001s01.inc\"  // From R7PPARTS\n"
            "#end // ifndef (s_slash_3001s01_dot_dat)\n\n"
            "\n//// Part 3001.dat\n#ifndef (_3001_dot_dat)\n"
            "// Brick  2 x  4\n"
            "\t#include \"3001.inc\"  // From R7PPARTS\n"
            "#end // ifndef (_3001_dot_dat)\n\n");
  EXPECT_EQ(messages.text(),
            "*** Obsolete R7PDATA flag 'slope' in R7PPARTS/3001.inc\n"
            "*** Unknown R7PDATA flag 'shiny' in R7PPARTS/3001.inc\n"
            "*** Unknown part in R7PDATA uses 'nothere.dat' in R7PPARTS/3001.inc\n");
  EXPECT_EQ(part.writeMark, '3');
  EXPECT_EQ(sub.writeMark, '3');
  EXPECT_EQ(part.elementCount, 1);
  EXPECT_EQ(stats.r7pparts_parts(), 2);

  DatFile& prim = File("logo.dat", PRIMITIVE);
  dir.Write("R7PPARTS/logo.inc", "// no data\n");
  finder = platform::PathFinder();  // its listings are cached
  Declare(prim);
  EXPECT_EQ(stats.r7pparts_primitives(), 1);
  EXPECT_EQ(prim.writeMark, '3');
}

TEST_F(PreparedPartsTest, TooNewIncludeFallsBack) {
  settings.SubstitutionOrder = "3";
  dir.Write("R7PPARTS/3002.inc", "// R7PDATA: version 1.5\n");
  dir.Write("R7PPARTS/3003.inc", "// comment\r// R7PDATA: version 2.0\r");
  for (const char* name : {"3002.dat", "3003.dat"}) {
    DatFile& part = File(name, PART);
    Square(part, 4);
    EXPECT_NE(Declare(part).find("object {\n\tmesh {\n"), std::string::npos);
    EXPECT_EQ(part.writeMark, 'N');
  }
  EXPECT_EQ(messages.text(),
            "*** Version 1.5 of R7PPARTS/3002.inc too new for this R7P\n"
            "*** Version 2.0 of R7PPARTS/3003.inc too new for this R7P\n");
  EXPECT_EQ(stats.r7pparts_parts(), 0);
}

class LgeoElementsTest : public SceneWriterTest {
 protected:
  LgeoElementsTest() {
    dir.Write("lgeo/lg_elements.lst",
              "3001 3001 L\n3040 3040b LS\n3003 3003 A\n3004 3004 LA\n");
    dir.Write("lgeo/lg_colors.lst", "4 lg_red\n");
    EXPECT_EQ(lgeo.LoadLgeoLists(dir.path() + "/lgeo", 0, finder, diag), Status::kOk);
  }
  TempDir dir;
};

TEST_F(LgeoElementsTest, ElementDeclarations) {
  settings.SubstitutionOrder = "L";
  DatFile& brick = File("3001.dat", PART);
  SetBox(brick, {-20, -24, -10}, {20, 0, 10});
  Meta(brick, "Brick  2 x  4");
  EXPECT_EQ(Declare(brick),
            "\n//// Part 3001.dat\n#ifndef (_3001_dot_dat)\n"
            "#if (R7Quality > 0)\n\t#ifndef (lg_3001)\n"
            "\t#include \"lg_3001.inc\"\n\t#end\n#end\n"
            "#declare _3001_dot_dat = #if (R7Quality = 0) box { <-20,-24,-10>, "
            "<20,0,10> } #else object {\n// Brick  2 x  4\n\tlg_3001\n"
            "\ttransform R7LgeoToLDraw\n}\n#end\n"
            "#declare _3001_dot_dat_clear = #if (R7Quality = 0) box { "
            "<-20,-24,-10>, <20,0,10> } #else object {\n// Brick  2 x  4\n"
            "\tlg_3001_clear\n\ttransform R7LgeoToLDraw\n}\n#end\n"
            "#end // ifndef (_3001_dot_dat)\n\n");
  EXPECT_EQ(brick.writeMark, 'L');
  EXPECT_EQ(stats.lgeo_parts(), 1);

  DatFile& slope = File("3040.dat", PRIMITIVE);
  EXPECT_EQ(Declare(slope),
            "\n//// Primitive 3040.dat\n#ifndef (_3040_dot_dat)\n"
            "#if (R7Quality > 0)\n\t#ifndef (lg_3040b)\n"
            "\t#include \"lg_3040b.inc\"\n\t#end\n#end\n"
            "#declare _3040_dot_dat = object {\n\tlg_3040b\n"
            "\ttransform R7LgeoToLDraw\n}\n"
            "#declare _3040_dot_dat_clear = object {\n\tlg_3040b_clear\n"
            "\ttransform R7LgeoToLDraw\n}\n"
            "#if (R7Quality > 0)\n#declare _3040_dot_dat_slope = object {\n"
            "\tlg_3040b_slope\n\ttransform R7LgeoToLDraw\n}\n#end\n"
            "#end // ifndef (_3040_dot_dat)\n\n");
  EXPECT_TRUE(slope.Has(SLOPE_DECLARED));
  EXPECT_EQ(stats.lgeo_parts(), 1);  // primitives are not counted as parts

  // Only AX has it; with L alone there is none, and parts say so.
  DatFile& ax_only = File("3003.dat", PART);
  Meta(ax_only, "Brick  2 x  2");
  Square(ax_only, 4);
  EXPECT_EQ(Declare(ax_only).find("lg_"), std::string::npos);
  EXPECT_EQ(remarks.text(), "Not in LGEO: 3003.dat Brick  2 x  2\n");

  settings.SubstitutionOrder = "AL";
  DatFile& both = File("3004.dat", PART);
  const std::string ax = Declare(both);
  EXPECT_NE(ax.find("#declare _3004_dot_dat = #if (R7Quality = 0) box"), std::string::npos);
  EXPECT_NE(ax.find("\tax_3004\n\ttransform R7LgeoToLDraw\n}\n#end\n#end // ifndef"),
            std::string::npos);
  EXPECT_EQ(ax.find("_clear"), std::string::npos);
  EXPECT_EQ(both.writeMark, 'A');
  EXPECT_EQ(stats.ax_parts(), 1);
}

TEST_F(LgeoElementsTest, TransparentSlopeElementReference) {
  settings.SubstitutionOrder = "L";
  DatFile& slope = File("3040.dat", PART | INHERITS_COLOUR);
  SetBox(slope, {-10, -24, -20}, {10, 0, 20});
  Declare(slope);
  DatFile& model = files.SetMainModel("m.ldr");
  Ref(model, 46, slope, {0, 0, 0}, RIGID);
  EXPECT_EQ(Declare(model, true),
            "\n//// Model m.ldr\n#ifndef (m_dot_ldr)\n"
            "#declare m_dot_ldr = #if (R7Quality > 0) union #else object #end {\n"
            "\t// 1 46  0 0 0  1 0 0  0 1 0  0 0 1 3040.dat\n"
            "\t#if (R7Quality > 0) merge #else object #end {\n"
            "\t\tobject {\n\t\t\t_3040_dot_dat_clear\n"
            "\t\t\tmatrix <1-0.01/20,0,0,0,1-0.01/24,0,0,0,1-0.01/40,0,0.01/-2,0>\n"
            "\t\t\tmatrix <1,0,0,0,1,0,0,0,1,0,0,0>\n"
            "\t\t\tmaterial { R7Color46 }\n\t\t}\n"
            "\t\t#if (R7Quality > 0)\n"
            "\t\t\tobject {\n\t\t\t\t_3040_dot_dat_slope\n"
            "\t\t\t\tmatrix <1-0.01/20,0,0,0,1-0.01/24,0,0,0,1-0.01/40,0,0.01/-2,0>\n"
            "\t\t\t\tmatrix <1,0,0,0,1,0,0,0,1,0,0,0>\n"
            "\t\t\t\tmaterial { R7Color46_slope }\n\t\t\t}\n"
            "\t\t#end\n"
            "\t}\n"
            "}\n#end // ifndef (m_dot_ldr)\n\n");

  // The model object of an LGEO element in a transparent colour is clear.
  settings.DefaultColor = 46;
  DatFile& main = files.SetMainModel("3001.dat");
  main.flags |= INHERITS_COLOUR;
  MemoryFile out;
  WriteModelObject(out.get(), ctx);
  EXPECT_EQ(out.text(),
            "\n//// ModelObject 3001.dat\n"
            "object { _3001_dot_dat_clear material { R7Color46 } }\n\n\n");
}

TEST_F(LgeoElementsTest, LgeoComparison) {
  // The driver declared the part from its LDraw geometry without L.
  settings.SubstitutionOrder = "P";
  DatFile& model = files.SetMainModel("3001.dat");
  model.flags |= PART | INHERITS_COLOUR;
  SetBox(model, {-20, -24, -10}, {20, 0, 10});
  Square(model, 16);
  Declare(model, true);
  EXPECT_EQ(model.writeMark, 'N');

  MemoryFile out;
  EXPECT_EQ(WriteLgeoComparison(out.get(), ctx), Status::kOk);
  const std::string text = out.text();
  EXPECT_EQ(text.find("\n//// Color 46"), 0u);
  const size_t object = text.find("\n//// ModelObject 3001.dat\n"
                                  "object { _3001_dot_dat material { R7Color46 } }\n\n\n"
                                  "\n//// Model 3001.dat\n"
                                  "#ifndef (_3001_dot_dat_lgeo)\n");
  EXPECT_NE(object, std::string::npos) << text;
  EXPECT_NE(text.find("#declare _3001_dot_dat_lgeo = #if (R7Quality = 0) box"),
            std::string::npos);
  EXPECT_EQ(model.writeMark, 'L');
  EXPECT_EQ(settings.SubstitutionOrder, "PL");
  EXPECT_EQ(settings.DefaultColor, 7);
  // The tail's model object now names the element.
  MemoryFile tail;
  WriteModelObject(tail.get(), ctx);
  EXPECT_EQ(tail.text(),
            "\n//// ModelObject 3001.dat\n"
            "object { _3001_dot_dat_lgeo material { R7Color7 } }\n\n\n");
}

TEST_F(PreparedPartsTest, SceneWithIncludeFilesParses) {
  R7P_REQUIRE_POVRAY();
  settings.SubstitutionOrder = "P3";
  dir.Write("R7PPARTS/3001.inc",
            "// R7PDATA: version 1.4\n"
            "// R7PDATA: uses s/3001s01.dat\n"
            "#declare _3001_dot_dat = union {\n"
            "\tbox { <-20,-24,-10>, <20,0,10> }\n"
            "\tobject { s_slash_3001s01_dot_dat translate <0,-24,0> }\n}\n");
  DatFile& stud = File("stud.dat", PRIMITIVE | INHERITS_COLOUR);
  DatFile& sub = File("s\\3001s01.dat", PART);
  SetBox(sub, {-6, -4, -6}, {6, 0, 6});
  Ref(sub, 16, stud);
  DatFile& brick = File("3001.dat", PART | INHERITS_COLOUR);
  SetBox(brick, {-20, -28, -10}, {20, 0, 10});
  Meta(brick, "Brick  2 x  4");
  DatFile& model = files.SetMainModel("m.ldr");
  model.flags |= INHERITS_COLOUR;
  Ref(model, 4, brick, {0, 0, 0}, RIGID);
  Ref(model, 16, brick, {0, -24, 0}, RIGID);
  files.AddUsedColour(4);
  files.AddUsedColour(7);
  std::string log;
  EXPECT_EQ(Render(dir, [&](FILE* f) {
              WriteDeclaration(f, stud, false, ctx);
              WriteDeclaration(f, model, true, ctx);
              WriteModelObject(f, ctx);
            }, "", &log, dir.path() + "/R7PPARTS"), 0) << log;
  EXPECT_EQ(brick.writeMark, '3');
  EXPECT_EQ(sub.writeMark, 'N');
}

}  // namespace
