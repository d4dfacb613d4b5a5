// The built program on the real LDraw library, with POV-Ray as the judge:
// every library model converts, every scene parses and renders, and the
// part and stud totals agree with an independent count.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "pov/primitive_subst.h"
#include "tests/part_count.h"
#include "tests/test_support.h"

namespace fs = std::filesystem;
using testing_support::CleanLdrawEnv;
using testing_support::Occurrences;
using testing_support::ReadFileText;
using testing_support::RunResult;
using testing_support::ShellQuote;
using testing_support::TempDir;

namespace {

std::string ModelsDir() { return testing_support::SharedLibrary() + "/models"; }

std::vector<std::string> LibraryModels() {
  std::vector<std::string> models;
  std::error_code ec;
  for (fs::directory_iterator it(ModelsDir(), ec), end; !ec && it != end;
       it.increment(ec))
    if (it->is_regular_file()) models.push_back(it->path().string());
  std::sort(models.begin(), models.end());
  return models;
}

std::string Stem(const std::string& path) { return fs::path(path).stem().string(); }

// One conversion in its own folder, with a clean environment: no LDraw.ini
// from the machine, no search list, a fixed date in the header.
struct Conversion {
  TempDir work;
  TempDir home;
  RunResult run;
  std::string scene_path;
  std::string scene;
};

void Convert(Conversion& c, const std::string& model, const std::string& options) {
  std::string args = "-ldd" + ShellQuote(testing_support::SharedLibrary()) + " " +
                     options + " " + ShellQuote(model);
  c.run = testing_support::RunR7p(args, c.work.path(), CleanLdrawEnv(c.home.path()));
  c.scene_path = c.work.path() + "/" + Stem(model) + ".pov";
  c.scene = ReadFileText(c.scene_path);
}

// The lines of POV-Ray's messages that report an error, with the lines that
// follow them (POV-Ray puts the offending text and the reason there).
std::string PovrayErrors(int status, const std::string& log) {
  std::string errors;
  size_t at = 0;
  while ((at = log.find("Error", at)) != std::string::npos) {
    size_t begin = log.rfind('\n', at);
    begin = begin == std::string::npos ? 0 : begin + 1;
    size_t end = begin;
    for (int lines = 0; lines < 4 && end != std::string::npos; ++lines)
      end = log.find('\n', end + 1);
    errors += log.substr(begin, end == std::string::npos ? std::string::npos
                                                         : end - begin) +
              "\n";
    at = end == std::string::npos ? log.size() : end;
  }
  if (status != 0 && errors.empty())
    errors = "povray exit status " + std::to_string(status) + ":\n" +
             log.substr(log.size() > 2000 ? log.size() - 2000 : 0);
  return errors;
}

// Renders and reports every POV-Ray error as a test failure.
void ExpectRenders(const std::string& scene, const std::string& extra,
                   const std::string& what) {
  std::string log;
  int status = testing_support::RenderWithPovray(scene, &log, "+Q3 " + extra);
  std::string errors = PovrayErrors(status, log);
  EXPECT_TRUE(errors.empty()) << what << ": POV-Ray failed on " << scene
                              << "\n" << errors;
}

// "Model has %u parts (%u studs)" after `prefix` at the start of a line.
bool FindModelLine(const std::string& text, const std::string& prefix,
                   unsigned* parts, unsigned* studs) {
  std::string key = "\n" + prefix + "Model has ";
  size_t at = ("\n" + text).find(key);
  if (at == std::string::npos) return false;
  return sscanf(text.c_str() + at + prefix.size(), "Model has %u parts (%u studs)",
                parts, studs) == 2;
}

bool ConvertedOk(const Conversion& c) {
  return c.run.status == 0 &&
         c.run.err.find("POV file successfully written: ") != std::string::npos &&
         !c.scene.empty();
}

std::string Describe(const Conversion& c) {
  return "exit " + std::to_string(c.run.status) + "\n--- stderr:\n" +
         c.run.err.substr(0, 3000) + "\n--- stdout:\n" + c.run.out.substr(0, 3000);
}

bool ReplacedByPovSolid(const std::string& name) {
  return FindPovEquivalent(name).has_value();
}

TEST(EndToEnd, EveryLibraryModelConvertsAndRenders) {
  R7P_REQUIRE_SHARED_LIBRARY();
  if (!testing_support::HavePovray()) GTEST_SKIP() << "povray is not installed";
  std::vector<std::string> models = LibraryModels();
  ASSERT_FALSE(models.empty());
  for (const std::string& model : models) {
    SCOPED_TRACE(model);
    Conversion c;
    Convert(c, model, "");
    ASSERT_TRUE(ConvertedOk(c)) << Describe(c);
    EXPECT_NE(c.run.err.find("Processing "), std::string::npos);
    EXPECT_NE(c.scene.find("\n//// End\n"), std::string::npos)
        << "the scene has no closing section";
    ExpectRenders(c.scene_path, "", Stem(model));
  }
}

TEST(EndToEnd, PartAndStudTotalsMatchAnIndependentCount) {
  R7P_REQUIRE_SHARED_LIBRARY();
  struct Case {
    const char* options;
    bool pov_solids;  // primitives with POV-Ray solids are not read
  };
  // -p reads every primitive, so studs reached through stud primitives
  // that would otherwise be replaced count as well.
  const Case cases[] = {{"", true}, {"-p", false}};
  for (const Case& run_case : cases) {
    for (const std::string& model : LibraryModels()) {
      SCOPED_TRACE(model + " " + run_case.options);
      Conversion c;
      Convert(c, model, run_case.options);
      ASSERT_TRUE(ConvertedOk(c)) << Describe(c);
      testing_support::PartCounter counter(
          testing_support::SharedLibrary(),
          run_case.pov_solids ? ReplacedByPovSolid
                              : std::function<bool(const std::string&)>());
      testing_support::PartTally expected = counter.Count(model);
      ASSERT_TRUE(expected.ok);
      unsigned parts = 0, studs = 0;
      ASSERT_TRUE(FindModelLine(c.run.err, "", &parts, &studs)) << c.run.err;
      EXPECT_EQ(parts, expected.parts) << "parts on the message stream";
      EXPECT_EQ(studs, expected.studs) << "studs on the message stream";
      unsigned scene_parts = 0, scene_studs = 0;
      ASSERT_TRUE(FindModelLine(c.scene, "// ", &scene_parts, &scene_studs));
      EXPECT_EQ(scene_parts, expected.parts) << "parts in the scene";
      EXPECT_EQ(scene_studs, expected.studs) << "studs in the scene";
    }
  }
}

TEST(EndToEnd, CountsFollowSubModelsSectionsAndFolders) {
  // A small library of its own, where the totals can be worked out by hand.
  TempDir library;
  const char* placed = "1 16 0 0 0 1 0 0 0 1 0 0 0 1 ";
  library.Write("p/stud.dat", "0 Stud\n0 !LDRAW_ORG Primitive\n4 16 -6 0 -6 6 0 -6 6 0 6 -6 0 6\n");
  library.Write("p/stud4.dat", "0 Stud Tube\n0 !LDRAW_ORG Primitive\n4 16 -8 0 -8 8 0 -8 8 0 8 -8 0 8\n");
  library.Mkdir("models");
  // a.dat: a part with two studs; s\asub.dat: a subpart with one stud;
  // b.dat: the subpart and a stud tube (two studs).
  library.Write("parts/a.dat", std::string("0 Brick A\n") + placed + "stud.dat\n" +
                                   placed + "STUD.DAT\n3 16 0 0 0 1 0 0 0 0 1\n");
  library.Write("parts/s/asub.dat", std::string("0 ~Sub\n") + placed + "stud.dat\n");
  library.Write("parts/b.dat", std::string("0 Brick B\n") + placed + "s\\asub.dat\n" +
                                   placed + "stud4.dat\n");
  TempDir project;
  // local.ldr lies beside the model, but its header makes it a part.
  project.Write("local.ldr", std::string("0 Local\n0 !LDRAW_ORG Part\n") + placed + "a.dat\n");
  std::string model = project.Write(
      "main.mpd",
      std::string("0 FILE main.ldr\n0 Main\n") +
          placed + "a.dat\n" +                                    // 1 part, 2 studs
          placed + "sub.ldr\n" + placed + "Sub.ldr\n" +          // 2 x (2 parts, 4 studs)
          "1 16 0 0 0 0 0 0 0 0 0 0 0 0 b.dat\n" +                // singular: left out
          placed + "missing.dat\n" +                              // nothing
          placed + "stud.dat\n" +                                 // a primitive: 1 stud
          placed + "s/asub.dat\n" +                               // 1 part, 1 stud
          placed + "local.ldr\n" +                                // 1 part, 2 studs
          "0 FILE sub.ldr\n" + placed + "b.dat\n" + placed + "a.dat\n" +
          "0 FILE sub.ldr\n" + placed + "a.dat\n");              // repeated: dropped
  const unsigned kParts = 7;
  const unsigned kStuds = 14;

  testing_support::PartCounter counter(library.path(), ReplacedByPovSolid);
  testing_support::PartTally tally = counter.Count(model);
  ASSERT_TRUE(tally.ok);
  EXPECT_EQ(tally.parts, kParts);
  EXPECT_EQ(tally.studs, kStuds);

  Conversion c;
  c.run = testing_support::RunR7p(
      "-ldd" + ShellQuote(library.path()) + " " + ShellQuote(model), c.work.path(),
      CleanLdrawEnv(c.home.path()));
  c.scene = ReadFileText(c.work.path() + "/main.pov");
  ASSERT_TRUE(ConvertedOk(c)) << Describe(c);
  EXPECT_NE(c.run.err.find("Could not find missing.dat Referenced by main.mpd"),
            std::string::npos)
      << c.run.err;
  unsigned parts = 0, studs = 0;
  ASSERT_TRUE(FindModelLine(c.run.err, "", &parts, &studs)) << c.run.err;
  EXPECT_EQ(parts, kParts);
  EXPECT_EQ(studs, kStuds);
}

TEST(EndToEnd, OptionSetsGiveScenesThatRender) {
  R7P_REQUIRE_SHARED_LIBRARY();
  if (!testing_support::HavePovray()) GTEST_SKIP() << "povray is not installed";
  struct Case {
    const char* options;
    std::vector<const char*> expected;  // texts the scene must hold
    const char* povray;                 // extra POV-Ray options
    bool multi_part_too;                // also on the multi-part model
  };
  const Case cases[] = {
      {"-q0", {"#declare R7Quality = 0;"}, "", true},
      {"-q4 -bu", {"#declare R7Quality = 4;", "#declare R7Bumps = 1;"}, "", true},
      {"-sw0 -studs0", {"#declare R7SW = 0;", "#declare R7Studs = 0;"}, "", true},
      {"-f -b",
       {"\n//// Floor\n", "finish { ambient 0.4 diffuse 0.4 }",
        "background { color rgb <0.3,0.8,1>}"},
       "", false},
      {"-fc-20 -bRed",
       {"#declare R7FloorY = -20; // -f\n", "pigment { checker", "\n//// Background\n"},
       "", false},
      {"-lc0,-500,0,4 -lg30,120,0", {"\n//// Lights\n"}, "", true},
      {"-lg45,0,-50,#FFCC00 -ld -lsl", {"shadowless"}, "", false},
      {"-cg20,-135,600", {"R7Location"}, "", true},
      {"-cg60,200,-30 -csl",
       {"#declare R7PercentageBack = 30;", "\t#declare R7StereoView = -R7StereoAngle/2;"},
       "", false},
      {"-cc200,-300,-400 -cla0,-20,0", {"// -cla\n"}, "", true},
      {"-ca40 -cra15 -cpct20",
       {"#declare R7ViewingAngle = 40;", "#declare R7PercentageBack = 20;"}, "", false},
      {"-car1.5", {"#declare R7AspectRatio = 1.5;"}, "+W180 +H120", false},
      {"-csky1,-1,0", {"\t#declare R7Sky = "}, "", false},
      {"-ee -sw0", {"#declare R7SW = 0;"}, "", true},
      {"-ee0.5,4", {"#declare R7Quality = 2;"}, "", false},
      {"-sc", {"#if (clock > 1)"}, "+K0", false},
      {"-sc", {"#if (clock > 1)"}, "+K2.5", true},
      {"-sc", {"#if (clock > 1)"}, "+K1000", false},
      {"-scm", {"#if (clock > 1)"}, "+K1.5", true},
      {"-enp -c4", {"\n//// ModelObject "}, "", false},
  };
  for (const Case& run_case : cases) {
    std::vector<std::string> models = {ModelsDir() + "/car.ldr"};
    if (run_case.multi_part_too) models.push_back(ModelsDir() + "/889-1-RadarTruck.mpd");
    for (const std::string& model : models) {
      SCOPED_TRACE(Stem(model) + " " + run_case.options + " " + run_case.povray);
      Conversion c;
      Convert(c, model, run_case.options);
      ASSERT_TRUE(ConvertedOk(c)) << Describe(c);
      for (const char* text : run_case.expected)
        EXPECT_NE(c.scene.find(text), std::string::npos) << "missing: " << text;
      ExpectRenders(c.scene_path, run_case.povray,
                    std::string(run_case.options) + " " + run_case.povray);
    }
  }
}

TEST(EndToEnd, LightOptionsDecideWhichLightsAreWritten) {
  R7P_REQUIRE_SHARED_LIBRARY();
  const std::string model = ModelsDir() + "/car.ldr";
  struct Case {
    const char* options;
    size_t lights;
  };
  const Case cases[] = {
      {"", 3},                          // the default lights
      {"-lc0,-500,0", 1},               // an own light replaces them
      {"-lc0,-500,0,4 -lg30,120,0", 2},
      {"-lg30,120,0 -ld", 4},           // -ld keeps the defaults too
      {"-il", 0},                       // no lights at all
  };
  for (const Case& run_case : cases) {
    SCOPED_TRACE(run_case.options);
    Conversion c;
    Convert(c, model, run_case.options);
    ASSERT_TRUE(ConvertedOk(c)) << Describe(c);
    EXPECT_EQ(Occurrences(c.scene, "light_source {"), run_case.lights);
  }
}

TEST(EndToEnd, OrthographicCameraSceneStopsPovrayOnPurpose) {
  R7P_REQUIRE_SHARED_LIBRARY();
  for (const char* options : {"-co", "-co2.5 -cla0,0,0 -cc100,-100,100"}) {
    SCOPED_TRACE(options);
    Conversion c;
    Convert(c, ModelsDir() + "/pyramid.ldr", options);
    ASSERT_TRUE(ConvertedOk(c)) << Describe(c);
    EXPECT_NE(c.scene.find("\t#declare R7Orthographic = 1; // Set to 1 for "
                           "orthographic view\n"),
              std::string::npos);
    EXPECT_NE(c.scene.find("\t#if (R7Orthographic)\n\n\t\t#error \"* * doesn't "
                           "work yet...\"\n\n\t\torthographic\n"),
              std::string::npos);
  }
}

TEST(EndToEnd, ConversionsAreRepeatableAndGuardTheirScene) {
  R7P_REQUIRE_SHARED_LIBRARY();
  const std::string model = ModelsDir() + "/4838-1-MiniVehicles.mpd";
  Conversion c;
  Convert(c, model, "");
  ASSERT_TRUE(ConvertedOk(c)) << Describe(c);
  const std::string first = c.scene;

  // A second run without -o refuses to touch the scene.
  Convert(c, model, "");
  EXPECT_EQ(c.run.status, 1);
  EXPECT_NE(c.run.err.find("already exists, use option -o to overwrite"),
            std::string::npos)
      << c.run.err;
  EXPECT_EQ(c.scene, first);

  // With -o and the same date the scene is the same, byte for byte (the
  // command line in the header differs only by the -o).
  Convert(c, model, "-o");
  ASSERT_TRUE(ConvertedOk(c)) << Describe(c);
  std::string again = c.scene;
  size_t option = again.find(" -o ");
  ASSERT_NE(option, std::string::npos);
  again.erase(option, 3);
  EXPECT_EQ(again, first);

  // -stdout puts the status lines on standard output.
  Conversion d;
  d.run = testing_support::RunR7p(
      "-stdout -ldd" + ShellQuote(testing_support::SharedLibrary()) + " " +
          ShellQuote(model),
      d.work.path(), CleanLdrawEnv(d.home.path()));
  EXPECT_EQ(d.run.status, 0) << d.run.err;
  EXPECT_NE(d.run.out.find("POV file successfully written: "), std::string::npos);
  EXPECT_EQ(d.run.err.find("POV file successfully written: "), std::string::npos);
}

}  // namespace
