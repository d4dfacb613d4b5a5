#include "pov/scene_text.h"

#include <charconv>
#include <utility>

#include "pov/format_g.h"

void SceneText::AddG(float value) {
  Commit(static_cast<size_t>(FormatG(value, Room(kFormatGSize))));
}

void SceneText::AddVectorG(const Vector& v) {
  Commit(static_cast<size_t>(FormatVectorG(v, Room(kVectorGSize))));
}

void SceneText::AddInt(int64_t value) {
  constexpr size_t kRoom = 24;  // "-9223372036854775808"
  char* text = Room(kRoom);
  Commit(static_cast<size_t>(std::to_chars(text, text + kRoom, value).ptr - text));
}

void SceneText::AddColour(int64_t colour) {
  if (colour < 0x1000000) {
    AddInt(colour);
    return;
  }
  const uint64_t bits = static_cast<uint64_t>(colour);
  int digits = 8;
  while (digits < 16 && (bits >> (4 * digits)) != 0) ++digits;
  char* text = Room(18);
  text[0] = '0';
  text[1] = 'x';
  for (int i = 0; i < digits; ++i)
    text[2 + i] = kUpperHexDigits[bits >> (4 * (digits - 1 - i)) & 0xF];
  Commit(static_cast<size_t>(2 + digits));
}

void SceneText::Grow(size_t size) {
  size_t capacity = capacity_ < 256 ? 256 : 2 * capacity_;
  while (capacity - length_ < size) capacity *= 2;
  std::unique_ptr<char[]> bigger(new char[capacity]);
  if (length_ > 0) std::memcpy(bigger.get(), buffer_.get(), length_);
  buffer_ = std::move(bigger);
  capacity_ = capacity;
}

void SceneText::WriteTo(FILE* file) {
  if (length_ > 0) std::fwrite(buffer_.get(), 1, length_, file);
  length_ = 0;
}

std::string ColourText(int64_t colour) {
  SceneText text;
  text.AddColour(colour);
  return std::string(text.text());
}
