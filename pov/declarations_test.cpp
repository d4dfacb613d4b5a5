#include "pov/declarations.h"

#include <gtest/gtest.h>

#include <string>

#include "pov/scene_writer_test_fixture.h"

namespace {

using testing_support::MemoryFile;

TEST(Declarations, MakeIdentifier) {
  EXPECT_EQ(MakeIdentifier("3001.dat"), "_3001_dot_dat");
  EXPECT_EQ(MakeIdentifier("s\\3001s01.dat"), "s_slash_3001s01_dot_dat");
  EXPECT_EQ(MakeIdentifier("my car.ldr"), "my_space_car_dot_ldr");
  EXPECT_EQ(MakeIdentifier("a+b.dat"), "a_2B_b_dot_dat");
  EXPECT_EQ(MakeIdentifier("a_b"), "a__b");
  EXPECT_EQ(MakeIdentifier("#~/:&-"),
            "_crosshatch__tilde__slash__colon__and__dash_");
  EXPECT_EQ(MakeIdentifier("\xE9t\xC3"), "_E9_t_C3_");
  EXPECT_EQ(MakeIdentifier("Car.LDR"), "Car_dot_LDR");
  EXPECT_EQ(MakeIdentifier("3001.dat", "_lgeo"), "_3001_dot_dat_lgeo");
  EXPECT_EQ(MakeIdentifier(""), "");

  // Past 125 characters the identifier is cut, marked, and loses the suffix.
  const std::string long_name(40, '.');  // 5 characters each
  const std::string id = MakeIdentifier(long_name, "_lgeo");
  EXPECT_EQ(id.size(), 125u);
  EXPECT_EQ(id.substr(119), "MAX125");
  EXPECT_EQ(id.substr(0, 10), "_dot__dot_");
  // Exactly 125 characters is still whole and takes the suffix.
  const std::string exact = MakeIdentifier(std::string(25, '.'), "_x");
  EXPECT_EQ(exact.size(), 127u);
  EXPECT_EQ(exact.substr(125), "_x");

  // Written straight into the scene text, the same identifiers.
  for (const std::string& name :
       {std::string("3001.dat"), std::string("\xE9t\xC3"), long_name,
        std::string(25, '.'), std::string("a\0b", 3)}) {
    SceneText text;
    AddIdentifier(text, name, "_lgeo");
    EXPECT_EQ(text.text(), MakeIdentifier(name, "_lgeo"));
  }
}

TEST(Declarations, ColourText) {
  EXPECT_EQ(ColourText(4), "4");
  EXPECT_EQ(ColourText(0xFFFFFF), "16777215");
  EXPECT_EQ(ColourText(0x2FF0000), "0x02FF0000");
  EXPECT_EQ(ColourText(-1), "-1");
}

TEST(Declarations, MatrixAndLineTexts) {
  DatLine line;
  line.type = 1;
  line.colour = 4;
  const float values[12] = {10, 20, 30, 1, 2, 3, 4, 5, 6, 7, 8, 9};
  line.matrix.at(0, 3) = values[0];
  line.matrix.at(1, 3) = values[1];
  line.matrix.at(2, 3) = values[2];
  for (int k = 0; k < 9; ++k) line.matrix.at(k / 3, k % 3) = values[3 + k];
  DatFile target;
  target.name = "3001.dat";
  line.file = &target;
  SceneText out;
  AddPlacementMatrix(out, line.matrix);
  EXPECT_EQ(out.text(), "matrix <1,4,7,2,5,8,3,6,9,10,20,30>");

  SceneText comment;
  AddLineComment(comment, line);
  DatLine quad;
  quad.type = 4;
  quad.colour = 0x2FF0000;
  quad.matrix.SetRow(0, {0, 0, 0});
  quad.matrix.SetRow(1, {1, 0, 0});
  quad.matrix.SetRow(2, {1, 0.5f, 1});
  quad.matrix.SetRow(3, {0, 0, 1});
  AddLineComment(comment, quad);
  DatLine text;
  text.type = 0;
  text.text = "STEP";
  AddLineComment(comment, text);
  EXPECT_EQ(comment.text(),
            " 1 4  10 20 30  1 2 3  4 5 6  7 8 9 3001.dat\n"
            " 4 0x02FF0000  0 0 0  1 0 0  1 0.5 1  0 0 1\n"
            " 0 STEP\n");
}

TEST(Declarations, SeamMatrix) {
  DatFile brick;
  brick.bbox.min = {-20, -24, -10};
  brick.bbox.max = {20, 0, 10};
  MemoryFile out;
  WriteSeamMatrix(out.get(), brick, "R7SW", 0.5f);
  // Centred axes need no translation; y is off-centre.
  EXPECT_EQ(out.text(), "matrix <1-R7SW/40,0,0,0,1-R7SW/24,0,0,0,1-R7SW/20,0,R7SW/-2,0>\n");

  DatFile flat;  // a tile's sticker: no height, narrow in z
  flat.bbox.min = {0, 0, 0};
  flat.bbox.max = {8, 0, 0.4f};
  MemoryFile out2;
  WriteSeamMatrix(out2.get(), flat, "0.01", 0.5f);
  EXPECT_EQ(out2.text(), "matrix <1-0.01/8,0,0,0,1,0,0,0,1,0.01/2,0,0>\n");
}

TEST_F(SceneWriterTest, PartWithStudAndQuad) {
  DatFile& stud = Declared("stud.dat", STUD | PRIMITIVE | INHERITS_COLOUR, 1, 0);
  DatFile& part = File("3001.dat", PART);
  SetBox(part, {-10, -4, -10}, {10, 24, 10});
  Ref(part, 16, stud, {0, -4, 0});
  Polygon(part, 4, {{0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}});
  EXPECT_EQ(Declare(part),
            "\n//// Part 3001.dat\n"
            "#ifndef (_3001_dot_dat)\n"
            "#declare _3001_dot_dat = #if (R7Quality = 0) box { <-10,-4,-10>,"
            " <10,24,10> } #else #if (R7Studs) union #else object #end {\n"
            "\t#if (R7Studs)\n"
            "\t\tobject { stud_dot_dat matrix <1,0,0,0,1,0,0,0,1,0,-4,0> }\n"
            "\t#end\n"
            "\tmesh {\n"
            "\t\ttriangle { <0,0,0>, <1,0,0>, <1,0,1> }\n"
            "\t\ttriangle { <1,0,1>, <0,0,1>, <0,0,0> }\n"
            "\t\tmaterial { R7Color4 }\n"
            "\t}\n"
            "}\n#end\n"
            "#end // ifndef (_3001_dot_dat)\n\n");
  EXPECT_EQ(part.writeMark, 'N');
  EXPECT_EQ(part.elementCount, 2);
  EXPECT_EQ(part.solidElementCount, 1);
  EXPECT_EQ(stats.parts(), 1);
  // A second request does nothing.
  EXPECT_EQ(Declare(part), "");
}

TEST_F(SceneWriterTest, MeshesSplitByColourAndTexture) {
  DatFile& sub = File("sub.ldr");
  Polygon(sub, 4, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
  Polygon(sub, 1, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
  Polygon(sub, 1, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
  DatLine& slope = Meta(sub, "TEXTURE SLOPE", META | TEXTURE);
  slope.colour = 1;
  Polygon(sub, 1, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
  Polygon(sub, 2, {{0, 0, 0}, {1, 0, 0}});  // an edge: ignored
  EXPECT_EQ(Declare(sub),
            "\n//// Submodel sub.ldr\n"
            "#ifndef (sub_dot_ldr)\n"
            "#declare sub_dot_ldr = union {\n"
            "\tmesh {\n"
            "\t\t// 3 4  0 0 0  1 0 0  0 1 0\n"
            "\t\ttriangle { <0,0,0>, <1,0,0>, <0,1,0> }\n"
            "\t\tmaterial { R7Color4 }\n"
            "\t}\n"
            "\tmesh {\n"
            "\t\t// 3 1  0 0 0  1 0 0  0 1 0\n"
            "\t\ttriangle { <0,0,0>, <1,0,0>, <0,1,0> }\n"
            "\t\t// 3 1  0 0 0  1 0 0  0 1 0\n"
            "\t\ttriangle { <0,0,0>, <1,0,0>, <0,1,0> }\n"
            "\t\tmaterial { R7Color1 }\n"
            "\t}\n"
            "\tmesh {\n"
            "\t\t// 3 1  0 0 0  1 0 0  0 1 0\n"
            "\t\ttriangle { <0,0,0>, <1,0,0>, <0,1,0> }\n"
            "\t\tmaterial { R7Color1_slope }\n"
            "\t}\n"
            "}\n"
            "#end // ifndef (sub_dot_ldr)\n\n");
  EXPECT_EQ(sub.elementCount, 3);
}

TEST_F(SceneWriterTest, InheritedColourTakesUsersMaterial) {
  DatFile& prim = File("tri.dat", PRIMITIVE | INHERITS_COLOUR);
  for (int i = 0; i < 3; ++i)
    Polygon(prim, 16, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
  DatFile& model = files.SetMainModel("m.ldr");
  Ref(model, 4, prim);
  Ref(model, 16, prim);
  // The model's counting pass declares the primitive first.
  EXPECT_EQ(Declare(model, true),
            "\n//// Primitive tri.dat\n"
            "#ifndef (tri_dot_dat)\n"
            "#declare tri_dot_dat = object {\n"
            "\tmesh {\n"
            "\t\ttriangle { <0,0,0>, <1,0,0>, <0,1,0> }\n"
            "\t\ttriangle { <0,0,0>, <1,0,0>, <0,1,0> }\n"
            "\t\ttriangle { <0,0,0>, <1,0,0>, <0,1,0> }\n"
            "\t}\n"
            "}\n"
            "#end // ifndef (tri_dot_dat)\n\n"
            "\n//// Model m.ldr\n"
            "#ifndef (m_dot_ldr)\n"
            "#declare m_dot_ldr = union {\n"
            "\t// 1 4  0 0 0  1 0 0  0 1 0  0 0 1 tri.dat\n"
            "\tobject { tri_dot_dat matrix <1,0,0,0,1,0,0,0,1,0,0,0> material { R7Color4 } }\n"
            "\t// 1 16  0 0 0  1 0 0  0 1 0  0 0 1 tri.dat\n"
            "\tobject { tri_dot_dat matrix <1,0,0,0,1,0,0,0,1,0,0,0> }\n"
            "}\n"
            "#end // ifndef (m_dot_ldr)\n\n");
  EXPECT_TRUE(prim.lines.empty());  // released once declared
}

TEST_F(SceneWriterTest, PovBlocksAndComments) {
  DatFile& model = files.SetMainModel("m.ldr");
  Meta(model, "// hello");
  Meta(model, "R7P IFPOV");
  Meta(model, "sphere { <0,0,0>, 1 }");
  Meta(model, "R7P ELSEPOV");
  Square(model, 4);
  Meta(model, "R7P ENDPOV");
  Meta(model, "//");
  Meta(model, "//");
  const std::string body =
      "// hello\n"
      "// R7P IFPOV\n#if (1)\n"
      "sphere { <0,0,0>, 1 }\n"
      "// R7P ELSEPOV\n#else\n"
      "\tmesh {\n"
      "\t\t// 4 4  0 0 0  1 0 0  1 0 1  0 0 1\n"
      "\t\ttriangle { <0,0,0>, <1,0,0>, <1,0,1> }\n"
      "\t\ttriangle { <1,0,1>, <0,0,1>, <0,0,0> }\n"
      "\t\tmaterial { R7Color4 }\n"
      "\t}\n"
      "// R7P ENDPOV\n#end\n"
      "// \n";  // the empty comment on the last line is dropped
  EXPECT_EQ(Declare(model, true),
            "\n//// Model m.ldr\n#ifndef (m_dot_ldr)\n"
            "#declare m_dot_ldr = union {\n" + body +
            "}\n#end // ifndef (m_dot_ldr)\n\n");

  settings.SettingsFlags |= ExcludeNonPov;
  model.writeMark = 0;
  EXPECT_EQ(Declare(model, true),
            "\n//// Model m.ldr\n#ifndef (m_dot_ldr)\n"
            "#declare m_dot_ldr = union {\n"
            "// hello\n"
            "sphere { <0,0,0>, 1 }\n"
            "// \n"
            "}\n#end // ifndef (m_dot_ldr)\n\n");
}

TEST_F(SceneWriterTest, StepClocks) {
  DatFile& sub = File("sub.ldr");
  Square(sub, 4);
  Meta(sub, "STEP", META | STEP);
  Square(sub, 4);
  DatFile& model = files.SetMainModel("m.ldr");
  Meta(model, "STEP", META | STEP);
  Ref(model, 16, sub);

  settings.SettingsFlags |= StepClockModelOnly;
  const std::string decl = Declare(model, true);
  // The sub-model has no clock: its STEP is a comment inside its mesh.
  EXPECT_NE(decl.find("\t\ttriangle { <1,0,1>, <0,0,1>, <0,0,0> }\n"
                      "// STEP\n"
                      "\t\t// 4 4  0 0 0  1 0 0  1 0 1  0 0 1\n"),
            std::string::npos)
      << decl;
  // One object behind a clock: a union, never an object that may be empty.
  EXPECT_NE(decl.find("#declare m_dot_ldr = union {\n"
                      "// STEP\n#if (clock > 1)\n"
                      "\t// 1 16  0 0 0  1 0 0  0 1 0  0 0 1 sub.ldr\n"
                      "\tobject { sub_dot_ldr matrix <1,0,0,0,1,0,0,0,1,0,0,0> }\n"
                      "#end // if (clock > 1)\n"
                      "}\n"),
            std::string::npos)
      << decl;
  EXPECT_EQ(messages.text(), "Number of steps: 2\n");

  settings.SettingsFlags = (settings.SettingsFlags & ~StepClockModelOnly) | StepClock;
  DatFile& two = File("two.ldr");
  Square(two, 4);
  Meta(two, "STEP", META | STEP);
  Square(two, 4);
  Meta(two, "STEP", META | STEP);
  EXPECT_EQ(Declare(two),
            "\n//// Submodel two.ldr\n#ifndef (two_dot_ldr)\n"
            "#declare two_dot_ldr = union {\n"
            "\tmesh {\n\t\t// 4 4  0 0 0  1 0 0  1 0 1  0 0 1\n"
            "\t\ttriangle { <0,0,0>, <1,0,0>, <1,0,1> }\n"
            "\t\ttriangle { <1,0,1>, <0,0,1>, <0,0,0> }\n"
            "\t\tmaterial { R7Color4 }\n\t}\n"
            "// STEP\n#if (clock > 1)\n"
            "\tmesh {\n\t\t// 4 4  0 0 0  1 0 0  1 0 1  0 0 1\n"
            "\t\ttriangle { <0,0,0>, <1,0,0>, <1,0,1> }\n"
            "\t\ttriangle { <1,0,1>, <0,0,1>, <0,0,0> }\n"
            "\t\tmaterial { R7Color4 }\n\t}\n"
            "#end // if (clock > 1)\n"
            "// STEP\n#if (clock > 2)\n"
            "#end // if (clock > 2)\n"
            "}\n#end // ifndef (two_dot_ldr)\n\n");
  EXPECT_EQ(messages.text(), "Number of steps: 2\nNumber of steps: 3\n");
}

TEST_F(SceneWriterTest, FilesWithoutObjects) {
  DatFile& edges = File("edges.dat", PRIMITIVE);
  Polygon(edges, 24, {{0, 0, 0}, {1, 0, 0}});
  DatFile& model = files.SetMainModel("m.ldr");
  Ref(model, 16, edges);
  Square(model, 4);
  const std::string decl = Declare(model, true);
  EXPECT_EQ(edges.writeMark, ' ');
  EXPECT_EQ(edges.elementCount, 0);
  EXPECT_EQ(decl.find("edges"), std::string::npos);
  EXPECT_EQ(model.elementCount, 1);
  EXPECT_NE(decl.find("#declare m_dot_ldr = object {\n\tmesh {\n"), std::string::npos);

  DatFile& empty = File("empty.ldr");
  Meta(empty, "just a comment");
  EXPECT_EQ(Declare(empty), "");
  EXPECT_EQ(empty.writeMark, ' ');
}

TEST_F(SceneWriterTest, StudOnlyFilesCountAsStuds) {
  DatFile& stud = Declared("stud.dat", STUD | PRIMITIVE | INHERITS_COLOUR, 1, 0);
  DatFile& studs = File("studs.ldr");
  Ref(studs, 16, stud);
  DatFile& model = files.SetMainModel("m.ldr");
  Ref(model, 4, studs);
  Square(model, 4);
  const std::string decl = Declare(model, true);
  EXPECT_EQ(studs.elementCount, 1);
  EXPECT_EQ(studs.solidElementCount, 0);
  EXPECT_EQ(model.elementCount, 2);
  EXPECT_EQ(model.solidElementCount, 1);
  EXPECT_NE(decl.find("#declare m_dot_ldr = #if (R7Studs) union #else object #end {\n"
                      "\t#if (R7Studs)\n"
                      "\t\t// 1 4  0 0 0  1 0 0  0 1 0  0 0 1 studs.ldr\n"
                      "\t\tobject { studs_dot_ldr matrix <1,0,0,0,1,0,0,0,1,0,0,0> }\n"
                      "\t#end\n"
                      "\tmesh {\n"),
            std::string::npos)
      << decl;

  // A file whose only object is a stud-only file stays an object of it.
  DatFile& holder = File("holder.ldr");
  Ref(holder, 16, studs);
  EXPECT_EQ(Declare(holder),
            "\n//// Submodel holder.ldr\n#ifndef (holder_dot_ldr)\n"
            "#declare holder_dot_ldr = object {\n"
            "\t// 1 16  0 0 0  1 0 0  0 1 0  0 0 1 studs.ldr\n"
            "\tobject { studs_dot_ldr matrix <1,0,0,0,1,0,0,0,1,0,0,0> }\n"
            "}\n#end // ifndef (holder_dot_ldr)\n\n");
  EXPECT_EQ(holder.solidElementCount, 0);
}

TEST_F(SceneWriterTest, LightsAndRigidSeams) {
  DatFile& light = File("light.dat");
  DatFile& brick = Declared("3001.dat", PART | INHERITS_COLOUR, 1, 1);
  SetBox(brick, {-40, -24, -20}, {40, 0, 20});
  DatFile& model = files.SetMainModel("m.ldr");
  Ref(model, 15, light, {1, 2, 3}, LIGHT);
  Ref(model, 4, brick, {0, 0, 0}, RIGID);
  Ref(model, 33, brick, {0, -24, 0}, RIGID);
  settings.SettingsFlags |= Shadowless;
  EXPECT_EQ(Declare(model, true),
            "\n//// Model m.ldr\n#ifndef (m_dot_ldr)\n"
            "#declare m_dot_ldr = union {\n"
            "\t// 1 15  1 2 3  1 0 0  0 1 0  0 0 1 light.dat\n"
            "\tlight_source {\n\t\t<1,2,3>\n\t\tcolor rgb <1,1,1>\n"
            "\t\tshadowless\n\t}\n"
            "\t// 1 4  0 0 0  1 0 0  0 1 0  0 0 1 3001.dat\n"
            "\tobject {\n\t\t_3001_dot_dat\n"
            "\t\tmatrix <1-R7SW/80,0,0,0,1-R7SW/24,0,0,0,1-R7SW/40,0,R7SW/-2,0>\n"
            "\t\tmatrix <1,0,0,0,1,0,0,0,1,0,0,0>\n"
            "\t\tmaterial { R7Color4 }\n\t}\n"
            "\t// 1 33  0 -24 0  1 0 0  0 1 0  0 0 1 3001.dat\n"
            "\tobject {\n\t\t_3001_dot_dat\n"
            "\t\tmatrix <1-R7SWT/80,0,0,0,1-R7SWT/24,0,0,0,1-R7SWT/40,0,R7SWT/-2,0>\n"
            "\t\tmatrix <1,0,0,0,1,0,0,0,1,0,-24,0>\n"
            "\t\tmaterial { R7Color33 }\n\t}\n"
            "}\n#end // ifndef (m_dot_ldr)\n\n");
}

TEST_F(SceneWriterTest, SlopeVariants) {
  DatFile& slope = Declared("3040.dat", PART | INHERITS_COLOUR | SLOPE_DECLARED, 1, 1);
  DatFile& sub = File("sub.ldr");
  Ref(sub, 16, slope);
  const std::string sub_decl = Declare(sub);
  EXPECT_TRUE(sub.Has(SLOPE_DECLARED));
  EXPECT_EQ(sub_decl,
            "\n//// Submodel sub.ldr\n#ifndef (sub_dot_ldr)\n"
            "#declare sub_dot_ldr = object {\n"
            "\t// 1 16  0 0 0  1 0 0  0 1 0  0 0 1 3040.dat\n"
            "\tobject {\n\t\t_3040_dot_dat\n"
            "\t\tmatrix <1,0,0,0,1,0,0,0,1,0,0,0>\n\t}\n"
            "}\n"
            "\n#if (R7Quality > 0)\n#declare sub_dot_ldr_slope = object {\n"
            "\tobject { _3040_dot_dat_slope matrix <1,0,0,0,1,0,0,0,1,0,0,0> }\n"
            "}\n#end\n"
            "#end // ifndef (sub_dot_ldr)\n\n");

  DatFile& model = files.SetMainModel("m.ldr");
  Ref(model, 4, sub);
  EXPECT_EQ(Declare(model, true),
            "\n//// Model m.ldr\n#ifndef (m_dot_ldr)\n"
            "#declare m_dot_ldr = #if (R7Quality > 0) union #else object #end {\n"
            "\t// 1 4  0 0 0  1 0 0  0 1 0  0 0 1 sub.ldr\n"
            "\tobject {\n\t\tsub_dot_ldr\n"
            "\t\tmatrix <1,0,0,0,1,0,0,0,1,0,0,0>\n\t}\n"
            "\t#if (R7Quality > 0)\n"
            "\t\tobject {\n\t\t\tsub_dot_ldr_slope\n"
            "\t\t\tmatrix <1,0,0,0,1,0,0,0,1,0,0,0>\n\t\t}\n"
            "\t#end\n"
            "}\n#end // ifndef (m_dot_ldr)\n\n");
  EXPECT_FALSE(model.Has(SLOPE_DECLARED));
}

TEST_F(SceneWriterTest, ModelObject) {
  DatFile& model = files.SetMainModel("My Car.ldr");
  model.flags |= INHERITS_COLOUR | SLOPE_DECLARED;
  settings.DefaultColor = 4;
  MemoryFile out;
  WriteModelObject(out.get(), ctx);
  EXPECT_EQ(out.text(),
            "\n//// ModelObject My Car.ldr\n"
            "object { My_space_Car_dot_ldr material { R7Color4 } }\n"
            "#if (R7Quality > 0)\n\tobject { My_space_Car_dot_ldr_slope material { R7Color4_slope } }\n#end\n"
            "\n\n");
  model.flags &= ~(INHERITS_COLOUR | SLOPE_DECLARED);
  MemoryFile plain;
  WriteModelObject(plain.get(), ctx);
  EXPECT_EQ(plain.text(),
            "\n//// ModelObject My Car.ldr\nobject { My_space_Car_dot_ldr }\n\n\n");
}

// The scenes below are parsed and rendered by POV-Ray itself.

TEST_F(SceneWriterTest, StudsOffSceneParses) {
  R7P_REQUIRE_POVRAY();
  settings.SettingsFlags &= ~StudsOn;
  DatFile& stud = File("stud.dat", STUD | PRIMITIVE);
  SetBox(stud, {-6, -4, -6}, {6, 0, 6});
  DatFile& studs = File("studs.ldr");
  Ref(studs, 16, stud);
  Ref(studs, 16, stud, {20, 0, 0});
  DatFile& only_studs = File("onlystuds.ldr");
  Ref(only_studs, 16, studs);
  // Its only object holds nothing but studs: with studs off it must still
  // hold something.
  DatFile& holder = File("holder.ldr");
  Ref(holder, 16, only_studs);
  DatFile& brick = File("brick.ldr");
  Ref(brick, 16, studs);
  Square(brick, 1);
  DatFile& model = files.SetMainModel("m.ldr");
  Ref(model, 4, holder);
  Ref(model, 4, brick, {30, 0, 0});
  files.AddUsedColour(4);
  files.AddUsedColour(1);
  testing_support::TempDir dir;
  std::string log;
  EXPECT_EQ(Render(dir, [&](FILE* f) {
              WriteDeclaration(f, stud, false, ctx);
              WriteDeclaration(f, model, true, ctx);
              WriteModelObject(f, ctx);
            }, "", &log), 0) << log;
  EXPECT_EQ(holder.solidElementCount, 0);
}

TEST_F(SceneWriterTest, StepClockSceneParses) {
  R7P_REQUIRE_POVRAY();
  settings.SettingsFlags |= StepClock;
  DatFile& brick = File("3001.dat", PART);
  SetBox(brick, {0, 0, 0}, {1, 0, 1});
  Square(brick, 4);
  DatFile& model = files.SetMainModel("m.ldr");
  Meta(model, "STEP", META | STEP);
  Ref(model, 16, brick);
  files.AddUsedColour(4);
  testing_support::TempDir dir;
  std::string log;
  EXPECT_EQ(Render(dir, [&](FILE* f) {
              WriteDeclaration(f, model, true, ctx);
              WriteModelObject(f, ctx);
            }, "", &log), 0) << log;
}

TEST_F(SceneWriterTest, FullSceneParses) {
  R7P_REQUIRE_POVRAY();
  settings.Quality = 4;
  DatFile& slope = File("3040.dat", PART | INHERITS_COLOUR);
  SetBox(slope, {0, 0, 0}, {1, 1, 1});
  Polygon(slope, 16, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
  DatFile& sub = File("sub.ldr");
  Meta(sub, "R7P IFNOTPOV");
  Polygon(sub, 2, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
  Meta(sub, "R7P ENDPOV");
  Ref(sub, 16, slope, {0, 0, 0}, RIGID);
  Ref(sub, 46, slope, {20, 0, 0}, RIGID);
  DatFile& light = File("light.dat");
  DatFile& model = files.SetMainModel("m.ldr");
  model.flags |= INHERITS_COLOUR;
  Ref(model, 4, sub);
  Ref(model, 16, sub, {0, 0, 40});
  Ref(model, 15, light, {0, -100, 0}, LIGHT);
  files.AddUsedColour(4);
  files.AddUsedColour(46);
  files.AddUsedColour(2);
  testing_support::TempDir dir;
  std::string log;
  // Slope references are what give a declaration its slope object; let the
  // part carry one by hand, as a prepared element would.
  EXPECT_EQ(Render(dir, [&](FILE* f) {
              WriteDeclaration(f, slope, false, ctx);
              std::fputs("#declare _3040_dot_dat_slope = object { _3040_dot_dat }\n", f);
              slope.flags |= SLOPE_DECLARED;
              WriteDeclaration(f, model, true, ctx);
              settings.DefaultColor = 2;
              WriteModelObject(f, ctx);
            }, "", &log), 0) << log;
  EXPECT_TRUE(model.Has(SLOPE_DECLARED));
}

}  // namespace
