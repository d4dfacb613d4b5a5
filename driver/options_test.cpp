#include "driver/options.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/test_support.h"

namespace {

// A stand-in for the colour table: numbers below 512, a few names (which
// need the library, as real names do), "r,g,b" and nothing else.
int FakeColour(const char* text, int* number, Vector* rgb, bool* library) {
  if (*text == '\0') return 0;
  float r, g, b;
  if (sscanf(text, "%f,%f,%f", &r, &g, &b) == 3) {
    if (number != nullptr) {
      if (r < 0 || r > 1 || g < 0 || g > 1 || b < 0 || b > 1) return -1;
      *number = 0x2000000;
    }
    if (rgb != nullptr) *rgb = Vector{r, g, b};
    return 1;
  }
  char* end = nullptr;
  long value = strtol(text, &end, 0);
  if (*end == '\0' && value >= 0 && value < 512) {
    if (number != nullptr) *number = static_cast<int>(value);
    if (rgb != nullptr) *rgb = Vector{0.5f, 0.5f, static_cast<float>(value)};
    return 1;
  }
  const char* names[] = {"black", "red", "q"};
  const int codes[] = {0, 4, -1};
  for (int i = 0; i < 3; ++i) {
    if (strcasecmp(text, names[i]) != 0) continue;
    *library = true;
    if (codes[i] < 0) return -1;
    if (number != nullptr) *number = codes[i];
    return 1;
  }
  return -1;
}

class FakeLibrary : public OptionLibrary {
 public:
  ColourArgument ParseColour(const char* text, int* number, Vector* rgb) override {
    int taken = FakeColour(text, number, rgb, &set_up);
    if (taken > 0) return ColourArgument::kTaken;
    return taken == 0 ? ColourArgument::kEmpty : ColourArgument::kBad;
  }
  bool LibrarySetUp() override { return set_up; }

  bool set_up = false;
};

class OptionsTest : public ::testing::Test {
 protected:
  OptionsTest() {
    diag_.message_stream = messages_.get();
    diag_.stdout_first = true;
  }

  ImmediateAction Parse(std::vector<const char*> args) {
    args.insert(args.begin(), "r7p");
    return ParseArguments(static_cast<int>(args.size()), args.data(),
                          OptionTargets{s_, sw_, lights_, diag_}, library_);
  }
  void Check() { CheckOptions(s_, sw_, diag_); }

  Settings s_;
  RunSwitches sw_;
  LightList lights_;
  Diagnostics diag_;
  FakeLibrary library_;
  testing_support::MemoryFile messages_;
};

std::string Escape(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (strchr("\\^$.|?*+()[]{}", c) != nullptr) out += '\\';
    out += c;
  }
  return out;
}

// Runs `args` in a child and expects exactly "*** <message>.\n" and status 1.
#define EXPECT_FATAL(args, message)                                          \
  EXPECT_EXIT(                                                               \
      {                                                                      \
        diag_.message_stream = stderr;                                       \
        Parse(args);                                                         \
        Check();                                                             \
      },                                                                     \
      ::testing::ExitedWithCode(1), "^" + Escape(std::string("*** ") + (message) + ".\n") + "$")

using Args = std::vector<const char*>;

using OptionsDeathTest = OptionsTest;

TEST_F(OptionsTest, Defaults) {
  EXPECT_EQ(Parse({}), ImmediateAction::kNone);
  Check();
  EXPECT_EQ(s_.SettingsFlags, 0x30003u);
  EXPECT_EQ(s_.SubstitutionOrder, "P3");
  EXPECT_EQ(s_.Quality, 2);
  EXPECT_EQ(diag_.warning_level, 0);
  EXPECT_EQ(messages_.text(), "");
}

TEST_F(OptionsTest, FileNames) {
  Parse({"model.ldr", "-q3", "out"});
  EXPECT_EQ(sw_.ModelPath, "model.ldr");
  EXPECT_EQ(sw_.PovPath, "out");
  EXPECT_EQ(s_.Quality, 3);
}

TEST_F(OptionsDeathTest, FileNamesAndLongArguments) {
  EXPECT_FATAL((Args{"a", "b", "c"}), "Too many filenames");
  std::string huge(10000, '7');
  std::string option = "-q" + huge;
  EXPECT_FATAL((Args{option.c_str()}),
               "Argument too long '-q" + std::string(38, '7') +
                   "...' (10002 characters, at most 4095)");
  std::string model(5000, 'm');
  EXPECT_FATAL((Args{model.c_str()}),
               "Argument too long '" + std::string(40, 'm') +
                   "...' (5000 characters, at most 4095)");
}

TEST_F(OptionsTest, Quality) {
  Parse({"-q4"});
  EXPECT_EQ(s_.Quality, 4);
  Parse({"-q2.5"});
  EXPECT_EQ(s_.Quality, 2);
  Parse({"-q 0"});
  EXPECT_EQ(s_.Quality, 0);
}

TEST_F(OptionsDeathTest, QualityOutOfRange) {
  EXPECT_FATAL((Args{"-q5"}), "Bad argument '-q5'");
  EXPECT_FATAL((Args{"-q-1"}), "Bad argument '-q-1'");
  EXPECT_FATAL((Args{"-qx"}), "Bad argument '-qx'");
  EXPECT_FATAL((Args{"-q"}), "Bad argument '-q'");
}

TEST_F(OptionsTest, WarningLevel) {
  Parse({"-w"});
  EXPECT_EQ(diag_.warning_level, 1);
  Parse({"-w7"});
  EXPECT_EQ(diag_.warning_level, 7);
  Parse({"-check", "-w0"});
  EXPECT_EQ(diag_.warning_level, 0);
  EXPECT_TRUE(sw_.CheckMode);
  Parse({"-w0", "-check"});
  EXPECT_EQ(diag_.warning_level, 1);
}

TEST_F(OptionsTest, CameraPositions) {
  Parse({"-cg30,45"});
  EXPECT_EQ(s_.CameraPos.x, 30);
  EXPECT_EQ(s_.CameraPos.y, 45);
  EXPECT_EQ(s_.CameraPos.z, 0);
  Parse({"-cc1,2,3"});
  EXPECT_FALSE(s_.Has(CameraGlobe));
  EXPECT_EQ(s_.CameraPos.z, 3);
  Parse({"-cg10,20,-30"});
  EXPECT_TRUE(s_.Has(CameraGlobe));
  EXPECT_EQ(s_.CameraPos.z, -30);
  // With -cc a look-at point is fine.
  Parse({"-cc1,2,3", "-cla0,0,0"});
  Check();
  EXPECT_TRUE(s_.Has(LookAtGiven));
}

TEST_F(OptionsDeathTest, CameraErrors) {
  EXPECT_FATAL((Args{"-cg30"}), "Bad arguments '-cg30'");
  EXPECT_FATAL((Args{"-cc1,2"}), "Bad arguments '-cc1,2'");
  EXPECT_FATAL((Args{"-cla0,0,0"}), "-cla requires -cg with positive radius or -cc");
  EXPECT_FATAL((Args{"-cg1,2,0", "-cla0,0,0"}),
               "-cla requires -cg with positive radius or -cc");
  EXPECT_FATAL((Args{"-cl0,0,0"}), "Bad argument '-cl0,0,0'");
  EXPECT_FATAL((Args{"-cla0,0"}), "Bad arguments '-cla0,0'");
  EXPECT_FATAL((Args{"-cra10", "-csky0,1,0"}), "-cra and -csky are mutually exclusive");
  EXPECT_FATAL((Args{"-csky0,0,0"}), "Sky vector is zero '-csky0,0,0'");
  EXPECT_FATAL((Args{"-csk0,1,0"}), "Bad arguments '-csk0,1,0'");
  EXPECT_FATAL((Args{"-ca180"}), "Bad argument '-ca180'");
  EXPECT_FATAL((Args{"-ca0"}), "Bad argument '-ca0'");
  EXPECT_FATAL((Args{"-cpa30"}), "Bad argument '-cpa30'");
  EXPECT_FATAL((Args{"-cpc5"}), "Bad argument '-cpc5'");
  EXPECT_FATAL((Args{"-car0"}), "Bad argument '-car0'");
  EXPECT_FATAL((Args{"-csa180"}), "Bad argument '-csa180'");
  EXPECT_FATAL((Args{"-cred"}), "Bad argument '-cred'");
  EXPECT_FATAL((Args{"-canan"}), "Bad argument '-canan'");
  EXPECT_FATAL((Args{"-swinf"}), "Bad argument '-swinf'");
  EXPECT_FATAL((Args{"-sw"}), "Bad argument '-sw'");
}

TEST_F(OptionsTest, CameraValues) {
  Parse({"-ca179.9", "-cpa29", "-car1.5", "-csa10", "-cra5", "-cpct25", "-co2",
         "-csl", "-csr"});
  EXPECT_FLOAT_EQ(s_.CameraAngle, 179.9f);
  EXPECT_FLOAT_EQ(sw_.CoplanarAngle, 29);
  EXPECT_FLOAT_EQ(s_.AspectRatio, 1.5f);
  EXPECT_FLOAT_EQ(s_.StereoAngle, 10);
  EXPECT_FLOAT_EQ(s_.RollAngle, 5);
  EXPECT_FLOAT_EQ(s_.CameraPercent, 25);
  EXPECT_FLOAT_EQ(s_.OrthoScale, 2);
  EXPECT_TRUE(s_.Has(Orthographic) && s_.Has(StereoLeft) && s_.Has(StereoRight));
  Parse({"-csky0,-3,4"});
  EXPECT_FLOAT_EQ(s_.Sky[0], 0);
  EXPECT_FLOAT_EQ(s_.Sky[1], -0.6f);
  EXPECT_FLOAT_EQ(s_.Sky[2], 0.8f);
  EXPECT_TRUE(s_.Has(SkyGiven));
  Parse({"-co"});
  EXPECT_FLOAT_EQ(s_.OrthoScale, 2);  // no number: unchanged
}

TEST_F(OptionsTest, SubstitutionOrder) {
  Parse({"-lgeo", "-ax"});
  EXPECT_EQ(s_.SubstitutionOrder, "P3LA");
  s_ = Settings();
  Parse({"-ax", "-lgeo", "-lgeo", "-ax"});
  EXPECT_EQ(s_.SubstitutionOrder, "P3AL");
  EXPECT_EQ(messages_.text(),
            "Warning: -lgeo already met.\nWarning: -ax already met.\n");
  Parse({"-p", "-p", "-p3", "-p3"});
  EXPECT_EQ(s_.SubstitutionOrder, "AL");
  EXPECT_EQ(messages_.text(),
            "Warning: -lgeo already met.\nWarning: -ax already met.\n"
            "Warning: -p already met.\nWarning: -p3 already met.\n");
  EXPECT_TRUE(AddOrderLetter(s_, 'P'));
  EXPECT_EQ(s_.SubstitutionOrder, "ALP");
  EXPECT_TRUE(RemoveOrderLetter(s_, 'L'));
  EXPECT_EQ(s_.SubstitutionOrder, "AP");
  EXPECT_FALSE(RemoveOrderLetter(s_, 'L'));
}

TEST_F(OptionsTest, LgeoColourBits) {
  Parse({"-nolgc"});
  Check();
  EXPECT_FALSE(s_.Has(LgeoColors) || s_.Has(LgeoFinishes));  // no LGEO in use
  Parse({"-lgeo"});
  Check();
  EXPECT_FALSE(s_.Has(LgeoColors));
  EXPECT_TRUE(s_.Has(LgeoFinishes));
  sw_ = RunSwitches();
  Parse({"-nolgcf"});
  Check();
  EXPECT_FALSE(s_.Has(LgeoColors) || s_.Has(LgeoFinishes));
  sw_ = RunSwitches();
  Check();
  EXPECT_TRUE(s_.Has(LgeoColors) && s_.Has(LgeoFinishes));
}

TEST_F(OptionsTest, EdgeLines) {
  Parse({"-ee"});
  Check();
  EXPECT_FLOAT_EQ(s_.EdgeWidth, 0.3f);
  EXPECT_EQ(s_.EdgeColor, 0);
  EXPECT_EQ(messages_.text(), "-ee should be used together with -sw0\n");
  Parse({"-ee0.5,4", "-sw0", "-lgeo"});
  Check();
  EXPECT_FLOAT_EQ(s_.EdgeWidth, 0.5f);
  EXPECT_EQ(s_.EdgeColor, 4);
  EXPECT_EQ(messages_.text(), "-ee should be used together with -sw0\n"
                              "-ee should not be used together with -lgeo\n");
  Parse({"-ee,4"});  // no width, so no colour either
  EXPECT_EQ(s_.EdgeColor, 0);
}

TEST_F(OptionsTest, Colours) {
  Parse({"-b"});
  EXPECT_TRUE(s_.Has(BackgroundOn));
  EXPECT_FLOAT_EQ(s_.Background.y, 0.8f);
  Parse({"-b1.5,0,0"});  // RGB is taken unchecked
  EXPECT_FLOAT_EQ(s_.Background.x, 1.5f);
  Parse({"-cRed"});
  EXPECT_EQ(s_.DefaultColor, 4);
  Parse({"-c0x10"});
  EXPECT_EQ(s_.DefaultColor, 16);
  Parse({"-lc0,-100,0,4", "-lc0,-100,0", "-lg45,0,-50,1,0,0"});
  ASSERT_EQ(lights_.Size(), 3u);
  EXPECT_FALSE(lights_[0].globe);
  EXPECT_FLOAT_EQ(lights_[0].position.y, -100);
  EXPECT_FLOAT_EQ(lights_[0].colour.z, 4);  // the fake's RGB of colour 4
  EXPECT_FLOAT_EQ(lights_[1].colour.x, 1);
  EXPECT_FLOAT_EQ(lights_[1].colour.z, 1);
  EXPECT_TRUE(lights_[2].globe);
  EXPECT_FLOAT_EQ(lights_[2].position.z, -50);
  EXPECT_FLOAT_EQ(lights_[2].colour.x, 1);
  EXPECT_FLOAT_EQ(lights_[2].colour.y, 0);
}

TEST_F(OptionsDeathTest, ColourErrors) {
  EXPECT_FATAL((Args{"-c1.5,0,0"}), "Bad color '-c1.5,0,0'");
  EXPECT_FATAL((Args{"-cq"}), "Bad color '-cq'");
  EXPECT_FATAL((Args{"-c\xe9t\xe9"}), "Bad color '-c\xe9t\xe9'");
  EXPECT_FATAL((Args{"-bnocolour"}), "Bad color '-bnocolour'");
  EXPECT_FATAL((Args{"-ee1,nocolour"}), "Bad color '-ee1,nocolour'");
  EXPECT_FATAL((Args{"-lc1,2,3,nocolour"}), "Bad color '-lc1,2,3,nocolour'");
  EXPECT_FATAL((Args{"-lc1,2"}), "Bad arguments '-lc1,2'");
  EXPECT_FATAL((Args{"-lg1,2"}), "Bad arguments '-lg1,2'");
  EXPECT_FATAL((Args{"-lgex"}), "Bad arguments '-lgex'");
}

TEST_F(OptionsTest, LibraryOptions) {
  Parse({"-c4", "-lddlib", "-ldc", "-lgd/opt/lgeo"});
  EXPECT_EQ(sw_.LDrawDirOption.value_or("?"), "lib");
  EXPECT_EQ(sw_.LdconfigOption.value_or("?"), "");
  EXPECT_EQ(sw_.LgeoDirOption.value_or("?"), "/opt/lgeo");
}

TEST_F(OptionsDeathTest, LibraryOptionsAfterSetUp) {
  EXPECT_FATAL((Args{"-cBlack", "-lddlib"}), "-ldd must be specified before color options");
  EXPECT_FATAL((Args{"-cBlack", "-ldcx.ldr"}), "-ldc must be specified before color options");
  EXPECT_FATAL((Args{"-ldd"}), "Missing directory '-ldd'");
  EXPECT_FATAL((Args{"-ib"}), "Missing filename '-ib'");
  EXPECT_FATAL((Args{"-ie"}), "Missing filename '-ie'");
  EXPECT_FATAL((Args{"-mp"}), "Missing version '-mp'");
}

TEST_F(OptionsTest, Switches) {
  Parse({"-bu", "-d", "-d", "-enp", "-fc-5", "-ibbegin.inc", "-ic", "-ieend.inc",
         "-ilLights.inc", "-i3b-", "-i3e-", "-l", "-ld", "-lsl", "-mp0.7", "-o",
         "-pov", "-pp", "-sc", "-scm", "-studsX", "-stdout", "-test", "-v", "-v"});
  EXPECT_TRUE(s_.Has(Bumps) && s_.Has(ExcludeNonPov) && s_.Has(FloorYGiven));
  EXPECT_EQ(s_.DebugLevel, 2);
  EXPECT_EQ(s_.FloorType, 'c');
  EXPECT_FLOAT_EQ(s_.FloorY, -5);
  EXPECT_EQ(s_.IncludeAtBeginning.value_or(""), "begin.inc");
  EXPECT_FALSE(s_.IncludeCamera.has_value());
  EXPECT_FALSE(s_.Has(CameraOn) || s_.Has(LightsOn) || s_.Has(StudsOn));
  EXPECT_EQ(s_.IncludeAtEnd.value_or(""), "end.inc");
  EXPECT_EQ(s_.IncludeLights.value_or(""), "Lights.inc");
  EXPECT_EQ(s_.IncludeBeginFile, 0);
  EXPECT_EQ(s_.IncludeEndFile, 0);
  EXPECT_TRUE(s_.Has(LightDatLights) && s_.Has(DefaultLightsToo) && s_.Has(Shadowless));
  EXPECT_EQ(s_.MegaPovVersion.value_or(""), "0.7");
  EXPECT_TRUE(sw_.Overwrite && sw_.LaunchPov && sw_.PrintPrimitives && sw_.TestMode);
  EXPECT_TRUE(s_.Has(StepClock) && s_.Has(StepClockModelOnly));
  EXPECT_EQ(sw_.Verbose, 2);
  Parse({"-f"});
  EXPECT_EQ(s_.FloorType, 'g');
  Parse({"-fx"});  // text that is not a number is ignored
  EXPECT_EQ(s_.FloorType, 'x');
  s_ = Settings();
  Parse({"-stu"});
  EXPECT_FALSE(s_.Has(StudsOn));
  s_ = Settings();
  Parse({"-stdout"});
  EXPECT_EQ(s_.SettingsFlags, 0x30003u);
  // -lean sets its flag alone, and the -l options beside it keep theirs.
  Parse({"-lean"});
  EXPECT_EQ(s_.SettingsFlags, 0x30003u | LeanScene);
  s_ = Settings();
  Parse({"-l", "-ld", "-lsl", "-lgeo", "-lg1,2,3", "-lc1,2,3"});
  EXPECT_FALSE(s_.Has(LeanScene));
  EXPECT_TRUE(s_.Has(LightDatLights) && s_.Has(DefaultLightsToo) && s_.Has(Shadowless));
}

TEST_F(OptionsTest, ImmediateActionsStopTheParsing) {
  EXPECT_EQ(Parse({"-q3", "-pc", "-q9", "a", "b", "c"}), ImmediateAction::kPrintColours);
  EXPECT_EQ(s_.Quality, 3);
  EXPECT_EQ(sw_.ModelPath, "");
  EXPECT_EQ(Parse({"-upd", "-x"}), ImmediateAction::kCheckUpdate);
}

TEST_F(OptionsDeathTest, UnknownOptions) {
  for (const char* arg : {"-x", "-g", "-h", "-j", "-k", "-r", "-z", "-", "-lx", "-d1", "-c",
                          "-ldx", "-i3x", "-ix", "-lsx", "-nolgcx", "-px", "-sx", "-tx",
                          "-ux", "-mx", "-ex", "-cpx", "-csx", "-a", "-le", "-lea", "-leanx",
                          "-\xc3\xa9"}) {
    EXPECT_FATAL((Args{arg}), std::string("Unknown option '") + arg + "'");
  }
}

}  // namespace
