// Single-precision geometry in LDraw units and axes (+y points down).
#ifndef R7P_GEOMETRY_VECTOR_H_
#define R7P_GEOMETRY_VECTOR_H_

#include <string>

/// A point or a direction. Stored with three floats; where a vertex lives in a
/// Matrix row the fourth float of the row follows it.
struct Vector {
  float x = 0, y = 0, z = 0;
};

/// 4x4 row-major matrix. An LDraw type-1 line "x y z a b c d e f g h i" is
/// rows (a b c x), (d e f y), (g h i z), (0 0 0 1). Lines of types 2..5 keep
/// vertex k in row k as (x, y, z, 1).
struct Matrix {
  float m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  float& at(int row, int col) { return m[row * 4 + col]; }
  float at(int row, int col) const { return m[row * 4 + col]; }
  /// Row k read as a vector (x, y, z of the row).
  Vector Row(int k) const { return Vector{m[k * 4], m[k * 4 + 1], m[k * 4 + 2]}; }
  void SetRow(int k, const Vector& v) {
    m[k * 4] = v.x;
    m[k * 4 + 1] = v.y;
    m[k * 4 + 2] = v.z;
    m[k * 4 + 3] = 1.0f;
  }
};

/// Axis-aligned bounding box; the empty box has min 1e16 and max -1e16.
/// Whether it holds a point is recorded by the owner (HAS_BBOX).
struct BBox {
  Vector min{1e16f, 1e16f, 1e16f};
  Vector max{-1e16f, -1e16f, -1e16f};
};

// The operations (VecCopy, VecSub, ..., Solve6) are declared in
// geometry/vector_ops.h.

#endif  // R7P_GEOMETRY_VECTOR_H_
