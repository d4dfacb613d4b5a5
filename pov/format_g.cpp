#include "pov/format_g.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// The scene holds hundreds of thousands of coordinates, and printf's "%g"
// spends most of its time on the exact decimal expansion of a double. A
// float carries at most 24 bits, so most coordinates are small integers,
// and the rest can be rounded to six digits in double arithmetic as long as
// the scaled value is not too close to a rounding boundary. Everything else
// (ties, very small or very large magnitudes, NaN, infinities) is left to
// snprintf, so the text is always the one "%g" writes.

namespace {

constexpr double kPowersOfTen[23] = {
    1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
    1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The fast path keeps the decimal exponent where every power of ten it
// multiplies or divides by is exact in double.
constexpr int kMinExponent = -16;
constexpr int kMaxExponent = 16;

// A bound on the error of one correctly rounded multiplication of a value
// below 1e7, with a wide margin.
constexpr double kRoundingMargin = 1e-8;

int FormatBySnprintf(float value, char* out, double* as_read) {
  const int length =
      std::snprintf(out, kFormatGSize, "%g", static_cast<double>(value));
  if (as_read != nullptr) *as_read = std::strtod(out, nullptr);
  return length;
}

/// Writes the decimal digits of `n` (no sign) to `out`; returns the count.
int WriteUnsigned(uint32_t n, char* out) {
  char digits[10];
  int count = 0;
  do {
    digits[count++] = static_cast<char>('0' + n % 10);
    n /= 10;
  } while (n != 0);
  for (int i = 0; i < count; ++i) out[i] = digits[count - 1 - i];
  return count;
}

/// |value| * 10^power in one correctly rounded operation.
double Scale(double magnitude, int power) {
  return power >= 0 ? magnitude * kPowersOfTen[power]
                    : magnitude / kPowersOfTen[-power];
}

/// The six significant digits of `magnitude` and their decimal exponent:
/// magnitude ~ digits * 10^(exponent - 5), 100000 <= digits <= 999999.
/// False when the rounding is not certain or the magnitude is out of range.
bool SixDigits(double magnitude, uint32_t* digits, int* exponent) {
  // floor(log10(2) * binary exponent) is the decimal exponent or one less;
  // the scaled value below tells which.
  int e = (std::ilogb(magnitude) * 78913) >> 18;
  if (e < kMinExponent || e > kMaxExponent) return false;
  double scaled = Scale(magnitude, 5 - e);
  if (scaled < 100000.0) {
    --e;
    if (e < kMinExponent) return false;
    scaled = Scale(magnitude, 5 - e);
  } else if (scaled >= 1000000.0) {
    ++e;
    if (e > kMaxExponent) return false;
    scaled = Scale(magnitude, 5 - e);
  }
  if (scaled < 100000.0 || scaled >= 1000000.0) return false;
  const double whole = std::floor(scaled);
  const double fraction = scaled - whole;
  if (std::fabs(fraction - 0.5) < kRoundingMargin) return false;
  uint32_t n = static_cast<uint32_t>(whole) + (fraction > 0.5 ? 1 : 0);
  if (n >= 1000000) {
    n /= 10;
    ++e;
    if (e > kMaxExponent) return false;
  }
  if (n < 100000) return false;
  *digits = n;
  *exponent = e;
  return true;
}

/// Writes digits * 10^(exponent - 5) as "%g" does, without the sign.
int WriteSixDigits(uint32_t digits, int exponent, char* out) {
  char text[6];
  WriteUnsigned(digits, text);
  int significant = 6;
  while (significant > 1 && text[significant - 1] == '0') --significant;
  int length = 0;
  if (exponent >= -4 && exponent < 6) {
    if (exponent < 0) {
      out[length++] = '0';
      out[length++] = '.';
      for (int i = -1; i > exponent; --i) out[length++] = '0';
      for (int i = 0; i < significant; ++i) out[length++] = text[i];
      return length;
    }
    for (int i = 0; i <= exponent; ++i) out[length++] = text[i];
    if (significant > exponent + 1) {
      out[length++] = '.';
      for (int i = exponent + 1; i < significant; ++i)
        out[length++] = text[i];
    }
    return length;
  }
  out[length++] = text[0];
  if (significant > 1) {
    out[length++] = '.';
    for (int i = 1; i < significant; ++i) out[length++] = text[i];
  }
  out[length++] = 'e';
  out[length++] = exponent < 0 ? '-' : '+';
  const int power = exponent < 0 ? -exponent : exponent;
  if (power < 10) out[length++] = '0';
  length += WriteUnsigned(static_cast<uint32_t>(power), out + length);
  return length;
}

/// The double nearest to digits * 10^(exponent - 5), as strtod reads it.
double ValueOf(uint32_t digits, int exponent) {
  return Scale(static_cast<double>(digits), exponent - 5);
}

}  // namespace

int FormatG(float value, char* out, double* as_read) {
  const double wide = static_cast<double>(value);
  if (!std::isfinite(wide)) return FormatBySnprintf(value, out, as_read);
  const bool negative = std::signbit(wide);
  const double magnitude = std::fabs(wide);
  int length = 0;
  if (negative) out[length++] = '-';
  if (magnitude < 1e6 && magnitude == std::floor(magnitude)) {
    // Up to six digits: "%g" writes the integer itself.
    length += WriteUnsigned(static_cast<uint32_t>(magnitude), out + length);
    out[length] = '\0';
    if (as_read != nullptr) *as_read = wide;
    return length;
  }
  uint32_t digits = 0;
  int exponent = 0;
  if (!SixDigits(magnitude, &digits, &exponent))
    return FormatBySnprintf(value, out, as_read);
  length += WriteSixDigits(digits, exponent, out + length);
  out[length] = '\0';
  if (as_read != nullptr) {
    const double read = ValueOf(digits, exponent);
    *as_read = negative ? -read : read;
  }
  return length;
}

int FormatGTriple(float x, float y, float z, char separator, char* out) {
  int length = FormatG(x, out);
  out[length++] = separator;
  length += FormatG(y, out + length);
  out[length++] = separator;
  length += FormatG(z, out + length);
  return length;
}

void WriteVectorG(FILE* file, const Vector& v) {
  char text[3 * kFormatGSize + 2];
  text[0] = '<';
  int length = 1 + FormatGTriple(v.x, v.y, v.z, ',', text + 1);
  text[length++] = '>';
  text[length] = '\0';
  std::fputs(text, file);
}
