// Every call into the operating system goes through here.
#ifndef R7P_PLATFORM_PLATFORM_H_
#define R7P_PLATFORM_PLATFORM_H_

#include <cstdio>
#include <ctime>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace platform {

/// Longest host path accepted (bytes); longer ones are refused by callers.
inline constexpr size_t kMaxHostPath = 4095;

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

/// Names of the entries of a directory (without "." and ".."), in the order
/// the file system returns them; nullopt when it cannot be read.
std::optional<std::vector<std::string>> ListDirectory(const std::string& dir);

/// Case-insensitive lookup of library content. The exact path is tried
/// first; then each missing component is matched without regard to ASCII
/// case within its directory. Directory listings are read once and cached
/// for the life of the object. Returns the path as found on disk.
class PathFinder {
 public:
  std::optional<std::string> Find(const std::string& path);
  /// Opens the file found by Find() for reading ("rb"); null when absent.
  FILE* Open(const std::string& path, std::string* found_path = nullptr);

 private:
  const std::vector<std::string>* Listing(const std::string& dir);
  /// Find() for a path known not to exist as spelt.
  std::optional<std::string> FindMissing(const std::string& path);
  /// Whether the directory on the way to a file exists; a directory once
  /// seen is taken to stay, as its listing does.
  bool DirectoryOnTheWayExists(const std::string& dir);
  std::map<std::string, std::optional<std::vector<std::string>>> listings_;
  std::set<std::string> existing_dirs_;
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
