#include "pov/mesh_triangles.h"

#include <cmath>
#include <cstring>

namespace {

// A coordinate written with six significant digits and read back moves by
// at most 5e-6 of its size (plus one rounding of strtod), so a difference of
// two corners by at most 5e-6 of the sum of their sizes, and one term of a
// cross product component by at most 1e-5 of the product of those sums
// (plus a few roundings of double arithmetic). Twice that bound leaves a
// wide margin.
constexpr double kCrossProductMargin = 2e-5;

constexpr char kTriangleOpen[] = "\t\ttriangle { <";

int TriangleCount(const DatLine& line) { return line.type == 4 ? 2 : 1; }

/// True when the cross product of the triangle `rows` of `line` is far
/// enough from zero in at least one component (see kCrossProductMargin).
bool SurelyVisible(const DatLine& line, const int (&rows)[3]) {
  double a[3], b[3], a_size[3], b_size[3];
  for (int i = 0; i < 3; ++i) {
    const double p0 = static_cast<double>(line.matrix.at(rows[0], i));
    const double p1 = static_cast<double>(line.matrix.at(rows[1], i));
    const double p2 = static_cast<double>(line.matrix.at(rows[2], i));
    a[i] = p0 - p1;
    b[i] = p2 - p1;
    a_size[i] = std::fabs(p0) + std::fabs(p1);
    b_size[i] = std::fabs(p2) + std::fabs(p1);
  }
  for (int i = 0; i < 3; ++i) {
    const int j = (i + 1) % 3;
    const int k = (i + 2) % 3;
    const double cross = a[j] * b[k] - a[k] * b[j];
    const double bound =
        kCrossProductMargin * (a_size[j] * b_size[k] + a_size[k] * b_size[j]);
    // Written so that NaN and infinities fail.
    if (std::fabs(cross) > bound) return true;
  }
  return false;
}

}  // namespace

void FormatCorners(const DatLine& line, bool with_values,
                   WrittenCorners* corners, CornerTexts* known) {
  const int count = line.type == 4 ? 4 : 3;
  for (int k = 0; k < count; ++k) {
    const Vector corner = line.matrix.Row(k);
    if (with_values || known == nullptr)
      corners->length[k] =
          FormatCorner(corner, corners->text[k],
                       with_values ? corners->value[k] : nullptr);
    else
      corners->length[k] = known->Format(corner, corners->text[k]);
  }
}

// POV-Ray drops a mesh triangle whose edges, as it reads the written
// numbers, have a zero cross product.
bool HasVisibleTriangle(const DatLine& line, const WrittenCorners& corners) {
  for (int t = 0; t < TriangleCount(line); ++t) {
    const double* p0 = corners.value[kMeshTriangles[t][0]];
    const double* p1 = corners.value[kMeshTriangles[t][1]];
    const double* p2 = corners.value[kMeshTriangles[t][2]];
    double a[3], b[3];
    for (int i = 0; i < 3; ++i) {
      a[i] = p0[i] - p1[i];
      b[i] = p2[i] - p1[i];
    }
    const double cross[3] = {a[1] * b[2] - a[2] * b[1],
                             a[2] * b[0] - a[0] * b[2],
                             a[0] * b[1] - a[1] * b[0]};
    if (cross[0] != 0 || cross[1] != 0 || cross[2] != 0) return true;
  }
  return false;
}

bool SurelyHasVisibleTriangle(const DatLine& line) {
  for (int t = 0; t < TriangleCount(line); ++t)
    if (SurelyVisible(line, kMeshTriangles[t])) return true;
  return false;
}

bool PolygonIsVisible(const DatLine& line) {
  if (SurelyHasVisibleTriangle(line)) return true;
  WrittenCorners corners;
  FormatCorners(line, true, &corners);
  return HasVisibleTriangle(line, corners);
}

void AddMeshTriangle(SceneText& out, const WrittenCorners& corners,
                     const int (&rows)[3]) {
  // Each corner is copied whole, a fixed size that needs no call to
  // memcpy; what lies past its text is overwritten or left unwritten.
  char* text = out.Room(sizeof kTriangleOpen + 3 * (kCornerTextSize + 4));
  std::memcpy(text, kTriangleOpen, sizeof kTriangleOpen - 1);
  size_t length = sizeof kTriangleOpen - 1;
  for (int k = 0; k < 3; ++k) {
    if (k > 0) {
      std::memcpy(text + length, ">, <", 4);
      length += 4;
    }
    const int row = rows[k];
    std::memcpy(text + length, corners.text[row], kCornerTextSize);
    length += static_cast<size_t>(corners.length[row]);
  }
  std::memcpy(text + length, "> }\n", 4);
  out.Commit(length + 4);
}
