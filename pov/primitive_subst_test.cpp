#include "pov/primitive_subst.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "pov/scene_writer_test_fixture.h"

namespace {

using testing_support::MemoryFile;

std::string BoxText(const BBox& box) {
  char text[160];
  std::snprintf(text, sizeof text, "%g,%g,%g %g,%g,%g",
                static_cast<double>(box.min.x), static_cast<double>(box.min.y),
                static_cast<double>(box.min.z), static_cast<double>(box.max.x),
                static_cast<double>(box.max.y), static_cast<double>(box.max.z));
  return text;
}

/// Every name of the fixed table, from the -pp listing.
std::vector<std::string> TableNames() {
  MemoryFile out;
  ListPovEquivalents(out.get());
  std::vector<std::string> names;
  std::string text = out.text();
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string::npos;
       start = end + 1)
    names.push_back(text.substr(start, end - start));
  names.resize(kPovEquivalentRows);
  return names;
}

TEST(PrimitiveSubst, TableRows) {
  const std::vector<std::string> names = TableNames();
  EXPECT_EQ(names.front(), "stud.dat");
  EXPECT_EQ(names.back(), "arm2.dat");
  for (const std::string& name : names)
    EXPECT_TRUE(FindPovEquivalent(name).has_value()) << name;

  auto stud = FindPovEquivalent("stud.dat");
  EXPECT_EQ(BoxText(stud->box), "-6,-4,-6 6,0,6");
  EXPECT_EQ(stud->code,
            "\n#if (R7Quality >= 3)\nunion {\n#end\n"
            "\tcylinder { <0,0,0>, <0,-4,0>, 6 }\n"
            "#if (R7Quality >= 3)\n\tobject { R7Logo translate <0,-4,0> }\n"
            "}\n#end");
  EXPECT_EQ(FindPovEquivalent("box.dat")->code, "box { <-1,-1,-1>, <1,1,1> }");
  EXPECT_EQ(BoxText(FindPovEquivalent("axlehol6.dat")->box),
            "2,0,2 5.64277,1,5.64277");
  EXPECT_EQ(BoxText(FindPovEquivalent("connect2.dat")->box),
            "-6.301,-20,-6.5 6.301,0,6.5");
  EXPECT_EQ(BoxText(FindPovEquivalent("1-16cyli.dat")->box),
            "0.9239,0,0 1,1,0.3827");

  // Aliases answer with their target's row, name included.
  for (const char* alias : {"stud2a.dat", "stud3a.dat", "stud4a.dat", "stud6a.dat"}) {
    auto found = FindPovEquivalent(alias);
    ASSERT_TRUE(found.has_value()) << alias;
    std::string target = alias;
    target.erase(target.find('a'), 1);
    EXPECT_EQ(found->name, target);
    EXPECT_EQ(found->code, FindPovEquivalent(target)->code);
    EXPECT_EQ(BoxText(found->box), BoxText(FindPovEquivalent(target)->box));
  }

  // Names are compared exactly; numbered sub-directories are looked through.
  EXPECT_FALSE(FindPovEquivalent("STUD.DAT"));
  EXPECT_FALSE(FindPovEquivalent("stud.da"));
  EXPECT_FALSE(FindPovEquivalent("s\\stud.dat"));
  EXPECT_FALSE(FindPovEquivalent(""));
  EXPECT_EQ(FindPovEquivalent("48\\4-4cyli.dat")->name, "4-4cyli.dat");
  EXPECT_EQ(FindPovEquivalent("8\\48\\box.dat")->name, "box.dat");
  EXPECT_FALSE(FindPovEquivalent("48\\"));
  EXPECT_FALSE(FindPovEquivalent(std::string(500, '\\')));
}

TEST(PrimitiveSubst, GeneratedFamilies) {
  for (const char* name : {"ring7.dat", "rin7.dat", "4-4ring7.dat",
                           "4-4rin7.dat", "48\\ring7.dat", "ring7.datt"}) {
    auto ring = FindPovEquivalent(name);
    ASSERT_TRUE(ring.has_value()) << name;
    EXPECT_EQ(ring->code, "disc { <0,0,0>, <0,1,0>, 8, 7 }");
    EXPECT_EQ(BoxText(ring->box), "-8,0,-8 8,0,8");
  }
  auto eighth = FindPovEquivalent("1-8ring3.dat");
  EXPECT_EQ(BoxText(eighth->box), "2.1213,0,0 4,0,2.8284");
  EXPECT_EQ(eighth->code,
            "disc {\n\t<0,0,0>, <0,1,0>, 4, 3\n"
            "\tclipped_by { plane { -z, 0 } plane { <-1,0,1>, 0 } }\n}");
  EXPECT_EQ(BoxText(FindPovEquivalent("3-8rin3.dat")->box), "-2.8284,0,0 4,0,4");
  EXPECT_EQ(BoxText(FindPovEquivalent("1-4ring3.dat")->box), "0,0,0 4,0,4");
  EXPECT_EQ(BoxText(FindPovEquivalent("2-4ring3.dat")->box), "-4,0,0 4,0,4");
  auto three_quarters = FindPovEquivalent("3-4ring3.dat");
  EXPECT_EQ(BoxText(three_quarters->box), "-4,0,-4 4,0,4");
  EXPECT_EQ(three_quarters->code,
            "disc {\n\t<0,0,0>, <0,1,0>, 4, 3\n"
            "\tclipped_by { union { plane { x, 0 } plane { -z, 0 } } }\n}");
  EXPECT_FALSE(FindPovEquivalent("1-16ring3.dat"));
  EXPECT_EQ(FindPovEquivalent("ring2147483647.dat")->code,
            "disc { <0,0,0>, <0,1,0>, 2147483648, 2147483647 }");
  EXPECT_FALSE(FindPovEquivalent("ring7.txt"));

  auto cone = FindPovEquivalent("1-4con5.dat");
  EXPECT_EQ(cone->code,
            "cone {\n\t<0,0,0>, 6, <0,1,0>, 5 open\n"
            "\tclipped_by { plane { -x, 0 } plane { -z, 0 } }\n}");
  EXPECT_EQ(BoxText(cone->box), "0,0,0 6,1,6");
  auto full_cone = FindPovEquivalent("4-4con5.dat");
  EXPECT_EQ(full_cone->code, "cone { <0,0,0>, 6, <0,1,0>, 5 open }");
  EXPECT_EQ(BoxText(full_cone->box), "-6,0,-6 6,1,6");
  EXPECT_FALSE(FindPovEquivalent("2-4con5.dat"));

  auto torus = FindPovEquivalent("t04q1250.dat");
  EXPECT_EQ(torus->code,
            "torus {\n\t1, 1250/9999\n"
            "\tclipped_by { box { <0,-1,0>, <2,1,2> } }\n}");
  EXPECT_EQ(BoxText(torus->box), "0,-0.125013,0 1.12501,0.125013,1.12501");
  EXPECT_EQ(BoxText(FindPovEquivalent("t04i1250.dat")->box), "0,0,0 1,0.125013,1");
  EXPECT_EQ(BoxText(FindPovEquivalent("t04o1250.dat")->box),
            "0,0,0 1.12501,0.125013,1.12501");
  EXPECT_EQ(FindPovEquivalent("t04o1250.dat")->code,
            "torus {\n\t1, 1250/9999\n\tclipped_by {\n\t\tdifference {\n"
            "\t\t\tbox { <0,0,0>, <2,1,2> }\n"
            "\t\t\tcylinder { <0,0,0>, <0,1,0>, 1 open }\n\t\t}\n\t}\n}");
  EXPECT_FALSE(FindPovEquivalent("t02q1250.dat"));
  EXPECT_FALSE(FindPovEquivalent("t04x1250.dat"));
}

// The family numbers are read as scanf reads "%d": blanks and a sign may
// come first, and the name is read up to a NUL byte. Names that merely look
// close are no family.
TEST(PrimitiveSubst, GeneratedFamilyNamesAsScanfReadsThem) {
  for (const char* name : {" 1-4ring3.dat", "+1-4rin3.dat", "1- 4ring3.dat",
                           "4-4con +5.dat", " 4-4con5.datt", "t +4q1250.dat",
                           "t04o 1250.dat", "ring 7.dat", "rin-7.dat"})
    EXPECT_TRUE(FindPovEquivalent(name).has_value()) << name;
  EXPECT_TRUE(FindPovEquivalent(std::string("ring7.dat\0x", 11)));
  for (const char* name : {"ring7.da", "ring7.DAT", "Ring7.dat", "ri ng7.dat",
                           "1-4ri ng3.dat", " t04q1250.dat", "T04q1250.dat",
                           "4-4cone5.dat", "x1-4ring3.dat", "ring.dat"})
    EXPECT_FALSE(FindPovEquivalent(name).has_value()) << name;
  EXPECT_FALSE(FindPovEquivalent(std::string("ring7\0.dat", 10)));
}

TEST(PrimitiveSubst, Listing) {
  MemoryFile out;
  ListPovEquivalents(out.get());
  const std::string text = out.text();
  EXPECT_EQ(text.substr(0, 30), "stud.dat\nstud10.dat\nstud2.dat\n");
  EXPECT_NE(text.find("\narm1.dat\narm2.dat\n"
                      "rin[g]N.dat\n1-8rin[g]N.dat\n3-8rin[g]N.dat\n"
                      "1-4rin[g]N.dat\n2-4rin[g]N.dat\n3-4rin[g]N.dat\n"
                      "4-4rin[g]N.dat\n1-4conN.dat\n4-4conN.dat\n"
                      "t04iFFFF.dat\nt04oFFFF.dat\nt04qFFFF.dat\n"),
            std::string::npos);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), kPovEquivalentRows + 12);
}

TEST_F(SceneWriterTest, PovEquivalentDeclarations) {
  DatFile& box = File("box.dat", PRIMITIVE);
  EXPECT_EQ(Declare(box),
            "\n//// Primitive box.dat\n#ifndef (box_dot_dat)\n"
            "#declare box_dot_dat = box { <-1,-1,-1>, <1,1,1> }\n"
            "#end // ifndef (box_dot_dat)\n\n");
  EXPECT_EQ(box.writeMark, 'P');
  EXPECT_EQ(box.elementCount, 1);
  EXPECT_EQ(box.solidElementCount, 1);
  EXPECT_EQ(stats.pov_equivalents(), 1);

  // With LGEO in use the studs become LGEO's, aliases following their row.
  settings.SubstitutionOrder = "PL";
  DatFile& stud = File("stud2a.dat", PRIMITIVE);
  EXPECT_EQ(Declare(stud),
            "\n//// Primitive stud2a.dat\n#ifndef (stud2a_dot_dat)\n"
            "#declare stud2a_dot_dat = object {\n\tlg_tech_knob\n"
            "\ttransform R7LgeoToLDraw\n}\n"
            "#end // ifndef (stud2a_dot_dat)\n\n");
  EXPECT_EQ(stud.solidElementCount, 0);
  EXPECT_EQ(stats.lgeo_primitives(), 1);
  DatFile& plate = File("stud4.dat", PRIMITIVE);
  EXPECT_NE(Declare(plate).find(
                "object {\n\tlg_plate_cylinder scale <1,1,-1> translate "
                "<0,0,LG_PLATE_INNER_HEIGHT>\n\ttransform R7LgeoToLDraw\n}\n"),
            std::string::npos);
  // Other rows keep their code.
  DatFile& axle = File("axle.dat", PRIMITIVE);
  EXPECT_NE(Declare(axle).find("#declare axle_dot_dat = intersection {\n"),
            std::string::npos);

  // Without P in the order the primitive is declared from its geometry.
  settings.SubstitutionOrder = "3";
  DatFile& disc = File("4-4disc.dat", PRIMITIVE);
  Polygon(disc, 16, {{0, 0, 0}, {1, 0, 0}, {0, 0, 1}});
  EXPECT_NE(Declare(disc).find("#declare _4_dash_4disc_dot_dat = object {\n\tmesh {\n"),
            std::string::npos);
  EXPECT_EQ(disc.writeMark, 'N');
}

TEST_F(SceneWriterTest, PrimitiveComparison) {
  DatFile& model = files.SetMainModel("4-4cyli.dat");
  SetBox(model, {-1, 0, -1}, {1, 1, 1});
  MemoryFile none;
  EXPECT_EQ(WritePrimitiveComparison(none.get(), "nothing.dat", ctx), Status::kFailed);
  EXPECT_EQ(none.text(), "");

  MemoryFile out;
  EXPECT_EQ(WritePrimitiveComparison(out.get(), "4-4cyli.dat", ctx), Status::kOk);
  const std::string text = out.text();
  EXPECT_EQ(text.find("\n//// Color 46"), 0u);
  EXPECT_EQ(text.substr(text.find("//Primitive")),
            "//Primitive bbox: <-1,0,-1> <1,1,1>\n"
            "//PovEquiv  bbox: <-1,0,-1> <1,1,1>\n"
            "object {\ncylinder { <0,0,0>, <0,1,0>, 1 open }\n"
            "matrix <1-0.001/2,0,0,0,1-0.001/1,0,0,0,1-0.001/2,0,0.001/2,0>\n"
            "material { R7Color46 }\n}\n");
  EXPECT_FLOAT_EQ(settings.FloorY, 1.1f);

  // A flat primitive is lifted off its triangles; -f keeps its floor.
  SetBox(model, {-1, 0, -1}, {1, 0, 1});
  settings.SettingsFlags |= FloorYGiven;
  settings.FloorY = 7;
  MemoryFile flat;
  EXPECT_EQ(WritePrimitiveComparison(flat.get(), "4-4disc.dat", ctx), Status::kOk);
  EXPECT_NE(flat.text().find("matrix <1-0.001/2,0,0,0,1,0,0,0,1-0.001/2,0,0,0>\n"
                             "translate <0,-0.01,0>\nmaterial { R7Color46 }\n}\n"),
            std::string::npos);
  EXPECT_FLOAT_EQ(settings.FloorY, 7);
}

/// Declares each name as a primitive replaced by its equivalent, places
/// them on a grid, and lets POV-Ray parse and render the scene.
class PrimitiveSceneTest : public SceneWriterTest {
 protected:
  void RenderAll(const std::vector<std::string>& names, int quality) {
    settings.Quality = quality;
    files.AddUsedColour(4);
    std::string placements;
    for (size_t i = 0; i < names.size(); ++i) {
      char line[200];
      std::snprintf(line, sizeof line,
                    "object { %s scale 5 translate <%d,0,%d> material { "
                    "R7Color4 } }\n",
                    MakeIdentifier(names[i]).c_str(),
                    static_cast<int>(i % 8) * 30 - 105,
                    static_cast<int>(i / 8) * 30 - 90);
      placements += line;
    }
    testing_support::TempDir dir;
    std::string log;
    const int status = Render(dir, [&](FILE* f) {
      for (const std::string& name : names) {
        DatFile& record = File(name, PRIMITIVE);
        WriteDeclaration(f, record, false, ctx);
        EXPECT_EQ(record.writeMark, 'P') << name;
      }
    }, placements, &log);
    EXPECT_EQ(status, 0) << log;
  }
};

TEST_F(PrimitiveSceneTest, EveryTableRowParses) {
  R7P_REQUIRE_POVRAY();
  RenderAll(TableNames(), 4);
}

TEST_F(PrimitiveSceneTest, TableRowsParseWithoutLogos) {
  R7P_REQUIRE_POVRAY();
  RenderAll(TableNames(), 2);
}

TEST_F(PrimitiveSceneTest, GeneratedFamiliesParse) {
  R7P_REQUIRE_POVRAY();
  RenderAll({"ring7.dat", "rin3.dat", "4-4ring2.dat", "4-4rin5.dat",
             "48\\ring7.dat", "1-8ring3.dat", "3-8ring3.dat", "1-4ring3.dat",
             "2-4ring3.dat", "3-4ring3.dat", "1-4rin4.dat", "1-4con5.dat",
             "4-4con5.dat", "t04i1250.dat", "t04o1250.dat", "t04q1250.dat"},
            2);
}

}  // namespace
