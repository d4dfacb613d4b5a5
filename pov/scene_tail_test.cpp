#include "pov/scene_tail.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "pov/colour_textures.h"
#include "pov/scene_frame.h"
#include "pov/scene_test_fixture.h"

namespace {

// Stands in for the camera, the model object and the statistics.
class StandInParts : public SceneTailParts {
 public:
  bool CameraWantsPoints() override { return wants_points; }
  void CameraAddPoint(const Vector& p) override { offered.push_back(p); }
  float WriteCamera(FILE* f, const BBox&, const Vector& centre) override {
    if (camera_text != nullptr) {
      fputs(camera_text, f);
      return 120.0f;
    }
    fprintf(f, "\n//// Camera\ncamera { look_at <%g,%g,%g> }\n",
            static_cast<double>(centre.x), static_cast<double>(centre.y),
            static_cast<double>(centre.z));
    return 100.0f;
  }
  bool CameraPlacementUsable() override { return true; }
  void WriteModelObject(FILE* f) override {
    fputs("\n//// ModelObject car.ldr\nobject { car_dot_ldr }\n\n\n", f);
  }
  void WriteStatistics(FILE* f, const char* prefix) override {
    fprintf(f, "%sModel has 1 parts (8 studs)\n", prefix);
  }

  bool wants_points = false;
  std::vector<Vector> offered;
  const char* camera_text = nullptr;  // a fixed camera block, distance 120
};

// A model of one 2x4 brick-sized box, with stand-ins for the camera, the
// model object and the statistics.
class SceneTail : public SceneFixture {
 protected:
  SceneTail() {
    DatFile& model = files.SetMainModel("car.ldr");
    model.elementCount = 1;
    model.flags |= HAS_BBOX | READ | DONE;
    model.writeMark = 'N';
    model.bbox.min = Vector{-10, -24, -20};
    model.bbox.max = Vector{10, 0, 20};
  }

  std::string Tail() {
    testing_support::MemoryFile out;
    EXPECT_EQ(TailResult::kWritten,
              WriteSceneTail(ctx, out.get(), false, lights, parts));
    return out.text();
  }

  std::string Lights(const LightList& list, float distance, bool shadowless) {
    testing_support::MemoryFile out;
    WriteLights(out.get(), list, Vector{0, -12, 0}, distance, shadowless);
    return out.text();
  }

  StandInParts parts;
  LightList lights;
  bool& wants_points = parts.wants_points;
  std::vector<Vector>& offered = parts.offered;
};

constexpr const char* kModelData =
    "\n//// ModelData\n"
    "#declare R7ModelBBoxMin = <-10,-24,-20>;\n"
    "#declare R7ModelBBoxMax = <10,0,20>;\n"
    "#declare R7ModelBBoxCenter = (R7ModelBBoxMin+R7ModelBBoxMax)/2; "
    "// <0,-12,0>\n"
    "#declare R7ModelBBoxSize = R7ModelBBoxMax-R7ModelBBoxMin; // <20,24,40>\n";

constexpr const char* kDefaultLights =
    "\n//// Lights\n"
    "light_source {\n"
    "\t<0,-82.7107,-70.7107>  // Latitude,Longitude,Radius: 45,0,100\n"
    "\tcolor rgb <1,1,1>\n"
    "}\n"
    "light_source {\n"
    "\t<75,-62,43.3013>  // Latitude,Longitude,Radius: 30,120,100\n"
    "\tcolor rgb <1,1,1>\n"
    "}\n"
    "light_source {\n"
    "\t<-43.3013,-98.6025,25>  // Latitude,Longitude,Radius: 60,-120,100\n"
    "\tcolor rgb <1,1,1>\n"
    "}\n";

constexpr const char* kObjectToEnd =
    "\n//// ModelObject car.ldr\nobject { car_dot_ldr }\n\n\n"
    "\n//// Statistics\n"
    "// Model has 1 parts (8 studs)\n"
    "\n//// End\n";

}  // namespace

TEST_F(SceneTail, DefaultTail) {
  EXPECT_EQ(std::string(kModelData) + "#declare R7FloorY = R7ModelBBoxMax.y;\n" +
                "\n//// Camera\ncamera { look_at <0,-12,0> }\n" +
                kDefaultLights + kObjectToEnd,
            Tail());
  EXPECT_EQ(3u, lights.Size());
  EXPECT_EQ("", messages.text());
  EXPECT_TRUE(offered.empty());
}

TEST_F(SceneTail, FloorAndBackground) {
  settings.FloorType = 'g';
  settings.FloorY = -10;
  settings.SettingsFlags |= FloorYGiven | BackgroundOn;
  settings.Background = Vector{0.3f, 0.8f, 1};
  settings.SettingsFlags &= ~(CameraOn | LightsOn);
  EXPECT_EQ(std::string(kModelData) +
                "#declare R7FloorY = -10; // -f\n"
                "\n//// Floor\n"
                "object {\n"
                "\tplane { y, R7FloorY hollow }\n"
                "\ttexture {\n"
                "\t\tpigment { color rgb <0.8,0.8,0.8> }\n"
                "\t\tfinish { ambient 0.4 diffuse 0.4 }\n"
                "\t}\n"
                "}\n\n"
                "\n//// Background\n"
                "background { color rgb <0.3,0.8,1>}\n\n" +
                kObjectToEnd,
            Tail());

  settings.FloorType = 'c';
  settings.SettingsFlags &= ~(FloorYGiven | BackgroundOn);
  EXPECT_EQ(std::string(kModelData) +
                "#declare R7FloorY = R7ModelBBoxMax.y;\n"
                "\n//// Floor\n"
                "object {\n"
                "\tplane { y, R7FloorY hollow }\n"
                "\ttexture { pigment { checker color rgb <0.9,0.1,0.1> color "
                "rgb <0.8,0.8,0.8> scale 20 } }\n"
                "}\n\n" +
                kObjectToEnd,
            Tail());
}

TEST_F(SceneTail, WhichLightsAreWritten) {
  // One -lc light: no defaults.
  lights.AddCoordinate(Vector{1, 2, 3}, Vector{1, 0, 0});
  std::string text = Tail();
  std::string own =
      "\n//// Lights\nlight_source {\n\t<1,2,3>\n\tcolor rgb <1,0,0>\n}\n";
  EXPECT_NE(std::string::npos, text.find(own + "\n//// ModelObject"));
  EXPECT_EQ(1u, lights.Size());

  // -ld: the defaults follow it.
  settings.SettingsFlags |= DefaultLightsToo;
  Tail();
  EXPECT_EQ(4u, lights.Size());

  // A light.dat reference in the model replaces the defaults too.
  lights.Clear();
  settings.SettingsFlags &= ~DefaultLightsToo;
  settings.SettingsFlags |= LightDatFound;
  text = Tail();
  EXPECT_EQ(0u, lights.Size());
  EXPECT_NE(std::string::npos, text.find("\n//// Lights\n\n//// ModelObject"));
}

TEST_F(SceneTail, GlobeLightRadiiAndShadowless) {
  LightList list;
  list.AddGlobe(0, 0, 0);
  list.AddGlobe(0, 0, -50);
  list.AddGlobe(0, 90, 200, Vector{0.5f, 0.5f, 0});
  list.AddGlobe(100, 0, 10);  // latitudes of lights are not clamped
  EXPECT_EQ(
      "\n//// Lights\n"
      "light_source {\n\t<0,-12,-100>  // Latitude,Longitude,Radius: 0,0,100\n"
      "\tcolor rgb <1,1,1>\n\tshadowless\n}\n"
      "light_source {\n\t<0,-12,-150>  // Latitude,Longitude,Radius: 0,0,150\n"
      "\tcolor rgb <1,1,1>\n\tshadowless\n}\n"
      "light_source {\n\t<200,-12,-1.22465e-14>  // Latitude,Longitude,Radius: "
      "0,90,200\n"
      "\tcolor rgb <0.5,0.5,0>\n\tshadowless\n}\n"
      "light_source {\n\t<0,-21.8481,1.73648>  // Latitude,Longitude,Radius: "
      "100,0,10\n"
      "\tcolor rgb <1,1,1>\n\tshadowless\n}\n",
      Lights(list, 100, true));

  // Without a computed camera (-ic) relative radii collapse to the centre.
  LightList one;
  one.AddGlobe(45, 0, 0);
  EXPECT_EQ(
      "\n//// Lights\nlight_source {\n\t<0,-12,0>  // Latitude,Longitude,"
      "Radius: 45,0,0\n\tcolor rgb <1,1,1>\n}\n",
      Lights(one, 0, false));
}

TEST_F(SceneTail, IncludeFilesReplaceCameraAndLights) {
  testing_support::TempDir dir;
  dir.Write("r7pparts/R7END.INC", "// end\n");
  state.r7pparts_dir = dir.path() + "/r7pparts";
  settings.SettingsFlags &= ~(CameraOn | LightsOn);
  settings.IncludeCamera = "my camera.inc";
  settings.IncludeLights = "lights.inc";
  settings.IncludeAtEnd = "end.inc";
  EXPECT_EQ(std::string(kModelData) + "#declare R7FloorY = R7ModelBBoxMax.y;\n" +
                "\n//// IncludeFile Camera\n#include \"my camera.inc\"\n"
                "\n//// IncludeFile Lights\n#include \"lights.inc\"\n"
                "\n//// ModelObject car.ldr\nobject { car_dot_ldr }\n\n\n"
                "\n//// Statistics\n// Model has 1 parts (8 studs)\n"
                "\n//// IncludeFile R7END.INC\n#include \"R7END.INC\"\n"
                "\n//// IncludeFile AtEnd\n#include \"end.inc\"\n"
                "\n//// End\n",
            Tail());

  // -ic and -il without a file, -i3e-: none of them is written.
  settings.IncludeCamera = "";
  settings.IncludeLights.reset();
  settings.IncludeAtEnd.reset();
  settings.IncludeEndFile = 0;
  EXPECT_EQ(std::string(kModelData) + "#declare R7FloorY = R7ModelBBoxMax.y;\n" +
                kObjectToEnd,
            Tail());
}

TEST_F(SceneTail, FailedOrEmptyModelGivesTheErrorBlock) {
  testing_support::TempDir dir;
  std::string path = dir.path() + "/scene.pov";
  auto run = [&](bool failed, std::string* text) {
    FILE* f = fopen(path.c_str(), "w+b");
    fputs("// header\n", f);
    state.DefinesStart = ftell(f);
    fputs("#declare x = 1;\n", f);
    TailResult result = WriteSceneTail(ctx, f, failed, lights, parts);
    fclose(f);
    f = fopen(path.c_str(), "rb");
    char buffer[1024] = {};
    size_t n = fread(buffer, 1, sizeof buffer - 1, f);
    fclose(f);
    *text = std::string(buffer, n);
    return result;
  };
  std::string text;
  EXPECT_EQ(TailResult::kFailed, run(true, &text));
  EXPECT_EQ("// header\n// Error occurred" + std::string(60, ' ') + "!\n", text);

  files.slot(0).elementCount = 0;
  EXPECT_EQ(TailResult::kEmptyModel, run(false, &text));
  EXPECT_EQ("// header\n// Empty model" + std::string(63, ' ') + "!\n", text);

  files.slot(0).elementCount = 3;
  files.slot(0).flags &= ~HAS_BBOX;
  EXPECT_EQ(TailResult::kEmptyModel, run(false, &text));
  EXPECT_EQ("// header\n// Empty model" + std::string(63, ' ') + "!\n", text);
  EXPECT_TRUE(lights.Empty());
}

TEST_F(SceneTail, FileWarningsAspectRatioAndCameraPoints) {
  DatFile* unread = files.GetOrAddFile(false, "missing.dat");
  DatFile* half = files.GetOrAddFile(false, "3001.dat");
  half->flags |= READ;
  half->writeMark = 'N';
  DatFile* unwritten = files.GetOrAddFile(false, "3002.dat");
  unwritten->flags |= READ | DONE;
  ASSERT_NE(nullptr, unread);
  settings.AspectRatio = 1.5f;
  settings.SettingsFlags &= ~(CameraOn | LightsOn);
  wants_points = true;
  std::string text = Tail();
  EXPECT_NE(std::string::npos,
            text.find("// Model has 1 parts (8 studs)\n"
                      "// WARNING: missing.dat not read\n"
                      "// WARNING: missing.dat not resolved\n"
                      "// WARNING: missing.dat not written to POV file\n"
                      "// WARNING: 3001.dat not resolved\n"
                      "// WARNING: 3002.dat not written to POV file\n"
                      "\n//// End\n"));
  EXPECT_EQ("Remember to use aspect ratio 1.5 for size of rendering.\n",
            messages.text());
  // An automatic camera that saw no point gets the model box corners.
  ASSERT_EQ(8u, offered.size());
  EXPECT_EQ(-10, offered[0].x);
  EXPECT_EQ(10, offered[1].x);
  EXPECT_EQ(0, offered[2].y);
  EXPECT_EQ(20, offered[4].z);
  EXPECT_EQ(-24, offered[4].y);
  EXPECT_EQ(10, offered[7].x);
}

// A complete scene as the converter writes it, rendered by POV-Ray: every
// macro, every finish and the default texture for luminous and transparent
// chrome colours must parse.
TEST_F(SceneTail, FullSceneRendersWithPovray) {
  if (!testing_support::HavePovray()) GTEST_SKIP() << "povray not installed";
  AddColour(4, "Red", 0xC91A09);
  AddColour(36, "Trans_Red", 0xC91A09, 0x08, 128);
  AddColour(21, "Glow_In_Dark_Opaque", 0xE0FFB0, 0x10, 0, 15);
  AddColour(79, "Milky_White", 0xFFFFFF, 0x08 | 0x10, 224, 15);
  AddColour(60, "Trans_Chrome", 0xC0C0C0, 0x08 | 0x01, 128);
  AddColour(383, "Chrome_Silver", 0xE0E0E0, 0x01);
  AddColour(65, "Rubber", 0x303030, 0x03);
  state.header.banner = "R7P test";
  state.header_lines = "// Commandline: r7p\n";
  for (int colour : {4, 36, 21, 79, 60, 383, 65, 0x2FF8000, 0x3FF8000})
    files.AddUsedColour(colour);
  settings.SettingsFlags |= Bumps;
  settings.Quality = 3;
  parts.camera_text =
      "\n//// Camera\ncamera { location <0,-60,-120> look_at <0,-12,0> }\n";
  testing_support::TempDir dir;
  std::string path = dir.path() + "/scene.pov";
  FILE* f = fopen(path.c_str(), "wb");
  ASSERT_NE(nullptr, f);
  WriteSceneHeader(ctx, f);
  FlushColourTextures(ctx, f);
  fputs("\n//// Model car.ldr\n#ifndef (car_dot_ldr)\n#declare car_dot_ldr = union {\n",
        f);
  int x = -40;
  for (int colour : {4, 36, 21, 79, 60, 383, 65}) {
    fprintf(f, "\tsphere { <%d,-12,0>, 5 %s }\n", x, MaterialText(colour, false).c_str());
    x += 12;
  }
  fprintf(f, "\tbox { <-10,-24,10>, <10,0,20> %s }\n",
          MaterialText(0x3FF8000, true).c_str());
  fprintf(f, "\tbox { <-10,-24,30>, <10,0,40> %s }\n",
          MaterialText(0x2FF8000, false).c_str());
  fputs("}\n#end // ifndef (car_dot_ldr)\n\n", f);
  settings.FloorType = 'c';
  ASSERT_EQ(TailResult::kWritten, WriteSceneTail(ctx, f, false, lights, parts));
  fclose(f);

  std::string messages_of_povray;
  int status = testing_support::RenderWithPovray(path, &messages_of_povray);
  EXPECT_EQ(0, status) << messages_of_povray;
  EXPECT_EQ(std::string::npos, messages_of_povray.find("Parse Error"))
      << messages_of_povray;
}
