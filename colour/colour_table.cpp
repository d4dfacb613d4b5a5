#include "colour/colour_table.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "base/diagnostics.h"
#include "base/numbered_lines.h"
#include "base/text_scan.h"
#include "platform/platform.h"

namespace {

// Codes live in 0..16777215 (0xFFFFFF), below the numbers of the extended
// and direct colour forms: today's colour file defines rubber, metallic,
// opal, glitter and sticker colours above 10000. 16 (inherited colour) and
// 24 (edge colour) are reserved meanings and never table entries.
constexpr long kMaxCode = 0xFFFFFF;
// Numbers 256..511 that the table lacks dither two of the first sixteen.
constexpr long kFirstDither = 256;
constexpr long kLastDither = 511;
// A name may grow by "_R7" only while it stays within a word of 79.
constexpr size_t kMaxRenamable = 76;

const char* const kFinishNames[8] = {"OPAQUE", "CHROME",         "PEARLESCENT",
                                     "RUBBER", "MATTE_METALLIC", "METAL",
                                     "OPAQUE", "OPAQUE"};

struct BuiltInColour {
  const char* name;
  int32_t code;
  uint32_t value;
};

// The colours every run knows, also without a colour file.
constexpr BuiltInColour kBuiltInColours[] = {
    {"Black", 0, 0x4D4D4D},
    {"Blue", 1, 0x1560F9},
    {"Green", 2, 0x1EA03A},
    {"DarkCyan_Teal", 3, 0x00A7A0},
    {"Red", 4, 0xF7290E},
    {"Magenta_DkPink)", 5, 0xA0507F},
    {"Brown", 6, 0x90562F},
    {"Grey", 7, 0xAEAEAE},
    {"DarkGrey", 8, 0x797973},
    {"LightBlue", 9, 0x5050FF},
    {"LightGreen", 10, 0xDCFF0A},
    {"Cyan_Turquoise", 11, 0xA6F2FF},
    {"LightRed", 12, 0xFF9A21},
    {"Pink", 13, 0xFFA7CF},
    {"Yellow", 14, 0xFFE736},
    {"White", 15, 0xFFFFFF},
    {"MintGreen", 17, 0x66F099},
    {"LtYellow", 18, 0xFFFF80},
    {"Tan", 19, 0xCCAA66},
    {"LtPurple", 20, 0xE0CCF0},
    {"GlowDark", 21, 0xE0FFB0},
    {"Purple", 22, 0x993399},
    {"VioletBlue", 23, 0x4C00CC},
    {"Orange", 25, 0xFF6600},
    {"DarkPink_Magenta", 26, 0xFF3399},
    {"YellowGreen", 27, 0xADDD50},
    {"DarkTan", 28, 0xCCAA66},
    {"TransBlack", 32, 0x4D4D4D},
    {"TransBlue", 33, 0x1560F9},
    {"TransGreen", 34, 0x1EA03A},
    {"TransDarkCyan", 35, 0x00A7A0},
    {"TransRed", 36, 0xF7290E},
    {"TransMagenta", 37, 0xA0507F},
    {"TransBrown", 38, 0x90562F},
    {"TransGrey", 39, 0xAEAEAE},
    {"TransDarkGrey", 40, 0x797973},
    {"TransLightBlue", 41, 0x5050FF},
    {"TransLightGreen", 42, 0xDCFF0A},
    {"TransCyan", 43, 0xA6F2FF},
    {"TransLightRed", 44, 0xFF9A21},
    {"TransPink", 45, 0xFFA7CF},
    {"TransYellow", 46, 0xFFE736},
    {"TransWhite_Clear", 47, 0xFFFFFF},
    {"TransOrange", 57, 0xFF6600},
    {"BlackRubber", 256, 0x4D4D4D},
    {"GreyRubber", 375, 0xAEAEAE},
    {"ChromeSilver", 383, 0xD6D6D6},
    {"ElectricalContactsYellow", 494, 0xD6D6D6},
    {"Chrome", 503, 0xD6D6D6},
};

// Edge colours of the first 32 codes (16 and 24 map onto each other).
constexpr int32_t kEdgeTable[32] = {8,  9, 10, 11, 12, 13, 0, 8,  0,  1,  2,
                                    3,  4, 5,  8,  8,  24, 2, 8,  6,  22, 8,
                                    20, 9, 0,  4,  13, 2,  6, 15, 15, 15};

uint8_t BuiltInFinish(int32_t code) {
  switch (code) {
    case 256:
    case 375:
      return kFinishRubber;
    case 383:
    case 494:
    case 503:
      return kFinishChrome;
    default:
      return kFinishNone;
  }
}

char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

std::string UpperCased(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

bool IsHexDigit(char c) {
  return IsDigit(static_cast<unsigned char>(c)) || (c >= 'a' && c <= 'f') ||
         (c >= 'A' && c <= 'F');
}

// A decimal word as a number; huge values saturate, which every range test
// below rejects.
long DecimalValue(const std::string& word) {
  errno = 0;
  return strtol(word.c_str(), nullptr, 10);
}

// A signed decimal word ("-1", "+5", "12"), as the CODE of a colour line.
bool ReadSignedDecimal(const std::string& word, long* value) {
  size_t start = (!word.empty() && (word[0] == '-' || word[0] == '+')) ? 1 : 0;
  if (!IsAllDigits(std::string_view(word).substr(start))) return false;
  *value = DecimalValue(word);
  return true;
}

// "#RRGGBB" / "0xRRGGBB" (prefix in any case). Returns 1 with the value,
// 0 when the word has no such prefix, -1 when the prefix is followed by
// anything but six hexadecimal digits.
int ReadHexColour(const std::string& word, long* value) {
  size_t prefix = 0;
  if (!word.empty() && word[0] == '#')
    prefix = 1;
  else if (word.size() >= 2 && word[0] == '0' &&
           (word[1] == 'x' || word[1] == 'X'))
    prefix = 2;
  if (prefix == 0) return 0;
  std::string digits = word.substr(prefix);
  if (digits.size() != 6 ||
      !std::all_of(digits.begin(), digits.end(), IsHexDigit))
    return -1;
  *value = strtol(digits.c_str(), nullptr, 16);
  return 1;
}

// One channel of a fractional colour: the integer part of f * 255, so that
// 0.5 gives 127.
long FractionToByte(float f) { return static_cast<long>(f * 255.0f); }

float ByteToFraction(uint32_t byte) {
  return static_cast<float>(byte) / 255.0f;
}

void RgbOfValue(uint32_t value, float* rgb) {
  rgb[0] = ByteToFraction((value >> 16) & 0xFF);
  rgb[1] = ByteToFraction((value >> 8) & 0xFF);
  rgb[2] = ByteToFraction(value & 0xFF);
}

// The three fractional words of a VALUE such as "0.5 0.25 1.0".
long ParseFractionalValue(const char** cursor, const char* keyword,
                          Diagnostics& diag) {
  long packed = 0;
  for (int i = 0; i < 3; ++i) {
    std::string word = NextToken(cursor);
    if (!IsDecimal(word)) {
      diag.ReportMessage(0, kSkipping, "%s: %s", keyword,
                         "Bad floating point color value");
      return -1;
    }
    float f = strtof(word.c_str(), nullptr);
    if (!(f >= 0.0f && f <= 1.0f)) {
      diag.ReportMessage(0, kSkipping, "%s: %s", keyword,
                         "Color value out of range [0..1]");
      return -1;
    }
    packed = (packed << 8) | FractionToByte(f);
  }
  return packed;
}

// The edge colour given as one number must name a table code. Like every
// error found inside a value, the message names its keyword first.
long EdgeColourNumber(long number, Diagnostics& diag) {
  if (number > kMaxCode) {
    diag.ReportMessage(0, kSkipping, "%s: %s", "EDGE",
                       "Edge color code out of range [0..16777215]");
    return -1;
  }
  return number;
}

// The RGB of a dither of two of the first sixteen colours; left grey when
// either is missing.
void DitherRgb(const ColourTable& table, long number, float* rgb) {
  const Colour* first = table.FindColourByCode(number % 16);
  const Colour* second = table.FindColourByCode((number / 16) % 16);
  if (first == nullptr || second == nullptr) return;
  for (int shift = 16, i = 0; i < 3; shift -= 8, ++i) {
    uint32_t sum =
        ((first->value >> shift) & 0xFF) + ((second->value >> shift) & 0xFF);
    rgb[i] = static_cast<float>(sum) / 510.0f;
  }
}

// One 12-bit colour (three 4-bit channels) at `shift` of a direct number.
void Rgb12(long number, int shift, float* rgb) {
  for (int i = 0; i < 3; ++i)
    rgb[i] = static_cast<float>((number >> (shift + 8 - 4 * i)) & 0xF) / 15.0f;
}

// The RGB of a direct colour 0x2000000..0x7FFFFFF.
void DirectRgb(long number, float* rgb) {
  switch (number >> 24) {
    case 2:
    case 3:
      RgbOfValue(static_cast<uint32_t>(number & 0xFFFFFF), rgb);
      break;
    case 4:
      for (int i = 0; i < 3; ++i) {
        long high = (number >> (20 - 4 * i)) & 0xF;
        long low = (number >> (8 - 4 * i)) & 0xF;
        rgb[i] = static_cast<float>(high + low) / 30.0f;
      }
      break;
    case 5:
      Rgb12(number, 12, rgb);
      break;
    case 6:
      Rgb12(number, 0, rgb);
      break;
    default:  // 7: invisible
      rgb[0] = rgb[1] = rgb[2] = 0.0f;
      break;
  }
}

}  // namespace

const char* FinishName(int finish) {
  if (finish < 0 || finish > 7) return kFinishNames[0];
  return kFinishNames[finish];
}

const Colour* ColourTable::FindColourByCode(long code) const {
  if (code < 0 || code > kMaxCode) return nullptr;
  auto it = std::lower_bound(
      colours_.begin(), colours_.end(), code,
      [](const Colour& c, long wanted) { return c.code < wanted; });
  if (it == colours_.end() || it->code != code) return nullptr;
  return &*it;
}

const Colour* ColourTable::FindColourByName(std::string_view name) const {
  for (const Colour& c : colours_)
    if (EqualIgnoringCase(c.name, name)) return &c;
  return nullptr;
}

ColourTable::Added ColourTable::AddColour(const Colour& colour) {
  auto it = std::lower_bound(
      colours_.begin(), colours_.end(), colour.code,
      [](const Colour& c, int32_t wanted) { return c.code < wanted; });
  if (it != colours_.end() && it->code == colour.code) return Added::kCodeTaken;
  bool name_used = FindColourByName(colour.name) != nullptr;
  colours_.insert(it, colour);
  return name_used ? Added::kAddedNameUsed : Added::kAdded;
}

void ColourTable::FreeColours() {
  colours_.clear();
  colours_.shrink_to_fit();
}

long ColourTable::ParseColourValue(const char** cursor, bool edge_mode,
                                   Diagnostics& diag) {
  const char* keyword = edge_mode ? "EDGE" : "VALUE";
  long packed = 0;
  const char* peek = *cursor;
  std::string word = NextToken(&peek, kTokenPeek);
  int hex = ReadHexColour(word, &packed);
  if (hex != 0) {
    NextToken(cursor);
    if (hex < 0) {
      diag.ReportMessage(0, kSkipping, "%s: %s", keyword,
                         "Six hex digits RRGGBB expected");
      return -1;
    }
  } else if (IsDecimal(word)) {
    packed = ParseFractionalValue(cursor, keyword, diag);
    if (packed < 0) return -1;
  } else {
    if (!IsAllDigits(word)) {
      diag.ReportMessage(0, kSkipping, "%s: %s", keyword,
                         "Color value expected");
      return -1;
    }
    long bytes[3] = {DecimalValue(NextToken(cursor)), 0, 0};
    for (int i = 1; i < 3; ++i) {
      std::string next = NextToken(cursor, kTokenPeek);
      if (!IsAllDigits(next)) {
        // A single number after EDGE names the edge colour.
        if (edge_mode && i == 1) return EdgeColourNumber(bytes[0], diag);
        diag.ReportMessage(0, kSkipping, "%s: %s", keyword,
                           "Error in color value");
        return -1;
      }
      bytes[i] = DecimalValue(NextToken(cursor));
    }
    for (long b : bytes) {
      if (b > 255) {
        diag.ReportMessage(0, kSkipping, "%s: %s", keyword,
                           "Color value out of range [0..255]");
        return -1;
      }
    }
    packed = (bytes[0] << 16) | (bytes[1] << 8) | bytes[2];
  }
  return edge_mode ? kDirectColourBase + packed : packed;
}

namespace {

// ALPHA / LUMINANCE: an unsigned decimal 0..255 after the keyword.
bool ReadAttributeByte(const char** cursor, const char* keyword, uint8_t* out,
                       Diagnostics& diag) {
  std::string word = NextToken(cursor);
  if (!IsAllDigits(word)) {
    diag.ReportMessage(0, kSkipping, "%s value expected", keyword);
    return false;
  }
  long value = DecimalValue(word);
  if (value > 255) {
    diag.ReportMessage(0, kSkipping, "%s value out of range [0..255]", keyword);
    return false;
  }
  *out = static_cast<uint8_t>(value);
  return true;
}

// True (and the word consumed) when the next word is `keyword` in any case.
bool TakeKeyword(const char** cursor, const char* keyword) {
  const char* peek = *cursor;
  if (!EqualIgnoringCase(NextToken(&peek), keyword)) return false;
  *cursor = peek;
  return true;
}

// VALUE / EDGE: the keyword, which must come next, and its colour value as
// ColourTable::ParseColourValue reads it; -1 (reported) when either is
// missing or bad.
long ReadKeywordColour(const char** cursor, const char* keyword,
                       bool edge_mode, Diagnostics& diag) {
  if (!TakeKeyword(cursor, keyword)) {
    diag.ReportMessage(0, kSkipping, "%s expected", keyword);
    return -1;
  }
  return ColourTable::ParseColourValue(cursor, edge_mode, diag);
}

int FinishOfTag(const std::string& tag) {
  for (int finish = kFinishChrome; finish <= kFinishMetal; ++finish)
    if (tag == kFinishNames[finish]) return finish;
  return kFinishNone;
}

// The finish tags that close a colour line; only warnings are possible here.
void ParseFinishTags(const char** cursor, Colour* entry, Diagnostics& diag) {
  for (;;) {
    std::string tag = UpperCased(NextToken(cursor));
    if (tag.empty() || tag == "MATERIAL") return;
    int finish = FinishOfTag(tag);
    if (finish == kFinishNone) {
      diag.ReportMessage(0, kWarning, "Unknown tag \"%s\"", tag.c_str());
      return;
    }
    if ((entry->flags & kFinishMask) != 0) {
      diag.ReportMessage(0, kWarning, "Finish-tag already met");
      continue;
    }
    entry->flags = static_cast<uint8_t>(entry->flags | finish);
  }
}

}  // namespace

ColourTable::LineParse ColourTable::ParseColourLine(const char* text,
                                                    Colour* entry,
                                                    Diagnostics& diag) {
  const char* cursor = text;
  if (NextToken(&cursor) != "!COLOUR") return LineParse::kNotColourLine;
  *entry = Colour();
  std::string name = NextToken(&cursor);
  if (name.empty()) {
    diag.ReportMessage(0, kSkipping, "Color name expected");
    return LineParse::kBad;
  }
  if (!IsIdentifier(name)) {
    diag.ReportMessage(0, kSkipping, "Illegal color name");
    return LineParse::kBad;
  }
  entry->name = name;
  if (!TakeKeyword(&cursor, "CODE")) {
    diag.ReportMessage(0, kSkipping, "CODE expected");
    return LineParse::kBad;
  }
  long code = 0;
  if (!ReadSignedDecimal(NextToken(&cursor), &code)) {
    diag.ReportMessage(0, kSkipping, "Color code expected");
    return LineParse::kBad;
  }
  if (code < 0 || code > kMaxCode) {
    diag.ReportMessage(0, kSkipping, "Color code out of range [0..16777215]");
    return LineParse::kBad;
  }
  if (code == 16 || code == 24) {
    diag.ReportMessage(0, kSkipping, "Illegal color code");
    return LineParse::kBad;
  }
  entry->code = static_cast<int32_t>(code);
  long value = ReadKeywordColour(&cursor, "VALUE", false, diag);
  if (value < 0) return LineParse::kBad;
  entry->value = static_cast<uint32_t>(value);
  long edge = ReadKeywordColour(&cursor, "EDGE", true, diag);
  if (edge < 0) return LineParse::kBad;
  entry->edge = static_cast<int32_t>(edge);
  if (TakeKeyword(&cursor, "ALPHA")) {
    if (!ReadAttributeByte(&cursor, "ALPHA", &entry->alpha, diag)) return LineParse::kBad;
    entry->flags |= kAlphaGiven;
  }
  if (TakeKeyword(&cursor, "LUMINANCE")) {
    if (!ReadAttributeByte(&cursor, "LUMINANCE", &entry->luminance, diag))
      return LineParse::kBad;
    entry->flags |= kLuminanceGiven;
  }
  ParseFinishTags(&cursor, entry, diag);
  return LineParse::kParsed;
}

bool ColourTable::ReadColourFile(const std::string& path, Diagnostics& diag) {
  // A directory opens for reading on Linux but holds no colours, and a
  // device or a FIFO may never end: only a regular file is read.
  if (!platform::IsRegularFile(path)) return false;
  FILE* file = fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  ReadNumberedLines(file, path, diag, [&](const std::string& line) {
    const char* text = SkipBlanks(line.c_str());
    if (*text == '\0') return true;
    if (*text != '0') {
      diag.ReportMessage(0, kSkipping, "Bad line");
      return true;
    }
    ++text;
    if (*text == '\0') return true;
    if (*text != ' ' && *text != '\t')
      diag.ReportMessage(3, kWarning,
                         "Comment lines should have space after 0");
    Colour entry;
    if (ParseColourLine(text, &entry, diag) != LineParse::kParsed) return true;
    entry.flags |= kFromColourFile;
    switch (AddColour(entry)) {
      case Added::kCodeTaken:
        diag.ReportMessage(0, kSkipping, "Colour code already defined");
        break;
      case Added::kAddedNameUsed:
        diag.ReportMessage(0, kWarning, "Colour name already used");
        break;
      case Added::kAdded:
        break;
    }
    return true;
  });
  fclose(file);
  return true;
}

void ColourTable::AddDefaultColours() {
  for (const BuiltInColour& row : kBuiltInColours) {
    Colour entry;
    entry.name = row.name;
    entry.code = row.code;
    entry.value = row.value;
    if (row.code <= 31) entry.edge = kEdgeTable[row.code];
    if (row.code >= 32 && row.code <= 63) {
      entry.alpha = 128;
      entry.flags |= kAlphaGiven;
    }
    entry.flags = static_cast<uint8_t>(entry.flags | BuiltInFinish(row.code));
    // A colour file may have taken the name for another code; the built-in
    // colour stays reachable under a suffixed name.
    while (FindColourByName(entry.name) != nullptr &&
           entry.name.size() <= kMaxRenamable)
      entry.name += "_R7";
    // Built-in colours fill only the codes the colour file left free.
    (void)AddColour(entry);
  }
}

void ColourTable::CheckEdgeColours(const std::string& path, Diagnostics& diag) {
  for (Colour& c : colours_) {
    if (c.edge < 0 || c.edge > kMaxCode) continue;
    if (FindColourByCode(c.edge) != nullptr) continue;
    diag.ReportMessage(
        0, kPlain,
        "WARNING \"%s\": Cannot find edge color (%d) for color %d, "
        "using 0",
        path.c_str(), c.edge, c.code);
    c.edge = 0;
  }
}

void ColourTable::PrintColours(FILE* out) const {
  for (const Colour& c : colours_) {
    int padding = std::max(0, 18 - static_cast<int>(c.name.size()));
    fprintf(out, "0 !COLOUR %s%c%*s CODE %3d VALUE #%06lX EDGE ",
            c.name.c_str(), (c.flags & kFromColourFile) != 0 ? ' ' : '*',
            padding, "", c.code, static_cast<unsigned long>(c.value));
    if (c.edge >= 0 && c.edge <= kMaxCode)
      fprintf(out, "%7ld", static_cast<long>(c.edge));
    else
      fprintf(out, "#%06lX", static_cast<unsigned long>(c.edge) & 0xFFFFFFUL);
    if ((c.flags & kAlphaGiven) != 0) fprintf(out, " ALPHA %3d", c.alpha);
    if ((c.flags & kLuminanceGiven) != 0)
      fprintf(out, " LUMINANCE %3d", c.luminance);
    if ((c.flags & kFinishMask) != 0)
      fprintf(out, " %s", FinishName(c.flags & kFinishMask));
    fputc('\n', out);
  }
}

int ColourTable::ColourToRgb(long number, float* rgb,
                             uint32_t* attributes) const {
  float scratch[3];
  uint32_t scratch_attributes = 0;
  if (rgb == nullptr) rgb = scratch;
  if (attributes == nullptr) attributes = &scratch_attributes;
  rgb[0] = rgb[1] = rgb[2] = 0.5f;
  *attributes = 0;
  if (const Colour* c = FindColourByCode(number)) {
    RgbOfValue(c->value, rgb);
    *attributes = static_cast<uint32_t>(c->flags) |
                  (static_cast<uint32_t>(c->alpha) << 8) |
                  (static_cast<uint32_t>(c->luminance) << 16);
    return 0;
  }
  if (number >= kFirstDither && number <= kLastDither) {
    DitherRgb(*this, number, rgb);
    return 0;
  }
  if (number < kDirectColourBase || number > 0x7FFFFFF) return -1;
  DirectRgb(number, rgb);
  long kind = number >> 24;
  if (kind == 3 || kind == 5 || kind == 6)
    *attributes = kTransparentDirectAttributes;
  return 0;
}

ColourArgument ColourTable::ParseColourArgument(
    const char* text, float* rgb, int* number,
    const std::function<void()>& ensure_library) {
  if (text == nullptr || *text == '\0') return ColourArgument::kEmpty;
  float f[3];
  if (sscanf(text, "%f,%f,%f", &f[0], &f[1], &f[2]) == 3) {
    // "nan", "inf" or a number beyond single precision would reach the
    // scene verbatim, where POV-Ray cannot parse it.
    for (float channel : f)
      if (!std::isfinite(channel)) return ColourArgument::kBad;
    long packed = 0;
    if (number != nullptr) {
      for (float channel : f) {
        if (!(channel >= 0.0f && channel <= 1.0f)) return ColourArgument::kBad;
        packed = (packed << 8) | FractionToByte(channel);
      }
      *number = static_cast<int>(kDirectColourBase + packed);
    }
    if (rgb != nullptr) std::copy(f, f + 3, rgb);
    return ColourArgument::kTaken;
  }
  long value = 0;
  if (text[0] == '#') {
    if (ReadHexColour(text, &value) != 1) return ColourArgument::kBad;
    value += kDirectColourBase;
  } else {
    if (sscanf(text, "%li", &value) == 1) {
      // Numbers the built-in table knows work before the library is set up.
      if (rgb != nullptr || !IsColour(value)) {
        if (ensure_library) ensure_library();
        if (!IsColour(value)) return ColourArgument::kBad;
      }
    } else if (IsIdentifier(text)) {
      if (ensure_library) ensure_library();
      const Colour* c = FindColourByName(text);
      if (c == nullptr) return ColourArgument::kBad;
      value = c->code;
    } else {
      return ColourArgument::kBad;
    }
  }
  if (number != nullptr) *number = static_cast<int>(value);
  if (rgb != nullptr) ColourToRgb(value, rgb);
  return ColourArgument::kTaken;
}

ColourArgument ColourTable::ParseColourIntoVector(
    const char* text, Vector* rgb, int* number,
    const std::function<void()>& ensure_library) {
  float values[3] = {0, 0, 0};
  if (rgb != nullptr) {
    values[0] = rgb->x;
    values[1] = rgb->y;
    values[2] = rgb->z;
  }
  ColourArgument taken = ParseColourArgument(
      text, rgb != nullptr ? values : nullptr, number, ensure_library);
  if (taken == ColourArgument::kTaken && rgb != nullptr)
    *rgb = Vector{values[0], values[1], values[2]};
  return taken;
}
