#include "pov/scene_text.h"

#include <charconv>

#include "pov/format_g.h"

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

}  // namespace

void SceneText::AddG(float value) {
  char text[kFormatGSize];
  const int length = FormatG(value, text);
  Append(text, static_cast<size_t>(length));
}

void SceneText::AddVectorG(const Vector& v) {
  char text[3 * kFormatGSize + 2];
  text[0] = '<';
  int length = 1 + FormatGTriple(v.x, v.y, v.z, ',', text + 1);
  text[length++] = '>';
  Append(text, static_cast<size_t>(length));
}

void SceneText::AddInt(int64_t value) {
  char text[24];
  const auto result = std::to_chars(text, text + sizeof text, value);
  text_.append(text, result.ptr);
}

void SceneText::AddColour(int64_t colour) {
  if (colour < 0x1000000) {
    AddInt(colour);
    return;
  }
  const uint64_t bits = static_cast<uint64_t>(colour);
  int digits = 8;
  while (digits < 16 && (bits >> (4 * digits)) != 0) ++digits;
  text_ += "0x";
  for (int i = digits - 1; i >= 0; --i)
    text_ += kHexDigits[bits >> (4 * i) & 0xF];
}

void SceneText::WriteTo(FILE* file) {
  if (!text_.empty()) std::fwrite(text_.data(), 1, text_.size(), file);
  text_.clear();
}
