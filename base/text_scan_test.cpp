#include "base/text_scan.h"
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "base/diagnostics.h"
#include "tests/test_support.h"

namespace {

// Every line ReadLine yields for `content`, read with buffers of `size`.
std::vector<std::string> Lines(const std::string& content, size_t size = kLineSize) {
  FILE* in = fmemopen(const_cast<char*>(content.data()), content.size(), "rb");
  std::vector<std::string> lines;
  std::string line;
  while (ReadLine(&line, in, size)) lines.push_back(line);
  fclose(in);
  return lines;
}

using Words = std::vector<std::string>;

TEST(TextScan, ReadLineEndsLinesAtEveryLineEnd) {
  // CR LF, LF, CR and LF CR each end one line: same line numbers.
  EXPECT_EQ(Lines("a\r\nb\nc\rd\n\re"), (Words{"a\n", "b\n", "c\n", "d\n", "e"}));
  // The same end twice gives an empty line between.
  EXPECT_EQ(Lines("a\r\rb\n\nc"), (Words{"a\n", "\n", "b\n", "\n", "c"}));
  EXPECT_EQ(Lines("a\r\n\r\nb"), (Words{"a\n", "\n", "b"}));
  EXPECT_EQ(Lines("\n"), (Words{"\n"}));
  EXPECT_EQ(Lines(""), Words{});
  EXPECT_EQ(Lines("x"), Words{"x"});
}

TEST(TextScan, ReadLineDropsCtrlZ) {
  EXPECT_EQ(Lines("ab\x1a" "c\n\x1a"), (Words{"abc\n"}));
  EXPECT_EQ(Lines("a\n\x1a\x1a"), (Words{"a\n"}));
  EXPECT_EQ(Lines("\x1a" "a"), (Words{"a"}));
  // A dropped Ctrl-Z still uses room: 3 characters and a Ctrl-Z fill a
  // buffer of 5.
  EXPECT_EQ(Lines("ab\x1a" "cd\n", 5), (Words{"abc", "d\n"}));
}

TEST(TextScan, ReadLineSplitsLongLines) {
  std::vector<std::string> lines = Lines(std::string(1500, 'x') + "\nend\n");
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], std::string(999, 'x'));
  EXPECT_EQ(lines[1], std::string(501, 'x') + "\n");
  EXPECT_EQ(lines[2], "end\n");
  // The buffer form stops at size - 1 characters and always terminates.
  std::string content = "abcdef";
  FILE* in = fmemopen(content.data(), content.size(), "rb");
  char buffer[4];
  ASSERT_NE(ReadLine(buffer, sizeof buffer, in), nullptr);
  EXPECT_STREQ(buffer, "abc");
  ASSERT_NE(ReadLine(buffer, sizeof buffer, in), nullptr);
  EXPECT_STREQ(buffer, "def");
  EXPECT_EQ(ReadLine(buffer, sizeof buffer, in), nullptr);
  fclose(in);
}

// Both ways of reading lines, call for call: the same result and the same
// bytes in the whole buffer (both start from the same filling); the length
// the reader tells is that of the C string it stored.
::testing::AssertionResult SameLines(const std::string& content, size_t size,
                                     size_t block) {
  FILE* plain = fmemopen(const_cast<char*>(content.data()), content.size(), "rb");
  FILE* blocked = fmemopen(const_cast<char*>(content.data()), content.size(), "rb");
  if (plain == nullptr || blocked == nullptr) {
    if (plain != nullptr) fclose(plain);
    if (blocked != nullptr) fclose(blocked);
    return ::testing::AssertionFailure() << "fmemopen failed";
  }
  LineReader reader(blocked, block);
  std::vector<char> want(size, '#'), got(size, '#');
  ::testing::AssertionResult result = ::testing::AssertionSuccess();
  // A few calls beyond the end: both must stay at the end.
  for (int call = 0, after_end = 0; after_end < 3; ++call) {
    const bool want_line = ReadLine(want.data(), size, plain) != nullptr;
    size_t length = SIZE_MAX;
    const bool got_line = reader.ReadLine(got.data(), size, &length) != nullptr;
    if (want_line != got_line || want != got || length != strlen(got.data())) {
      result = ::testing::AssertionFailure()
               << "call " << call << " differs (size " << size << ", block "
               << block << ")";
      break;
    }
    if (!want_line) ++after_end;
  }
  fclose(plain);
  fclose(blocked);
  return result;
}

TEST(TextScan, LineReaderReadsTheLinesOfReadLine) {
  for (const char* content :
       {"", "x", "\n", "\r", "\r\n", "\n\r", "\x1a", "\x1a\x1a", "a\r\rb\n\nc",
        "a\r\n\r\nb", "ab\x1a" "cd\n", "a\n\x1a", "\x1a" "a"})
    for (size_t size : {2, 3, 5, 1000})
      for (size_t block : {1, 2, 3, 4096})
        EXPECT_TRUE(SameLines(content, size, block)) << content;
  // Random text rich in line ends and Ctrl-Z, with lines around the limit.
  std::mt19937 rng(7);
  const char kBytes[] = {'a', 'b', ' ', '\r', '\n', '\x1a', '\0', '\xff'};
  for (int round = 0; round < 3000; ++round) {
    std::string content;
    const size_t length = std::uniform_int_distribution<size_t>(0, 60)(rng);
    for (size_t i = 0; i < length; ++i) {
      const int kind = std::uniform_int_distribution<int>(0, 9)(rng);
      if (kind < 4) {
        content += kBytes[std::uniform_int_distribution<size_t>(0, 7)(rng)];
      } else if (kind == 9) {
        const size_t run = std::uniform_int_distribution<size_t>(990, 1010)(rng);
        content += std::string(run, 'y');
      } else {
        content += 'a';
      }
    }
    size_t size = round % 2 == 0 ? kLineSize
                                 : std::uniform_int_distribution<size_t>(2, 9)(rng);
    size_t block = std::uniform_int_distribution<size_t>(1, 70)(rng);
    ASSERT_TRUE(SameLines(content, size, block));
  }
}

// Lines of everyday length read in everyday blocks, where the reader looks
// for line ends many bytes at a time: special bytes at every offset of a
// long run, and lines that straddle blocks.
TEST(TextScan, LineReaderFindsLineEndsInLongRuns) {
  const char kSpecial[] = {'\r', '\n', '\x1a', '\0'};
  for (char special : kSpecial)
    for (size_t at = 0; at < 40; ++at) {
      std::string content(40, 'q');
      content[at] = special;
      content += "\r\nnext line\n";
      for (size_t block : {16, 17, 31, 32, 33, 4096})
        EXPECT_TRUE(SameLines(content, kLineSize, block))
            << "byte " << int{special} << " at " << at;
    }
  std::mt19937 rng(11);
  for (int round = 0; round < 300; ++round) {
    std::string content;
    const int lines = std::uniform_int_distribution<int>(0, 60)(rng);
    for (int i = 0; i < lines; ++i) {
      const size_t length = std::uniform_int_distribution<int>(0, 9)(rng) == 0
                                ? std::uniform_int_distribution<size_t>(900, 1100)(rng)
                                : std::uniform_int_distribution<size_t>(0, 120)(rng);
      for (size_t k = 0; k < length; ++k) {
        const int kind = std::uniform_int_distribution<int>(0, 199)(rng);
        content += kind == 0   ? '\x1a'
                   : kind == 1 ? '\0'
                   : kind == 2 ? '\r'
                               : static_cast<char>(' ' + kind % 90);
      }
      const int end = std::uniform_int_distribution<int>(0, 4)(rng);
      content += end == 0 ? "\r\n" : end == 1 ? "\n" : end == 2 ? "\r" : end == 3 ? "\n\r" : "\r\n\x1a";
    }
    const size_t block = round % 3 == 0
                             ? std::uniform_int_distribution<size_t>(1, 100)(rng)
                             : std::uniform_int_distribution<size_t>(100, 70000)(rng);
    ASSERT_TRUE(SameLines(content, kLineSize, block)) << "round " << round;
  }
}

TEST(TextScan, ReadLineHandlesBinaryBytes) {
  std::string content("a\0b\xff\n", 5);
  std::vector<std::string> lines = Lines(content);
  ASSERT_EQ(lines.size(), 1u);
  // A NUL byte ends the text of the line as the C string sees it.
  EXPECT_EQ(lines[0], "a");
}

TEST(TextScan, TrimLine) {
  std::string text = "0 STEP \t\r\n\x1a";
  TrimLine(&text, false);
  EXPECT_EQ(text, "0 STEP \t");
  TrimLine(&text, true);
  EXPECT_EQ(text, "0 STEP");
  char buffer[] = " \t\n \r";
  TrimLine(buffer, true);
  EXPECT_STREQ(buffer, "");
  char kept[] = "x \n";
  TrimLine(kept, false);
  EXPECT_STREQ(kept, "x ");
  char counted[] = "1 16 a.dat \t\r\n";
  EXPECT_EQ(TrimLine(counted, strlen(counted), true), 10u);
  EXPECT_STREQ(counted, "1 16 a.dat");
  char empty[] = "\r\n";
  EXPECT_EQ(TrimLine(empty, 2, false), 0u);
  EXPECT_STREQ(empty, "");
}

TEST(TextScan, SkipBlanksStopsAtOtherWhiteSpace) {
  EXPECT_STREQ(SkipBlanks(" \t x"), "x");
  EXPECT_STREQ(SkipBlanks(" \nx"), "\nx");
  EXPECT_STREQ(SkipBlanks(""), "");
}

TEST(TextScan, NextTokenReadsWords) {
  const char* text = "   BFC    CERTIFY  ";
  const char* cursor = text;
  EXPECT_EQ(NextToken(&cursor), "BFC");
  EXPECT_EQ(NextToken(&cursor), "CERTIFY");
  const char* before = cursor;
  EXPECT_EQ(NextToken(&cursor), "");
  EXPECT_EQ(cursor, before);  // no word: the cursor stays
  // Peek leaves the cursor; normalise lowers and turns slashes.
  const char* p = " S/Stud.DAT rest";
  EXPECT_EQ(NextToken(&p, kTokenPeek | kTokenNormalize), "s\\stud.dat");
  EXPECT_EQ(NextToken(&p, 0), "S/Stud.DAT");
  EXPECT_STREQ(p, " rest");
  // Every white space of scanf separates words.
  const char* q = "a\tb\rc\vd\fe";
  std::string all;
  for (std::string w = NextToken(&q); !w.empty(); w = NextToken(&q)) all += w;
  EXPECT_EQ(all, "abcde");
  // The mutable-cursor form moves the same way.
  char buffer[] = " one two";
  char* m = buffer;
  EXPECT_EQ(NextToken(&m), "one");
  EXPECT_STREQ(m, " two");
}

TEST(TextScan, NextTokenSplitsWordsOf80OrMore) {
  std::string word(200, 'w');
  word[79] = 'X';
  word[158] = 'Y';
  const char* cursor = word.c_str();
  std::string first = NextToken(&cursor);
  EXPECT_EQ(first.size(), 79u);
  std::string second = NextToken(&cursor);
  EXPECT_EQ(second.size(), 79u);
  EXPECT_EQ(second[0], 'X');
  EXPECT_EQ(second[78], 'w');
  std::string third = NextToken(&cursor);
  EXPECT_EQ(third.size(), 42u);
  EXPECT_EQ(third[0], 'Y');
  EXPECT_EQ(NextToken(&cursor), "");
  // The buffer form writes the same 79 characters.
  const char* again = word.c_str();
  char token[kTokenSize];
  EXPECT_EQ(std::string(NextToken(&again, 0, token)), first);
}

class ReadFileNameTest : public ::testing::Test {
 protected:
  ReadFileNameTest() {
    diag_.remark_stream = remarks_.get();
    diag_.current_file = "model.ldr";
    diag_.current_line = 7;
    diag_.line_buffer = "1 16 0 0 0 1 0 0 0 1 0 0 0 1 name";
  }
  Diagnostics diag_;
  testing_support::MemoryFile remarks_;
};

TEST_F(ReadFileNameTest, QuotedAndUnquotedNames) {
  EXPECT_EQ(ReadFileName("  my part.dat", diag_), "my part.dat");
  EXPECT_EQ(remarks_.text(), "");
  EXPECT_EQ(ReadFileName("  \"my part.dat\"", diag_), "my part.dat");
  EXPECT_EQ(remarks_.text(), "");
  EXPECT_EQ(ReadFileName("\"my part.dat\" extra", diag_), "my part.dat");
  EXPECT_EQ(remarks_.text(),
            "WARNING \"model.ldr\" Line 7: Trailing characters after end quote: "
            "1 16 0 0 0 1 0 0 0 1 0 0 0 1 name\n");
  EXPECT_EQ(ReadFileName("\"my part.dat", diag_), "my part.dat");
  EXPECT_NE(remarks_.text().find("Line 7: Missing end quote: 1 16"), std::string::npos);
  EXPECT_EQ(ReadFileName("", diag_), "");
}

TEST_F(ReadFileNameTest, LongNamesAreCut) {
  std::string name(1000, 'n');
  EXPECT_EQ(ReadFileName(name.c_str(), diag_).size(), kNameSize - 1);
}

TEST(TextScan, NormalizeName) {
  std::string name = "S/Stud.DAT";
  NormalizeName(&name);
  EXPECT_EQ(name, "s\\stud.dat");
  char buffer[] = "P\\48/ÄB";
  NormalizeName(buffer);
  EXPECT_STREQ(buffer, "p\\48\\Äb");  // ASCII only
  EXPECT_EQ(NormalizedName("A/B"), "a\\b");
}

TEST(TextScan, StartsWithAndIndexInList) {
  EXPECT_TRUE(StartsWith("Author: x", "Author: "));
  EXPECT_FALSE(StartsWith("author: x", "Author: "));
  EXPECT_TRUE(StartsWith("x", ""));
  EXPECT_FALSE(StartsWith("ab", "abc"));
  const char* const list[] = {"STEP", "PAUSE", "", "HIDDEN"};
  EXPECT_EQ(IndexInList("PAUSE", list), 1);
  EXPECT_EQ(IndexInList("step", list), -1);
  EXPECT_EQ(IndexInList("HIDDEN", list), -1);  // the list ends at ""
  EXPECT_EQ(IndexInList("B", {"A", "B", "B"}), 1);
  EXPECT_EQ(IndexInList("C", {"A", "B"}), -1);
}

TEST(TextScan, CopyBoundedAlwaysTerminates) {
  char dst[4] = {'x', 'x', 'x', 'x'};
  CopyBounded(dst, "abcdef", sizeof dst);
  EXPECT_STREQ(dst, "abc");
  CopyBounded(dst, "a", sizeof dst);
  EXPECT_STREQ(dst, "a");
  CopyBounded(dst, "zz", 1);
  EXPECT_STREQ(dst, "");
}

TEST(TextScan, StripTrailingSeparators) {
  std::string path = "dir\\\\";
  StripTrailingBackslashes(&path);
  EXPECT_EQ(path, "dir");
  path = "/lib/ldraw//";
  StripTrailingBackslashes(&path);
  EXPECT_EQ(path, "/lib/ldraw");
  path = "/";
  StripTrailingBackslashes(&path);
  EXPECT_EQ(path, "/");
  path = "//";
  StripTrailingBackslashes(&path);
  EXPECT_EQ(path, "/");
  char buffer[] = "a/b\\/";
  StripTrailingBackslashes(buffer);
  EXPECT_STREQ(buffer, "a/b");
}

TEST(TextScan, IsDirectory) {
  testing_support::TempDir dir;
  std::string file = dir.Write("f.txt", "x");
  EXPECT_TRUE(platform::IsDirectory(dir.path()));
  EXPECT_FALSE(platform::IsDirectory(file));
  EXPECT_FALSE(platform::IsDirectory(dir.path() + "/missing"));
  EXPECT_FALSE(platform::IsDirectory(""));
}

TEST(TextScan, CharacterClasses) {
  EXPECT_TRUE(IsDigit('0') && IsDigit('9'));
  EXPECT_FALSE(IsDigit('a') || IsDigit(-23) || IsDigit(0xB2));
  EXPECT_TRUE(IsLetter('a') && IsLetter('Z'));
  EXPECT_FALSE(IsLetter('_') || IsLetter(-60) || IsLetter(0xC4));
  EXPECT_TRUE(IsAllDigits("0123"));
  EXPECT_FALSE(IsAllDigits(""));
  EXPECT_FALSE(IsAllDigits("12a"));
  for (const char* yes : {"12.5", "12.", ".5", "0.0"}) EXPECT_TRUE(IsDecimal(yes)) << yes;
  for (const char* no : {"12", ".", "", "1.2.3", "a.5", "-1.5", "1.5e3"})
    EXPECT_FALSE(IsDecimal(no)) << no;
  EXPECT_TRUE(IsIdentifier("Trans_Clear2"));
  EXPECT_TRUE(IsIdentifier("a"));
  EXPECT_FALSE(IsIdentifier("2a"));
  EXPECT_FALSE(IsIdentifier("_a"));
  EXPECT_FALSE(IsIdentifier("a-b"));
  EXPECT_FALSE(IsIdentifier(""));
}

}  // namespace
