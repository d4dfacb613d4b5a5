#include "geometry/vector_ops.h"

#include <cmath>
#include <cstdio>
#include <utility>

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kDegreesToRadians = 0.017453292519943295;

}  // namespace

void VecCopy(Vector& dst, const Vector& src) { dst = src; }

void VecMidpoint(Vector& dst, const Vector& a, const Vector& b) {
  dst = MakeVector((double{a.x} + b.x) * 0.5, (double{a.y} + b.y) * 0.5,
                   (double{a.z} + b.z) * 0.5);
}

void VecAddScaled(Vector& dst, const Vector& base, double s, const Vector& dir) {
  dst = MakeVector(base.x + s * dir.x, base.y + s * dir.y, base.z + s * dir.z);
}

bool VecNormalize(Vector& dst, const Vector& src) {
  double length = VecLength(src);
  if (length == 0) return false;
  double inverse = 1.0 / length;
  dst = MakeVector(src.x * inverse, src.y * inverse, src.z * inverse);
  return true;
}

std::string VecFormat(const Vector& v) {
  char text[128];
  std::snprintf(text, sizeof text, "<%g,%g,%g>", double{v.x}, double{v.y},
                double{v.z});
  return text;
}

double MatDet3(const Matrix& m) {
  double a = m.at(0, 0), b = m.at(0, 1), c = m.at(0, 2);
  double d = m.at(1, 0), e = m.at(1, 1), f = m.at(1, 2);
  double g = m.at(2, 0), h = m.at(2, 1), i = m.at(2, 2);
  return a * (e * i - f * h) - d * (b * i - c * h) + g * (b * f - c * e);
}

void MatMulVec4(float dst[4], const Matrix& m, const float v[4]) {
  float result[4];
  for (int row = 0; row < 4; ++row) {
    double sum = 0;
    for (int col = 0; col < 4; ++col) sum += double{m.at(row, col)} * v[col];
    result[row] = static_cast<float>(sum);
  }
  for (int row = 0; row < 4; ++row) dst[row] = result[row];
}

void MatApply(Vector& dst, const Matrix& m, const Vector& p) {
  double v[3];
  for (int row = 0; row < 3; ++row) {
    v[row] = double{m.at(row, 0)} * p.x + double{m.at(row, 1)} * p.y +
             double{m.at(row, 2)} * p.z + m.at(row, 3);
  }
  dst = MakeVector(v[0], v[1], v[2]);
}

bool MatRotation(Matrix& m, double angle_degrees, const Vector& axis) {
  for (float& element : m.m) element = 0;
  double theta = angle_degrees * kPi / 180;
  double c = std::cos(theta), s = std::sin(theta), t = 1 - c;
  Vector unit;
  if (!VecNormalize(unit, axis)) {
    m.at(0, 0) = m.at(1, 1) = m.at(2, 2) = m.at(3, 3) = 1;
    return false;
  }
  double ux = unit.x, uy = unit.y, uz = unit.z;
  double rows[3][3] = {
      {t * ux * ux + c, t * ux * uy - uz * s, t * ux * uz + uy * s},
      {t * ux * uy + uz * s, t * uy * uy + c, t * uy * uz - ux * s},
      {t * ux * uz - uy * s, t * uy * uz + ux * s, t * uz * uz + c}};
  for (int row = 0; row < 3; ++row)
    for (int col = 0; col < 3; ++col)
      m.at(row, col) = static_cast<float>(rows[row][col]);
  m.at(3, 3) = 1;
  return true;
}

void VecFromLatLong(float latitude, float longitude, Vector& dst) {
  double phi = latitude * kDegreesToRadians;
  double lambda = longitude * kDegreesToRadians;
  dst = MakeVector(-std::sin(lambda) * std::cos(phi), std::sin(phi),
                   std::cos(phi) * std::cos(lambda));
}

void BBoxGrow(const Vector& p, BBox& box) {
  // Both tests are made: the first point of an empty box sets both corners.
  if (box.min.x > p.x) box.min.x = p.x;
  if (box.max.x < p.x) box.max.x = p.x;
  if (box.min.y > p.y) box.min.y = p.y;
  if (box.max.y < p.y) box.max.y = p.y;
  if (box.min.z > p.z) box.min.z = p.z;
  if (box.max.z < p.z) box.max.z = p.z;
}

void BBoxCorners(Vector dst[8], const BBox& box) {
  for (int k = 0; k < 8; ++k) {
    dst[k] = Vector{(k & 1) ? box.max.x : box.min.x,
                    (k & 2) ? box.max.y : box.min.y,
                    (k & 4) ? box.max.z : box.min.z};
  }
}

void BBoxCorners(Vector dst[8], const Matrix& m, const BBox& box) {
  BBoxCorners(dst, box);
  for (int k = 0; k < 8; ++k) MatApply(dst[k], m, dst[k]);
}

int Solve6(float x[6], const float a[36], const float b[6]) {
  constexpr int n = 6;
  double lu[n][n];
  int perm[n];
  for (int i = 0; i < n; ++i) {
    perm[i] = i;
    for (int j = 0; j < n; ++j) lu[i][j] = a[i * n + j];
  }
  // Left-looking decomposition: column j is completed from the columns
  // before it, then the pivot is chosen among the rows not yet fixed.
  for (int j = 0; j < n; ++j) {
    double col[n];
    for (int i = 0; i < n; ++i) col[i] = lu[i][j];
    for (int i = 0; i < n; ++i) {
      int kmax = i < j ? i : j;
      double sum = 0;
      for (int k = 0; k < kmax; ++k) sum += lu[i][k] * col[k];
      col[i] -= sum;
      lu[i][j] = col[i];
    }
    int pivot = j;
    for (int i = j + 1; i < n; ++i) {
      if (std::fabs(col[i]) > std::fabs(col[pivot])) pivot = i;
    }
    if (pivot != j) {
      for (int k = 0; k < n; ++k) std::swap(lu[pivot][k], lu[j][k]);
      std::swap(perm[pivot], perm[j]);
    }
    if (lu[j][j] != 0) {
      for (int i = j + 1; i < n; ++i) lu[i][j] /= lu[j][j];
    }
  }
  for (int k = 0; k < n; ++k) {
    if (lu[k][k] == 0) return 0;
  }
  double v[n];
  for (int i = 0; i < n; ++i) v[i] = b[perm[i]];
  for (int k = 0; k < n; ++k)
    for (int i = k + 1; i < n; ++i) v[i] -= v[k] * lu[i][k];
  for (int k = n - 1; k >= 0; --k) {
    v[k] /= lu[k][k];
    for (int i = 0; i < k; ++i) v[i] -= v[k] * lu[i][k];
  }
  for (int i = 0; i < n; ++i) x[i] = static_cast<float>(v[i]);
  return 1;
}
