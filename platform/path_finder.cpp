#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>

#include "platform/path_finder.h"
#include "platform/platform.h"

namespace platform {

enum class PathFinder::Kind : unsigned char {
  kUnresolved,  // a link, or a file system that gave no type: stat it
  kAbsent,
  kDirectory,
  kFile,   // a regular file
  kOther,  // a device, a FIFO, a socket: never read as LDraw
};

namespace {

constexpr uint32_t kNoEntry = UINT32_MAX;

void FoldAsciiCase(std::string_view name, std::string* folded) {
  folded->assign(name);
  for (char& c : *folded)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
}

bool IsDot(std::string_view part) { return part == "." || part == ".."; }

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

// A directory part that component matching would rebuild unchanged: no
// doubled separators to fold away.
bool IsPlainDirectory(std::string_view dir) {
  if (dir.find("//") != std::string_view::npos) return false;
  return dir.size() <= 1 || dir.back() != '/';
}

}  // namespace

struct PathFinder::Entry {
  std::string name;
  Kind kind = Kind::kUnresolved;
  uint32_t next_same_fold = kNoEntry;  // next entry spelt alike but for case
};

struct PathFinder::Directory {
  enum class State : unsigned char { kListed, kMissing, kUnlistable };
  State state = State::kUnlistable;
  std::vector<Entry> entries;  // in listing order
  // Case-folded name -> its first entry in listing order.
  std::unordered_map<std::string, uint32_t, StringHash, std::equal_to<>>
      first_by_fold;
};

PathFinder::PathFinder() = default;
PathFinder::~PathFinder() = default;
PathFinder::PathFinder(PathFinder&&) noexcept = default;
PathFinder& PathFinder::operator=(PathFinder&&) noexcept = default;

std::optional<std::string> PathFinder::Find(const std::string& path) {
  if (path.empty() || path.size() > kMaxHostPath) return std::nullopt;
  std::string found;
  if (Locate(path, &found) == Kind::kAbsent) return std::nullopt;
  return found;
}

std::optional<std::string> PathFinder::FindFile(const std::string& path) {
  if (path.empty() || path.size() > kMaxHostPath) return std::nullopt;
  std::string found;
  const Kind kind = Locate(path, &found);
  // Reading a device or a FIFO may never end (a reference can climb to
  // /dev/zero), so only a regular file is a file here; anything else is
  // as absent as a missing one.
  if (kind != Kind::kFile) return std::nullopt;
  return found;
}

FILE* PathFinder::Open(const std::string& path, std::string* found_path) {
  std::optional<std::string> found = FindFile(path);
  if (!found) return nullptr;
  FILE* file = OpenFound(*found);
  if (file != nullptr && found_path != nullptr) *found_path = std::move(*found);
  return file;
}

FILE* PathFinder::OpenFound(const std::string& found_path) {
  if (contents_ != nullptr) return contents_->Open(found_path);
  return fopen(found_path.c_str(), "rb");
}

void PathFinder::KeepContents() {
  if (contents_ == nullptr) contents_ = std::make_unique<ContentCache>();
}

PathFinder::Kind PathFinder::Locate(const std::string& path,
                                    std::string* found) {
  const std::string_view whole(path);
  const size_t slash = whole.rfind('/');
  const std::string_view leaf =
      slash == std::string_view::npos ? whole : whole.substr(slash + 1);
  const std::string_view parent = slash == std::string_view::npos ? ""
                                  : slash == 0 ? whole.substr(0, 1)
                                               : whole.substr(0, slash);
  Directory* dir = nullptr;
  if (!leaf.empty() && !IsDot(leaf)) dir = &Listing(parent);
  if (dir == nullptr || dir->state == Directory::State::kUnlistable) {
    // A trailing separator, a step in place or up, or a directory whose
    // names cannot be read: the file system is asked about the spelling.
    const Kind kind = KindOnDisk(path);
    if (kind != Kind::kAbsent) {
      *found = path;
      return kind;
    }
    return LocateByComponents(path, found);
  }
  if (dir->state == Directory::State::kMissing)
    return LocateByComponents(path, found);
  Entry* first = nullptr;
  Entry* exact = Match(*dir, leaf, &first);
  if (first == nullptr) return Kind::kAbsent;
  if (exact != nullptr) {
    const Kind kind = Resolve(*exact, path);
    if (kind != Kind::kAbsent) {
      *found = path;
      return kind;
    }
    // A dangling link: the name is then matched like any other.
  } else if (const Kind kind = KindOnDisk(path); kind != Kind::kAbsent) {
    // The file system itself ignores case here.
    *found = path;
    return kind;
  }
  if (!IsPlainDirectory(parent)) return LocateByComponents(path, found);
  *found = JoinPath(parent, first->name);
  return Resolve(*first, *found);
}

PathFinder::Kind PathFinder::LocateByComponents(const std::string& path,
                                                std::string* found) {
  std::string at = path[0] == '/' ? "/" : "";
  size_t rest = 0;  // where the components still to be matched begin
  // A directory already listed exists as spelt, and so does each directory
  // on the way to it: the matching starts below the deepest such one.
  for (size_t slash = path.rfind('/'); slash != std::string::npos && slash > 0;
       slash = path.rfind('/', slash - 1)) {
    const std::string_view prefix = std::string_view(path).substr(0, slash);
    auto it = listings_.find(prefix);
    if (it == listings_.end() ||
        it->second->state != Directory::State::kListed ||
        !IsPlainDirectory(prefix))
      continue;
    at = prefix;
    rest = slash + 1;
    break;
  }
  Kind kind = Kind::kUnresolved;
  Entry* last = nullptr;  // the entry `at` ends in, when it came from a listing
  for (const std::string& part : SplitComponents(path.substr(rest))) {
    last = nullptr;
    std::string exact_path = JoinPath(at, part);
    if (IsDot(part)) {
      at = std::move(exact_path);
      kind = Kind::kUnresolved;
      continue;
    }
    Directory& dir = Listing(at);
    if (dir.state == Directory::State::kMissing) return Kind::kAbsent;
    if (dir.state == Directory::State::kUnlistable) {
      kind = KindOnDisk(exact_path);
      if (kind == Kind::kAbsent) return kind;
      at = std::move(exact_path);
      continue;
    }
    Entry* first = nullptr;
    Entry* exact = Match(dir, part, &first);
    if (first == nullptr) return Kind::kAbsent;
    kind = exact != nullptr ? Resolve(*exact, exact_path)
                            : KindOnDisk(exact_path);
    if (kind != Kind::kAbsent) {
      at = std::move(exact_path);
      continue;
    }
    at = JoinPath(at, first->name);
    last = first;
    kind = first->kind;
  }
  if (last != nullptr) kind = Resolve(*last, at);
  const bool trailing_separator = path.back() == '/';
  if (trailing_separator && at.back() != '/') at += '/';
  if (kind == Kind::kUnresolved) kind = KindOnDisk(at);
  // Only a directory can be named with a separator after it.
  if (trailing_separator && (kind == Kind::kFile || kind == Kind::kOther))
    kind = Kind::kAbsent;
  *found = std::move(at);
  return kind;
}

PathFinder::Directory& PathFinder::Listing(std::string_view dir) {
  auto it = listings_.find(dir);
  if (it != listings_.end()) return *it->second;
  const std::string name = dir.empty() ? std::string(".") : std::string(dir);
  auto listing = std::make_unique<Directory>();
  bool missing = false;
  std::optional<std::vector<DirEntry>> entries =
      ListDirectoryEntries(name, &missing);
  if (!entries) {
    listing->state = missing ? Directory::State::kMissing
                             : Directory::State::kUnlistable;
  } else if (access(name.c_str(), X_OK) != 0) {
    // Names that can be read but not reached tell nothing of the entries.
    listing->state = Directory::State::kUnlistable;
  } else {
    listing->state = Directory::State::kListed;
    std::vector<Entry>& list = listing->entries;
    list.reserve(entries->size());
    std::vector<uint32_t> chain_end(entries->size(), kNoEntry);
    for (DirEntry& entry : *entries) {
      const auto index = static_cast<uint32_t>(list.size());
      const Kind kind = entry.kind == EntryKind::kDirectory ? Kind::kDirectory
                        : entry.kind == EntryKind::kFile    ? Kind::kFile
                        : entry.kind == EntryKind::kOther   ? Kind::kOther
                                                            : Kind::kUnresolved;
      list.push_back(Entry{std::move(entry.name), kind, kNoEntry});
      FoldAsciiCase(list.back().name, &folded_);
      auto [slot, fresh] = listing->first_by_fold.try_emplace(folded_, index);
      const uint32_t head = slot->second;
      if (!fresh) list[chain_end[head]].next_same_fold = index;
      chain_end[head] = index;
    }
  }
  return *listings_.emplace(std::string(dir), std::move(listing))
              .first->second;
}

PathFinder::Entry* PathFinder::Match(Directory& dir, std::string_view name,
                                     Entry** first) {
  FoldAsciiCase(name, &folded_);
  auto it = dir.first_by_fold.find(std::string_view(folded_));
  *first = nullptr;
  if (it == dir.first_by_fold.end()) return nullptr;
  *first = &dir.entries[it->second];
  for (uint32_t i = it->second; i != kNoEntry;
       i = dir.entries[i].next_same_fold)
    if (dir.entries[i].name == name) return &dir.entries[i];
  return nullptr;
}

PathFinder::Kind PathFinder::Resolve(Entry& entry, const std::string& path) {
  if (entry.kind == Kind::kUnresolved) entry.kind = KindOnDisk(path);
  return entry.kind;
}

PathFinder::Kind PathFinder::KindOnDisk(const std::string& path) {
  struct stat st;
  if (path.empty() || stat(path.c_str(), &st) != 0) return Kind::kAbsent;
  if (S_ISDIR(st.st_mode)) return Kind::kDirectory;
  return S_ISREG(st.st_mode) ? Kind::kFile : Kind::kOther;
}

}  // namespace platform
