// The number scan of an LDraw line that does not start with "0": line type,
// colour, up to twelve coordinates and the first word after them.
#ifndef R7P_MODEL_LINE_SCAN_H_
#define R7P_MODEL_LINE_SCAN_H_

/// What the scan of a line converted. Fields whose item was not converted
/// keep the values they had before the scan.
struct GeometryScan {
  int items = 0;  // converted items; < 1 when not even the type converted
  int type = 0;
  long colour = 0;
  float n[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  int after_numbers = -1;  // offset behind the twelfth number
};

/// The quick path of the scan: plain decimal numbers separated by white
/// space, scanned exactly as
///   sscanf(text, "%d %li %f %f %f %f %f %f %f %f %f %f %f %f%n %999s", ...)
/// scans them (the word itself is not kept): `items` is sscanf's result (-1
/// when the text holds nothing but white space), the fields are what it
/// stores. Returns false, leaving `scan` untouched, for any text it does not
/// handle itself (signs without digits, exponents, hexadecimal, octal or
/// very long numbers, "inf", "nan", numbers glued to other characters, ...).
bool ScanPlainGeometryLine(const char* text, GeometryScan& scan);

/// The scan as the model reader takes it: the quick path, else sscanf as
/// above. A number that does not fit a single-precision float ("1e39"), or
/// that is no number at all ("nan", "inf"), would reach the scene verbatim,
/// and POV-Ray cannot parse it. Such a number counts as not converted, so
/// the scan ends in front of it and the item count tells the line is short.
void ScanFiniteGeometryLine(const char* text, GeometryScan& scan);

#endif  // R7P_MODEL_LINE_SCAN_H_
