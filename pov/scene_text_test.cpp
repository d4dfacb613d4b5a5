#include "pov/scene_text.h"

#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "tests/test_support.h"

namespace {

using testing_support::MemoryFile;

std::string Decimal(int64_t value) {
  char text[32];
  std::snprintf(text, sizeof text, "%" PRId64, value);
  return text;
}

std::string Hex(int64_t value) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%08" PRIX64,
                static_cast<uint64_t>(value));
  return text;
}

// The integers of the scene (types, colours, step numbers) against printf.
TEST(SceneText, NumbersAsPrintfWritesThem) {
  std::mt19937_64 random(5);
  std::vector<int64_t> values = {0,         1,         -1,         16,
                                 0xFFFFFF,  0x1000000, 0x2FF0000,  INT32_MAX,
                                 INT32_MIN, INT64_MAX, INT64_MIN + 1};
  for (int i = 0; i < 10000; ++i) {
    values.push_back(static_cast<int32_t>(random()));
    values.push_back(static_cast<int64_t>(random() >> (random() % 64)));
  }
  for (const int64_t value : values) {
    SceneText number;
    number.AddInt(value);
    ASSERT_EQ(number.text(), Decimal(value));
    SceneText colour;
    colour.AddColour(value);
    ASSERT_EQ(colour.text(), value < 0x1000000 ? Decimal(value) : Hex(value));
  }
}

TEST(SceneText, TextStopsAtNulAndWritesOnce) {
  const std::string with_nul("ab\0cd", 5);
  SceneText text;
  text.Add(with_nul.c_str());
  text.Add('|');
  text.Append(with_nul.data(), with_nul.size());
  text.Add('|');
  text.AddG(0.1f);
  text.AddVectorG(Vector{1, -2.5f, 1e-7f});
  MemoryFile out;
  text.WriteTo(out.get());
  EXPECT_EQ(out.text(), std::string("ab|ab\0cd|0.1<1,-2.5,1e-07>", 26));
  EXPECT_TRUE(text.text().empty());
  text.WriteTo(out.get());
  EXPECT_EQ(out.text().size(), 26u);
}

// Long statements grow the buffer many times over; nothing is lost or
// moved on the way.
TEST(SceneText, GrowsWithoutLosingText) {
  SceneText text;
  std::string expected;
  for (int i = 0; i < 20000; ++i) {
    text.AddInt(i);
    expected += std::to_string(i);
    char* room = text.Room(100);
    const size_t length = static_cast<size_t>(i % 7);
    std::memset(room, 'a' + i % 26, 100);
    text.Commit(length);
    expected.append(length, static_cast<char>('a' + i % 26));
    text.Add(',');
    expected += ',';
  }
  ASSERT_EQ(text.text(), expected);
  MemoryFile out;
  text.WriteTo(out.get());
  EXPECT_EQ(out.text(), expected);
}

}  // namespace
