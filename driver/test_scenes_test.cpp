// The test scenes (-test) and the hand-made replacements of parts (R7PPARTS
// include files, LGEO and AX elements), run through the built program on a
// tiny library written by the tests, with POV-Ray parsing every scene.
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "driver/usage.h"
#include "tests/test_support.h"

namespace {

using testing_support::Occurrences;
using testing_support::ReadFileText;
using testing_support::RunResult;
using testing_support::ShellQuote;
using testing_support::TempDir;

bool Exists(const std::string& path) { return std::ifstream(path).good(); }

std::string Banner() { return std::string(kBanner) + "\n"; }

// "POV file successfully written: ..." as the program prints it for the
// scene file it actually wrote.
std::string WrittenLine(const std::string& name, const std::string& path) {
  const size_t size = ReadFileText(path).size();
  return "POV file successfully written: " + name + "  " +
         std::to_string((size + 1023) / 1024) + " kBytes\n";
}

// A primitive with a POV-Ray equivalent (a square prism stands in for the
// cylinder), one without, a few parts and sub-parts, and models using them.
const char* const kLibraryFiles[][2] = {
    {"p/4-4cyli.dat",
     "0 Cylinder 1.0\n0 Name: 4-4cyli.dat\n0 !LDRAW_ORG Primitive\n"
     "4 16 1 0 0 0 0 1 0 1 1 1 1 0\n4 16 0 0 1 -1 0 0 -1 1 0 0 1 1\n"
     "4 16 -1 0 0 0 0 -1 0 1 -1 -1 1 0\n4 16 0 0 -1 1 0 0 1 1 0 0 1 -1\n"},
    {"p/other.dat",
     "0 A primitive without equivalent\n0 !LDRAW_ORG Primitive\n"
     "3 16 0 0 0 1 0 0 0 0 1\n"},
    {"parts/3001.dat",
     "0 Brick  2 x  4\n0 Name: 3001.dat\n0 !LDRAW_ORG Part\n"
     "4 16 -40 0 -20 40 0 -20 40 0 20 -40 0 20\n"
     "4 16 -40 24 -20 40 24 -20 40 24 20 -40 24 20\n"
     "1 16 0 0 0 6 0 0 0 1 0 0 0 6 4-4cyli.dat\n"},
    {"parts/3002A.DAT",
     "0 Brick  2 x  3\n0 Name: 3002a.dat\n0 !LDRAW_ORG Part\n"
     "4 16 -30 0 -20 30 0 -20 30 0 20 -30 0 20\n"
     "4 16 -30 24 -20 30 24 -20 30 24 20 -30 24 20\n"},
    {"parts/3003.dat",
     "0 Brick  2 x  2\n0 Name: 3003.dat\n0 !LDRAW_ORG Part\n"
     "1 16 0 0 0 1 0 0 0 1 0 0 0 1 s\\3003s01.dat\n"
     "4 16 -20 24 -20 20 24 -20 20 24 20 -20 24 20\n"},
    {"parts/s/3003s01.dat",
     "0 ~Brick  2 x  2 without Bottom\n0 Name: s\\3003s01.dat\n"
     "0 !LDRAW_ORG Subpart\n4 16 -20 0 -20 20 0 -20 20 0 20 -20 0 20\n"},
    {"parts/3004.dat",
     "0 Brick  1 x  2\n0 Name: 3004.dat\n0 !LDRAW_ORG Part\n"
     "4 16 -20 0 -10 20 0 -10 20 0 10 -20 0 10\n"
     "4 16 -20 24 -10 20 24 -10 20 24 10 -20 24 10\n"},
    {"parts/3005.dat",
     "0 Brick  1 x  1\n0 Name: 3005.dat\n0 !LDRAW_ORG Part\n"
     "4 16 -10 0 -10 10 0 -10 10 0 10 -10 0 10\n"
     "4 16 -10 24 -10 10 24 -10 10 24 10 -10 24 10\n"},
    {"models/car.ldr",
     "0 Car\n1 4 0 0 0 1 0 0 0 1 0 0 0 1 3001.dat\n"
     "1 1 0 -24 0 1 0 0 0 1 0 0 0 1 3003.dat\n"
     "1 46 0 -48 0 1 0 0 0 1 0 0 0 1 3004.dat\n"},
    {"models/prepared.ldr",
     "0 Prepared parts\n1 1 0 0 0 1 0 0 0 1 0 0 0 1 3003.dat\n"
     "1 4 40 0 0 1 0 0 0 1 0 0 0 1 3005.dat\n"},
};

// R7PPARTS include files. 3003 names its sub-part through a "uses" line and
// has flags that draw remarks; the sub-part has an include file of its own
// in s/; 3005's file is of a format too new to be used. R7Begin.inc sets a
// value that R7End.inc checks, so a scene that lost either cannot render.
const char* const kR7PPartsFiles[][2] = {
    {"R7PPARTS/3003.inc",
     "// Prepared brick 2 x 2\n// R7PDATA: version 1.4\n"
     "// R7PDATA: flag slope\n// R7PDATA: flag shiny\n"
     "// R7PDATA: uses s/3003S01.dat\n// R7PDATA: uses 9999.dat\n"
     "#declare _3003_dot_dat = union {\n"
     "\tobject { s_slash_3003s01_dot_dat }\n"
     "\tbox { <-20,0,-20>, <20,24,20> }\n}\n"},
    {"R7PPARTS/s/3003s01.inc",
     "// R7PDATA: version 1.0\n"
     "#declare s_slash_3003s01_dot_dat = box { <-20,0,-20>, <20,0.5,20> }\n"},
    {"R7PPARTS/3005.inc",
     "// R7PDATA: version 1.5\n#declare _3005_dot_dat = sphere { 0, 10 }\n"},
    {"R7PPARTS/R7Begin.inc", "#declare R7TestBegun = 1;\n"},
    {"R7PPARTS/R7End.inc",
     "#ifndef (R7TestBegun)\n#error \"R7Begin.inc was not read\"\n#end\n"},
};

// A stand-in for the LGEO library: the two lists, the definitions and
// colours the scene frame names, and element files declaring what the
// scenes use (plain, "_clear" and "_slope" objects).
const char* const kLgeoFiles[][2] = {
    {"lgeo/lg_elements.lst",
     "# LDraw LGEO flags\n3001 3001 LS\n3002A 3002a L\n3003 3003 A\n"
     "3004 3004 LA\n"},
    {"lgeo/lg_colors.lst", "; LDraw number, LGEO texture\n4 lg_red\n1 lg_blue\n46 lg_tr_yellow\n"},
    {"lgeo/lg_defs.inc",
     "#declare LG_BRICK_WIDTH = 0.8;\n#declare LG_BRICK_HEIGHT = 0.96;\n"
     "#declare lg_solid_finish = finish { ambient 0.1 diffuse 0.6 }\n"
     "#declare lg_chrome_finish = finish { ambient 0.1 reflection 0.3 }\n"
     "#declare lg_pearl_finish = finish { ambient 0.1 diffuse 0.7 }\n"
     "#declare lg_transparent_finish = finish { ambient 0.1 }\n"
     "#declare lg_ior = interior { ior 1.25 }\n"},
    {"lgeo/lg_color.inc",
     "#declare lg_red = texture { pigment { rgb <1,0,0> } }\n"
     "#declare lg_blue = texture { pigment { rgb <0,0,1> } }\n"
     "#declare lg_tr_yellow = texture { pigment { rgbf <1,1,0,0.8> } }\n"},
    {"lgeo/lg_3001.inc",
     "#declare lg_3001 = box { <-0.8,-1.6,0>, <0.8,1.6,0.96> }\n"
     "#declare lg_3001_clear = object { lg_3001 }\n"
     "#declare lg_3001_slope = sphere { <0,0,0.96>, 0.1 }\n"},
    {"lgeo/lg_3002a.inc",
     "#declare lg_3002a = box { <-0.8,-1.2,0>, <0.8,1.2,0.96> }\n"
     "#declare lg_3002a_clear = object { lg_3002a }\n"},
    {"lgeo/lg_3004.inc",
     "#declare lg_3004 = box { <-0.4,-0.8,0>, <0.4,0.8,0.96> }\n"
     "#declare lg_3004_clear = object { lg_3004 }\n"},
    {"lgeo/ax_3003.inc", "#declare ax_3003 = box { <-0.8,-0.8,0>, <0.8,0.8,0.96> }\n"},
    {"lgeo/ax_3004.inc", "#declare ax_3004 = box { <-0.4,-0.8,0>, <0.4,0.8,0.96> }\n"},
};

// One tiny library with its LGEO folder, an empty home and a work folder
// for the scene files. Runs see none of the machine's LDraw configuration.
class TestScenes : public ::testing::Test {
 protected:
  TestScenes() {
    for (const auto& file : kLibraryFiles) root_.Write("ldraw/" + std::string(file[0]), file[1]);
    for (const auto& file : kLgeoFiles) root_.Write(file[0], file[1]);
    root_.Mkdir("work");
  }

  std::string Ldraw() const { return root_.path() + "/ldraw"; }
  std::string Lgeo() const { return root_.path() + "/lgeo"; }
  std::string Work() const { return root_.path() + "/work"; }
  std::string Scene(const std::string& name) const { return ReadFileText(Work() + "/" + name); }

  void AddR7PParts() const {
    for (const auto& file : kR7PPartsFiles) root_.Write("ldraw/" + std::string(file[0]), file[1]);
  }

  // -stdout, when `args` starts with it, must stay the first argument.
  RunResult Run(std::string args) const {
    std::string first;
    if (args.compare(0, 8, "-stdout ") == 0) {
      first = "-stdout ";
      args.erase(0, 8);
    }
    return testing_support::RunR7p(
        first + "-ldd" + ShellQuote(Ldraw()) + " -lgd" + ShellQuote(Lgeo()) + " " + args,
        Work(), testing_support::CleanLdrawEnv(home_.path()));
  }

  // POV-Ray must parse and render the scene, finding the include files
  // in the LGEO folder and the R7PPARTS folder as a user would set it up.
  void ExpectRenders(const std::string& scene_name) const {
    if (!testing_support::HavePovray()) return;
    std::string log;
    const int status = testing_support::RenderWithPovray(
        Work() + "/" + scene_name, &log,
        testing_support::PovrayPathOption("+L", Lgeo()) + " " +
            testing_support::PovrayPathOption("+L", Ldraw() + "/R7PPARTS"));
    EXPECT_EQ(status, 0) << scene_name << " does not render:\n" << log;
    EXPECT_EQ(log.find("Parse Error"), std::string::npos) << log;
  }

  TempDir root_;
  TempDir home_;
};

// Expects `parts` to occur in `text` in this order.
void ExpectInOrder(const std::string& text, const std::vector<std::string>& parts) {
  size_t at = 0;
  for (const std::string& part : parts) {
    const size_t found = text.find(part, at);
    ASSERT_NE(found, std::string::npos)
        << "missing, or out of order: " << part << "\nafter:\n"
        << text.substr(at, 3000);
    at = found + part.size();
  }
}

TEST_F(TestScenes, LgeoElementTestComparesTheElementWithItsLDrawGeometry) {
  RunResult r = Run("-test -lgeo 3001.dat");
  ASSERT_EQ(r.status, 0) << r.err << r.out;
  EXPECT_EQ(r.err, "Using LGEO: 4 parts, 3 colors\n"
                   "Processing " + Ldraw() + "/parts/3001.dat\n" + Banner() +
                   "              PARTS             P         Total\n"
                   "DAT files:        1             1             2\n"
                   "POV Equivs:       -             1 (100%)\n"
                   "LGEO:             1 (100%)      0 (0%)\n"
                   "Model has 0 parts (0 studs)\n" +
                   WrittenLine("3001.pov", Work() + "/3001.pov"));
  // The default colour 7 has no LGEO colour; 46 has.
  EXPECT_EQ(r.out, "*** Color 7 not defined in lg_color.inc\n");
  const std::string scene = Scene("3001.pov");
  // The part from its LDraw geometry, shown in colour 46, then the same part
  // declared again as its element under "_lgeo" names, shown in colour 7.
  ExpectInOrder(scene, {
      "#include \"lg_defs.inc\"\n#include \"lg_color.inc\"\n",
      "#declare _4_dash_4cyli_dot_dat = cylinder",
      "#declare _3001_dot_dat = ",
      "\tobject { _4_dash_4cyli_dot_dat matrix <6,0,0,0,1,0,0,0,6,0,0,0> }\n",
      "#declare R7Texture46 = texture { lg_tr_yellow }\n",
      "//// ModelObject 3001.dat\nobject { _3001_dot_dat material { R7Color46 } }\n",
      "//// Model 3001.dat\n#ifndef (_3001_dot_dat_lgeo)\n#if (R7Quality > 0)\n"
      "\t#ifndef (lg_3001)\n\t#include \"lg_3001.inc\"\n\t#end\n#end\n"
      "#declare _3001_dot_dat_lgeo = #if (R7Quality = 0) box { <-40,0,-20>, "
      "<40,24,20> } #else object {\n",
      "\tlg_3001\n\ttransform R7LgeoToLDraw\n}\n#end\n",
      "\tlg_3001_clear\n",
      "#declare _3001_dot_dat_lgeo_slope = object {\n",
      "//// ModelObject 3001.dat\nobject { _3001_dot_dat_lgeo material { R7Color7 } }\n"
      "#if (R7Quality > 0)\n\tobject { _3001_dot_dat_lgeo_slope material { "
      "R7Color7_slope } }\n#end\n"});
  EXPECT_EQ(Occurrences(scene, "#declare R7Quality"), 1u) << "one header only";
  ExpectRenders("3001.pov");
}

TEST_F(TestScenes, LgeoElementTestFindsTheElementWhateverTheCaseOnDisk) {
  // The file is 3002A.DAT on disk; the list names it 3002A, read as 3002a.
  RunResult r = Run("-test -lgeo 3002a.dat");
  ASSERT_EQ(r.status, 0) << r.err << r.out;
  EXPECT_NE(r.err.find("Processing " + Ldraw() + "/parts/3002A.DAT\n"), std::string::npos);
  EXPECT_NE(r.err.find("LGEO:             1 (100%)      0 (0%)\n"), std::string::npos) << r.err;
  const std::string scene = Scene("3002a.pov");
  ExpectInOrder(scene, {"object { _3002A_dot_DAT material { R7Color46 } }\n",
                        "\t#include \"lg_3002a.inc\"\n", "\tlg_3002a\n",
                        "object { _3002A_dot_DAT_lgeo material { R7Color7 } }\n"});
  ExpectRenders("3002a.pov");
}

TEST_F(TestScenes, LgeoElementTestRefusesPartsWithoutAnLgeoElement) {
  // 3003 is listed for the AX set only, 3005 not at all.
  RunResult r = Run("-stdout -test -lgeo 3003.dat");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "Using LGEO: 4 parts, 3 colors\n"
                   "Processing " + Ldraw() + "/parts/3003.dat\n"
                   "*** No such LGEO element '3003.dat'.\n");
  EXPECT_EQ(r.err, "");
  // Without -stdout the usage, with its test block, comes first on standard
  // output and the message on standard error.
  RunResult u = Run("-test -lgeo -o 3005.dat");
  EXPECT_EQ(u.status, 1);
  EXPECT_EQ(u.err, "Using LGEO: 4 parts, 3 colors\n"
                   "Processing " + Ldraw() + "/parts/3005.dat\n"
                   "\n*** No such LGEO element '3005.dat'.\n");
  EXPECT_NE(u.out.find("  -test -lgeo part.dat generate pov file for testing primitive\n" +
                       Banner()),
            std::string::npos);
  // A part that is not in the library at all.
  RunResult m = Run("-stdout -test -lgeo 3010.dat");
  EXPECT_EQ(m.status, 1);
  EXPECT_EQ(m.out, "*** Cannot find model file '3010.dat'.\n");
  // An LGEO folder without its colour list cannot be used.
  root_.Write("lgeo2/lg_elements.lst", "3001 3001 L\n");
  RunResult l = testing_support::RunR7p(
      "-stdout -ldd" + ShellQuote(Ldraw()) + " -lgd" + ShellQuote(root_.path() + "/lgeo2") +
          " -test -lgeo -o 3001.dat",
      Work(), testing_support::CleanLdrawEnv(home_.path()));
  EXPECT_EQ(l.status, 1);
  EXPECT_EQ(l.out, "Can't open " + root_.path() + "/lgeo2/lg_colors.lst\n"
                   "*** Abnormal termination.\n");
}

TEST_F(TestScenes, PrimitiveTestComparesTheEquivalentWithItsLDrawGeometry) {
  RunResult r = Run("-test 4-4cyli.dat");
  ASSERT_EQ(r.status, 0) << r.err << r.out;
  // Without an R7PPARTS folder the order holds only P, which the test took
  // out to read the primitive itself.
  EXPECT_EQ(r.err, "Processing " + Ldraw() + "/p/4-4cyli.dat\n" + Banner() +
                   "              PARTS             P         Total\n"
                   "DAT files:        0             1             1\n"
                   "Model has 0 parts (0 studs)\n" +
                   WrittenLine("4-4cyli.pov", Work() + "/4-4cyli.pov"));
  EXPECT_EQ(r.out, "");
  const std::string scene = Scene("4-4cyli.pov");
  ExpectInOrder(scene, {
      "#declare _4_dash_4cyli_dot_dat = object {\n// Cylinder 1.0\n",
      "\tmesh {\n",
      "#declare R7Texture46 = R7TextureTransparentRGBA(",
      "//Primitive bbox: <-1,0,-1> <1,1,1>\n//PovEquiv  bbox: <-1,0,-1> <1,1,1>\n"
      "object {\ncylinder { <0,0,0>, <0,1,0>, 1 open }\n"
      "matrix <1-0.001/2,0,0,0,1-0.001/1,0,0,0,1-0.001/2,0,0.001/2,0>\n"
      "material { R7Color46 }\n}\n",
      "//// ModelObject 4-4cyli.dat\nobject { _4_dash_4cyli_dot_dat"});
  ExpectRenders("4-4cyli.pov");

  // A primitive with an equivalent that the library lacks.
  RunResult m = Run("-stdout -test 4-4disc.dat");
  EXPECT_EQ(m.status, 1);
  EXPECT_EQ(m.out, "*** Cannot find model file '4-4disc.dat'.\n");
}

TEST_F(TestScenes, OtherNamesGiveAnEmptyOverviewScene) {
  // Not a primitive with an equivalent: nothing is looked up or read, and
  // the scene file takes the name as typed.
  for (const char* name : {"other.dat", "4-4CYLI.dat", "3001.dat"}) {
    SCOPED_TRACE(name);
    RunResult r = Run(std::string("-test ") + name);
    EXPECT_EQ(r.status, 1);
    const std::string tail = "\nEmpty model.\n" + Banner() + "*** Abnormal termination.\n";
    EXPECT_EQ(r.err.compare(0, 11, "Processing "), 0) << r.err;
    ASSERT_GE(r.err.size(), tail.size());
    EXPECT_EQ(r.err.substr(r.err.size() - tail.size()), tail) << r.err;
    EXPECT_EQ(r.err.find("Cannot find"), std::string::npos);
    // The scene holds the empty-model block only.
    EXPECT_EQ(Scene(name),
              "// Empty model                                                               !\n");
  }
  EXPECT_FALSE(Exists(Work() + "/other.pov"));
  // The library's own file was not touched.
  EXPECT_NE(ReadFileText(Ldraw() + "/p/other.dat").find("3 16 0 0 0"), std::string::npos);

  RunResult again = Run("-stdout -test other.dat");
  EXPECT_EQ(again.status, 1);
  EXPECT_EQ(again.out,
            "*** File 'other.dat' already exists, use option -o to overwrite.\n");

  RunResult bare = Run("-test overview");
  EXPECT_EQ(bare.status, 1);
  EXPECT_TRUE(Exists(Work() + "/overview.pov"));
}

TEST_F(TestScenes, LgeoAndAxElementsReplacePartsInTheOrderGiven) {
  AddR7PParts();
  // P, 3, L, A: 3003's include file comes before its AX element (and its
  // "uses" line brings the sub-part's include file), 3004 is taken from
  // LGEO, transparent, so its "_clear" object is used.
  RunResult r = Run("-lgeo -ax car.ldr");
  ASSERT_EQ(r.status, 0) << r.err << r.out;
  EXPECT_EQ(Occurrences(r.err, "Using LGEO: 4 parts, 3 colors\n"), 1u) << r.err;
  ExpectInOrder(r.err, {"DAT files:        4             0             6\n"
                        "POV Equivs:       -             0 (0%)\n"
                        "R7PPARTS:         2 (50%)       0 (0%)\n"
                        "LGEO:             2 (50%)       0 (0%)\n"
                        "AX:               0 (0%)        0 (0%)\n"
                        "Model has 3 parts (0 studs)\n"});
  std::string scene = Scene("car.pov");
  ExpectInOrder(scene, {"\t#include \"lg_3001.inc\"\n",
                        "\t#include \"3003.inc\"  // From R7PPARTS\n",
                        "\t#include \"lg_3004.inc\"\n",
                        "\t\t_3001_dot_dat\n",
                        "\t\t_3001_dot_dat_slope\n",
                        "\t\t_3004_dot_dat_clear\n"});
  EXPECT_EQ(scene.find("ax_"), std::string::npos);
  // The sub-files of a replaced part are read for its box, not declared.
  EXPECT_EQ(scene.find("_4_dash_4cyli_dot_dat ="), std::string::npos);
  ExpectRenders("car.pov");

  // A, L without R7PPARTS: both AX elements win, 3001 exists only in LGEO.
  RunResult a = Run("-ax -lgeo -p3 -o car.ldr");
  ASSERT_EQ(a.status, 0) << a.err << a.out;
  // No part declares the sub-files of the others.
  ExpectInOrder(a.err, {"DAT files:        3             0             6\n"
                        "POV Equivs:       -             0 (0%)\n"
                        "AX:               2 (67%)       0 (0%)\n"
                        "LGEO:             1 (33%)       0 (0%)\n"
                        "Model has 3 parts (0 studs)\n"});
  scene = Scene("car.pov");
  ExpectInOrder(scene, {"\t#include \"lg_3001.inc\"\n", "\t#include \"ax_3003.inc\"\n",
                        "\t#include \"ax_3004.inc\"\n", "\t\t_3004_dot_dat\n"});
  EXPECT_EQ(scene.find("From R7PPARTS"), std::string::npos);
  EXPECT_EQ(scene.find("_3004_dot_dat_clear"), std::string::npos);
  ExpectRenders("car.pov");
}

TEST_F(TestScenes, R7PPartsIncludeFilesReplaceParts) {
  AddR7PParts();
  RunResult r = Run("prepared.ldr");
  ASSERT_EQ(r.status, 0) << r.err << r.out;
  EXPECT_EQ(r.err, "Processing " + Ldraw() + "/models/prepared.ldr\n"
                   "*** Obsolete R7PDATA flag 'slope' in R7PPARTS/3003.inc\n"
                   "*** Unknown R7PDATA flag 'shiny' in R7PPARTS/3003.inc\n"
                   "*** Unknown part in R7PDATA uses '9999.dat' in R7PPARTS/3003.inc\n"
                   "*** Version 1.5 of R7PPARTS/3005.inc too new for this R7P\n" +
                   Banner() +
                   "              PARTS             P         Total\n"
                   "DAT files:        3             0             4\n"
                   "POV Equivs:       -             0 (0%)\n"
                   "R7PPARTS:         2 (67%)       0 (0%)\n"
                   "Model has 2 parts (0 studs)\n" +
                   WrittenLine("prepared.pov", Work() + "/prepared.pov"));
  const std::string scene = Scene("prepared.pov");
  // The sub-part named by "uses" comes first, itself from its own include
  // file in s/; 3005's include file is refused and its geometry used.
  ExpectInOrder(scene, {
      "//// IncludeFile R7Begin.inc\n#include \"R7Begin.inc\"\n",
      "//// Part s\\3003s01.dat\n#ifndef (s_slash_3003s01_dot_dat)\n"
      "// ~Brick  2 x  2 without Bottom\n"
      "\t#include \"s/3003s01.inc\"  // From R7PPARTS\n"
      "#end // ifndef (s_slash_3003s01_dot_dat)\n",
      "//// Part 3003.dat\n#ifndef (_3003_dot_dat)\n// Brick  2 x  2\n"
      "\t#include \"3003.inc\"  // From R7PPARTS\n#end // ifndef (_3003_dot_dat)\n",
      "#declare _3005_dot_dat = #if (R7Quality = 0) box { <-10,0,-10>, <10,24,10> }",
      "//// IncludeFile R7End.inc\n#include \"R7End.inc\"\n"});
  EXPECT_EQ(scene.find("3005.inc"), std::string::npos);
  ExpectRenders("prepared.pov");

  // -p3: no include file is looked for; 3003 and its sub-part are declared
  // from their geometry.
  RunResult p = Run("-p3 -o prepared.ldr");
  ASSERT_EQ(p.status, 0) << p.err << p.out;
  EXPECT_EQ(p.err.find("***"), std::string::npos) << p.err;
  EXPECT_EQ(p.err.find("R7PPARTS:"), std::string::npos) << p.err;
  const std::string plain = Scene("prepared.pov");
  EXPECT_EQ(plain.find("From R7PPARTS"), std::string::npos);
  ExpectInOrder(plain, {"#declare s_slash_3003s01_dot_dat = ",
                        "#declare _3003_dot_dat = ",
                        "\tobject { s_slash_3003s01_dot_dat matrix <1,0,0,0,1,0,0,0,1,0,0,0> }\n"});
  ExpectRenders("prepared.pov");
}

}  // namespace
