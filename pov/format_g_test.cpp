#include "pov/format_g.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <unordered_set>
#include <vector>

#include "tests/test_support.h"

namespace {

float FromBits(uint32_t bits) {
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

uint32_t BitsOf(float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

// Compares FormatG with snprintf for one value; returns false (after
// recording a failure) on the first difference.
bool SameAsPrintf(float value) {
  char expected[64];
  std::snprintf(expected, sizeof expected, "%g", static_cast<double>(value));
  const double expected_read = std::strtod(expected, nullptr);
  char got[kFormatGSize];
  double read = 0;
  const int length = FormatG(value, got, &read);
  const bool same_read =
      std::memcmp(&expected_read, &read, sizeof read) == 0 ||
      (std::isnan(expected_read) && std::isnan(read));
  if (std::strcmp(expected, got) == 0 &&
      length == static_cast<int>(std::strlen(expected)) && same_read)
    return true;
  ADD_FAILURE() << "value bits 0x" << std::hex << BitsOf(value)
                << ": printf \"" << expected << "\", FormatG \"" << got
                << "\" read back " << read;
  return false;
}

// Every float whose bits pass through `next`, stopping at the first
// difference so that one fault does not flood the log.
template <typename Next>
void ExpectAllSame(size_t count, Next next) {
  for (size_t i = 0; i < count; ++i)
    if (!SameAsPrintf(next())) return;
}

// The numbers of LDraw files: every token of every line that reads as a
// float, and sums, differences, products and halves of neighbouring ones,
// as transformations and boxes make them.
void CollectLibraryNumbers(const std::string& root,
                           std::unordered_set<uint32_t>* values) {
  for (const auto& entry :
       std::filesystem::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file()) continue;
    FILE* stream = std::fopen(entry.path().c_str(), "rb");
    if (stream == nullptr) continue;
    char line[1000];
    while (std::fgets(line, sizeof line, stream) != nullptr) {
      std::vector<float> numbers;
      for (char* token = std::strtok(line, " \t\r\n"); token != nullptr;
           token = std::strtok(nullptr, " \t\r\n")) {
        char* end = nullptr;
        const float value = std::strtof(token, &end);
        if (end != token && *end == '\0') numbers.push_back(value);
      }
      for (size_t i = 0; i < numbers.size(); ++i) {
        const float a = numbers[i];
        values->insert(BitsOf(a));
        values->insert(BitsOf(a / 2));
        for (size_t j = i + 1; j < numbers.size() && j < i + 4; ++j) {
          const float b = numbers[j];
          values->insert(BitsOf(a * b));
          values->insert(BitsOf(a + b));
          values->insert(BitsOf(a - b));
          values->insert(BitsOf(a * b + numbers[i + 1 == j ? i : j - 1]));
        }
      }
    }
    std::fclose(stream);
  }
}

TEST(FormatG, WritesWhatPrintfWrites) {
  const float cases[] = {0.0f,     -0.0f,      1.0f,      -1.0f,     0.5f,
                         1.015625f, 2.5f,      0.1f,      -0.1f,     1e-5f,
                         1e-4f,    0.00012345f, 123456.0f, 999999.0f, 999999.5f,
                         1e6f,     1234565.0f, 9999995.0f, 3.14159265f,
                         1e38f,    -3.4e38f,   1.17549435e-38f, 1.4e-45f,
                         100000.5f, 0.0001f,   0.00009999995f, 16777216.0f,
                         std::nanf(""), INFINITY, -INFINITY};
  for (float value : cases) SameAsPrintf(value);
}

TEST(FormatG, MatchesPrintfOnLibraryNumbers) {
  R7P_REQUIRE_SHARED_LIBRARY();
  std::unordered_set<uint32_t> values;
  CollectLibraryNumbers(testing_support::SharedLibrary(), &values);
  ASSERT_GT(values.size(), 1000u);
  for (uint32_t bits : values)
    if (!SameAsPrintf(FromBits(bits))) return;
}

// Floats with a short mantissa are the dyadic fractions whose seventh
// significant digit can be an exact 5 (1.015625 and the like): the ties.
TEST(FormatG, MatchesPrintfOnTiesAndRoundingBoundaries) {
  // Sign, all exponents, the top eleven mantissa bits.
  uint32_t index = 0;
  ExpectAllSame(size_t{1} << 20, [&] {
    const uint32_t sign = index >> 19;
    const uint32_t exponent = (index >> 11) & 0xFFu;
    const uint32_t mantissa = index & 0x7FFu;
    ++index;
    return FromBits(sign << 31 | exponent << 23 | mantissa << 12);
  });
  for (int exponent = -45; exponent <= 38; ++exponent) {
    std::mt19937 random(static_cast<uint32_t>(exponent + 100));
    ExpectAllSame(4000, [&] {
      // d.ddddd5 * 10^exponent and its float neighbours.
      char text[32];
      std::snprintf(text, sizeof text, "%u.%05u5e%d",
                    1 + static_cast<unsigned>(random() % 9),
                    static_cast<unsigned>(random() % 100000), exponent);
      float value = std::strtof(text, nullptr);
      const int step = static_cast<int>(random() % 5) - 2;
      uint32_t near = BitsOf(value) + static_cast<uint32_t>(step);
      if (random() & 1) near |= 0x80000000u;
      return FromBits(near);
    });
  }
}

void ExpectRandomFloatsMatch(size_t count) {
  std::mt19937 random(7);
  ExpectAllSame(count, [&] { return FromBits(static_cast<uint32_t>(random())); });
  // Uniform bits favour huge and tiny magnitudes; also draw the usual ones.
  std::uniform_real_distribution<float> moderate(-5000.0f, 5000.0f);
  ExpectAllSame(count, [&] { return moderate(random); });
}

TEST(FormatG, MatchesPrintfOnRandomFloats) { ExpectRandomFloatsMatch(1000000); }

// Long runs, for use after changing FormatG:
//   r7p_tests --gtest_also_run_disabled_tests --gtest_filter='FormatG.DISABLED*'
TEST(FormatG, DISABLED_MatchesPrintfOnManyRandomFloats) {
  ExpectRandomFloatsMatch(40000000);
}

TEST(FormatG, DISABLED_MatchesPrintfOnEveryFloatFromOneToOneThousand) {
  uint32_t bits = BitsOf(1.0f);
  const uint32_t last = BitsOf(1024.0f);
  ExpectAllSame(last - bits, [&] { return FromBits(bits++); });
}

}  // namespace
