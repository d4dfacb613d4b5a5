#include "driver/driver.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "driver/usage.h"
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
  testing_support::MemoryFile out;
  const char* argv[] = {"/usr/bin/r7p", "-q3", "my model.ldr"};
  WriteCommandLineComments(out.get(), "/lib/LDConfig.ldr", CommandLine{3, argv});
  WriteCommandLineComments(out.get(), "", CommandLine{1, argv});
  EXPECT_EQ(out.text(),
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

// A conversion run in this process with stand-in subsystems.
class ConversionTest : public ::testing::Test {
 protected:
  ConversionTest() {
    run_.out = out_.get();
    run_.err = err_.get();
    hooks_.find_model_file = [this](const std::string& name, std::string* found) {
      looked_up_.push_back(name);
      *found = "/models/" + name;
      return true;
    };
    hooks_.load_model = [this] {
      events_.push_back("load " + run_.settings.SubstitutionOrder);
      return 0;
    };
    hooks_.write_scene_tail = [this](FILE* scene, int status) {
      events_.push_back("tail " + std::to_string(status));
      fputs(std::string(scene_bytes_, 'x').c_str(), scene);
      return tail_result_;
    };
    hooks_.start_scene = [this](const std::string& path, std::function<void(FILE*)>) {
      events_.push_back("scene " + path);
      return 0;
    };
  }
  int Convert(std::vector<const char*> args) {
    args_ = args;
    args_.insert(args_.begin(), "r7p");
    run_.command_line = CommandLine{static_cast<int>(args_.size()), args_.data()};
    return RunProgram(run_, hooks_);
  }
  std::string Pov(const char* name) { return dir_.path() + "/" + name; }

  TempDir dir_;
  ::Run run_;
  ConversionHooks hooks_;
  testing_support::MemoryFile out_, err_;
  std::vector<const char*> args_;
  std::vector<std::string> looked_up_, events_;
  size_t scene_bytes_ = 1;
  int tail_result_ = 0;
};

TEST_F(ConversionTest, SummaryRoundsTheSizeUp) {
  std::string pov = Pov("a.pov");
  for (size_t bytes : {size_t{0}, size_t{1}, size_t{1024}, size_t{1025}}) {
    scene_bytes_ = bytes;
    ::Run fresh;
    fresh.out = out_.get();
    fresh.err = err_.get();
    std::vector<const char*> argv = {"r7p", "-o", "model.ldr", pov.c_str()};
    fresh.command_line = CommandLine{4, argv.data()};
    EXPECT_EQ(RunProgram(fresh, hooks_), 0);
  }
  std::string expected;
  for (int k : {0, 1, 1, 2}) {
    expected += "Processing /models/model.ldr\n" + Banner() +
                "POV file successfully written: " + pov + "  " + std::to_string(k) +
                " kBytes\n";
  }
  EXPECT_EQ(err_.text(), expected);
  EXPECT_EQ(out_.text(), "");
  EXPECT_EQ(looked_up_, (std::vector<std::string>(4, "model.ldr")));
}

TEST_F(ConversionTest, EmptyModelAndFailures) {
  tail_result_ = -2;
  EXPECT_EQ(Convert({"model.ldr", Pov("e.pov").c_str()}), 1);
  EXPECT_EQ(err_.text(), "Processing /models/model.ldr\nEmpty model.\n" + Banner() +
                             "*** Abnormal termination.\n");
  EXPECT_EQ(events_, (std::vector<std::string>{"scene /models/model.ldr", "load P", "tail 0"}));
  // The scene stays on disk with what the tail wrote.
  std::ifstream scene(Pov("e.pov"));
  std::string content((std::istreambuf_iterator<char>(scene)), {});
  EXPECT_EQ(content, "x");
}

TEST_F(ConversionTest, StartFailuresAbandonTheRun) {
  hooks_.start_model = [](const std::string&) { return -1; };
  EXPECT_EQ(Convert({"model.ldr", Pov("f.pov").c_str()}), 1);
  EXPECT_EQ(err_.text(), "*** Abnormal termination.\n");
  EXPECT_TRUE(events_.empty());
}

TEST_F(ConversionTest, TestRunKinds) {
  hooks_.has_pov_equivalent = [](const std::string& name) { return name == "4-4cyli.dat"; };
  hooks_.write_primitive_comparison = [this](FILE*, const std::string& name) {
    events_.push_back("compare " + name);
    return 0;
  };
  EXPECT_EQ(Convert({"-test", "4-4cyli.dat", Pov("t.pov").c_str()}), 0);
  EXPECT_EQ(events_, (std::vector<std::string>{"scene /models/4-4cyli.dat", "load ",
                                               "compare 4-4cyli.dat", "tail 0"}));
}

TEST_F(ConversionTest, OverviewRunNeedsNoModel) {
  tail_result_ = -2;
  std::string name = Pov("overview");
  EXPECT_EQ(Convert({"-test", name.c_str()}), 1);
  EXPECT_TRUE(looked_up_.empty());
  EXPECT_EQ(events_, (std::vector<std::string>{"scene PovEquivs", "tail 0"}));
  EXPECT_TRUE(std::ifstream(name + ".pov").good());
  EXPECT_EQ(run_.switches.PovPath, name + ".pov");
}

TEST_F(ConversionTest, LaunchesPovRayOnRequest) {
  std::vector<std::string> launched;
  hooks_.launch = [&launched](const std::string& program, const std::string& arg) {
    launched.push_back(program + " " + arg);
  };
  std::string pov = Pov("l.pov");
  EXPECT_EQ(Convert({"-pov", "model.ldr", pov.c_str()}), 0);
  EXPECT_NE(err_.text().find("kBytes\nLaunching POV-Ray...\n"), std::string::npos);
  EXPECT_EQ(launched, std::vector<std::string>{"povray " + pov});
  EXPECT_EQ(Convert({"-upd"}), 0);
  EXPECT_EQ(launched.back(), std::string("xdg-open ") + kVersionPage);
}

TEST_F(ConversionTest, CheckUpdateMessage) {
  hooks_.launch = [](const std::string&, const std::string&) {};
  EXPECT_EQ(Convert({"-upd"}), 0);
  EXPECT_EQ(err_.text(), Banner() + "\nR7P will now launch your Internet Browser with\n " +
                             kVersionPage + "\nso you can see if there is a newer version...\n");
}

TEST_F(ConversionTest, ListsPrimitivesWithoutAModel) {
  hooks_.list_pov_equivalents = [](FILE* out) { fputs("LIST\n", out); };
  EXPECT_EQ(Convert({"-pp"}), 0);
  EXPECT_EQ(out_.text(), "LIST\n");
}

TEST_F(ConversionTest, DirectoriesAndLineTypes) {
  uint32_t mask = 0;
  hooks_.set_line_type_mask = [&mask](uint32_t m) { mask = m; };
  hooks_.r7pparts_dir_exists = [] { return false; };
  EXPECT_EQ(Convert({"-v", "model.ldr", Pov("d.pov").c_str()}), 0);
  EXPECT_EQ(mask, 27u);
  EXPECT_EQ(run_.settings.SubstitutionOrder, "P");  // no R7PPARTS directory
  EXPECT_EQ(err_.text().substr(0, 30), "Calling PathIniComputeRealDirs");
}

using ConversionDeathTest = ConversionTest;

TEST_F(ConversionDeathTest, FatalSteps) {
  run_.err = stderr;
  std::string pov = Pov("exists.pov");
  std::ofstream(pov) << "old";
  EXPECT_EXIT(Convert({"model.ldr", pov.c_str()}), ::testing::ExitedWithCode(1),
              "File '.*exists\\.pov' already exists, use option -o to overwrite");
  hooks_.compute_search_dirs = [] { return false; };
  EXPECT_EXIT(Convert({"model.ldr"}), ::testing::ExitedWithCode(1),
              "Failed to compute search dirs");
  hooks_.compute_search_dirs = nullptr;
  EXPECT_EXIT(Convert({"-lgeo", "model.ldr"}), ::testing::ExitedWithCode(1),
              "Environment variable LGEODIR must be set");
  hooks_.resolve_lgeo_dir = [] { return true; };
  EXPECT_EXIT(Convert({"-test", "-lgeo", "3001.dat", Pov("l3.pov").c_str()}), ::testing::ExitedWithCode(1),
              "No such LGEO element '3001\\.dat'");
  EXPECT_EXIT(Convert({"model.ldr", Pov("no/such/dir/x.pov").c_str()}),
              ::testing::ExitedWithCode(1), "Could not open '.*x\\.pov' for writing");
  hooks_.find_model_file = nullptr;
  EXPECT_EXIT(Convert({"model.ldr"}), ::testing::ExitedWithCode(1),
              "\n\\*\\*\\* Cannot find model file 'model\\.ldr'\\.\n$");
}

}  // namespace
