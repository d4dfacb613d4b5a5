// The helpers the other tests lean on: when they are wrong, whole groups of
// tests pass or fail for the wrong reason.
#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

using testing_support::ReadFileText;
using testing_support::ShellQuote;
using testing_support::TempDir;

TEST(TestSupport, ShellQuotingAndFileText) {
  TempDir dir;
  const std::string path = dir.Mkdir("it's a \"folder\"") + "/$HOME \\ `x`.txt";
  ASSERT_EQ(std::system(("printf 'a\\nb' > " + ShellQuote(path)).c_str()), 0);
  EXPECT_EQ(ReadFileText(path), "a\nb");
  EXPECT_EQ(ReadFileText(dir.path() + "/none.txt"), "");

  EXPECT_EQ(testing_support::Occurrences("aaaaa", "aa"), 2u);
  EXPECT_EQ(testing_support::Occurrences("abc", "x"), 0u);
  EXPECT_EQ(testing_support::Occurrences("abc", ""), 0u);
}

TEST(TestSupport, RenderWithPovrayTakesBlanksAndExtraOptions) {
  if (!testing_support::HavePovray()) GTEST_SKIP() << "povray not installed";
  TempDir dir;
  const std::string includes = dir.Mkdir("my includes");
  dir.Write("my includes/shape.inc", "#declare Shape = sphere { 0, 1 }\n");
  const std::string scene = dir.Write(
      "my scenes/ball scene.pov",
      "#include \"shape.inc\"\n"
      "camera { location <0,0,-5> look_at 0 }\n"
      "light_source { <0,5,-5> color rgb 1 }\n"
      "object { Shape pigment { rgb 1 } }\n");
  std::string messages;
  EXPECT_EQ(testing_support::RenderWithPovray(scene, &messages,
                                              "+Q3 " + testing_support::PovrayPathOption("+L", includes)),
            0)
      << messages;
  // Without the include folder the scene cannot be parsed.
  EXPECT_NE(testing_support::RenderWithPovray(scene, &messages), 0);
  EXPECT_NE(messages.find("Error"), std::string::npos) << messages;
}

}  // namespace
