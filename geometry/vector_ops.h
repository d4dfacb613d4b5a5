// Operations on vectors, placement matrices and bounding boxes. Values are
// stored in single precision; every operation computes in double and rounds
// only when it stores its result. None allocates or keeps state.
#ifndef R7P_GEOMETRY_VECTOR_OPS_H_
#define R7P_GEOMETRY_VECTOR_OPS_H_

#include <cmath>
#include <string>

#include "geometry/vector.h"

/// dst = src.
void VecCopy(Vector& dst, const Vector& src);
/// The vector of three doubles, each rounded to float once.
inline Vector MakeVector(double x, double y, double z) {
  return Vector{static_cast<float>(x), static_cast<float>(y),
                static_cast<float>(z)};
}
// The small operations below are defined here so that the validation of
// every polygon of a library gets them inlined.
/// dst = a - b. dst may be a or b.
inline void VecSub(Vector& dst, const Vector& a, const Vector& b) {
  dst = MakeVector(double{a.x} - b.x, double{a.y} - b.y, double{a.z} - b.z);
}
/// dst = (a + b) * 0.5. dst may be a or b.
void VecMidpoint(Vector& dst, const Vector& a, const Vector& b);
/// dst = base + s * dir. dst may be base or dir.
void VecAddScaled(Vector& dst, const Vector& base, double s, const Vector& dir);
/// The dot product a . b.
inline double VecDot(const Vector& a, const Vector& b) {
  return double{a.x} * b.x + double{a.y} * b.y + double{a.z} * b.z;
}
/// sqrt(x*x + y*y + z*z).
inline double VecLength(const Vector& v) { return std::sqrt(VecDot(v, v)); }
/// dst = src / |src|; false, with dst untouched, when the length is exactly
/// 0. dst may be src.
bool VecNormalize(Vector& dst, const Vector& src);
/// dst = a x b (right-handed). Safe also when dst is a or b.
inline void VecCross(Vector& dst, const Vector& a, const Vector& b) {
  // Built in a temporary first, so that dst may alias an operand.
  dst = MakeVector(double{a.y} * b.z - double{a.z} * b.y,
                   double{a.z} * b.x - double{a.x} * b.z,
                   double{a.x} * b.y - double{a.y} * b.x);
}
/// The scene-file text of a vector: "<%g,%g,%g>".
std::string VecFormat(const Vector& v);

/// Determinant of the 3x3 rotation/scale block (rows 0-2, columns 0-2).
double MatDet3(const Matrix& m);
/// dst[i] = sum over j of m[i][j] * v[j], i = 0..3. dst may be v.
void MatMulVec4(float dst[4], const Matrix& m, const float v[4]);
/// dst = m * (p, 1), rows 0-2 only. dst may be p.
void MatApply(Vector& dst, const Matrix& m, const Vector& p);
/// m = right-handed rotation by `angle_degrees` about `axis` (any non-zero
/// length); a zero axis gives the identity and false.
bool MatRotation(Matrix& m, double angle_degrees, const Vector& axis);

/// dst = the unit direction in which an observer at globe position
/// (latitude, longitude) in degrees looks towards the centre:
/// (-sin lo * cos la, sin la, cos la * cos lo). Latitude 90 is above the
/// model (-y), longitude 0 in front of it (-z), 90 to its right (+x).
/// The latitude is not clamped.
void VecFromLatLong(float latitude, float longitude, Vector& dst);

/// Widens `box` on each axis so that it holds `p`; one point makes an
/// empty box valid.
void BBoxGrow(const Vector& p, BBox& box);
/// The 8 corners of `box` mapped by `m`: corner k takes x from max when
/// bit 0 of k is set, y when bit 1 is set, z when bit 2 is set.
void BBoxCorners(Vector dst[8], const Matrix& m, const BBox& box);
/// The 8 corners of `box` in the same order, without a matrix.
void BBoxCorners(Vector dst[8], const BBox& box);

/// Solves a * x = b for a 6x6 row-major `a` by LU decomposition with
/// partial pivoting (ties keep the upper row). Returns 1, or 0 when a
/// diagonal element of the decomposition is exactly 0 (x then untouched).
int Solve6(float x[6], const float a[36], const float b[6]);

#endif  // R7P_GEOMETRY_VECTOR_OPS_H_
