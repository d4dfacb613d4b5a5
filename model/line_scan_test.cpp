#include "model/line_scan.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "base/text_scan.h"
#include "platform/platform.h"
#include "tests/test_support.h"

namespace {

// What sscanf itself makes of the line, starting from the same fields.
GeometryScan ScanfReference(const char* text, const GeometryScan& before) {
  GeometryScan scan = before;
  char word[1000];
  scan.items = std::sscanf(
      text, "%d %li %f %f %f %f %f %f %f %f %f %f %f %f%n %999s", &scan.type,
      &scan.colour, &scan.n[0], &scan.n[1], &scan.n[2], &scan.n[3], &scan.n[4],
      &scan.n[5], &scan.n[6], &scan.n[7], &scan.n[8], &scan.n[9], &scan.n[10],
      &scan.n[11], &scan.after_numbers, word);
  return scan;
}

// Bit for bit: -0 differs from 0, and NaNs are compared by their payload.
::testing::AssertionResult SameScan(const std::string& text,
                                    const GeometryScan& got,
                                    const GeometryScan& want) {
  if (got.items == want.items && got.type == want.type &&
      got.colour == want.colour && got.after_numbers == want.after_numbers &&
      std::memcmp(got.n, want.n, sizeof got.n) == 0)
    return ::testing::AssertionSuccess();
  auto failure = ::testing::AssertionFailure();
  failure << "line \"" << text << "\": items " << got.items << " vs "
          << want.items << ", type " << got.type << " vs " << want.type
          << ", colour " << got.colour << " vs " << want.colour
          << ", offset " << got.after_numbers << " vs " << want.after_numbers;
  for (int i = 0; i < 12; ++i)
    failure << ", n" << i << " " << got.n[i] << " vs " << want.n[i];
  return failure;
}

// Starting fields that are not the defaults, so that a field the scan
// should leave alone but overwrites is seen.
GeometryScan Prefilled() {
  GeometryScan scan;
  scan.items = 77;
  scan.type = -9;
  scan.colour = -99;
  for (int i = 0; i < 12; ++i) scan.n[i] = static_cast<float>(i) + 0.25f;
  scan.after_numbers = -7;
  return scan;
}

// Counts lines the quick path took, to be sure the comparison covers it.
struct Comparison {
  int lines = 0;
  int plain = 0;

  ::testing::AssertionResult Check(const std::string& text) {
    ++lines;
    const GeometryScan before = Prefilled();
    const GeometryScan want = ScanfReference(text.c_str(), before);
    GeometryScan quick = before;
    if (ScanPlainGeometryLine(text.c_str(), quick)) {
      ++plain;
      auto result = SameScan(text, quick, want);
      if (!result) return result << " (quick path)";
      return result;
    }
    // A declined line goes to sscanf itself.
    auto untouched = SameScan(text, quick, before);
    if (!untouched) return untouched << " (declined but changed)";
    return untouched;
  }
};

std::string RandomDigits(std::mt19937& rng, int count) {
  std::string digits;
  for (int i = 0; i < count; ++i)
    digits += static_cast<char>('0' + std::uniform_int_distribution<int>(0, 9)(rng));
  return digits;
}

// Decimal numbers of every length, as authors and tools write them.
std::string RandomDecimal(std::mt19937& rng) {
  auto pick = [&rng](int n) { return std::uniform_int_distribution<int>(0, n)(rng); };
  std::string number;
  int sign = pick(5);
  if (sign == 0) number += '-';
  if (sign == 1) number += '+';
  int whole = pick(8) == 0 ? pick(25) : pick(4);
  int fraction = pick(8) == 0 ? pick(25) : pick(7);
  number += RandomDigits(rng, whole);
  if (fraction > 0 || pick(6) == 0) number += '.';
  number += RandomDigits(rng, fraction);
  if (number.empty() || number == "-" || number == "+") number += '0';
  return number;
}

// Tokens that are not plain decimals, or only nearly.
constexpr const char* kOddTokens[] = {
    "1e5", "1E-3", "-2.5e+2", "1e", "1e+", "1e-", ".", "-", "+", "-.", "+.5",
    "5.", ".5", "-.5", "inf", "-INF", "Infinity", "nan", "-nan", "nan(12)",
    "NaN", "0x1p3", "0X1.8P1", "0x", "0x1G", "0xfF", "017", "08", "0009",
    "-0", "+0", "-0.0", "1.5x", "1,5", "1..2", "--1", "+-1", "-+1",
    "4294967296", "2147483648", "-2147483649", "99999999999999999999",
    "123456789012345678", "1234567890123456789", "0.000000000001",
    "16777217", "16777216", "0.16777217", "3.4028236e38", "1e-50",
    "340282356779733661637539395458142568448", "part.dat", "s\\stud.dat",
    "abc", "\xc3\xa9", "\"", "16x", "0b1", "1.2.3", "00.5", "1e5x",
    "0.0000001", "1234567.8", "12345678.9", "0.1234567890",
    "0.12345678901"};
constexpr int kOddTokenCount = sizeof kOddTokens / sizeof kOddTokens[0];

constexpr const char* kSeparators[] = {" ",  " ",  " ",  "\t", "  ", " \t ",
                                       "\v", "\f", "\r", "\n", ""};

std::string RandomSeparator(std::mt19937& rng) {
  return kSeparators[std::uniform_int_distribution<int>(0, 10)(rng)];
}

std::string RandomLine(std::mt19937& rng) {
  auto pick = [&rng](int n) { return std::uniform_int_distribution<int>(0, n)(rng); };
  std::string line;
  if (pick(10) == 0) line += RandomSeparator(rng);
  int tokens = pick(4) == 0 ? pick(17) : 8 + pick(7);
  for (int i = 0; i < tokens; ++i) {
    if (i > 0) line += pick(30) == 0 ? RandomSeparator(rng) : " ";
    if (pick(12) == 0) {
      line += kOddTokens[pick(kOddTokenCount - 1)];
    } else if (i == 0) {
      line += std::to_string(pick(6) - (pick(20) == 0 ? 3 : 0));
    } else if (i == 1) {
      line += std::to_string(pick(600) - (pick(20) == 0 ? 300 : 0));
    } else {
      line += RandomDecimal(rng);
    }
  }
  if (pick(3) == 0) line += " part" + std::to_string(pick(9)) + ".dat";
  return line;
}

constexpr char kMutations[] = "0123456789.-+eExXpPnNaAiI \t\v\f\r\n,;\"\\/#";

// One character of the line replaced, inserted or removed.
std::string Mutated(std::string line, std::mt19937& rng) {
  auto pick = [&rng](size_t n) { return std::uniform_int_distribution<size_t>(0, n)(rng); };
  char c = kMutations[pick(sizeof kMutations - 2)];
  size_t at = pick(line.size());
  switch (pick(2)) {
    case 0:
      if (at < line.size()) line[at] = c;
      break;
    case 1:
      line.insert(at, 1, c);
      break;
    default:
      if (at < line.size()) line.erase(at, 1);
      break;
  }
  return line;
}

TEST(LineScan, AgreesWithScanfOnGeneratedLines) {
  std::mt19937 rng(20240611);
  Comparison comparison;
  for (int i = 0; i < 60000; ++i) {
    std::string line = RandomLine(rng);
    ASSERT_TRUE(comparison.Check(line));
    for (int k = 0; k < 2; ++k) {
      line = Mutated(line, rng);
      ASSERT_TRUE(comparison.Check(line));
    }
  }
  // Most generated lines are plain and so test the quick path.
  EXPECT_GT(comparison.plain, comparison.lines / 5);
}

TEST(LineScan, AgreesWithScanfOnEdgeCases) {
  const char* const lines[] = {
      "", " ", "\v\f", "x", "1", "1 ", "-1", "+1", "1 16", "1 16 ",
      "2 24 0 0 0 1 1 1", "2 24 0 0 0 1 1 1 7", "3 16 0 0 0 1 0 0 0 1 0",
      "4 16 0 0 0 1 0 0 1 1 0 0 1 0", "4 16 0 0 0 1 0 0 1 1 0 0 1 0 extra",
      "5 24 0 0 0 1 0 0 1 1 0 -1 1 0",
      "1 16 0 0 0 1 0 0 0 1 0 0 0 1 stud.dat",
      "1 16 0 0 0 1 0 0 0 1 0 0 0 1 \"my part.dat\"",
      "1 16 0 0 0 1 0 0 0 1 0 0 0 1stud.dat", "1 16 0 0 0 1 0 0 0 1 0 0 0",
      "1 0x2FF0000 0 0 0 1 0 0 0 1 0 0 0 1 a.dat", "1 017 0 0", "1 08 0 0",
      "1 16 1e3 0 0", "1 16 -0 +0 -0.0 0.", "1 16 .5 -.5 5. +.5",
      "1 16 nan inf -inf", "1 16 0x1p3 0 0", "1-16 0 0", "1 16-0 0",
      "1 16 0.1234567 0.12345678 0.123456789 0.1234567890123",
      "1 16 16777216 16777217 33554433 1234567890123456789012",
      "1 16 0.0000000001 0.00000000001 1e-46 3.5e38",
      "1\t16\t0\t0\t0\t1\t0\t0\t0\t1\t0\t0\t0\t1\ta.dat",
      "1\v16\f0\r0\n0 1 0 0 0 1 0 0 0 1 a.dat",
      "99999999999 16 0", "2147483648 16 0", "-2147483649 16 0",
      "1 99999999999999999999 0", "1 -9223372036854775809 0",
      "1 123456789012345678 0", "1 1234567890123456789 0",
      // Around the digit count a 32-bit accumulator takes, and numbers
      // with and without a fraction on either side of 2^24.
      "1 16 123456789 1234567890 0.12345678 12345.6789 16777216.0",
      "1 16 1677721.6 167772.17 1677721.7 16777.217 000000001 0000000001",
      "1 16 999999999 -999999999 9999999999 4294967295 4294967296 .000000001",
      "3 16 5 -5 +5 5.0 -5.0 0.0 -0 -0. 00 0.000 7.",
      "\t\r", "\n", " \v ", "999999999 16", "1234567890 16",
      "1 999999999999999999 0", "1 -999999999999999999 0",
      // Short types and colours, with leading zeros, glued characters and
      // a third digit.
      "05 16 1 2 3", "00 16", "1 00 1", "1 0 1", "1 09 1", "1 9 1", "12 16",
      "1 16x 1", "1 1x 1", "1x 16", "12x 16", "1 123 1", "1 012 1", "9", "99",
      "0", "1 7", "1 70"};
  Comparison comparison;
  for (const char* line : lines) EXPECT_TRUE(comparison.Check(line));
}

// Decimals of 10 to 17 digits on both sides of the points halfway between
// two floats, and exactly on them: where a double quotient rounded again to
// a float could go the wrong way.
TEST(LineScan, LongDecimalsNearFloatMidpointsAgreeWithScanf) {
  std::mt19937 rng(7071);
  std::uniform_real_distribution<float> magnitude(-7.0f, 6.0f);
  Comparison comparison;
  for (int i = 0; i < 20000; ++i) {
    const float f = std::pow(10.0f, magnitude(rng));
    const double midpoint =
        (static_cast<double>(f) +
         static_cast<double>(std::nextafter(f, 2 * f))) / 2;
    std::string line = "1 16";
    for (int decimals = 3; line.size() < 900 && decimals <= 16; ++decimals) {
      char text[64];
      for (double value : {midpoint, std::nextafter(midpoint, 0.0),
                           std::nextafter(midpoint, 1e30)}) {
        std::snprintf(text, sizeof text, " %.*f", decimals, value);
        line += text;
      }
    }
    // Twelve numbers to a line, as the scan takes them.
    std::vector<std::string> numbers;
    size_t at = 4;
    while (at < line.size()) {
      size_t next = line.find(' ', at + 1);
      if (next == std::string::npos) next = line.size();
      numbers.push_back(line.substr(at, next - at));
      at = next;
    }
    for (size_t first = 0; first < numbers.size(); first += 12) {
      std::string chunk = "1 16";
      for (size_t k = first; k < numbers.size() && k < first + 12; ++k)
        chunk += numbers[k];
      ASSERT_TRUE(comparison.Check(chunk));
    }
  }
  EXPECT_EQ(comparison.plain, comparison.lines);
}

// Every line of the shared library that the reader scans for numbers.
void CompareFileLines(const std::string& dir, Comparison* comparison) {
  auto names = platform::ListDirectory(dir);
  if (!names) return;
  for (const std::string& name : *names) {
    std::string path = dir + "/" + name;
    if (platform::IsDirectory(path)) {
      CompareFileLines(path, comparison);
      continue;
    }
    FILE* stream = fopen(path.c_str(), "rb");
    if (stream == nullptr) continue;
    char buffer[kLineSize];
    while (ReadLine(buffer, sizeof buffer, stream) != nullptr) {
      TrimLine(buffer, true);
      const char* start = SkipBlanks(buffer);
      if (*start == '0') continue;
      EXPECT_TRUE(comparison->Check(start)) << path;
    }
    fclose(stream);
  }
}

TEST(LineScan, AgreesWithScanfOnLibraryLines) {
  R7P_REQUIRE_SHARED_LIBRARY();
  Comparison comparison;
  for (const char* sub : {"/p", "/parts", "/models"})
    CompareFileLines(testing_support::SharedLibrary() + sub, &comparison);
  EXPECT_GT(comparison.plain, comparison.lines * 9 / 10);
}

}  // namespace
