#include "model/line_scan.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "base/text_scan.h"

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
constexpr uint32_t kExactFloatMantissa = uint32_t{1} << 24;
constexpr float kPowersOfTen[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f,
                                  1e5f, 1e6f, 1e7f, 1e8f, 1e9f};
// Digits of a line type taken here (any such number fits an int), and of a
// number divided in single precision (kPowersOfTen goes that far).
constexpr long kMaxAccumulated = 9;
// Longer numbers ("0.70710678", common in rotation matrices) are divided in
// double precision: up to this many digits the mantissa and the power of
// ten are exact doubles, so the quotient is the correctly rounded double of
// the decimal. Still longer digit runs are left to strtof.
constexpr long kMaxExactDoubleDigits = 15;
constexpr double kDoublePowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,
                                         1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                         1e12, 1e13, 1e14, 1e15};
// The same for the colour, accumulated in 64 bits.
constexpr long kMaxColourDigits = 18;

// A number handled here must be followed by white space or the end: any
// other character would start a partial conversion.
bool EndsNumber(char c) { return c == '\0' || IsScanSpace(c); }

// The value of a decimal digit, or 10 or more for any other character.
unsigned DigitValue(char c) {
  return static_cast<unsigned>(static_cast<unsigned char>(c)) - '0';
}

// Takes the digits at `*p` into `value` (which wraps around on overflow;
// callers bound the digit count) and returns how many there were.
template <typename Accumulator>
long TakeDigits(const char** p, Accumulator* value) {
  const char* first = *p;
  const char* q = first;
  Accumulator result = *value;
  for (unsigned digit = DigitValue(*q); digit < 10; digit = DigitValue(*++q))
    result = result * 10 + digit;
  *value = result;
  *p = q;
  return q - first;
}

/// [+-]digits, at most `max_digits` of them (at most kMaxColourDigits).
/// With `leading_zero_base` a multi-digit number starting with 0 is
/// declined: "%li" reads it in octal.
bool ParseInteger(const char** cursor, long max_digits, bool leading_zero_base,
                  long* value) {
  const char* p = *cursor;
  const bool negative = *p == '-';
  if (*p == '+' || *p == '-') ++p;
  const char* digits = p;
  uint64_t result = 0;
  const long count = TakeDigits(&p, &result);
  if (count == 0 || count > max_digits || !EndsNumber(*p)) return false;
  if (leading_zero_base && count > 1 && *digits == '0') return false;
  const long magnitude = static_cast<long>(result);
  *value = negative ? -magnitude : magnitude;
  *cursor = p;
  return true;
}

/// The usual line type and colour: one digit, or two not starting with 0
/// (which "%li" would read in octal), followed by white space or the end.
/// False, with nothing taken, for anything else.
bool ParseSmallInteger(const char** cursor, long* value) {
  const char* p = *cursor;
  const unsigned first = DigitValue(p[0]);
  if (first >= 10) return false;
  const unsigned second = DigitValue(p[1]);
  if (second >= 10) {
    if (!EndsNumber(p[1])) return false;
    *value = first;
    *cursor = p + 1;
    return true;
  }
  if (first == 0 || !EndsNumber(p[2])) return false;
  *value = first * 10 + second;
  *cursor = p + 2;
  return true;
}

// True when `value`, a positive double in the range of normal floats, lies
// exactly halfway between two floats: its 29 bits below a float's mantissa
// are a one and zeros.
bool IsFloatMidpoint(double value) {
  uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  constexpr uint64_t kBelowFloat = (uint64_t{1} << 29) - 1;
  return (bits & kBelowFloat) == uint64_t{1} << 28;
}

// The float nearest to mantissa / 10^fraction, as strtof rounds it, for a
// mantissa of at most kMaxExactDoubleDigits digits; nothing when rounding
// the double quotient to a float could differ from rounding the decimal.
// The quotient is the double nearest to the decimal, so no float midpoint
// lies strictly between the two: only a quotient that is a midpoint itself
// leaves the decimal's side of it unknown.
std::optional<float> DecimalToFloat(uint64_t mantissa, long fraction) {
  const double quotient =
      static_cast<double>(mantissa) / kDoublePowersOfTen[fraction];
  if (IsFloatMidpoint(quotient)) return std::nullopt;
  return static_cast<float>(quotient);
}

/// [+-]digits[.digits] (either run may be empty, not both).
bool ParseFloat(const char** cursor, float* value) {
  const char* start = *cursor;
  const char* p = start;
  const bool negative = *p == '-';
  if (*p == '+' || *p == '-') ++p;
  uint64_t mantissa = 0;
  long digits = TakeDigits(&p, &mantissa);
  long fraction = 0;
  if (*p == '.') {
    ++p;
    fraction = TakeDigits(&p, &mantissa);
    digits += fraction;
  }
  if (digits == 0 || !EndsNumber(*p)) return false;
  std::optional<float> result;
  if (digits <= kMaxAccumulated && mantissa <= kExactFloatMantissa) {
    // A whole number needs no division (and dividing by 1 changes nothing).
    float quotient = static_cast<float>(mantissa);
    if (fraction != 0) quotient /= kPowersOfTen[fraction];
    result = quotient;
  } else if (digits <= kMaxExactDoubleDigits) {
    result = DecimalToFloat(mantissa, fraction);
  }
  if (result) {
    *value = negative ? -*result : *result;
  } else {
    char* end = nullptr;
    const float converted = strtof(start, &end);
    if (end != p) return false;
    *value = converted;
  }
  *cursor = p;
  return true;
}

}  // namespace

bool ScanPlainGeometryLine(const char* text, GeometryScan& scan) {
  const char* p = SkipScanSpace(text);
  if (*p == '\0') {
    // Nothing but white space: scanf fails before its first conversion.
    scan.items = -1;
    return true;
  }
  GeometryScan out = scan;
  long type = 0;
  if (!ParseSmallInteger(&p, &type) &&
      !ParseInteger(&p, kMaxAccumulated, false, &type))
    return false;
  out.type = static_cast<int>(type);
  out.items = 1;
  p = SkipScanSpace(p);
  if (*p != '\0') {
    if (!ParseSmallInteger(&p, &out.colour) &&
        !ParseInteger(&p, kMaxColourDigits, true, &out.colour))
      return false;
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

namespace {

// The general scan, for whatever ScanPlainGeometryLine declines.
void ScanGeometryLineWithScanf(const char* text, GeometryScan& scan) {
  char word[1000];
  scan.items = std::sscanf(
      text, "%d %li %f %f %f %f %f %f %f %f %f %f %f %f%n %999s", &scan.type,
      &scan.colour, &scan.n[0], &scan.n[1], &scan.n[2], &scan.n[3], &scan.n[4],
      &scan.n[5], &scan.n[6], &scan.n[7], &scan.n[8], &scan.n[9], &scan.n[10],
      &scan.n[11], &scan.after_numbers, word);
}

}  // namespace

void ScanFiniteGeometryLine(const char* text, GeometryScan& scan) {
  // Plain decimals have no exponent and at most fifteen digits: every one
  // of them is finite in single precision.
  if (ScanPlainGeometryLine(text, scan)) return;
  ScanGeometryLineWithScanf(text, scan);
  constexpr int kFirstNumberItem = 3;  // type and colour come first
  int numbers = scan.items - (kFirstNumberItem - 1);
  if (numbers > 12) numbers = 12;
  for (int i = 0; i < numbers; ++i) {
    if (std::isfinite(scan.n[i])) continue;
    scan.items = kFirstNumberItem - 1 + i;
    scan.after_numbers = -1;
    return;
  }
}
