// Scene text built in memory and handed to the scene file in one write.
#ifndef R7P_POV_SCENE_TEXT_H_
#define R7P_POV_SCENE_TEXT_H_

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "geometry/vector.h"

/// Hexadecimal digits as "%X" writes them.
inline constexpr char kUpperHexDigits[] = "0123456789ABCDEF";

/// Collects the text of one or more scene statements. A statement is made
/// of many small pieces; one fwrite for all of them spares the stream's
/// locking and printf's format parsing for every piece. The text written is
/// byte for byte what the printf conversions named below write.
class SceneText {
 public:
  SceneText() = default;
  SceneText(const SceneText&) = delete;
  SceneText& operator=(const SceneText&) = delete;

  /// Adds a NUL-terminated text, as "%s" and fputs write it: up to its
  /// first NUL (a std::string goes in through c_str()).
  void Add(const char* text) { Append(text, std::strlen(text)); }
  void Add(char c) { *Room(1) = c; ++length_; }
  /// Adds `length` bytes of `text`, NULs and all.
  void Append(const char* text, size_t length) {
    std::memcpy(Room(length), text, length);
    length_ += length;
  }
  /// `value` as "%g" writes it.
  void AddG(float value);
  /// "<x,y,z>" with each coordinate as "%g" writes it.
  void AddVectorG(const Vector& v);
  /// `value` as "%d" (or "%ld") writes it.
  void AddInt(int64_t value);
  /// A colour number as identifiers and line comments show it: "%ld" below
  /// 0x1000000, else "0x%08lX".
  void AddColour(int64_t colour);

  /// Where the next `size` bytes may be written; Commit then adds the
  /// number of them that belong to the text.
  char* Room(size_t size) {
    if (size > capacity_ - length_) Grow(size);
    return buffer_.get() + length_;
  }
  void Commit(size_t length) { length_ += length; }

  std::string_view text() const { return {buffer_.get(), length_}; }
  /// Writes the text collected so far to `file` and starts afresh.
  void WriteTo(FILE* file);
  /// Forgets the text collected so far.
  void Clear() { length_ = 0; }

 private:
  void Grow(size_t size);

  std::unique_ptr<char[]> buffer_;
  size_t capacity_ = 0;
  size_t length_ = 0;
};

/// A colour number as SceneText::AddColour writes it.
std::string ColourText(int64_t colour);

#endif  // R7P_POV_SCENE_TEXT_H_
