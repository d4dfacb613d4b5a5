#include "platform/platform.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace platform {

namespace {

bool StatPath(const std::string& path, struct stat* st) {
  return !path.empty() && stat(path.c_str(), st) == 0;
}

bool EqualIgnoringAsciiCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

// Splits "a/b//c/" into "a", "b", "c"; the leading '/' is reported apart.
std::vector<std::string> SplitComponents(const std::string& path) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t slash = path.find('/', start);
    if (slash == std::string::npos) slash = path.size();
    if (slash > start) parts.push_back(path.substr(start, slash - start));
    start = slash + 1;
  }
  return parts;
}

std::string Join(const std::string& dir, const std::string& name) {
  if (dir.empty()) return name;
  if (dir.back() == '/') return dir + name;
  return dir + "/" + name;
}

// Puts the standard streams of a launched child on /dev/null.
void DetachStreams() {
  int null_fd = open("/dev/null", O_RDWR);
  if (null_fd < 0) return;
  dup2(null_fd, STDIN_FILENO);
  dup2(null_fd, STDOUT_FILENO);
  dup2(null_fd, STDERR_FILENO);
  if (null_fd > STDERR_FILENO) close(null_fd);
}

}  // namespace

std::optional<std::string> GetEnv(const char* name) {
  const char* value = getenv(name);
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

std::optional<std::string> HomeDir() {
  if (auto profile = GetEnv("USERPROFILE")) return profile;
  return GetEnv("HOME");
}

bool Exists(const std::string& path) {
  struct stat st;
  return StatPath(path, &st);
}

bool IsDirectory(const std::string& path) {
  struct stat st;
  return StatPath(path, &st) && S_ISDIR(st.st_mode);
}

bool IsRegularFile(const std::string& path) {
  struct stat st;
  return StatPath(path, &st) && S_ISREG(st.st_mode);
}

bool IsReadable(const std::string& path) {
  return !path.empty() && access(path.c_str(), R_OK) == 0;
}

bool StdoutIsRegularFile() {
  struct stat st;
  return fstat(STDOUT_FILENO, &st) == 0 && S_ISREG(st.st_mode);
}

bool InteractiveTerminal() {
  return isatty(STDIN_FILENO) == 1 && isatty(STDOUT_FILENO) == 1;
}

void WaitForKey() {
  if (isatty(STDIN_FILENO) != 1) return;
  struct termios saved;
  if (tcgetattr(STDIN_FILENO, &saved) != 0) return;
  struct termios raw = saved;
  raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
  raw.c_cc[VMIN] = 1;
  raw.c_cc[VTIME] = 0;
  if (tcsetattr(STDIN_FILENO, TCSANOW, &raw) != 0) return;
  char key = 0;
  ssize_t got = read(STDIN_FILENO, &key, 1);
  (void)got;
  tcsetattr(STDIN_FILENO, TCSANOW, &saved);
}

std::string CurrentDirectory() {
  std::string buffer(kMaxHostPath + 1, '\0');
  if (getcwd(buffer.data(), buffer.size()) == nullptr) return ".";
  buffer.resize(strlen(buffer.c_str()));
  return buffer;
}

std::optional<std::vector<std::string>> ListDirectory(const std::string& dir) {
  DIR* handle = opendir(dir.empty() ? "." : dir.c_str());
  if (handle == nullptr) return std::nullopt;
  std::vector<std::string> names;
  while (struct dirent* entry = readdir(handle)) {
    if (strcmp(entry->d_name, ".") == 0 || strcmp(entry->d_name, "..") == 0)
      continue;
    names.emplace_back(entry->d_name);
  }
  closedir(handle);
  return names;
}

const std::vector<std::string>* PathFinder::Listing(const std::string& dir) {
  auto it = listings_.find(dir);
  if (it == listings_.end())
    it = listings_.emplace(dir, ListDirectory(dir)).first;
  return it->second ? &*it->second : nullptr;
}

bool PathFinder::DirectoryOnTheWayExists(const std::string& dir) {
  if (existing_dirs_.count(dir) != 0) return true;
  if (!Exists(dir)) return false;
  existing_dirs_.insert(dir);
  return true;
}

std::optional<std::string> PathFinder::Find(const std::string& path) {
  if (path.empty() || path.size() > kMaxHostPath) return std::nullopt;
  if (Exists(path)) return path;
  return FindMissing(path);
}

std::optional<std::string> PathFinder::FindMissing(const std::string& path) {
  std::string found = path[0] == '/' ? "/" : "";
  const std::vector<std::string> parts = SplitComponents(path);
  for (size_t i = 0; i < parts.size(); ++i) {
    const std::string& part = parts[i];
    std::string exact = Join(found, part);
    // Every component but the last is a directory on the way; library
    // misses go through the same few of them again and again.
    const bool dot = part == "." || part == "..";
    if (dot || (i + 1 < parts.size() ? DirectoryOnTheWayExists(exact)
                                     : Exists(exact))) {
      found = exact;
      continue;
    }
    const std::vector<std::string>* names = Listing(found.empty() ? "." : found);
    if (names == nullptr) return std::nullopt;
    const std::string* match = nullptr;
    for (const std::string& name : *names) {
      if (EqualIgnoringAsciiCase(name, part)) {
        match = &name;
        break;
      }
    }
    if (match == nullptr) return std::nullopt;
    found = Join(found, *match);
  }
  if (!path.empty() && path.back() == '/' && found.back() != '/') found += '/';
  return Exists(found) ? std::optional<std::string>(found) : std::nullopt;
}

FILE* PathFinder::Open(const std::string& path, std::string* found_path) {
  // Most names are spelt as on disk: open them at once and ask the open
  // file whether it is a directory, instead of looking the path up twice.
  if (path.empty() || path.size() > kMaxHostPath) return nullptr;
  FILE* exact = fopen(path.c_str(), "rb");
  const bool absent = exact == nullptr && errno == ENOENT;
  if (exact != nullptr) {
    struct stat st;
    if (fstat(fileno(exact), &st) == 0 && !S_ISDIR(st.st_mode)) {
      if (found_path != nullptr) *found_path = path;
      return exact;
    }
    fclose(exact);
  }
  std::optional<std::string> found = absent ? FindMissing(path) : Find(path);
  if (!found || IsDirectory(*found)) return nullptr;
  FILE* file = fopen(found->c_str(), "rb");
  if (file != nullptr && found_path != nullptr) *found_path = *found;
  return file;
}

void LaunchDetached(const std::string& program, const std::string& argument) {
  fflush(nullptr);
  pid_t child = fork();
  if (child < 0) return;
  if (child == 0) {
    // The grandchild is adopted by init, so no zombie is left behind and
    // nobody has to wait for the viewer to close.
    setsid();
    pid_t grandchild = fork();
    if (grandchild != 0) _exit(0);
    DetachStreams();
    execlp(program.c_str(), program.c_str(), argument.c_str(),
           static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  waitpid(child, &status, 0);
}

bool OnPath(const std::string& program) {
  if (program.empty()) return false;
  if (program.find('/') != std::string::npos)
    return access(program.c_str(), X_OK) == 0;
  std::optional<std::string> path = GetEnv("PATH");
  if (!path) return false;
  size_t start = 0;
  while (start <= path->size()) {
    size_t colon = path->find(':', start);
    if (colon == std::string::npos) colon = path->size();
    // An empty PATH entry means the current directory.
    std::string dir = colon > start ? path->substr(start, colon - start) : ".";
    start = colon + 1;
    std::string candidate = Join(dir, program);
    if (IsRegularFile(candidate) && access(candidate.c_str(), X_OK) == 0)
      return true;
  }
  return false;
}

std::string SceneDate() {
  time_t now = time(nullptr);
  struct tm parts;
  bool utc = false;
  if (auto epoch = GetEnv("SOURCE_DATE_EPOCH")) {
    char* end = nullptr;
    long long seconds = strtoll(epoch->c_str(), &end, 10);
    if (end != epoch->c_str() && *end == '\0') {
      now = static_cast<time_t>(seconds);
      utc = true;
    }
  }
  bool ok = utc ? gmtime_r(&now, &parts) != nullptr
                : localtime_r(&now, &parts) != nullptr;
  if (!ok) return "Thu Jan 01 00:00:00 1970";
  char text[64];
  strftime(text, sizeof text, "%a %b %d %H:%M:%S %Y", &parts);
  return text;
}

}  // namespace platform
