// The texts of mesh corners already written, for corners that polygons
// share.
#ifndef R7P_POV_CORNER_TEXTS_H_
#define R7P_POV_CORNER_TEXTS_H_

#include <cstdint>
#include <vector>

#include "geometry/vector.h"
#include "pov/format_g.h"

/// Room for the text of one corner, "x,y,z", with its NUL.
inline constexpr int kCornerTextSize = 3 * kFormatGSize;

/// Remembers the "x,y,z" texts of recent corners. Neighbouring triangles
/// and quadrilaterals of a part share most of their corners, and the same
/// primitives place the same corners again and again, so most corners are
/// formatted once. A corner is looked up by the bits of its coordinates;
/// each slot keeps the last corner that fell into it.
class CornerTexts {
 public:
  CornerTexts();

  /// Writes the text of `corner` (three FormatG texts joined by ',') into
  /// `text`, which holds kCornerTextSize bytes; returns its length.
  int Format(const Vector& corner, char* text);

 private:
  struct Slot {
    uint32_t bits[3];
    int32_t length;  // 0: empty
    char text[kCornerTextSize];
  };
  std::vector<Slot> slots_;
};

/// The text of `corner` as CornerTexts::Format writes it, formatted afresh;
/// with `values`, also the three numbers POV-Ray reads back from it.
int FormatCorner(const Vector& corner, char* text, double* values = nullptr);

#endif  // R7P_POV_CORNER_TEXTS_H_
