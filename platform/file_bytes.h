// Whole files read into memory, one at a time.
#ifndef R7P_PLATFORM_FILE_BYTES_H_
#define R7P_PLATFORM_FILE_BYTES_H_

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace platform {

/// The bytes of one file at a time, in a buffer whose room is kept from
/// file to file.
class FileBytes {
 public:
  enum class Outcome { kRead, kCannotOpen, kNotRegular, kTooLarge, kReadError };
  /// Reads all of `path` when it holds at most `max_bytes`. Only regular
  /// files are read: a FIFO or a device is never waited for. After anything
  /// but kRead, bytes() is empty.
  Outcome Read(const std::string& path, size_t max_bytes);
  std::string_view bytes() const { return {data_.get(), size_}; }
  /// Frees the buffer.
  void Release();

 private:
  /// Makes room for `size` bytes, keeping those held.
  void Reserve(size_t size);

  std::unique_ptr<char[]> data_;
  size_t room_ = 0;
  size_t size_ = 0;
};

}  // namespace platform

#endif  // R7P_PLATFORM_FILE_BYTES_H_
