#include "tests/part_count.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <utility>

namespace fs = std::filesystem;

namespace testing_support {
namespace {

constexpr const char* kStudNames[] = {
    "stud.dat",  "studp01.dat", "studel.dat", "stud2.dat", "stud2a.dat",
    "stud3.dat", "stud3a.dat",  "stud4.dat",  "stud4a.dat", "stud5.dat",
    "stud6.dat", "stud6a.dat",  "stud7.dat",  "stud8.dat"};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string Lower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

const char* SkipBlanks(const char* p) {
  while (IsBlank(*p)) ++p;
  return p;
}

// The file name at the end of a line: the rest of the line, or the text
// between double quotes.
std::string ReadName(const char* p) {
  p = SkipBlanks(p);
  if (*p != '"') return p;
  ++p;
  const char* end = strchr(p, '"');
  return end == nullptr ? std::string(p) : std::string(p, end);
}

// Lines of a file: any CR or LF ends a line; Ctrl-Z is dropped; blanks
// around a line do not count.
std::vector<std::string> SplitLines(const std::string& content) {
  std::vector<std::string> lines;
  std::string line;
  auto flush = [&]() {
    size_t begin = 0;
    size_t end = line.size();
    while (begin < end && IsBlank(line[begin])) ++begin;
    while (end > begin && IsBlank(line[end - 1])) --end;
    if (end > begin) lines.push_back(line.substr(begin, end - begin));
    line.clear();
  };
  for (char c : content) {
    if (c == '\r' || c == '\n') {
      flush();
    } else if (c != '\x1a') {
      line.push_back(c);
    }
  }
  flush();
  return lines;
}

std::vector<std::string> LowerWords(const char* text) {
  std::vector<std::string> words;
  const char* p = SkipBlanks(text);
  while (*p != '\0') {
    const char* start = p;
    while (*p != '\0' && !IsBlank(*p)) ++p;
    words.push_back(Lower(std::string(start, p)));
    p = SkipBlanks(p);
  }
  return words;
}

// The kind a part-type header line declares: 1 part, 2 primitive, 0 none.
int HeaderKind(const char* meta) {
  std::vector<std::string> w = LowerWords(meta);
  size_t type_word = 0;
  if (w.size() >= 2 && (w[0] == "!ldraw_org" || w[0] == "ldraw_org" ||
                        w[0] == "unofficial" || w[0] == "un-official")) {
    type_word = 1;
  } else if (w.size() >= 3 && ((w[0] == "official" && w[1] == "lcad") ||
                               (w[0] == "original" && w[1] == "ldraw"))) {
    type_word = 2;
  } else {
    return 0;
  }
  const std::string& type = w[type_word];
  if (type == "part" || type == "subpart" || type == "sub-part" ||
      type == "element")
    return 1;
  if (type == "primitive" || type == "48_primitive") return 2;
  return 0;
}

bool IsRegularFile(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::is_regular_file(path, ec);
}

bool IsDir(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::is_directory(path, ec);
}

}  // namespace

bool IsStudFileName(const std::string& name) {
  for (const char* stud : kStudNames)
    if (name == stud) return true;
  return false;
}

std::string NormalizeLDrawName(std::string name) {
  name = Lower(std::move(name));
  for (char& c : name)
    if (c == '/') c = '\\';
  return name;
}

PartCounter::PartCounter(std::string library,
                         std::function<bool(const std::string&)> replaced)
    : library_(std::move(library)), replaced_(std::move(replaced)) {}

PartTally PartCounter::Count(const std::string& model_path) {
  PartTally tally;
  records_.clear();
  size_t slash = model_path.find_last_of('/');
  model_dir_ = slash == std::string::npos ? "." : model_path.substr(0, slash);
  std::string main_name =
      slash == std::string::npos ? model_path : model_path.substr(slash + 1);
  Record& main = records_[main_name];
  if (!ReadFile(model_path, main_name)) return tally;
  main.read = true;
  if (!Resolve(main_name)) return tally;
  tally.ok = true;
  tally.parts = main.parts;
  tally.studs = main.studs;
  return tally;
}

bool PartCounter::Resolve(const std::string& name) {
  Record& record = records_[name];
  if (record.done) return true;
  if (record.visiting) return false;  // a model that contains itself
  record.visiting = true;
  if (IsStudFileName(name)) record.studs = 1;

  if (replaced_ && replaced_(name)) {
    record.primitive = true;
    record.read = true;
  } else {
    if (!record.read) {
      record.read = true;
      bool part = false;
      bool primitive = false;
      std::string path = Locate(name, &part, &primitive);
      // The folder decides first; a part-type header may add to it.
      record.part = part;
      record.primitive = primitive;
      if (path.empty() || !ReadFile(path, name)) {
        record.visiting = false;
        record.done = true;
        return true;  // missing: counts nothing but its own stud
      }
    }
    for (const std::string& target : record.references)
      if (!records_[target].done && !Resolve(target)) return false;
    for (const std::string& target_name : record.references) {
      const Record& target = records_[target_name];
      record.studs += target.studs;
      if (record.part || record.primitive) continue;
      if (target.part)
        record.parts += 1;
      else if (!target.primitive)
        record.parts += target.parts;
    }
  }
  record.visiting = false;
  record.done = true;
  return true;
}

bool PartCounter::ReadFile(const std::string& path, const std::string& name) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::string content((std::istreambuf_iterator<char>(in)), {});

  Record* target = &records_[name];
  bool first_file_pending = true;
  for (const std::string& text : SplitLines(content)) {
    const char* line = text.c_str();
    if (*line == '0') {
      const char* meta = line + 1;
      if (*meta == '\0') continue;
      if (IsBlank(*meta)) ++meta;
      meta = SkipBlanks(meta);
      char word[1000];
      if (strncmp(meta, "FILE", 4) == 0 && sscanf(meta, "FILE %999s", word) == 1) {
        if (first_file_pending) {
          first_file_pending = false;  // the first section is the file itself
          continue;
        }
        if (target != nullptr) target->read = true;
        Record& section = records_[NormalizeLDrawName(ReadName(meta + 5))];
        target = section.read ? nullptr : &section;  // a repeated section is dropped
        continue;
      }
      if (target == nullptr) continue;
      int kind = HeaderKind(meta);
      if (kind == 1 && !target->primitive) target->part = true;
      if (kind == 2 && !target->part) target->primitive = true;
      continue;
    }
    if (target == nullptr) continue;
    int type = 0;
    long colour = 0;
    float m[12];
    int end = 0;
    char word[1000];
    int items = sscanf(line, "%d %li %f %f %f %f %f %f %f %f %f %f %f %f%n %999s",
                       &type, &colour, &m[0], &m[1], &m[2], &m[3], &m[4], &m[5],
                       &m[6], &m[7], &m[8], &m[9], &m[10], &m[11], &end, word);
    if (type != 1 || items != 15) continue;
    // x y z a b c d e f g h i: the 3x3 block is a..i.
    float a = m[3], b = m[4], c = m[5], d = m[6], e = m[7], f = m[8];
    float g = m[9], h = m[10], i = m[11];
    float det = a * (e * i - f * h) - b * (d * i - f * g) + c * (d * h - e * g);
    if (det == 0.0f) continue;  // a singular placement is left out of the model
    std::string ref = NormalizeLDrawName(ReadName(line + end));
    records_[ref];
    target->references.push_back(ref);
  }
  if (target != nullptr) target->read = true;
  return true;
}

std::string PartCounter::Locate(const std::string& name, bool* part,
                                bool* primitive) {
  std::string relative = name;
  for (char& c : relative)
    if (c == '\\') c = '/';
  struct Place {
    std::string dir;
    bool part;
    bool primitive;
  };
  const Place places[] = {
      {model_dir_, false, false},
      {FindCaseless(library_, "P"), false, true},
      {FindCaseless(library_, "PARTS"), true, false},
      {FindCaseless(library_, "MODELS"), false, false},
  };
  for (const Place& place : places) {
    if (!IsDir(place.dir)) continue;
    std::string path = FindCaseless(place.dir, relative);
    if (IsRegularFile(path)) {
      *part = place.part;
      *primitive = place.primitive;
      return path;
    }
  }
  return "";
}

std::string PartCounter::FindCaseless(const std::string& dir,
                                      const std::string& relative) {
  std::string current = dir;
  size_t start = 0;
  while (start <= relative.size()) {
    size_t slash = relative.find('/', start);
    if (slash == std::string::npos) slash = relative.size();
    std::string component = relative.substr(start, slash - start);
    start = slash + 1;
    if (component.empty()) continue;
    std::string exact = current + "/" + component;
    std::error_code ec;
    if (fs::exists(exact, ec)) {
      current = exact;
      continue;
    }
    std::string wanted = Lower(component);
    std::string match;
    for (const std::string& entry : Listing(current))
      if (Lower(entry) == wanted) {
        match = entry;
        break;
      }
    if (match.empty()) return "";
    current += "/" + match;
  }
  return current;
}

const std::vector<std::string>& PartCounter::Listing(const std::string& dir) {
  auto found = listings_.find(dir);
  if (found != listings_.end()) return found->second;
  std::vector<std::string>& names = listings_[dir];
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
    names.push_back(it->path().filename().string());
  return names;
}

}  // namespace testing_support
