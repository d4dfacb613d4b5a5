// Every call into the operating system goes through here.
#ifndef R7P_PLATFORM_PLATFORM_H_
#define R7P_PLATFORM_PLATFORM_H_

#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/content_cache.h"
#include "platform/file_bytes.h"

namespace platform {

/// Longest host path accepted (bytes); longer ones are refused by callers.
inline constexpr size_t kMaxHostPath = 4095;

/// An LDraw file name as a relative host path: LDraw separates folders with
/// '\', the host with '/'.
std::string HostPathOfName(std::string ldraw_name);

/// Value of an environment variable, or nullopt when unset.
std::optional<std::string> GetEnv(const char* name);
/// USERPROFILE when set, else HOME (the user's home directory).
std::optional<std::string> HomeDir();

bool Exists(const std::string& path);
bool IsDirectory(const std::string& path);
bool IsRegularFile(const std::string& path);
/// True when `path` exists and this process may read it.
bool IsReadable(const std::string& path);
/// True when standard output is redirected into a regular file.
bool StdoutIsRegularFile();
/// True when standard input and standard output are both terminals.
bool InteractiveTerminal();
/// Reads one key from the terminal in raw mode without echo.
void WaitForKey();

/// The process's current working directory.
std::string CurrentDirectory();

/// `dir` and `name` with one '/' between them (none added when `dir` is
/// empty or already ends in '/').
std::string JoinPath(std::string_view dir, std::string_view name);

/// What a directory listing says of an entry without asking the file
/// system again. kUnknown covers symbolic links (the link's target decides)
/// and file systems that do not report types: stat the entry to know.
enum class EntryKind : unsigned char { kUnknown, kDirectory, kOther };

struct DirEntry {
  std::string name;
  EntryKind kind = EntryKind::kUnknown;
};

/// The entries of a directory (without "." and ".."), in the order the file
/// system returns them; nullopt when it cannot be read. `missing` (may be
/// null) tells whether that is because no directory is there (a component
/// is absent or is no directory) rather than, say, a lack of permission.
std::optional<std::vector<DirEntry>> ListDirectoryEntries(
    const std::string& dir, bool* missing = nullptr);

/// Whether `entry`, listed at `path`, is a directory: from the listing when
/// it tells, else (links, unknown types) from the file system.
bool IsDirectoryEntry(const DirEntry& entry, const std::string& path);

/// Names of the entries of a directory (without "." and ".."), in the order
/// the file system returns them; nullopt when it cannot be read.
std::optional<std::vector<std::string>> ListDirectory(const std::string& dir);

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
  /// Find() for a path that Open() would try to open: nullopt also for a
  /// directory.
  std::optional<std::string> FindFile(const std::string& path);
  /// Opens the file found by Find() for reading ("rb"); null when absent or
  /// a directory.
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

/// Starts `program` with `argument` detached (new session, standard
/// streams on /dev/null); never waits, ignores the result.
void LaunchDetached(const std::string& program, const std::string& argument);
/// True when `program` is found on PATH.
bool OnPath(const std::string& program);

/// The scene header's date: "Sun Dec 06 18:43:07 2026" (local time), or
/// SOURCE_DATE_EPOCH in UTC when that variable is set. No line end.
std::string SceneDate();

}  // namespace platform

#endif  // R7P_PLATFORM_PLATFORM_H_
