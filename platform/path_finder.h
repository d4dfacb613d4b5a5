// Case-insensitive lookup of files in an LDraw library.
#ifndef R7P_PLATFORM_PATH_FINDER_H_
#define R7P_PLATFORM_PATH_FINDER_H_

#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/content_cache.h"

namespace platform {

/// Case-insensitive lookup of library content. A name spelt as on disk is
/// taken as it is; otherwise each component is matched without regard to
/// ASCII case within its directory, the first match in listing order. Every
/// directory is listed once for the life of the object and the answers come
/// from those listings, so a lookup costs no system call once its
/// directories have been read (links are followed once per entry). Entries
/// added or removed after a directory was listed are not seen. Directories
/// that cannot be listed are asked about each path instead. Returns the path
/// as found on disk.
class PathFinder {
 public:
  PathFinder();
  ~PathFinder();
  PathFinder(PathFinder&&) noexcept;
  PathFinder& operator=(PathFinder&&) noexcept;

  std::optional<std::string> Find(const std::string& path);
  /// Find() for a path that Open() would try to open: nullopt also for
  /// anything but a regular file (a directory, a device, a FIFO).
  std::optional<std::string> FindFile(const std::string& path);
  /// Opens the file found by FindFile() for reading ("rb"); null when
  /// absent or not a regular file.
  FILE* Open(const std::string& path, std::string* found_path = nullptr);
  /// Opens `found_path`, a path Open() or Find() gave before, for reading.
  FILE* OpenFound(const std::string& found_path);
  /// From now on the bytes of files opened are kept for the rest of the
  /// finder's life (see ContentCache): for runs that read files again.
  void KeepContents();
  /// True when the bytes of `found_path` are kept (see KeepContents), so
  /// that every open of it for the rest of the run reads the same bytes.
  bool KeepsBytesOf(const std::string& found_path) const {
    return contents_ != nullptr && contents_->Holds(found_path);
  }

 private:
  struct Directory;
  enum class Kind : unsigned char;
  struct Entry;
  struct StringHash {
    using is_transparent = void;
    size_t operator()(std::string_view text) const {
      return std::hash<std::string_view>()(text);
    }
  };

  /// Where `path` is on disk and what it is (kAbsent when nowhere).
  Kind Locate(const std::string& path, std::string* found);
  /// Locate() for a path whose spelling did not settle it at once: the
  /// components are matched one by one from the start.
  Kind LocateByComponents(const std::string& path, std::string* found);
  /// The listing of `dir` ("" for the current directory), read on first use.
  Directory& Listing(std::string_view dir);
  /// The entry spelt `name` in `dir`, or null. `first` gets the first entry
  /// in listing order spelt like `name` but for ASCII case (null if none).
  Entry* Match(Directory& dir, std::string_view name, Entry** first);
  /// What `entry`, at `path`, is; links are followed once.
  static Kind Resolve(Entry& entry, const std::string& path);
  /// What is at `path`, asking the file system.
  static Kind KindOnDisk(const std::string& path);

  std::unordered_map<std::string, std::unique_ptr<Directory>, StringHash,
                     std::equal_to<>>
      listings_;
  std::string folded_;  // scratch for case-folded names
  std::unique_ptr<ContentCache> contents_;  // null: every open reads the disk
};

}  // namespace platform

#endif  // R7P_PLATFORM_PATH_FINDER_H_
