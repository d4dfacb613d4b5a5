#include "platform/content_cache.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

bool ContentCache::ReadWhole(const std::string& path, std::string* bytes) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char block[1 << 16];
  bool ok = true;
  for (;;) {
    const ssize_t got = read(fd, block, sizeof block);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      ok = got == 0;
      break;
    }
    bytes->append(block, static_cast<size_t>(got));
    if (bytes->size() > kMaxFileBytes) {
      ok = false;
      break;
    }
  }
  close(fd);
  return ok;
}

FILE* ContentCache::Open(const std::string& path) {
  auto kept = contents_.find(path);
  if (kept == contents_.end()) {
    std::string bytes;
    // An empty file has nothing to keep, and memory streams want at least
    // one byte; a file that does not fit goes through stdio as usual.
    if (!ReadWhole(path, &bytes) || bytes.empty() ||
        total_ + bytes.size() > kMaxTotalBytes)
      return fopen(path.c_str(), "rb");
    total_ += bytes.size();
    kept = contents_.emplace(path, std::move(bytes)).first;
  }
  // The stream only reads: the kept bytes are never written through it.
  std::string& bytes = kept->second;
  return fmemopen(bytes.data(), bytes.size(), "rb");
}

}  // namespace platform
