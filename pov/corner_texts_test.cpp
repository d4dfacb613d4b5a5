#include "pov/corner_texts.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace {

std::string Fresh(const Vector& corner) {
  char text[kCornerTextSize];
  return std::string(text, static_cast<size_t>(FormatCorner(corner, text)));
}

std::string Remembered(CornerTexts& texts, const Vector& corner) {
  char text[kCornerTextSize];
  return std::string(text, static_cast<size_t>(texts.Format(corner, text)));
}

TEST(CornerTexts, SameTextAsFormattedAfresh) {
  CornerTexts texts;
  // Corners that print alike but differ in their bits keep their own text.
  const Vector zero{0, 0, 0};
  const Vector negative_zero{-0.0f, 0, 0};
  EXPECT_EQ(Remembered(texts, zero), "0,0,0");
  EXPECT_EQ(Remembered(texts, negative_zero), "-0,0,0");
  EXPECT_EQ(Remembered(texts, zero), "0,0,0");
  EXPECT_EQ(Remembered(texts, Vector{std::nanf(""), 1e-7f, -3e38f}),
            Fresh(Vector{std::nanf(""), 1e-7f, -3e38f}));

  // A small pool is found again and again; a large one keeps replacing
  // what its slots hold.
  std::mt19937 random(3);
  std::uniform_real_distribution<float> coordinate(-100.0f, 100.0f);
  for (const size_t pool_size : {size_t{50}, size_t{100000}}) {
    std::vector<Vector> pool(pool_size);
    for (Vector& corner : pool) {
      corner = {coordinate(random), coordinate(random), coordinate(random)};
      if (random() % 2) corner.y = std::round(corner.y);
    }
    for (int n = 0; n < 300000; ++n) {
      const Vector& corner = pool[random() % pool_size];
      ASSERT_EQ(Remembered(texts, corner), Fresh(corner)) << n;
    }
  }
}

}  // namespace
