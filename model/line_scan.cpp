#include "model/line_scan.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

// note [plain numbers]: nearly every line of a real library is plain decimal
// numbers separated by blanks, and for exactly those the scan is done here
// without the general scanf machinery, which costs more than reading the
// file. Everything else -- signs without digits, exponents, hexadecimal and
// octal colours, "inf" and "nan", numbers glued to letters, very long digit
// runs -- is declined and goes to sscanf, so that every line keeps the
// results it has always had. The tests compare both over generated and real
// lines.

namespace {

// Below this, every integer is exactly a float, and so is every power of
// ten up to kPowersOfTen's last; the quotient of two exact floats is then
// the correctly rounded value of the decimal, which is what strtof gives.
constexpr uint64_t kExactFloatMantissa = uint64_t{1} << 24;
constexpr float kPowersOfTen[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f,
                                  1e6f, 1e7f, 1e8f, 1e9f, 1e10f};
constexpr int kMaxExactFraction = 10;
// Digits a 64-bit accumulator takes without overflow.
constexpr int kMaxAccumulated = 19;

// White space as scanf's directives and conversions skip it (C locale).
bool IsScanSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' ||
         c == '\f';
}

const char* SkipScanSpace(const char* p) {
  while (IsScanSpace(*p)) ++p;
  return p;
}

// Inline: this test runs for every character of every number.
bool IsDecimalDigit(char c) { return static_cast<unsigned>(c - '0') < 10u; }

// A number handled here must be followed by white space or the end: any
// other character would start a partial conversion.
bool EndsNumber(char c) { return c == '\0' || IsScanSpace(c); }

/// [+-]digits, at most `max_digits` of them. With `leading_zero_base` a
/// multi-digit number starting with 0 is declined: "%li" reads it in octal.
bool ParseInteger(const char** cursor, int max_digits, bool leading_zero_base,
                  long* value) {
  const char* p = *cursor;
  bool negative = *p == '-';
  if (*p == '+' || *p == '-') ++p;
  const char* digits = p;
  long result = 0;
  for (; IsDecimalDigit(*p); ++p)
    if (p - digits < max_digits) result = result * 10 + (*p - '0');
  const long count = p - digits;
  if (count == 0 || count > max_digits || !EndsNumber(*p)) return false;
  if (leading_zero_base && count > 1 && *digits == '0') return false;
  *value = negative ? -result : result;
  *cursor = p;
  return true;
}

/// [+-]digits[.digits] (either run may be empty, not both).
bool ParseFloat(const char** cursor, float* value) {
  const char* start = *cursor;
  const char* p = start;
  bool negative = *p == '-';
  if (*p == '+' || *p == '-') ++p;
  uint64_t mantissa = 0;
  int digits = 0;
  int fraction = 0;
  auto take_digits = [&](int* counter) {
    for (; IsDecimalDigit(*p); ++p, ++digits, ++*counter)
      if (digits < kMaxAccumulated)
        mantissa = mantissa * 10 + static_cast<uint64_t>(*p - '0');
  };
  int whole = 0;
  take_digits(&whole);
  if (*p == '.') {
    ++p;
    take_digits(&fraction);
  }
  if (digits == 0 || !EndsNumber(*p)) return false;
  if (digits <= kMaxAccumulated && mantissa <= kExactFloatMantissa &&
      fraction <= kMaxExactFraction) {
    float result = static_cast<float>(mantissa) / kPowersOfTen[fraction];
    *value = negative ? -result : result;
  } else {
    char* end = nullptr;
    float result = strtof(start, &end);
    if (end != p) return false;
    *value = result;
  }
  *cursor = p;
  return true;
}

}  // namespace

bool ScanPlainGeometryLine(const char* text, GeometryScan& scan) {
  GeometryScan out = scan;
  const char* p = SkipScanSpace(text);
  long type = 0;
  if (*p == '\0' || !ParseInteger(&p, 9, false, &type)) return false;
  out.type = static_cast<int>(type);
  out.items = 1;
  p = SkipScanSpace(p);
  if (*p != '\0') {
    if (!ParseInteger(&p, 18, true, &out.colour)) return false;
    out.items = 2;
    for (float& number : out.n) {
      p = SkipScanSpace(p);
      if (*p == '\0') break;
      if (!ParseFloat(&p, &number)) return false;
      ++out.items;
    }
    if (out.items == 14) {
      out.after_numbers = static_cast<int>(p - text);
      // Whatever follows is the first word of the name.
      if (*SkipScanSpace(p) != '\0') ++out.items;
    }
  }
  scan = out;
  return true;
}

void ScanGeometryLine(const char* text, GeometryScan& scan) {
  if (ScanPlainGeometryLine(text, scan)) return;
  char word[1000];
  scan.items = std::sscanf(
      text, "%d %li %f %f %f %f %f %f %f %f %f %f %f %f%n %999s", &scan.type,
      &scan.colour, &scan.n[0], &scan.n[1], &scan.n[2], &scan.n[3], &scan.n[4],
      &scan.n[5], &scan.n[6], &scan.n[7], &scan.n[8], &scan.n[9], &scan.n[10],
      &scan.n[11], &scan.after_numbers, word);
}
