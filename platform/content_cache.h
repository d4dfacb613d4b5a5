// Bytes of library files kept in memory for the rest of a run.
#ifndef R7P_PLATFORM_CONTENT_CACHE_H_
#define R7P_PLATFORM_CONTENT_CACHE_H_

#include <cstddef>
#include <cstdio>
#include <string>
#include <unordered_map>

#include "platform/file_bytes.h"

namespace platform {

/// A check run reads a primitive again for every file of its folder that
/// uses it (files found beside the model belong to that model and go with
/// it), so the library's common primitives are read hundreds of times. The
/// cache keeps what it read and hands out later opens from memory: the
/// reader sees the same bytes, without any system call.
class ContentCache {
 public:
  /// Files larger than this are always read from disk.
  static constexpr size_t kMaxFileBytes = size_t{1} << 20;
  /// Bytes kept in all; files met after that are read from disk.
  static constexpr size_t kMaxTotalBytes = size_t{64} << 20;

  /// Opens `path`, spelt as on disk, for reading: from memory when its
  /// bytes are kept, else from disk, keeping them when they fit. Null when
  /// the file cannot be read.
  FILE* Open(const std::string& path);

  /// True when the bytes of `path` are kept: every later Open() of it
  /// reads those same bytes.
  bool Holds(const std::string& path) const {
    return contents_.count(path) != 0;
  }

  /// Bytes held at present.
  size_t total_bytes() const { return total_; }

 private:
  std::unordered_map<std::string, std::string> contents_;
  FileBytes reading_;  // the file being read, before it is kept
  size_t total_ = 0;
};

}  // namespace platform

#endif  // R7P_PLATFORM_CONTENT_CACHE_H_
