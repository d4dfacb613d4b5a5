#include "geometry/vector_ops.h"

#include <gtest/gtest.h>

namespace {

void ExpectVector(const Vector& v, float x, float y, float z) {
  EXPECT_FLOAT_EQ(v.x, x);
  EXPECT_FLOAT_EQ(v.y, y);
  EXPECT_FLOAT_EQ(v.z, z);
}

void ExpectNear(const Vector& v, float x, float y, float z) {
  EXPECT_NEAR(v.x, x, 1e-6);
  EXPECT_NEAR(v.y, y, 1e-6);
  EXPECT_NEAR(v.z, z, 1e-6);
}

// The placement of an LDraw type-1 line "x y z a b c d e f g h i".
Matrix Placement(float x, float y, float z, std::initializer_list<float> abc) {
  Matrix m;
  auto it = abc.begin();
  for (int row = 0; row < 3; ++row)
    for (int col = 0; col < 3; ++col) m.at(row, col) = *it++;
  m.at(0, 3) = x;
  m.at(1, 3) = y;
  m.at(2, 3) = z;
  return m;
}

TEST(VectorOps, Arithmetic) {
  Vector a{1, 2, 3}, b{4, 6, 8}, d;
  VecSub(d, b, a);
  ExpectVector(d, 3, 4, 5);
  VecMidpoint(d, a, b);
  ExpectVector(d, 2.5f, 4, 5.5f);
  VecAddScaled(d, a, -2.0, b);
  ExpectVector(d, -7, -10, -13);
  VecCopy(d, a);
  ExpectVector(d, 1, 2, 3);
  EXPECT_DOUBLE_EQ(VecDot(a, b), 40);
  EXPECT_DOUBLE_EQ(VecLength(Vector{3, 0, 4}), 5);
  // The destination may be an operand.
  VecSub(a, a, a);
  ExpectVector(a, 0, 0, 0);
}

TEST(VectorOps, NormalizeRefusesZeroVector) {
  Vector dst{7, 8, 9};
  EXPECT_FALSE(VecNormalize(dst, Vector{0, 0, 0}));
  ExpectVector(dst, 7, 8, 9);
  EXPECT_TRUE(VecNormalize(dst, Vector{3, 0, 4}));
  ExpectVector(dst, 0.6f, 0, 0.8f);
  Vector same{0, -2, 0};
  EXPECT_TRUE(VecNormalize(same, same));
  ExpectVector(same, 0, -1, 0);
  // A tiny vector is still a direction.
  EXPECT_TRUE(VecNormalize(dst, Vector{1e-30f, 0, 0}));
  ExpectVector(dst, 1, 0, 0);
}

TEST(VectorOps, CrossIsRightHanded) {
  Vector d;
  VecCross(d, Vector{1, 0, 0}, Vector{0, 1, 0});
  ExpectVector(d, 0, 0, 1);
  VecCross(d, Vector{0, 1, 0}, Vector{1, 0, 0});
  ExpectVector(d, 0, 0, -1);
  Vector a{1, 2, 3};
  VecCross(a, a, Vector{4, 5, 6});  // aliasing the destination is harmless
  ExpectVector(a, -3, 6, -3);
}

TEST(VectorOps, FormatUsesPercentG) {
  EXPECT_EQ(VecFormat(Vector{0.5f, -1, 0.0000001f}), "<0.5,-1,1e-07>");
  EXPECT_EQ(VecFormat(Vector{0, 1234567, -0.25f}), "<0,1.23457e+06,-0.25>");
  EXPECT_EQ(VecFormat(Vector{100000, 1e16f, -1e16f}),
            "<100000,1e+16,-1e+16>");
  // Two results live side by side.
  std::string first = VecFormat(Vector{1, 2, 3});
  std::string second = VecFormat(Vector{4, 5, 6});
  EXPECT_EQ(first + second, "<1,2,3><4,5,6>");
}

TEST(VectorOps, PlacementMatrix) {
  Matrix m = Placement(10, 20, 30, {1, 0, 0, 0, 1, 0, 0, 0, 1});
  Matrix identity;
  for (int row = 0; row < 3; ++row)
    for (int col = 0; col < 3; ++col)
      EXPECT_EQ(m.at(row, col), identity.at(row, col));
  EXPECT_EQ(m.at(3, 3), 1);
  Vector p;
  MatApply(p, m, Vector{1, 1, 1});
  ExpectVector(p, 11, 21, 31);
  EXPECT_DOUBLE_EQ(MatDet3(m), 1);

  Matrix mirror = Placement(0, 0, 0, {-1, 0, 0, 0, 1, 0, 0, 0, 1});
  EXPECT_DOUBLE_EQ(MatDet3(mirror), -1);
  Matrix general = Placement(0, 0, 0, {2, 1, 0, 0, 3, 4, 5, 0, 6});
  // 2*(18-0) - 0*(6-0) + 5*(4-0)
  EXPECT_DOUBLE_EQ(MatDet3(general), 56);
  Matrix flat = Placement(0, 0, 0, {1, 0, 0, 0, 0, 0, 0, 0, 1});
  EXPECT_DOUBLE_EQ(MatDet3(flat), 0);
  // Rows map a point: (2*1+1*2+0*3, 0*1+3*2+4*3, 5*1+0*2+6*3).
  MatApply(p, general, Vector{1, 2, 3});
  ExpectVector(p, 4, 18, 23);
}

TEST(VectorOps, MatMulVec4UsesAllFourRows) {
  Matrix m = Placement(10, 20, 30, {0, -1, 0, 1, 0, 0, 0, 0, 1});
  m.at(3, 0) = 2;  // a fourth row that is not (0 0 0 1) still counts
  float v[4] = {1, 2, 3, 0};
  float d[4];
  MatMulVec4(d, m, v);
  EXPECT_FLOAT_EQ(d[0], -2);
  EXPECT_FLOAT_EQ(d[1], 1);
  EXPECT_FLOAT_EQ(d[2], 3);
  EXPECT_FLOAT_EQ(d[3], 2);
  float w[4] = {1, 2, 3, 1};
  MatMulVec4(w, m, w);
  EXPECT_FLOAT_EQ(w[0], 8);
  EXPECT_FLOAT_EQ(w[1], 21);
  EXPECT_FLOAT_EQ(w[2], 33);
}

TEST(VectorOps, Rotation) {
  Matrix m;
  EXPECT_TRUE(MatRotation(m, 90, Vector{0, 0, 1}));
  Vector p;
  MatApply(p, m, Vector{1, 0, 0});
  ExpectNear(p, 0, 1, 0);
  // The axis need not be of unit length.
  EXPECT_TRUE(MatRotation(m, 90, Vector{0, 0, 5}));
  MatApply(p, m, Vector{1, 0, 0});
  ExpectNear(p, 0, 1, 0);
  EXPECT_TRUE(MatRotation(m, 180, Vector{1, 0, 0}));
  MatApply(p, m, Vector{0, 1, 2});
  ExpectNear(p, 0, -1, -2);
  for (int i = 12; i < 15; ++i) EXPECT_EQ(m.m[i], 0);
  EXPECT_EQ(m.m[15], 1);

  // A zero axis gives the identity, whatever the matrix held.
  for (float& e : m.m) e = 9;
  EXPECT_FALSE(MatRotation(m, 45, Vector{0, 0, 0}));
  Matrix identity;
  for (int i = 0; i < 16; ++i) EXPECT_EQ(m.m[i], identity.m[i]) << i;
}

TEST(VectorOps, LatLongDirection) {
  Vector d;
  VecFromLatLong(0, 0, d);
  ExpectNear(d, 0, 0, 1);
  VecFromLatLong(0, 90, d);
  ExpectNear(d, -1, 0, 0);
  VecFromLatLong(0, -90, d);
  ExpectNear(d, 1, 0, 0);
  for (float longitude : {0.0f, 45.0f, 170.0f, -120.0f}) {
    VecFromLatLong(90, longitude, d);
    ExpectNear(d, 0, 1, 0);
  }
  VecFromLatLong(-90, 0, d);
  ExpectNear(d, 0, -1, 0);
  VecFromLatLong(30, 45, d);
  EXPECT_NEAR(VecLength(d), 1, 1e-6);
  ExpectNear(d, -0.6123724f, 0.5f, 0.6123724f);
}

TEST(VectorOps, BoundingBoxes) {
  BBox box;
  BBoxGrow(Vector{1, -2, 3}, box);
  ExpectVector(box.min, 1, -2, 3);
  ExpectVector(box.max, 1, -2, 3);
  BBoxGrow(Vector{-1, 5, 3}, box);
  ExpectVector(box.min, -1, -2, 3);
  ExpectVector(box.max, 1, 5, 3);

  BBox unit;
  unit.min = Vector{0, 0, 0};
  unit.max = Vector{1, 2, 3};
  Vector corners[8];
  BBoxCorners(corners, Matrix(), unit);
  const float expected[8][3] = {{0, 0, 0}, {1, 0, 0}, {0, 2, 0}, {1, 2, 0},
                                {0, 0, 3}, {1, 0, 3}, {0, 2, 3}, {1, 2, 3}};
  for (int k = 0; k < 8; ++k)
    ExpectVector(corners[k], expected[k][0], expected[k][1], expected[k][2]);
  Vector plain[8];
  BBoxCorners(plain, unit);
  for (int k = 0; k < 8; ++k)
    ExpectVector(plain[k], expected[k][0], expected[k][1], expected[k][2]);

  Matrix shift = Placement(10, 20, 30, {-1, 0, 0, 0, 1, 0, 0, 0, 1});
  BBoxCorners(corners, shift, unit);
  ExpectVector(corners[0], 10, 20, 30);
  ExpectVector(corners[7], 9, 22, 33);
}

TEST(VectorOps, Solve6) {
  float identity[36] = {};
  for (int i = 0; i < 6; ++i) identity[i * 7] = 1;
  const float b[6] = {1, -2, 3.5f, 0, 1e6f, -7};
  float x[6];
  ASSERT_EQ(Solve6(x, identity, b), 1);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(x[i], b[i]);

  // Two identical rows: singular, and the result is left alone.
  float twin[36];
  for (int i = 0; i < 36; ++i) twin[i] = static_cast<float>((i * 7) % 11 + 1);
  for (int j = 0; j < 6; ++j) twin[4 * 6 + j] = twin[1 * 6 + j];
  float untouched[6] = {9, 9, 9, 9, 9, 9};
  EXPECT_EQ(Solve6(untouched, twin, b), 0);
  for (float v : untouched) EXPECT_EQ(v, 9);

  // A zero column is singular too, without any tolerance.
  float zero_column[36];
  for (int i = 0; i < 36; ++i) zero_column[i] = identity[i];
  zero_column[3 * 7] = 0;
  EXPECT_EQ(Solve6(x, zero_column, b), 0);

  // A permutation: every column needs a row swap.
  float perm[36] = {};
  const int target[6] = {3, 0, 5, 1, 2, 4};
  for (int i = 0; i < 6; ++i) perm[i * 6 + target[i]] = 1;
  ASSERT_EQ(Solve6(x, perm, b), 1);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(x[target[i]], b[i]);

  // A dense system with a known solution.
  float dense[36];
  const float want[6] = {1, -1, 2, 0.5f, -3, 4};
  float rhs[6];
  for (int i = 0; i < 6; ++i) {
    double sum = 0;
    for (int j = 0; j < 6; ++j) {
      dense[i * 6 + j] = static_cast<float>(((i + 1) * (j + 2)) % 7) +
                         (i == j ? 10.0f : 0.0f);
      sum += double{dense[i * 6 + j]} * want[j];
    }
    rhs[i] = static_cast<float>(sum);
  }
  ASSERT_EQ(Solve6(x, dense, rhs), 1);
  for (int i = 0; i < 6; ++i) EXPECT_NEAR(x[i], want[i], 1e-5);
}

TEST(VectorOps, Solve6PivotTieKeepsUpperRow) {
  // Rows 0 and 1 tie for the first pivot (3 and -3). The matrix is exactly
  // singular: with row 0 as pivot the decomposition meets an exact zero on
  // the diagonal, while row 1 would leave a rounding residue and "solve".
  const float a[36] = {3,  0,  -3, 3,  0,  1,  -3, 3,  3,  1,  -2, -3,
                       1,  1,  3,  -3, 2,  -3, -1, -1, 1,  -3, -2, 0,
                       0,  3,  2,  1,  -2, -1, -2, -1, 0,  -1, -2, 3};
  const float b[6] = {1, 3, 2, 1, 0, 1};
  float x[6];
  EXPECT_EQ(Solve6(x, a, b), 0);

  // Equal magnitudes in rows 1 and 2 below a zero: a well-posed system is
  // solved whichever way.
  float c[36] = {};
  c[0 * 6 + 1] = 1;
  c[1 * 6 + 0] = 2;
  c[2 * 6 + 0] = -2;
  c[2 * 6 + 2] = 1;
  for (int i = 3; i < 6; ++i) c[i * 7] = 1;
  const float d[6] = {5, 4, 0, 1, 2, 3};
  ASSERT_EQ(Solve6(x, c, d), 1);
  const float want[6] = {2, 5, 4, 1, 2, 3};
  for (int i = 0; i < 6; ++i) EXPECT_FLOAT_EQ(x[i], want[i]) << i;
}

}  // namespace
