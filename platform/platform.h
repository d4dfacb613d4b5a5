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
/// kOther is anything but a regular file or a directory: a device, a FIFO,
/// a socket.
enum class EntryKind : unsigned char { kUnknown, kDirectory, kFile, kOther };

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

/// Starts `program` with `argument` detached (new session, standard
/// streams on /dev/null); never waits, ignores the result.
void LaunchDetached(const std::string& program, const std::string& argument);
/// True when `program` is found on PATH.
bool OnPath(const std::string& program);

/// The scene header's date: "Sun Dec 06 18:43:07 2026" (local time), or
/// SOURCE_DATE_EPOCH in UTC when that variable is set. No line end.
std::string SceneDate();

/// Text to put into a file before the byte at `offset`.
struct FileInsertion {
  long offset;
  std::string_view text;
};

/// Puts `insertions` (by offset, none past the end) into the file that
/// `file` writes, which must be open for reading too: the text after the
/// first offset is moved back in large blocks, from the end, through one
/// buffer, so that no page of the file is written twice. The stream stands
/// at the new end afterwards. False when reading or writing failed.
bool InsertIntoFile(FILE* file, const std::vector<FileInsertion>& insertions);

}  // namespace platform

#endif  // R7P_PLATFORM_PLATFORM_H_
