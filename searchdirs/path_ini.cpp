#include "searchdirs/path_ini.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/path_finder.h"
#include "platform/platform.h"

namespace {

constexpr char kArgumentSource[] = "PathIniGet argument";
constexpr char kLdrawDirEnvSource[] = "LDRAWDIR environment variable";
constexpr char kTypicalSource[] = "Typical location on disk";
constexpr char kSearchEnvSource[] = "LDRAWSEARCH environment variable";
constexpr char kNumberedEnvSource[] = "LDRAWSEARCH01 etc. environment variables";
constexpr char kDefaultSource[] = "Default";
constexpr char kDefaultSearch[] =
    "<MODELDIR>|<HIDE><LDRAWDIR>\\P|<LDRAWDIR>\\PARTS|<LDRAWDIR>\\MODELS";
constexpr char kIniName[] = "/LDraw.ini";
constexpr char kCtrlZ = 26;
// Host paths (ini values, the ini path) hold at most this many characters.
constexpr size_t kPathBuffer = platform::kMaxHostPath + 1;

// Host paths use '/'; a backslash typed in a configuration is a separator.
std::string WithSlashes(std::string text) {
  std::replace(text.begin(), text.end(), '\\', '/');
  return text;
}

std::string Bounded(const std::string& text, size_t buffer_size) {
  if (buffer_size == 0) return std::string();
  return text.size() < buffer_size ? text : text.substr(0, buffer_size - 1);
}

bool IsExistingDirectory(const std::string& path, platform::PathFinder& finder,
                         std::string* found) {
  std::optional<std::string> on_disk = finder.Find(path);
  if (!on_disk || !platform::IsDirectory(*on_disk)) return false;
  if (found != nullptr) *found = *on_disk;
  return true;
}

// A library root holds the directories P and PARTS (MODELS is optional).
bool IsLibraryRoot(const std::string& root, platform::PathFinder& finder) {
  return IsExistingDirectory(root + "/P", finder, nullptr) &&
         IsExistingDirectory(root + "/PARTS", finder, nullptr);
}

// Splits at every '|'; a final '|' adds no entry, an empty text none at all.
std::vector<std::string> SplitSearchList(const std::string& text) {
  std::vector<std::string> entries;
  if (text.empty()) return entries;
  size_t start = 0;
  for (;;) {
    size_t bar = text.find('|', start);
    if (bar == std::string::npos) {
      if (start < text.size()) entries.push_back(text.substr(start));
      return entries;
    }
    entries.push_back(text.substr(start, bar - start));
    start = bar + 1;
  }
}

// One physical line of an ini file, in pieces of at most kIniLinePiece
// characters. CR, LF, CR LF and LF CR end a line; CR CR and LF LF are two
// line ends. Ctrl-Z is dropped but counts towards the piece.
bool ReadIniLine(FILE* file, std::string* line) {
  line->clear();
  size_t taken = 0;
  int c = 0;
  while (taken < kIniLinePiece && (c = fgetc(file)) != EOF) {
    if (c == '\n' || c == '\r') {
      int next = fgetc(file);
      if (next != EOF && (next == '\n' || next == '\r') && next != c) return true;
      if (next != EOF) ungetc(next, file);
      return true;
    }
    ++taken;
    if (c != kCtrlZ) line->push_back(static_cast<char>(c));
  }
  return taken > 0;
}

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

void TrimValue(std::string* value) {
  while (!value->empty()) {
    char c = value->back();
    if (c != '\n' && c != '\r' && c != kCtrlZ && c != ' ' && c != '\t') break;
    value->pop_back();
  }
}

// Looks the key up in one ini file; a file that cannot be opened has no key.
bool ReadIniFile(const std::string& path, const char* section, const char* key,
                 std::string* value, size_t value_size,
                 platform::PathFinder& finder) {
  FILE* file = finder.Open(path);
  if (file == nullptr) return false;
  const std::string section_start = std::string("[") + section + "]";
  const std::string key_start = std::string(key) + "=";
  bool in_section = false;
  bool found = false;
  std::string line;
  while (ReadIniLine(file, &line)) {
    if (!in_section) {
      in_section = StartsWith(line, section_start);
      continue;
    }
    if (StartsWith(line, "[")) break;
    if (!StartsWith(line, key_start)) continue;
    *value = Bounded(line.substr(key_start.size()), value_size);
    TrimValue(value);
    found = true;
    break;
  }
  fclose(file);
  return found;
}

// "<dir>/LDraw.ini" when it still fits, else the directory alone.
std::string IniCandidate(const std::string& dir, size_t path_size) {
  std::string path = Bounded(dir, path_size);
  if (path.size() + strlen(kIniName) < path_size) path += kIniName;
  return path;
}

std::vector<std::string> IniCandidates(const PathIniData* data,
                                       size_t path_size) {
  std::vector<std::string> candidates;
  if (std::optional<std::string> ini = platform::GetEnv("LDRAWINI"))
    candidates.push_back(Bounded(*ini, path_size));
  if (std::optional<std::string> home = platform::HomeDir())
    candidates.push_back(IniCandidate(*home, path_size));
  if (std::optional<std::string> all = platform::GetEnv("ALLUSERSPROFILE"))
    candidates.push_back(IniCandidate(*all, path_size));
  if (data != nullptr && !data->LDrawDir.empty())
    candidates.push_back(IniCandidate(data->LDrawDir, path_size));
  candidates.push_back(
      IniCandidate(platform::GetEnv("windir").value_or("/etc"), path_size));
  return candidates;
}

bool FindLdrawDir(PathIniData* data, const char* ldraw_dir,
                  const char* ldraw_dir_source, platform::PathFinder& finder) {
  if (ldraw_dir != nullptr) {
    data->LDrawDir = ldraw_dir;
    data->LDrawDirSource =
        ldraw_dir_source != nullptr ? ldraw_dir_source : kArgumentSource;
  } else if (std::optional<std::string> env = platform::GetEnv("LDRAWDIR")) {
    data->LDrawDir = *env;
    data->LDrawDirSource = kLdrawDirEnvSource;
  } else {
    std::string value;
    std::string ini_path;
    if (PathIniGetIniValue(data, "LDraw", "BaseDirectory", &value, kPathBuffer,
                           &ini_path, kPathBuffer, finder)) {
      data->LDrawDir = value;
      data->LDrawDirSource = ini_path;
    } else {
      std::vector<std::string> typical;
      if (std::optional<std::string> home = platform::GetEnv("HOME"))
        typical.push_back(*home + "/ldraw");
      typical.push_back("/usr/share/ldraw");
      auto root = std::find_if(typical.begin(), typical.end(),
                               [&](const std::string& candidate) {
                                 return IsLibraryRoot(candidate, finder);
                               });
      if (root == typical.end()) return false;
      data->LDrawDir = *root;
      data->LDrawDirSource = kTypicalSource;
    }
  }
  data->LDrawDir = WithSlashes(data->LDrawDir);
  return true;
}

void FindRawSearchList(PathIniData* data, platform::PathFinder& finder) {
  if (std::optional<std::string> env = platform::GetEnv("LDRAWSEARCH")) {
    data->RawSearchDirs = SplitSearchList(*env);
    data->SearchDirsSource = kSearchEnvSource;
    return;
  }
  if (platform::GetEnv("LDRAWSEARCH01")) {
    for (int i = 1; i <= kMaxNumberedSearchDirs; ++i) {
      char name[32];
      snprintf(name, sizeof name, "LDRAWSEARCH%02d", i);
      std::optional<std::string> entry = platform::GetEnv(name);
      if (!entry) break;
      data->RawSearchDirs.push_back(*entry);
    }
    data->SearchDirsSource = kNumberedEnvSource;
    return;
  }
  std::string value;
  std::string ini_path;
  if (PathIniGetIniValue(data, "LDrawSearch", "1", &value, kPathBuffer,
                         &ini_path, kPathBuffer, finder)) {
    data->RawSearchDirs.push_back(value);
    // The remaining keys come from the same file only.
    for (int i = 2; i <= kMaxNumberedSearchDirs; ++i) {
      char key[16];
      snprintf(key, sizeof key, "%d", i);
      std::string same_file = ini_path;
      if (!PathIniGetIniValue(data, "LDrawSearch", key, &value, kPathBuffer,
                              &same_file, kPathBuffer, finder))
        break;
      data->RawSearchDirs.push_back(value);
    }
    data->SearchDirsSource = ini_path;
    return;
  }
  data->RawSearchDirs = SplitSearchList(kDefaultSearch);
  data->SearchDirsSource = kDefaultSource;
}

// The directory part of a model path: text before the last separator, "."
// without one. A model in the root directory keeps "/" so that <MODELDIR>
// still names the root rather than the current directory.
std::string ModelDirOf(const std::string& model_path) {
  size_t sep = model_path.find_last_of("/\\");
  if (sep == std::string::npos) return ".";
  if (sep == 0) return model_path.substr(0, 1) == "/" ? "/" : "";
  return model_path.substr(0, sep);
}

struct EntryContext {
  const std::string* ldraw_dir;
  const std::optional<std::string>* model_dir;
  const std::optional<std::string>* home_dir;
};

struct AttributeKeyword {
  const char* keyword;
  int flag;
};
constexpr AttributeKeyword kAttributes[] = {{"<SKIP>", kSearchDirSkip},
                                            {"<HIDE>", kSearchDirHide},
                                            {"<SHOW>", 0},
                                            {"<DEFPART>", kSearchDirDefPart},
                                            {"<DEFPRIM>", kSearchDirDefPrim}};

// Consumes the attribute keywords at the start of `rest`.
void TakeAttributeKeywords(std::string* rest, SearchDir* out) {
  while (StartsWith(*rest, "<")) {
    if (StartsWith(*rest, "<LDRAWDIR>") || StartsWith(*rest, "<MODELDIR>") ||
        StartsWith(*rest, "<HOMEDIR>"))
      return;
    bool known = false;
    for (const auto& attribute : kAttributes) {
      if (!StartsWith(*rest, attribute.keyword)) continue;
      out->Flags |= attribute.flag;
      rest->erase(0, strlen(attribute.keyword));
      known = true;
      break;
    }
    if (known) continue;
    size_t close = rest->find('>');
    if (close == std::string::npos) return;
    out->ExtraKeywords = out->ExtraKeywords.value_or("") + rest->substr(0, close + 1);
    rest->erase(0, close + 1);
  }
}

// -1 error, 0 unresolved (its base directory is unknown), 1 resolved.
int ParseEntry(const std::string& entry, const EntryContext& context,
               SearchDir* out) {
  if (out == nullptr || context.ldraw_dir == nullptr) return -1;
  std::string rest = entry;
  TakeAttributeKeywords(&rest, out);
  size_t quote = rest.find('"');
  if (quote != std::string::npos) {
    rest.erase(0, quote + 1);
    size_t end = rest.find('"');
    if (end != std::string::npos) rest.erase(end);
  }
  std::optional<std::string> base = std::string();
  if (StartsWith(rest, "<LDRAWDIR>")) {
    base = *context.ldraw_dir;
    rest.erase(0, strlen("<LDRAWDIR>"));
    // Only the exact upper-case names mark the standard library folders.
    if (rest.size() > 1) {
      std::string sub = rest.substr(1);
      if (sub == "P") out->Flags |= kSearchDirDefPrim;
      if (sub == "PARTS") out->Flags |= kSearchDirDefPart;
    }
  } else if (StartsWith(rest, "<MODELDIR>")) {
    base = *context.model_dir;
    out->Flags |= kSearchDirModel;
    rest.erase(0, strlen("<MODELDIR>"));
  } else if (StartsWith(rest, "<HOMEDIR>")) {
    base = *context.home_dir;
    rest.erase(0, strlen("<HOMEDIR>"));
  }
  if (!base) {
    out->ExtraKeywords.reset();
    return 0;
  }
  out->Dir = WithSlashes(*base + rest);
  return 1;
}

}  // namespace

bool PathIniGetIniValue(const PathIniData* data, const char* section,
                        const char* key, std::string* value, size_t value_size,
                        std::string* ini_path, size_t ini_path_size,
                        platform::PathFinder& finder) {
  std::string private_path;
  if (ini_path == nullptr) ini_path = &private_path;
  if (section == nullptr || key == nullptr || value == nullptr) return false;
  if (!ini_path->empty())
    return ReadIniFile(*ini_path, section, key, value, value_size, finder);
  for (const std::string& candidate : IniCandidates(data, ini_path_size)) {
    if (!ReadIniFile(candidate, section, key, value, value_size, finder))
      continue;
    *ini_path = finder.Find(candidate).value_or(candidate);
    return true;
  }
  ini_path->clear();
  return false;
}

std::unique_ptr<PathIniData> PathIniGet(const char* ldraw_dir,
                                        const char* ldraw_dir_source,
                                        int* status,
                                        platform::PathFinder& finder) {
  int ignored = 0;
  if (status == nullptr) status = &ignored;
  *status = kPathIniFailed;
  auto data = std::make_unique<PathIniData>();
  if (!FindLdrawDir(data.get(), ldraw_dir, ldraw_dir_source, finder)) {
    *status = kPathIniNotFound;
    return nullptr;
  }
  FindRawSearchList(data.get(), finder);
  *status = kPathIniOk;
  return data;
}

Status PathIniComputeRealDirs(PathIniData* data, bool verify,
                           bool trailing_separator, const char* model_path,
                           platform::PathFinder& finder) {
  if (data == nullptr || data->LDrawDir.empty() || data->RawSearchDirs.empty())
    return Status::kFailed;
  PathIniFreeRealDirs(data);
  data->ModelDir.reset();
  if (model_path != nullptr) data->ModelDir = ModelDirOf(model_path);
  const std::optional<std::string> home = platform::HomeDir();
  const EntryContext context{&data->LDrawDir, &data->ModelDir, &home};
  std::vector<SearchDir> dirs;
  dirs.reserve(data->RawSearchDirs.size());
  for (const std::string& entry : data->RawSearchDirs) {
    SearchDir dir;
    int parsed = ParseEntry(entry, context, &dir);
    if (parsed < 0) return Status::kFailed;
    if (parsed == 0 || (dir.Flags & kSearchDirSkip) != 0) continue;
    if (verify && !dir.Dir.empty() &&
        !IsExistingDirectory(dir.Dir, finder, &dir.Dir))
      continue;
    // Appended even after an existing separator: callers join by plain
    // concatenation and expect exactly this form.
    if (!dir.Dir.empty() && trailing_separator) dir.Dir += '/';
    dirs.push_back(std::move(dir));
  }
  data->SearchDirs = std::move(dirs);
  data->nSearchDirs = static_cast<int>(data->SearchDirs.size());
  return Status::kOk;
}

void PathIniFreeRealDirs(PathIniData* data) {
  if (data == nullptr) return;
  data->SearchDirs.clear();
  data->nSearchDirs = 0;
}
