// printf "%g" text of floats, fast and byte for byte the same.
#ifndef R7P_POV_FORMAT_G_H_
#define R7P_POV_FORMAT_G_H_

#include <cstddef>
#include <cstdio>

#include "geometry/vector.h"

/// Room for the longest text FormatG writes ("-1.17549e-38"), with its NUL.
constexpr size_t kFormatGSize = 16;

/// Writes `value`, widened to double, exactly as printf's "%g" writes it
/// (six significant digits, trailing zeros dropped) into `out`, which holds
/// kFormatGSize bytes; returns the length of the text. When `as_read` is not
/// null it receives the double that the text denotes, the number POV-Ray
/// gets back when it reads the text.
int FormatG(float value, char* out, double* as_read = nullptr);

/// Writes three coordinates separated by `separator` into `out` (room for
/// 3 * kFormatGSize bytes); returns the length of the text. When `as_read`
/// is not null it receives the three doubles the text denotes.
int FormatGTriple(float x, float y, float z, char separator, char* out,
                  double* as_read = nullptr);

/// Room for the text of FormatVectorG.
constexpr size_t kVectorGSize = 3 * kFormatGSize + 2;

/// Writes "<x,y,z>" (each coordinate as "%g" writes it, no NUL) into `out`,
/// which holds kVectorGSize bytes; returns the length of the text.
int FormatVectorG(const Vector& v, char* out);

/// Writes "<x,y,z>" with each coordinate as "%g" writes it.
void WriteVectorG(FILE* file, const Vector& v);

#endif  // R7P_POV_FORMAT_G_H_
