#include "pov/format_g.h"

#include <bit>
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

// "00" to "99": two digits per table look-up halve the divisions.
constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536"
    "37383940414243444546474849505152535455565758596061626364656667686970717273"
    "7475767778798081828384858687888990919293949596979899";

[[gnu::noinline]] int FormatBySnprintf(float value, char* out,
                                       double* as_read) {
  const int length =
      std::snprintf(out, kFormatGSize, "%g", static_cast<double>(value));
  if (as_read != nullptr) *as_read = std::strtod(out, nullptr);
  return length;
}

void WritePair(uint32_t n, char* out) {
  std::memcpy(out, kDigitPairs + 2 * n, 2);
}

/// The number of decimal digits of `n`, which is below 1000000.
int DigitCount(uint32_t n) {
  if (n < 100) return n < 10 ? 1 : 2;
  if (n < 10000) return n < 1000 ? 3 : 4;
  return n < 100000 ? 5 : 6;
}

/// Writes the decimal digits of `n` (below 1000000, no sign) to `out`;
/// returns the count.
int WriteUnsigned(uint32_t n, char* out) {
  // One and two digits are the commonest by far.
  if (n < 10) {
    out[0] = static_cast<char>('0' + n);
    return 1;
  }
  if (n < 100) {
    WritePair(n, out);
    return 2;
  }
  const int count = DigitCount(n);
  char* p = out + count;
  for (; n >= 100; n /= 100) {
    p -= 2;
    WritePair(n % 100, p);
  }
  if (n >= 10)
    WritePair(n, p - 2);
  else
    p[-1] = static_cast<char>('0' + n);
  return count;
}

/// |value| * 10^power in one correctly rounded operation.
double Scale(double magnitude, int power) {
  return power >= 0 ? magnitude * kPowersOfTen[power]
                    : magnitude / kPowersOfTen[-power];
}

/// The six significant digits of `magnitude`, a normal float whose binary
/// exponent is `binary_exponent`, and their decimal exponent:
/// magnitude ~ digits * 10^(exponent - 5), 100000 <= digits <= 999999.
/// False when the rounding is not certain or the magnitude is out of range.
bool SixDigits(double magnitude, int binary_exponent, uint32_t* digits,
               int* exponent) {
  // floor(log10(2) * binary exponent) is the decimal exponent or one less;
  // the scaled value below tells which.
  int e = (binary_exponent * 78913) >> 18;
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
  // Positive and below 2^32: truncation is the floor, and the difference
  // is exact.
  uint32_t n = static_cast<uint32_t>(scaled);
  const double fraction = scaled - static_cast<double>(n);
  if (std::fabs(fraction - 0.5) < kRoundingMargin) return false;
  if (fraction > 0.5) ++n;
  if (n >= 1000000) {
    n /= 10;
    ++e;
    if (e > kMaxExponent) return false;
  }
  *digits = n;
  *exponent = e;
  return true;
}

/// The number of digits of the six of `text` left once trailing zeros are
/// dropped (at least one).
int SignificantDigits(const char* text) {
  int significant = 6;
  while (significant > 1 && text[significant - 1] == '0') --significant;
  return significant;
}

/// Writes digits * 10^(exponent - 5) as "%g" does with an exponent, without
/// the sign.
int WriteScientific(const char* text, int significant, int exponent,
                    char* out) {
  int length = 0;
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

/// Writes digits * 10^(exponent - 5) as "%g" does, without the sign. The
/// fixed forms copy all six digits, which may write past the returned length
/// but never past 13 bytes.
int WriteSixDigits(uint32_t digits, int exponent, char* out) {
  char text[12] = {};  // six digits, and room for copying them whole
  WritePair(digits / 10000, text);
  WritePair(digits / 100 % 100, text + 2);
  WritePair(digits % 100, text + 4);
  const int significant = SignificantDigits(text);
  if (exponent < -4 || exponent >= 6)
    return WriteScientific(text, significant, exponent, out);
  if (exponent < 0) {
    // "0." and -exponent - 1 zeros before the digits.
    const int zeros = -exponent - 1;
    std::memcpy(out, "0.0000", 6);
    std::memcpy(out + 2 + zeros, text, 6);
    return 2 + zeros + significant;
  }
  const int whole = exponent + 1;
  std::memcpy(out, text, 6);
  if (significant <= whole) return whole;
  out[whole] = '.';
  std::memcpy(out + whole + 1, text + whole, 6);
  return significant + 1;
}

/// The double nearest to digits * 10^(exponent - 5), as strtod reads it.
double ValueOf(uint32_t digits, int exponent) {
  return Scale(static_cast<double>(digits), exponent - 5);
}

/// FormatG of a finite float that is not an integer below 1e6.
[[gnu::noinline]] int FormatFraction(float value, char* out,
                                     double* as_read) {
  const uint32_t bits = std::bit_cast<uint32_t>(value);
  const bool negative = (bits >> 31) != 0;
  const double magnitude =
      static_cast<double>(std::bit_cast<float>(bits & 0x7FFFFFFFu));
  uint32_t digits = 0;
  int exponent = 0;
  const int binary_exponent = static_cast<int>(bits >> 23 & 0xFFu) - 127;
  if (!SixDigits(magnitude, binary_exponent, &digits, &exponent))
    return FormatBySnprintf(value, out, as_read);
  int length = 0;
  if (negative) out[length++] = '-';
  length += WriteSixDigits(digits, exponent, out + length);
  out[length] = '\0';
  if (as_read != nullptr) {
    const double read = ValueOf(digits, exponent);
    *as_read = negative ? -read : read;
  }
  return length;
}

}  // namespace

int FormatG(float value, char* out, double* as_read) {
  const uint32_t bits = std::bit_cast<uint32_t>(value);
  const float magnitude = std::bit_cast<float>(bits & 0x7FFFFFFFu);
  // Most coordinates are integers of up to six digits, which "%g" writes
  // as they are. (NaN fails the comparison.)
  if (magnitude < 1e6f) {
    const uint32_t whole = static_cast<uint32_t>(magnitude);
    if (static_cast<float>(whole) == magnitude) {
      const int sign = static_cast<int>(bits >> 31);
      out[0] = '-';
      const int length = sign + WriteUnsigned(whole, out + sign);
      out[length] = '\0';
      if (as_read != nullptr) *as_read = static_cast<double>(value);
      return length;
    }
  }
  const uint32_t biased_exponent = bits >> 23 & 0xFFu;
  // NaN and infinities, and the subnormals far below the fast range.
  if (biased_exponent == 0xFF || biased_exponent == 0)
    return FormatBySnprintf(value, out, as_read);
  return FormatFraction(value, out, as_read);
}

int FormatGTriple(float x, float y, float z, char separator, char* out,
                  double* as_read) {
  auto read = [as_read](int i) { return as_read != nullptr ? as_read + i : nullptr; };
  int length = FormatG(x, out, read(0));
  out[length++] = separator;
  length += FormatG(y, out + length, read(1));
  out[length++] = separator;
  length += FormatG(z, out + length, read(2));
  return length;
}

int FormatVectorG(const Vector& v, char* out) {
  out[0] = '<';
  int length = 1 + FormatGTriple(v.x, v.y, v.z, ',', out + 1);
  out[length++] = '>';
  return length;
}

void WriteVectorG(FILE* file, const Vector& v) {
  char text[kVectorGSize];
  std::fwrite(text, 1, static_cast<size_t>(FormatVectorG(v, text)), file);
}
