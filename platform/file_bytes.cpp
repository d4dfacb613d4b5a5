#include "platform/file_bytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>


namespace platform {

FileBytes::Outcome FileBytes::Read(const std::string& path, size_t max_bytes) {
  size_ = 0;
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return Outcome::kCannotOpen;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return Outcome::kNotRegular;
  }
  const size_t expected = static_cast<size_t>(st.st_size);
  if (expected > max_bytes) {
    close(fd);
    return Outcome::kTooLarge;
  }
  // One byte more than the file holds: a read that comes back short with
  // all the bytes expected is the end, without another call to see it.
  size_t want = expected + 1;
  for (;;) {
    Reserve(size_ + want);
    const ssize_t got = read(fd, data_.get() + size_, want);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      close(fd);
      size_ = 0;
      return Outcome::kReadError;
    }
    if (got == 0) break;
    size_ += static_cast<size_t>(got);
    if (size_ > max_bytes) {  // it grew while being read
      close(fd);
      size_ = 0;
      return Outcome::kTooLarge;
    }
    if (static_cast<size_t>(got) < want && size_ >= expected) break;
    want = std::max<size_t>(want, size_t{1} << 16);
  }
  close(fd);
  return Outcome::kRead;
}

void FileBytes::Release() {
  data_.reset();
  room_ = size_ = 0;
}

void FileBytes::Reserve(size_t size) {
  if (size <= room_) return;
  const size_t room = std::max(size, 2 * room_);
  // Not value-initialised: only what was read is ever looked at.
  std::unique_ptr<char[]> larger(new char[room]);
  if (size_ > 0) std::memcpy(larger.get(), data_.get(), size_);
  data_ = std::move(larger);
  room_ = room;
}

}  // namespace platform
