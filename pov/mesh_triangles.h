// The triangles of an LDraw triangle or quadrilateral as a POV-Ray mesh
// gets them, and whether POV-Ray keeps any of them.
#ifndef R7P_POV_MESH_TRIANGLES_H_
#define R7P_POV_MESH_TRIANGLES_H_

#include "model/dat_file.h"
#include "pov/corner_texts.h"
#include "pov/format_g.h"
#include "pov/scene_text.h"

/// The two triangles of a quadrilateral (only the first for a triangle),
/// by vertex row.
inline constexpr int kMeshTriangles[2][3] = {{0, 1, 2}, {2, 3, 0}};

/// The corners of a triangle or quadrilateral formatted once: the text the
/// scene gets ("x,y,z") and, when asked for, the numbers POV-Ray reads back
/// from that text.
struct WrittenCorners {
  char text[4][kCornerTextSize];
  int length[4];
  double value[4][3];
};

/// Formats the three or four corners of the type-3 or type-4 `line`;
/// fills `corners->value` only when `with_values`, else takes the texts of
/// corners from `known` when given.
void FormatCorners(const DatLine& line, bool with_values,
                   WrittenCorners* corners, CornerTexts* known = nullptr);

/// True when one of the polygon's triangles, as POV-Ray reads the written
/// corners (`corners` formatted with values), has a non-zero cross product.
bool HasVisibleTriangle(const DatLine& line, const WrittenCorners& corners);

/// True when the polygon's corners are so far from collinear that one of
/// its triangles is visible whatever six-digit rounding does to them; false
/// says nothing.
bool SurelyHasVisibleTriangle(const DatLine& line);

/// HasVisibleTriangle of the corners as written, formatting them only when
/// SurelyHasVisibleTriangle cannot tell.
bool PolygonIsVisible(const DatLine& line);

/// Adds "\t\ttriangle { <a>, <b>, <c> }\n" for the corners `rows`.
void AddMeshTriangle(SceneText& text, const WrittenCorners& corners,
                     const int (&rows)[3]);

#endif  // R7P_POV_MESH_TRIANGLES_H_
