#include "pov/mesh_triangles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>

#include "tests/test_support.h"

namespace {

DatLine Polygon(int type, const float (&corners)[4][3]) {
  DatLine line;
  line.type = type;
  for (int k = 0; k < 4; ++k)
    for (int i = 0; i < 3; ++i) line.matrix.at(k, i) = corners[k][i];
  return line;
}

// The slow, obviously right answer: format every corner with its read-back
// value and look at the cross products.
bool VisibleAsWritten(const DatLine& line) {
  WrittenCorners corners;
  FormatCorners(line, true, &corners);
  return HasVisibleTriangle(line, corners);
}

TEST(MeshTriangles, WritesTrianglesOfQuadrilateral) {
  const DatLine quad =
      Polygon(4, {{0, 0, 0}, {1, 0, 0}, {1, 0.5f, 0}, {0, 1e-7f, -2}});
  WrittenCorners corners;
  FormatCorners(quad, false, &corners);
  SceneText out;
  AddMeshTriangle(out, corners, kMeshTriangles[0]);
  AddMeshTriangle(out, corners, kMeshTriangles[1]);
  EXPECT_EQ(out.text(),
            "\t\ttriangle { <0,0,0>, <1,0,0>, <1,0.5,0> }\n"
            "\t\ttriangle { <1,0.5,0>, <0,1e-07,-2>, <0,0,0> }\n");
}

TEST(MeshTriangles, CollinearAfterRoundingIsInvisible) {
  // Distinct floats that six digits write alike.
  const DatLine flat = Polygon(
      3, {{1.0000001f, 0, 0}, {1, 0, 0}, {1, 1e-7f, 0}, {0, 0, 0}});
  EXPECT_FALSE(SurelyHasVisibleTriangle(flat));
  EXPECT_FALSE(PolygonIsVisible(flat));
  EXPECT_FALSE(VisibleAsWritten(flat));
  // A quadrilateral whose second triangle survives.
  const DatLine quad =
      Polygon(4, {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {0, 1, 0}});
  EXPECT_TRUE(PolygonIsVisible(quad));
  EXPECT_TRUE(VisibleAsWritten(quad));
  const float nan = std::nanf("");
  const DatLine broken = Polygon(3, {{nan, 0, 0}, {1, 0, 0}, {0, 1, 0}, {}});
  EXPECT_FALSE(SurelyHasVisibleTriangle(broken));
  EXPECT_EQ(PolygonIsVisible(broken), VisibleAsWritten(broken));
}

// Corners as LDraw files have them: a few decimals, at sizes from tiny
// primitives to whole models, with the third corner close to the line
// through the first two, at distances from far to below the rounding, or
// written as the second.
TEST(MeshTriangles, QuickAnswerAgreesWithWrittenNumbers) {
  std::mt19937 random(11);
  std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
  const float sizes[] = {1e-3f, 0.1f, 1, 20, 500, 1e4f, 3e5f};
  const float offsets[] = {1, 1e-2f, 1e-4f, 1e-5f, 1e-6f, 1e-7f, 0};
  int quick = 0;
  int total = 0;
  int invisible = 0;
  int visible_undecided = 0;  // visible, but too close to call quickly
  for (int n = 0; n < 200000; ++n) {
    const float size = sizes[random() % 7];
    const float offset = offsets[random() % 7];
    const float t = unit(random);
    float corners[4][3];
    for (int i = 0; i < 3; ++i) {
      corners[0][i] = std::round(unit(random) * 1e4f) / 1e4f * size;
      corners[1][i] = std::round(unit(random) * 1e4f) / 1e4f * size;
      corners[2][i] = corners[1][i] + t * (corners[0][i] - corners[1][i]) +
                      offset * size * unit(random);
      // Or a float neighbour of the second corner: the same text.
      if (offset == 0 && random() % 2)
        corners[2][i] = std::nextafter(corners[1][i], 1e9f);
      corners[3][i] = random() % 2 ? corners[2][i] : unit(random) * size;
    }
    const DatLine line = Polygon(3 + static_cast<int>(random() % 2), corners);
    const bool expected = VisibleAsWritten(line);
    const bool sure = SurelyHasVisibleTriangle(line);
    ++total;
    if (sure) ++quick;
    if (!expected) ++invisible;
    if (expected && !sure) ++visible_undecided;
    if (sure && !expected) {
      ADD_FAILURE() << "polygon " << n << " is invisible as written";
      return;
    }
    ASSERT_EQ(PolygonIsVisible(line), expected) << "polygon " << n;
  }
  // The quick answer must decide most polygons, or it saves nothing; the
  // cases must reach both sides of the rounding.
  EXPECT_GT(quick, total / 2);
  EXPECT_GT(invisible, 1000);
  EXPECT_GT(visible_undecided, 1000);
}

TEST(MeshTriangles, TextDoesNotDependOnReadBack) {
  std::mt19937 random(12);
  std::uniform_real_distribution<float> coordinate(-300.0f, 300.0f);
  for (int n = 0; n < 10000; ++n) {
    float corners[4][3];
    for (auto& corner : corners)
      for (float& c : corner) c = coordinate(random);
    const DatLine quad = Polygon(4, corners);
    WrittenCorners with, without;
    FormatCorners(quad, true, &with);
    FormatCorners(quad, false, &without);
    for (int k = 0; k < 4; ++k) {
      ASSERT_EQ(with.length[k], without.length[k]);
      ASSERT_EQ(0, std::memcmp(with.text[k], without.text[k],
                               static_cast<size_t>(with.length[k])));
    }
  }
}

}  // namespace
