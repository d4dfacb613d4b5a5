// The lean scene (-lean) must show POV-Ray exactly the picture of the
// normal scene: every library model under the option sets that change what
// the scene declares and names, rendered small to PPM and compared pixel by
// pixel.
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/test_support.h"

namespace fs = std::filesystem;
using testing_support::PovrayPathOption;
using testing_support::ShellQuote;
using testing_support::TempDir;

namespace {

// The pixels of a binary PPM: what follows the magic number, the size and
// the maximum value, and the comments between them (POV-Ray writes the date
// of the render there). Empty when the file is no PPM.
std::string PpmPixels(const std::string& ppm) {
  if (ppm.compare(0, 2, "P6") != 0) return "";
  size_t at = 2;
  for (int numbers = 0; numbers < 3; ++numbers) {
    for (;;) {
      at = ppm.find_first_not_of(" \t\r\n", at);
      if (at == std::string::npos) return "";
      if (ppm[at] != '#') break;
      at = ppm.find('\n', at);
    }
    at = ppm.find_first_not_of("0123456789", at);
    if (at == std::string::npos) return "";
  }
  return ppm.substr(at + 1);
}

// Converts `model` into `dir`/scene.pov and renders it to `dir`/scene.ppm;
// returns the pixels, or a message starting with "failed: ".
std::string ConvertAndRender(const std::string& model, const std::string& options,
                             const std::string& povray, const TempDir& dir) {
  TempDir home;
  auto run = testing_support::RunR7p(
      "-ldd" + ShellQuote(testing_support::SharedLibrary()) + " " + options + " " +
          ShellQuote(model) + " scene.pov",
      dir.path(), testing_support::CleanLdrawEnv(home.path()));
  if (run.status != 0) return "failed: r7p " + options + "\n" + run.err;
  std::string log;
  const std::string image = dir.path() + "/scene.ppm";
  if (testing_support::RenderWithPovray(dir.path() + "/scene.pov", &log,
                                        "+FP " + povray, image) != 0)
    return "failed: povray\n" + log.substr(log.size() > 2000 ? log.size() - 2000 : 0);
  std::string pixels = PpmPixels(testing_support::ReadFileText(image));
  return pixels.empty() ? "failed: no PPM picture" : pixels;
}

// The golden LGEO set (two bricks, three colours) with the LGEO studs that
// replace LDraw's stud primitives.
void WriteLgeoSet(const TempDir& dir) {
  fs::copy(std::string(R7P_SOURCE_DIR) + "/tests/golden/lgeo", dir.path());
  std::string defs = testing_support::ReadFileText(dir.path() + "/lg_defs.inc");
  dir.Write("lg_defs.inc",
            defs +
                "#declare LG_PLATE_INNER_HEIGHT = 0.16;\n"
                "#declare lg_knob = cylinder { <0,0,0>, <0,0,0.17>, 0.24 }\n"
                "#declare lg_tech_knob = difference { object { lg_knob } "
                "cylinder { <0,0,-1>, <0,0,1>, 0.12 } }\n"
                "#declare lg_plate_cylinder = cylinder { <0,0,0>, <0,0,0.16>, 0.32 }\n");
}

TEST(LeanSceneRender, EveryLibraryModelGivesTheSamePixelsAsTheNormalScene) {
  R7P_REQUIRE_SHARED_LIBRARY();
  if (!testing_support::HavePovray()) GTEST_SKIP() << "povray is not installed";
  TempDir lgeo_set;
  WriteLgeoSet(lgeo_set);
  const std::string& lgeo = lgeo_set.path();
  struct OptionSet {
    std::string r7p;     // the conversion's options
    std::string povray;  // the render's
  };
  // The step clock at 2.5 shows the first steps and skips the others, with
  // the #undef lines inside them.
  const OptionSet sets[] = {
      {"", ""},
      {"-q3", ""},
      {"-lgeo -lgd" + ShellQuote(lgeo), PovrayPathOption("+L", lgeo)},
      {"-sc", "+K2.5"},
      {"-l", ""},
  };
  std::vector<std::string> models;
  for (const auto& entry :
       fs::directory_iterator(testing_support::SharedLibrary() + "/models"))
    if (entry.is_regular_file()) models.push_back(entry.path().string());
  std::sort(models.begin(), models.end());
  ASSERT_FALSE(models.empty());
  for (const std::string& model : models) {
    for (const OptionSet& set : sets) {
      SCOPED_TRACE(fs::path(model).filename().string() + " " + set.r7p);
      TempDir normal_dir, lean_dir;
      const std::string normal = ConvertAndRender(model, set.r7p, set.povray, normal_dir);
      const std::string lean =
          ConvertAndRender(model, set.r7p + " -lean", set.povray, lean_dir);
      ASSERT_EQ(normal.rfind("failed: ", 0), std::string::npos) << normal;
      ASSERT_EQ(lean.rfind("failed: ", 0), std::string::npos) << lean;
      EXPECT_EQ(normal.size(), lean.size());
      EXPECT_TRUE(normal == lean) << "the pictures differ";
    }
  }
}

}  // namespace
