#include "platform/content_cache.h"

namespace platform {

FILE* ContentCache::Open(const std::string& path) {
  auto kept = contents_.find(path);
  if (kept == contents_.end()) {
    // An empty file has nothing to keep, and memory streams want at least
    // one byte; a file that does not fit goes through stdio as usual.
    if (reading_.Read(path, kMaxFileBytes) != FileBytes::Outcome::kRead ||
        reading_.bytes().empty() ||
        total_ + reading_.bytes().size() > kMaxTotalBytes)
      return fopen(path.c_str(), "rb");
    total_ += reading_.bytes().size();
    kept = contents_.emplace(path, std::string(reading_.bytes())).first;
  }
  // The stream only reads: the kept bytes are never written through it.
  std::string& bytes = kept->second;
  return fmemopen(bytes.data(), bytes.size(), "rb");
}

}  // namespace platform
