// Bad input of every kind, fed to the built program: each run must end with
// a clear message and exit status 0 or 1, within a time limit, and without
// a report of the address or undefined-behaviour checkers (when the program
// is built with them). Where a conversion reports success, POV-Ray must be
// able to parse the scene. Every input is generated here, in a small
// library of its own.
#include <sys/stat.h>

#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "tests/test_support.h"

using testing_support::Occurrences;
using testing_support::ReadFileText;
using testing_support::RunResult;
using testing_support::ShellQuote;
using testing_support::TempDir;

namespace {

// A brick of 80 x 24 x 40 LDraw units, drawn with six quadrilaterals.
constexpr const char* kBrick =
    "0 Brick  2 x  4\n"
    "0 !LDRAW_ORG Part\n"
    "4 16 -40 0 -20 40 0 -20 40 0 20 -40 0 20\n"
    "4 16 -40 24 -20 -40 24 20 40 24 20 40 24 -20\n"
    "4 16 -40 0 -20 -40 24 -20 40 24 -20 40 0 -20\n"
    "4 16 -40 0 20 40 0 20 40 24 20 -40 24 20\n"
    "4 16 -40 0 -20 -40 0 20 -40 24 20 -40 24 -20\n"
    "4 16 40 0 -20 40 24 -20 40 24 20 40 0 20\n";

constexpr const char* kBrickLine = "1 4 0 0 0 1 0 0 0 1 0 0 0 1 3001.dat\n";

// A library with one part, a working folder and an empty home folder. The
// colour file is switched off (-ldc) so that runs are short.
struct Sandbox {
  TempDir lib;
  TempDir work;
  TempDir home;

  Sandbox() {
    lib.Mkdir("p");
    lib.Mkdir("models");
    lib.Write("parts/3001.dat", kBrick);
  }

  // Runs r7p in the working folder, stopped after two minutes (status 124).
  RunResult Run(const std::string& args) const {
    return testing_support::RunR7p(
        "-ldc " + args, work.path(),
        "timeout 120 " + testing_support::CleanLdrawEnv(home.path()) +
            ShellQuote(lib.path()));
  }
  // Runs r7p with `env` as the whole environment prefix.
  RunResult RunWithEnv(const std::string& env, const std::string& args) const {
    return testing_support::RunR7p(args, work.path(), "timeout 120 " + env);
  }

  std::string Write(const std::string& name, const std::string& content) const {
    return work.Write(name, content);
  }
  std::string Scene(const std::string& name) const {
    return ReadFileText(work.path() + "/" + name);
  }
};

std::string Head(const std::string& text) { return text.substr(0, 2000); }
std::string Tail(const std::string& text) {
  return text.size() > 2000 ? text.substr(text.size() - 2000) : text;
}

// Ended by the program itself, with one of its two statuses, and without a
// report of the sanitizers.
void ExpectDefinedEnd(const RunResult& run) {
  EXPECT_TRUE(run.status == 0 || run.status == 1)
      << "status " << run.status << "\n" << Head(run.err);
  for (const char* report :
       {"AddressSanitizer", "LeakSanitizer", "runtime error:"}) {
    EXPECT_EQ(0u, Occurrences(run.err, report)) << Head(run.err);
    EXPECT_EQ(0u, Occurrences(run.out, report)) << Head(run.out);
  }
}

void ExpectSuccess(const RunResult& run) {
  ExpectDefinedEnd(run);
  EXPECT_EQ(0, run.status) << Head(run.err);
  EXPECT_NE(std::string::npos, run.err.find("POV file successfully written: "))
      << Head(run.err);
}

void ExpectAbnormalEnd(const RunResult& run, const std::string& message) {
  ExpectDefinedEnd(run);
  EXPECT_EQ(1, run.status);
  EXPECT_NE(std::string::npos, run.err.find(message)) << Head(run.err);
  EXPECT_NE(std::string::npos, run.err.find("*** Abnormal termination.\n"))
      << Head(run.err);
}

void ExpectFatal(const RunResult& run, const std::string& message) {
  ExpectDefinedEnd(run);
  EXPECT_EQ(1, run.status);
  EXPECT_NE(std::string::npos, run.err.find("*** " + message))
      << Head(run.err);
}

void ExpectRenders(const std::string& scene) {
  if (!testing_support::HavePovray()) return;
  std::string messages;
  EXPECT_EQ(0, testing_support::RenderWithPovray(scene, &messages))
      << scene << "\n" << Tail(messages);
}

// Words POV-Ray cannot read as numbers must never reach a scene, outside
// its comments.
void ExpectOnlyFiniteNumbers(const std::string& scene) {
  std::string code;
  size_t start = 0;
  while (start < scene.size()) {
    size_t end = scene.find('\n', start);
    if (end == std::string::npos) end = scene.size();
    std::string line = scene.substr(start, end - start);
    code += line.substr(0, line.find("//")) + "\n";
    start = end + 1;
  }
  auto is_word_char = [](char c) {
    return c == '_' || (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') ||
           (c >= 'A' && c <= 'Z');
  };
  for (const std::string word : {"nan", "inf"}) {
    for (size_t at = code.find(word); at != std::string::npos;
         at = code.find(word, at + 1)) {
      bool starts = at == 0 || !is_word_char(code[at - 1]);
      bool ends = at + 3 >= code.size() || !is_word_char(code[at + 3]);
      EXPECT_FALSE(starts && ends) << code.substr(at < 40 ? 0 : at - 40, 80);
    }
  }
}

std::string Repeat(const std::string& text, int times) {
  std::string all;
  all.reserve(text.size() * static_cast<size_t>(times));
  for (int i = 0; i < times; ++i) all += text;
  return all;
}

// Deterministic noise: the same bytes on every run.
std::string NoiseBytes(size_t count) {
  std::string bytes(count, '\0');
  uint32_t state = 12345;
  for (char& c : bytes) {
    state = state * 1103515245u + 12345u;
    c = static_cast<char>(state >> 24);
  }
  return bytes;
}

std::string Reference(const std::string& name) {
  return "1 4 0 0 0 1 0 0 0 1 0 0 0 1 " + name + "\n";
}

}  // namespace

TEST(HostileInput, BinaryGarbageAndControlBytes) {
  Sandbox box;
  box.Write("noise.ldr", NoiseBytes(64 * 1024));
  RunResult noise = box.Run("noise.ldr");
  ExpectDefinedEnd(noise);
  if (noise.status == 0) ExpectRenders(box.work.path() + "/noise.pov");
  ExpectDefinedEnd(box.Run("-check noise.ldr"));

  // NUL bytes end the text of their line.
  box.Write("nul.ldr", std::string("0 ti\0tle\n", 9) +
                           std::string("1 4 0 0 0 1 0 0 0 1 0 0 0 1 3001.dat\0x\n",
                                       39) +
                           std::string("3 4 0 0 0 1 0 0 0\0 1 0\n\0\0\n", 26));
  RunResult nul = box.Run("nul.ldr");
  ExpectSuccess(nul);
  EXPECT_NE(std::string::npos,
            nul.out.find("SKIPPING \"nul.ldr\" Line 3: 11 arguments expected"))
      << nul.out;
  EXPECT_NE(std::string::npos, nul.err.find("Model has 1 parts")) << nul.err;
  ExpectRenders(box.work.path() + "/nul.pov");

  // Bytes above 127 in the model name, a referenced name and a section name.
  const std::string model = "h\xe9\xff.mpd";
  box.Write(model, "0 FILE main.ldr\n0 T\xeftle \xff\n" +
                       Reference("3001\xe9.dat") + Reference("s\xfc\xb0.ldr") +
                       "0 FILE s\xfc\xb0.ldr\n" + kBrickLine);
  RunResult high = box.Run(ShellQuote(model));
  ExpectSuccess(high);
  EXPECT_NE(std::string::npos,
            high.err.find("Could not find 3001\xe9.dat Referenced by " + model))
      << high.err;
  // POV-Ray itself cannot open a file of that name; its copy can.
  std::string scene = box.Scene("h\xe9\xff.pov");
  EXPECT_FALSE(scene.empty());
  ExpectRenders(box.Write("high.pov", scene));
}

TEST(HostileInput, HugeLinesAndManyLines) {
  Sandbox box;
  // A line of 10 MB is read in pieces of 999 characters.
  box.Write("long.ldr", "1 4 0 0 0 1 0 0 0 1 0 0 0 1 " +
                            std::string(10 * 1024 * 1024, 'x') + "\n" +
                            kBrickLine);
  RunResult long_line = box.Run("long.ldr");
  ExpectSuccess(long_line);
  EXPECT_NE(std::string::npos,
            long_line.err.find("Could not find " + std::string(263, 'x') +
                               " Referenced by long.ldr\n"))
      << Head(long_line.err);
  EXPECT_NE(std::string::npos, long_line.out.find("Bad line"));
  ExpectRenders(box.work.path() + "/long.pov");

  // A million short lines (edge lines, which a conversion does not keep).
  std::string many = kBrickLine;
  many.reserve(20 * 1000 * 1000);
  for (int i = 0; i < 1000 * 1000; ++i)
    many += "2 24 " + std::to_string(i % 1000) + " 0 0 1 1 1\n";
  box.Write("many.ldr", many);
  RunResult many_lines = box.Run("many.ldr");
  ExpectSuccess(many_lines);
  EXPECT_NE(std::string::npos, many_lines.err.find("Model has 1 parts"));

  // One line repeated many times: a conversion stays quick, and -check
  // names every earlier copy of each line, in order.
  box.Write("same.ldr", Repeat("3 4 0 0 0 1 0 0 0 1 0\n", 20000));
  RunResult converted = box.Run("same.ldr");
  ExpectDefinedEnd(converted);
  box.Write("few.ldr", Repeat("3 4 0 0 0 1 0 0 0 1 0\n", 300));
  RunResult checked = box.Run("-check few.ldr");
  ExpectDefinedEnd(checked);
  EXPECT_EQ(0, checked.status);
  // The first 100 earlier copies are named, the rest counted in one line.
  EXPECT_EQ(101u * 100u / 2u + 199u * 100u,
            Occurrences(checked.out, "Identical to line"));
  EXPECT_EQ(199u, Occurrences(checked.out, "more earlier lines"));
  EXPECT_NE(std::string::npos,
            checked.out.find("WARNING \"few.ldr\" Line 300: Identical to line 100:"));
  EXPECT_NE(std::string::npos,
            checked.out.find("WARNING \"few.ldr\" Line 300: Identical to 199 more earlier lines:"));
}

TEST(HostileInput, UnterminatedQuotesInFileNames) {
  Sandbox box;
  box.Write("quotes.ldr",
            "0 FILE \"main.ldr\n"
            "1 4 0 0 0 1 0 0 0 1 0 0 0 1 \"3001.dat\n"
            "1 4 0 0 0 1 0 0 0 1 0 0 0 1 \"\n"
            "1 4 0 0 0 1 0 0 0 1 0 0 0 1 \"\" x\n"
            "1 4 0 0 0 1 0 0 0 1 0 0 0 1 \"sub model.ldr\n"
            "0 FILE \"sub model.ldr\n" +
                std::string(kBrickLine));
  RunResult run = box.Run("quotes.ldr");
  ExpectSuccess(run);
  EXPECT_NE(std::string::npos,
            run.out.find("WARNING \"quotes.ldr\" Line 2: Missing end quote"));
  EXPECT_NE(std::string::npos,
            run.out.find("SKIPPING \"quotes.ldr\" Line 3: 15 arguments expected"));
  EXPECT_NE(std::string::npos,
            run.out.find("WARNING \"quotes.ldr\" Line 4: Trailing characters "
                         "after end quote"));
  EXPECT_NE(std::string::npos, run.err.find("Model has 2 parts")) << run.err;
  ExpectRenders(box.work.path() + "/quotes.pov");
}

TEST(HostileInput, TenThousandNestedTransformBlocks) {
  Sandbox box;
  box.Write("nested.ldr", "0 Nested\n" + Repeat("0 TRANSLATE 0 -1 0\n", 10000) +
                              kBrickLine + Repeat("0 TRANSLATE END\n", 10000));
  RunResult closed = box.Run("nested.ldr");
  ExpectSuccess(closed);
  EXPECT_NE(std::string::npos, closed.err.find("Model has 1 parts"));
  ExpectRenders(box.work.path() + "/nested.pov");

  // Never closed: each block is closed at the end of the file.
  box.Write("open.ldr", "0 Open\n" + Repeat("0 SCALE 1\n", 10000) +
                            kBrickLine);
  RunResult open = box.Run("open.ldr");
  ExpectSuccess(open);
  EXPECT_EQ(10000u, Occurrences(open.out, "WARNING \"open.ldr\": End-Of-File, "
                                          "SCALE END expected\n"));
  // Each level boxes the rotated box of the level below, so the extent
  // grows by a few percent a level until it overflows.
  box.Write("turns.ldr", "0 Turns\n" + Repeat("0 ROTATE 1 0 1 0\n", 10000) +
                             kBrickLine);
  ExpectAbnormalEnd(box.Run("turns.ldr"), "Model extent is out of range\n");
}

TEST(HostileInput, ManySectionsAndLongChains) {
  Sandbox box;
  // 3,000 sections in one file, each referenced once: all are kept.
  std::string sections = "0 FILE main.ldr\n";
  for (int i = 0; i < 3000; ++i) sections += Reference("s" + std::to_string(i) + ".ldr");
  for (int i = 0; i < 3000; ++i)
    sections += "0 FILE s" + std::to_string(i) + ".ldr\n" + kBrickLine;
  box.Write("book.mpd", sections);
  RunResult many = box.Run("book.mpd");
  ExpectSuccess(many);
  EXPECT_NE(std::string::npos, many.err.find("Model has 3000 parts")) << many.err;
  EXPECT_EQ(3000u, Occurrences(box.Scene("book.pov"), "\n#declare s"));

  // A chain of 10,000 sub-models, each holding the next.
  std::string chain = "0 FILE m0.ldr\n";
  for (int i = 1; i <= 10000; ++i) {
    std::string name = "m" + std::to_string(i) + ".ldr";
    chain += Reference(name) + "0 FILE " + name + "\n";
  }
  chain += kBrickLine;
  box.Write("chain.mpd", chain);
  RunResult deep = box.Run("chain.mpd");
  ExpectSuccess(deep);
  EXPECT_NE(std::string::npos, deep.err.find("Model has 1 parts"));
  ExpectRenders(box.work.path() + "/chain.pov");
  RunResult deep_check = box.Run("-check chain.mpd");
  ExpectDefinedEnd(deep_check);
  EXPECT_EQ(0, deep_check.status);
}

TEST(HostileInput, ReferenceCyclesStopTheConversion) {
  Sandbox box;
  // Two sections that hold each other.
  box.Write("two.mpd",
            "0 FILE main.ldr\n" + Reference("c0.ldr") + "0 FILE c0.ldr\n" +
                Reference("c1.ldr") + "0 FILE c1.ldr\n" + Reference("c0.ldr"));
  RunResult two = box.Run("two.mpd");
  ExpectAbnormalEnd(two, "Processing two.mpd\n");
  EXPECT_NE(std::string::npos,
            two.out.find("Recursive references: c0.ldr\n"
                         "referenced by c1.ldr line 6\n"
                         "referenced by c0.ldr line 4\n"
                         "referenced by two.mpd line 2\n"))
      << two.out;
  RunResult two_check = box.Run("-check two.mpd");
  ExpectDefinedEnd(two_check);
  EXPECT_EQ(0, two_check.status);
  EXPECT_NE(std::string::npos, two_check.out.find("Recursive references: c0.ldr\n"));

  // A ring of 1,000 files on disk.
  for (int i = 0; i < 1000; ++i)
    box.Write("f" + std::to_string(i) + ".ldr",
              Reference("f" + std::to_string((i + 1) % 1000) + ".ldr"));
  RunResult ring = box.Run("f0.ldr");
  ExpectAbnormalEnd(ring, "Processing f0.ldr\n");
  EXPECT_NE(std::string::npos, ring.out.find("Recursive references: f0.ldr\n"));
  EXPECT_EQ(1000u, Occurrences(ring.out, "referenced by f"));
}

TEST(HostileInput, OverlongNamesAndArguments) {
  Sandbox box;
  // A model name of 5,000 characters cannot even be a path.
  ExpectFatal(box.Run(std::string(5000, 'n') + ".ldr"), "Argument too long '");
  // Option arguments of 10,000 characters.
  const std::string long_text(10000, '1');
  for (const char* option : {"-ldd", "-c", "-b", "-ib", "-cc", "-lc", "-q", "-w"}) {
    ExpectFatal(box.Run(std::string(option) + long_text + " any.ldr"),
                "Argument too long '");
  }
  // The longest name a file may have on disk still converts.
  const std::string longest(251, 'm');
  box.Write(longest + ".ldr", kBrickLine);
  ExpectSuccess(box.Run(longest + ".ldr"));
  EXPECT_FALSE(box.Scene(longest + ".pov").empty());
  // A referenced name of 300+ characters is cut to the name buffer.
  box.Write("ref.ldr", Reference(std::string(400, 'a') + ".dat") + kBrickLine);
  RunResult ref = box.Run("ref.ldr");
  ExpectSuccess(ref);
  EXPECT_NE(std::string::npos,
            ref.err.find("Could not find " + std::string(263, 'a') +
                         " Referenced by ref.ldr\n"))
      << ref.err;
}

TEST(HostileInput, NumbersPovrayCannotRead) {
  Sandbox box;
  // Not finite, or beyond single precision: the line is short of numbers.
  box.Write("nan.ldr", std::string(kBrickLine) +
                           "1 4 nan 0 0 1 0 0 0 1 0 0 0 1 3001.dat\n"
                           "1 4 0 0 0 1e39 0 0 0 1 0 0 0 1 3001.dat\n"
                           "3 4 0 0 0 1 0 0 inf 1 0\n"
                           "4 4 0 0 0 1 0 0 1 1 0 0 1 -1e39\n"
                           "0 TRANSLATE 1e39 0 0\n"
                           "0 SCALE nan\n"
                           "0 ROTATE 90 0 inf 0\n");
  RunResult nan = box.Run("nan.ldr");
  ExpectSuccess(nan);
  for (const char* text :
       {"SKIPPING \"nan.ldr\" Line 2: 15 arguments expected",
        "SKIPPING \"nan.ldr\" Line 3: 15 arguments expected",
        "SKIPPING \"nan.ldr\" Line 4: 11 arguments expected",
        "SKIPPING \"nan.ldr\" Line 5: 14 arguments expected",
        "SKIPPING \"nan.ldr\" Line 6: Illegal syntax",
        "SKIPPING \"nan.ldr\" Line 7: Illegal syntax",
        "SKIPPING \"nan.ldr\" Line 8: Illegal syntax"})
    EXPECT_NE(std::string::npos, nan.out.find(text)) << text;
  ExpectOnlyFiniteNumbers(box.Scene("nan.pov"));
  ExpectRenders(box.work.path() + "/nan.pov");

  // Finite numbers whose model box overflows single precision.
  box.Write("huge.ldr", "1 4 0 0 0 1e38 0 0 0 1e38 0 0 0 1e38 3001.dat\n");
  ExpectAbnormalEnd(box.Run("huge.ldr"), "Model extent is out of range\n");
  ExpectOnlyFiniteNumbers(box.Scene("huge.pov"));
  box.Write("far.ldr", "1 4 3e38 0 0 1 0 0 0 1 0 0 0 1 3001.dat\n"
                       "1 4 -3e38 0 0 1 0 0 0 1 0 0 0 1 3001.dat\n");
  ExpectAbnormalEnd(box.Run("far.ldr"), "Model extent is out of range\n");
  box.Write("scaled.ldr", Repeat("0 SCALE 10\n", 60) + kBrickLine +
                              Repeat("0 SCALE END\n", 60));
  ExpectAbnormalEnd(box.Run("scaled.ldr"), "Model extent is out of range\n");
  ExpectOnlyFiniteNumbers(box.Scene("scaled.pov"));
  // A model so small that the camera cannot be set apart from it.
  box.Write("tiny.ldr", "1 4 0 0 0 1e-30 0 0 0 1e-30 0 0 0 1e-30 3001.dat\n");
  ExpectAbnormalEnd(box.Run("tiny.ldr"), "Cannot place the camera for this model\n");
  // A globe light pushed beyond single precision.
  box.Write("brick.ldr", "1 4 0 0 0 10 0 0 0 10 0 0 0 10 3001.dat\n");
  ExpectAbnormalEnd(box.Run("-lg0,0,-3.4e38 brick.ldr"),
                    "Light position is out of range\n");
  // A background colour that is no number.
  ExpectFatal(box.Run("-bnan,0,0 brick.ldr"), "Bad color '-bnan,0,0'.");
  ExpectFatal(box.Run("-b1e39,0,0 brick.ldr"), "Bad color '-b1e39,0,0'.");

  // Triangles POV-Ray drops as degenerate: a mesh of nothing but such
  // triangles is not written at all.
  box.Write("flat.ldr", "3 1 0 0 0 0 0 0 0 0 0\n"
                        "4 1 0 0 0 1 0 0 2 0 0 3 0 0\n"
                        "3 4 0 0 0 10 0 0 0 10 0\n"
                        "3 2 5 5 5 5 5 5 6 6 6\n");
  RunResult flat = box.Run("flat.ldr");
  ExpectSuccess(flat);
  EXPECT_EQ(1u, Occurrences(box.Scene("flat.pov"), "mesh {"));
  ExpectRenders(box.work.path() + "/flat.pov");
  box.Write("point.ldr", "3 4 0 0 0 0 0 0 0 0 0\n");
  ExpectAbnormalEnd(box.Run("point.ldr"), "Empty model.\n");
}

TEST(HostileInput, UnpairedPovBlockCommands) {
  Sandbox box;
  // Commands without their IFPOV, a second ELSEPOV, and blocks left open at
  // the end of a section and of the file.
  box.Write("blocks.mpd",
            "0 FILE main.ldr\n"
            "0 R7P ENDPOV\n"
            "0 R7P ELSEPOV\n" +
                std::string(kBrickLine) +
                "0 R7P ENDPOV\n"
                "0 R7P IFNOTPOV\n"
                "0 R7P ELSEPOV\n"
                "0 R7P ELSEPOV\n"
                "0 R7P IFNOTPOV\n"
                "3 4 0 0 0 10 0 0 0 10 0\n" +
                Reference("sub.ldr") +
                "0 FILE sub.ldr\n"
                "3 4 0 0 0 5 0 0 0 5 0\n"
                "0 R7P IFNOTPOV\n"
                "0 R7P IFNOTPOV\n"
                "3 2 0 0 0 5 0 0 0 5 0\n");
  for (const char* options : {"", "-sc -studs0", "-enp"}) {
    RunResult run = box.Run(std::string("-o ") + options + " blocks.mpd");
    ExpectSuccess(run);
    std::string scene = box.Scene("blocks.pov");
    // The stray commands stay as comments, without their directives.
    if (std::string(options) != "-enp") {
      EXPECT_NE(std::string::npos,
                scene.find("// R7P ENDPOV\n// R7P ELSEPOV\n"))
          << options;
    }
    ExpectRenders(box.work.path() + "/blocks.pov");
  }
}

TEST(HostileInput, ColourNumbersAtTheLimits) {
  Sandbox box;
  box.Write("colours.ldr",
            "1 0x7FFFFFFF 0 0 0 1 0 0 0 1 0 0 0 1 3001.dat\n"
            "1 -2147483648 0 0 0 1 0 0 0 1 0 0 0 1 3001.dat\n"
            "3 0xFFFFFFFFFFFFFFFF 0 0 0 1 0 0 0 1 0\n"
            "3 99999999999999999999 0 0 0 1 0 0 0 1 0\n"
            "3 2147483647 0 0 0 1 0 0 0 1 0\n"
            "3 0x7FFFFFF 0 0 0 1 0 0 0 1 0\n"
            "3 0x2000000 0 0 0 1 0 0 0 1 0\n");
  RunResult run = box.Run("colours.ldr");
  ExpectSuccess(run);
  EXPECT_EQ(5u, Occurrences(run.out, "Unknown color, using 7")) << run.out;
  ExpectRenders(box.work.path() + "/colours.pov");
  ExpectFatal(box.Run("-c2147483648 colours.ldr"), "Bad color '-c2147483648'.");
}

TEST(HostileInput, ConfigurationFilesWithLongLines) {
  Sandbox box;
  box.Write("brick.ldr", kBrickLine);
  const std::string huge(100000, 'k');
  const std::string ini = box.Write(
      "LDraw.ini", "[" + huge + "]\n" + huge + "=" + huge + "\n[LDraw]\n" +
                       huge + "\nBaseDirectory=" + box.lib.path() +
                       "\n[LDrawSearch]\n1=<LDRAWDIR>/PARTS\n2=<LDRAWDIR>/" +
                       huge + "\n3=<LDRAWDIR>/P\n" + NoiseBytes(4096) + "\n");
  const std::string env =
      "env -u LDRAWDIR -u LDRAWSEARCH -u LGEODIR -u USERPROFILE "
      "-u ALLUSERSPROFILE -u windir SOURCE_DATE_EPOCH=0 HOME=" +
      ShellQuote(box.home.path()) + " LDRAWINI=" + ShellQuote(ini);
  RunResult run = box.RunWithEnv(env, "-ldc brick.ldr");
  ExpectSuccess(run);
  ExpectRenders(box.work.path() + "/brick.pov");

  // A library folder name far beyond any path.
  const std::string bad_ini = box.Write(
      "bad.ini", "[LDraw]\nBaseDirectory=" + std::string(5000, 'd') + "\n");
  RunResult bad = box.RunWithEnv(
      "env -u LDRAWDIR -u LDRAWSEARCH HOME=" + ShellQuote(box.home.path()) +
          " LDRAWINI=" + ShellQuote(bad_ini),
      "-ldc brick.ldr");
  ExpectFatal(bad, "LDrawDir '");

  // A colour file of junk and long lines.
  std::string colours = NoiseBytes(8192) + "\n0 !COLOUR " + huge + "\n";
  for (const char* value : {"2147483648", "-1", "99999999999", "nan", "#GGG"})
    colours += std::string("0 !COLOUR Odd CODE ") + value + " VALUE " + value +
               " EDGE #FFFFFF ALPHA " + value + "\n";
  colours += "0 !COLOUR Fine CODE 4 VALUE #102030 EDGE #FFFFFF ALPHA 99999\n";
  box.Write("colours.ldr", colours);
  RunResult with_colours = box.RunWithEnv(
      testing_support::CleanLdrawEnv(box.home.path()) + ShellQuote(box.lib.path()),
      "-ldccolours.ldr -o brick.ldr");
  ExpectSuccess(with_colours);
  ExpectRenders(box.work.path() + "/brick.pov");
}

TEST(HostileInput, PathsThatAreNoFiles) {
  Sandbox box;
  box.work.Mkdir("folder");
  ExpectFatal(box.Run("folder"), "Cannot find model file 'folder'.");
  box.Write("brick.ldr", kBrickLine);
  ExpectFatal(box.Run("brick.ldr missing/brick.pov"),
              "Could not open 'missing/brick.pov' for writing.");
  // Checking a folder walks it instead.
  box.Write("folder/inner.ldr", kBrickLine);
  RunResult check = box.Run("-check folder");
  ExpectDefinedEnd(check);
  EXPECT_EQ(0, check.status);
  EXPECT_NE(std::string::npos, check.out.find("1 files in folder checked.\n"))
      << check.out;
}

// Input that used to keep the program busy for ever: a device or a FIFO read
// as LDraw (it is as absent as a missing file), and a check of thousands of
// identical lines (the copies beyond the hundredth are counted, not named).
// Every run must end within seconds.
TEST(EndlessInput, EveryCaseEndsAtOnce) {
  Sandbox box;
  const std::string up = Repeat("..\\", 40);
  box.Write("zero.ldr", Reference(up + "dev\\zero"));
  box.Write("fifo.ldr", Reference("pipe.dat"));
  box.Write("dir/zero.dat", Reference(up + "dev\\zero"));
  box.Write("dir/fifo.dat", Reference("pipe.dat"));
  box.Write("same.dat", Repeat("3 4 0 0 0 1 0 0 0 1 0\n", 2000));
  ASSERT_EQ(0, mkfifo((box.work.path() + "/pipe.dat").c_str(), 0600));
  ASSERT_EQ(0, mkfifo((box.work.path() + "/dir/pipe.dat").c_str(), 0600));
  const struct {
    const char* args;
    const char* expected;  // in the messages, or in the remarks of a check
  } kCases[] = {
      {"zero.ldr", "Could not find ..\\..\\"},
      {"fifo.ldr", "Could not find pipe.dat Referenced by fifo.ldr"},
      {"-o pipe.dat x.pov", "*** Cannot find model file 'pipe.dat'."},
      {"-check pipe.dat", "Could not find pipe.dat Referenced by *"},
      {"-check dir", "Could not find pipe.dat Referenced by *"},
      {"-check dir", "Could not find pipe.dat Referenced by fifo.dat"},
      {"-check dir", "dev\\zero Referenced by zero.dat"},
      {"-check same.dat",
       "Line 2000: Identical to 1899 more earlier lines: 3 4 0 0 0 1 0 0 0 1 0"},
  };
  for (const auto& c : kCases) {
    RunResult run = box.RunWithEnv(
        "timeout 10 " + testing_support::CleanLdrawEnv(box.home.path()) +
            ShellQuote(box.lib.path()),
        std::string("-ldc ") + c.args);
    ExpectDefinedEnd(run);
    EXPECT_NE(std::string::npos, (run.err + run.out).find(c.expected))
        << c.args << "\n" << Head(run.err) << Head(run.out);
  }
}
