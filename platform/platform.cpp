#include "platform/platform.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace platform {

std::string HostPathOfName(std::string ldraw_name) {
  std::replace(ldraw_name.begin(), ldraw_name.end(), '\\', '/');
  return ldraw_name;
}

namespace {

bool StatPath(const std::string& path, struct stat* st) {
  return !path.empty() && stat(path.c_str(), st) == 0;
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

namespace {

EntryKind KindOf(unsigned char type) {
  switch (type) {
    case DT_DIR:
      return EntryKind::kDirectory;
    case DT_REG:
      return EntryKind::kFile;
    case DT_LNK:
    case DT_UNKNOWN:
      return EntryKind::kUnknown;
    default:
      return EntryKind::kOther;
  }
}

}  // namespace

std::string JoinPath(std::string_view dir, std::string_view name) {
  std::string joined;
  joined.reserve(dir.size() + 1 + name.size());
  joined.append(dir);
  if (!dir.empty() && dir.back() != '/') joined += '/';
  joined.append(name);
  return joined;
}

std::optional<std::vector<DirEntry>> ListDirectoryEntries(
    const std::string& dir, bool* missing) {
  DIR* handle = opendir(dir.empty() ? "." : dir.c_str());
  if (missing != nullptr)
    *missing = handle == nullptr && (errno == ENOENT || errno == ENOTDIR);
  if (handle == nullptr) return std::nullopt;
  std::vector<DirEntry> entries;
  while (struct dirent* entry = readdir(handle)) {
    if (strcmp(entry->d_name, ".") == 0 || strcmp(entry->d_name, "..") == 0)
      continue;
    entries.push_back(DirEntry{entry->d_name, KindOf(entry->d_type)});
  }
  closedir(handle);
  return entries;
}

bool IsDirectoryEntry(const DirEntry& entry, const std::string& path) {
  if (entry.kind == EntryKind::kUnknown) return IsDirectory(path);
  return entry.kind == EntryKind::kDirectory;
}

std::optional<std::vector<std::string>> ListDirectory(const std::string& dir) {
  std::optional<std::vector<DirEntry>> entries = ListDirectoryEntries(dir);
  if (!entries) return std::nullopt;
  std::vector<std::string> names;
  names.reserve(entries->size());
  for (DirEntry& entry : *entries) names.push_back(std::move(entry.name));
  return names;
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
    std::string candidate = JoinPath(dir, program);
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

namespace {

bool ReadAt(int fd, char* data, size_t size, off_t at) {
  while (size > 0) {
    const ssize_t got = pread(fd, data, size, at);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    data += got;
    size -= static_cast<size_t>(got);
    at += got;
  }
  return true;
}

bool WriteAt(int fd, const char* data, size_t size, off_t at) {
  while (size > 0) {
    const ssize_t wrote = pwrite(fd, data, size, at);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) return false;
    data += wrote;
    size -= static_cast<size_t>(wrote);
    at += wrote;
  }
  return true;
}

}  // namespace

bool InsertIntoFile(FILE* file, const std::vector<FileInsertion>& insertions) {
  if (fflush(file) != 0) return false;
  if (insertions.empty()) return true;
  const int fd = fileno(file);
  struct stat st;
  if (fstat(fd, &st) != 0) return false;
  const off_t size = st.st_size;
  // inserted_before[i]: the bytes of the insertions before insertion i.
  std::vector<off_t> inserted_before(insertions.size() + 1, 0);
  for (size_t i = 0; i < insertions.size(); ++i) {
    if (insertions[i].offset < 0 || insertions[i].offset > size ||
        (i > 0 && insertions[i].offset < insertions[i - 1].offset))
      return false;
    inserted_before[i + 1] =
        inserted_before[i] + static_cast<off_t>(insertions[i].text.size());
  }
  // Blocks of the old text from the end backwards: each lands at least as
  // far on as it was, so no block overwrites old text not yet moved.
  constexpr off_t kBlock = off_t{1} << 18;
  std::vector<char> old_text(static_cast<size_t>(kBlock));
  std::string new_text;
  size_t next = insertions.size();  // insertions at or after `end` are done
  off_t end = size;
  const off_t first = insertions.front().offset;
  while (end > first || next > 0) {
    const off_t begin = std::max(first, end - kBlock);
    const size_t length = static_cast<size_t>(end - begin);
    if (length > 0 && !ReadAt(fd, old_text.data(), length, begin)) return false;
    // The insertions in [begin, end), and those at the very end of the file.
    size_t from = next;
    while (from > 0 && (insertions[from - 1].offset >= begin &&
                        (insertions[from - 1].offset < end || end == size)))
      --from;
    new_text.clear();
    off_t copied = begin;
    for (size_t i = from; i < next; ++i) {
      new_text.append(old_text.data() + (copied - begin),
                      static_cast<size_t>(insertions[i].offset - copied));
      new_text.append(insertions[i].text);
      copied = insertions[i].offset;
    }
    new_text.append(old_text.data() + (copied - begin),
                    static_cast<size_t>(end - copied));
    if (!WriteAt(fd, new_text.data(), new_text.size(),
                 begin + inserted_before[from]))
      return false;
    next = from;
    end = begin;
  }
  return fseek(file, 0, SEEK_END) == 0;
}

}  // namespace platform
