#include "driver/driver.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "driver/usage.h"
#include "tests/library_env.h"
#include "tests/test_support.h"

namespace {

using testing_support::RunR7p;
using testing_support::RunResult;
using testing_support::TempDir;

std::string Banner() { return std::string(kBanner) + "\n"; }

// A library root that passes the library test, so that runs get as far as
// the model lookup whatever is wired.
class DriverEndToEnd : public ::testing::Test {
 protected:
  DriverEndToEnd() {
    lib_.Mkdir("ldraw/p");
    lib_.Mkdir("ldraw/parts");
    lib_.Mkdir("ldraw/models");
    lib_.Mkdir("work");
    env_ = "HOME='" + lib_.path() + "' LDRAWDIR='" + lib_.path() +
           "/ldraw' SOURCE_DATE_EPOCH=0 LDRAWINI= LGEODIR=";
  }
  RunResult Exec(const std::string& args) {
    return RunR7p(args, lib_.path() + "/work", env_);
  }
  TempDir lib_;
  std::string env_;
};

TEST_F(DriverEndToEnd, NoArgumentsShowsTheUsage) {
  RunResult r = Exec("");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "");
  std::string head = Banner() + "Usage: r7p [options] modelpath [povpath] [options]\n"
                     "  -b[<color>] background color, -b gives 0.3,0.8,1\n";
  EXPECT_EQ(r.out.substr(0, head.size()), head);
  std::string tail = "possible, if negative then camera will be -<r>% further away. If zero for\n";
  EXPECT_NE(r.out.find(tail), std::string::npos);
  std::string end = std::string("(or ") + kLDrawSite + ")\n" + Banner();
  ASSERT_GE(r.out.size(), end.size());
  EXPECT_EQ(r.out.substr(r.out.size() - end.size()), end);
  // No terminal: no key waits, and no -test block.
  EXPECT_EQ(r.out.find("Press any key"), std::string::npos);
  EXPECT_EQ(r.out.find("  -test show test options"), std::string::npos);
  // -test alone adds the test block before the closing banner.
  RunResult t = Exec("-test");
  EXPECT_EQ(t.status, 1);
  std::string block =
      "  -test show test options\n"
      "  -test part.dat generate pov file for testing primitive\n"
      "  -test -lgeo part.dat generate pov file for testing primitive\n" + Banner();
  EXPECT_EQ(t.out.substr(t.out.size() - block.size()), block);
}

TEST_F(DriverEndToEnd, StdoutFirstSuppressesTheUsage) {
  RunResult r = Exec("-stdout -q5");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "*** Bad argument '-q5'.\n");
  EXPECT_EQ(r.err, "");
  // Anywhere else -stdout does nothing: usage on stdout, message on stderr.
  RunResult later = Exec("-q5 -stdout");
  EXPECT_EQ(later.status, 1);
  EXPECT_EQ(later.err, "\n*** Bad argument '-q5'.\n");
  EXPECT_EQ(later.out.substr(0, Banner().size()), Banner());
  // With -stdout a missing model still shows the usage, on stdout.
  RunResult none = Exec("-stdout");
  EXPECT_EQ(none.status, 1);
  EXPECT_EQ(none.out.substr(0, Banner().size()), Banner());
}

TEST_F(DriverEndToEnd, HostileArgumentsEndWithAMessage) {
  RunResult option = Exec("-stdout -ib" + std::string(10000, 'x'));
  EXPECT_EQ(option.status, 1);
  EXPECT_EQ(option.out, "*** Argument too long '-ib" + std::string(37, 'x') +
                            "...' (10003 characters, at most 4095).\n");
  RunResult model = Exec("-stdout " + std::string(5000, 'm'));
  EXPECT_EQ(model.status, 1);
  EXPECT_EQ(model.out, "*** Argument too long '" + std::string(40, 'm') +
                           "...' (5000 characters, at most 4095).\n");
  RunResult high = Exec("-stdout \"$(printf '\\351\\377.ldr')\"");
  EXPECT_EQ(high.status, 1);
  EXPECT_EQ(high.out, "*** Cannot find model file '\xe9\xff.ldr'.\n");
  RunResult colour = Exec("-stdout \"$(printf '%s\\351\\200' -c)\"");
  EXPECT_EQ(colour.status, 1);
  EXPECT_EQ(colour.out, "*** Bad color '-c\xe9\x80'.\n");
  RunResult many = Exec("-stdout a b c");
  EXPECT_EQ(many.out, "*** Too many filenames.\n");
}

TEST_F(DriverEndToEnd, PrintColoursEndsTheRunAtOnce) {
  RunResult r = Exec("-stdout -pc -q9 a b c");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("0 !COLOUR Black*"), std::string::npos);
  EXPECT_EQ(r.out.find("***"), std::string::npos);
}

TEST(Driver, SceneFileName) {
  Diagnostics diag;
  TempDir dir;
  std::string out = dir.Mkdir("outdir");
  EXPECT_EQ(SceneFileName("", "models/model.ldr", diag), "model.pov");
  EXPECT_EQ(SceneFileName("", "model", diag), "model.pov");
  EXPECT_EQ(SceneFileName("", "a.b/model.x.ldr", diag), "model.x.pov");
  EXPECT_EQ(SceneFileName("out", "model.ldr", diag), "out.pov");
  EXPECT_EQ(SceneFileName("out.txt", "model.ldr", diag), "out.txt");
  EXPECT_EQ(SceneFileName(out, "sub\\model.ldr", diag), out + "/model.pov");
  EXPECT_EQ(SceneFileName(out + "//", "model.ldr", diag), out + "/model.pov");
  EXPECT_EQ(SceneFileName("a.b/out", "model.ldr", diag), "a.b/out.pov");
}

TEST(DriverDeathTest, SceneFileNameNeedsAName) {
  Diagnostics diag;
  diag.stdout_first = true;
  EXPECT_EXIT(SceneFileName("", "models/", diag), ::testing::ExitedWithCode(1),
              "^\\*\\*\\* POV filename not specified\\.\n$");
  EXPECT_EXIT(SceneFileName("", "models/.ldr", diag), ::testing::ExitedWithCode(1),
              "POV filename not specified");
}

TEST(Driver, CommandLineComments) {
  const char* argv[] = {"/usr/bin/r7p", "-q3", "my model.ldr"};
  EXPECT_EQ(CommandLineComments("/lib/LDConfig.ldr", CommandLine{3, argv}) +
                CommandLineComments("", CommandLine{1, argv}),
            "// ldconfig.ldr: /lib/LDConfig.ldr\n"
            "// Commandline:  /usr/bin/r7p -q3 \"my model.ldr\"\n"
            "// ldconfig.ldr: \n"
            "// Commandline:  /usr/bin/r7p\n");
}

TEST(Driver, LastComponent) {
  EXPECT_EQ(LastComponent("a/b\\c.dat"), "c.dat");
  EXPECT_EQ(LastComponent("c.dat"), "c.dat");
  EXPECT_EQ(LastComponent("dir/"), "");
}

// Records what a run would start instead of starting it.
class RecordingLauncher : public Launcher {
 public:
  void ShowScene(const std::string& scene) override {
    launched.push_back("povray " + scene);
  }
  void OpenWebPage(const std::string& url) override {
    launched.push_back("xdg-open " + url);
  }
  std::vector<std::string> launched;
};

// A conversion run in this process on a small library of its own: one
// part, one primitive with a POV-Ray equivalent, a model of one brick.
class ConversionTest : public ::testing::Test {
 protected:
  ConversionTest() {
    lib_.Write("ldraw/parts/3001.dat", "3 16 0 0 0 20 0 0 0 0 20\n");
    lib_.Write("ldraw/p/4-4cyli.dat", "3 16 0 0 0 1 0 0 0 0 1\n");
    model_ = lib_.Write("models/model.ldr",
                        "1 4 0 0 0 1 0 0 0 1 0 0 0 1 3001.dat\n");
    lib_.Write("models/empty.ldr", "0 Nothing to show\n");
    env_.Set("LDRAWDIR", lib_.path() + "/ldraw");
    env_.Set("SOURCE_DATE_EPOCH", "0");
  }
  int Convert(std::vector<const char*> args) {
    args_ = args;
    args_.insert(args_.begin(), "r7p");
    run_ = std::make_unique<::Run>();
    run_->out = out_.get();
    run_->err = err_file_;
    run_->command_line = CommandLine{static_cast<int>(args_.size()), args_.data()};
    return RunProgram(*run_, launcher_);
  }
  std::string Pov(const char* name) { return dir_.path() + "/" + name; }

  testing_support::LibraryEnv env_;
  TempDir lib_;
  TempDir dir_;
  std::string model_;
  std::unique_ptr<::Run> run_;
  RecordingLauncher launcher_;
  testing_support::MemoryFile out_, err_;
  FILE* err_file_ = err_.get();
  std::vector<const char*> args_;
};

std::string FileText(const std::string& path) {
  std::ifstream file(path);
  return std::string((std::istreambuf_iterator<char>(file)), {});
}

TEST_F(ConversionTest, SummaryRoundsTheSizeUp) {
  std::string pov = Pov("a.pov");
  EXPECT_EQ(Convert({"-o", model_.c_str(), pov.c_str()}), 0);
  const size_t bytes = FileText(pov).size();
  ASSERT_GT(bytes, 1024u);
  const std::string processing = "Processing " + model_ + "\n" + Banner();
  const std::string summary = "POV file successfully written: " + pov + "  " +
                              std::to_string((bytes + 1023) / 1024) + " kBytes\n";
  const std::string err = err_.text();
  EXPECT_EQ(err.substr(0, processing.size()), processing);
  ASSERT_GE(err.size(), summary.size());
  EXPECT_EQ(err.substr(err.size() - summary.size()), summary);
  EXPECT_EQ(out_.text(), "");
}

TEST_F(ConversionTest, EmptyModelAndFailures) {
  std::string pov = Pov("e.pov");
  std::string empty = lib_.path() + "/models/empty.ldr";
  EXPECT_EQ(Convert({empty.c_str(), pov.c_str()}), 1);
  EXPECT_EQ(err_.text(), "Processing " + empty + "\nEmpty model.\n" + Banner() +
                             "*** Abnormal termination.\n");
  // The scene stays on disk with the error block over its body.
  EXPECT_NE(FileText(pov).find("// Empty model"), std::string::npos);
}

TEST_F(ConversionTest, StartFailuresAbandonTheRun) {
  // The LGEO folder exists but holds no lists: the scene cannot start.
  TempDir lgeo;
  env_.Set("LGEODIR", lgeo.path());
  std::string pov = Pov("f.pov");
  EXPECT_EQ(Convert({"-lgeo", model_.c_str(), pov.c_str()}), 1);
  const std::string err = err_.text();
  const std::string end = "*** Abnormal termination.\n";
  ASSERT_GE(err.size(), end.size());
  EXPECT_EQ(err.substr(err.size() - end.size()), end);
  EXPECT_EQ(err.find("Processing"), std::string::npos);
  EXPECT_FALSE(std::ifstream(pov).good());
}

TEST_F(ConversionTest, TestRunKinds) {
  std::string pov = Pov("t.pov");
  EXPECT_EQ(Convert({"-test", "4-4cyli.dat", pov.c_str()}), 0);
  // The primitive is read as LDraw geometry, not replaced by its equivalent.
  EXPECT_EQ(run_->settings.SubstitutionOrder, "");
  EXPECT_NE(err_.text().find("Processing " + lib_.path() + "/ldraw/p/4-4cyli.dat\n"),
            std::string::npos) << err_.text();
}

TEST_F(ConversionTest, OverviewRunNeedsNoModel) {
  std::string name = Pov("overview");
  EXPECT_EQ(Convert({"-test", name.c_str()}), 1);
  EXPECT_TRUE(std::ifstream(name + ".pov").good());
  EXPECT_EQ(run_->switches.PovPath, name + ".pov");
  EXPECT_EQ(run_->switches.ModelPath, "PovEquivs");
}

TEST_F(ConversionTest, LaunchesPovRayOnRequest) {
  std::string pov = Pov("l.pov");
  EXPECT_EQ(Convert({"-pov", model_.c_str(), pov.c_str()}), 0);
  EXPECT_NE(err_.text().find("kBytes\nLaunching POV-Ray...\n"), std::string::npos);
  EXPECT_EQ(launcher_.launched, std::vector<std::string>{"povray " + pov});
  EXPECT_EQ(Convert({"-upd"}), 0);
  EXPECT_EQ(launcher_.launched.back(), std::string("xdg-open ") + kVersionPage);
}

TEST_F(ConversionTest, CheckUpdateMessage) {
  EXPECT_EQ(Convert({"-upd"}), 0);
  EXPECT_EQ(err_.text(), Banner() + "\nR7P will now launch your Internet Browser with\n " +
                             kVersionPage + "\nso you can see if there is a newer version...\n");
}

TEST_F(ConversionTest, ListsPrimitivesWithoutAModel) {
  EXPECT_EQ(Convert({"-pp"}), 0);
  EXPECT_NE(out_.text().find("4-4cyli.dat"), std::string::npos);
  EXPECT_EQ(err_.text(), "");
}

TEST_F(ConversionTest, DirectoriesAndLineTypes) {
  EXPECT_EQ(Convert({"-v", model_.c_str(), Pov("d.pov").c_str()}), 0);
  EXPECT_EQ(run_->reader.line_type_mask, 27u);
  EXPECT_EQ(run_->settings.SubstitutionOrder, "P");  // no R7PPARTS directory
  EXPECT_NE(err_.text().find("Calling PathIniComputeRealDirs\n"), std::string::npos);
}

using ConversionDeathTest = ConversionTest;

TEST_F(ConversionDeathTest, FatalSteps) {
  std::string pov = Pov("exists.pov");
  std::ofstream(pov) << "old";
  err_file_ = stderr;
  EXPECT_EXIT(Convert({model_.c_str(), pov.c_str()}), ::testing::ExitedWithCode(1),
              "File '.*exists\\.pov' already exists, use option -o to overwrite");
  EXPECT_EXIT(Convert({"-lgeo", model_.c_str()}), ::testing::ExitedWithCode(1),
              "Environment variable LGEODIR must be set");
  const std::string lgeo = std::string("-lgd") + R7P_SOURCE_DIR + "/tests/golden/lgeo";
  EXPECT_EXIT(Convert({lgeo.c_str(), "-test", "-lgeo", "4-4cyli.dat", Pov("l3.pov").c_str()}),
              ::testing::ExitedWithCode(1), "No such LGEO element '4-4cyli\\.dat'");
  EXPECT_EXIT(Convert({model_.c_str(), Pov("no/such/dir/x.pov").c_str()}),
              ::testing::ExitedWithCode(1), "Could not open '.*x\\.pov' for writing");
  EXPECT_EXIT(Convert({"model.ldr"}), ::testing::ExitedWithCode(1),
              "\n\\*\\*\\* Cannot find model file 'model\\.ldr'\\.\n$");
}

}  // namespace
