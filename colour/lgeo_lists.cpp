#include "colour/lgeo_lists.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include "base/settings.h"
#include "base/diagnostics.h"
#include "base/numbered_lines.h"
#include "base/text_scan.h"
#include "platform/path_finder.h"
#include "platform/platform.h"

namespace {

constexpr const char* kElementList = "lg_elements.lst";
constexpr const char* kColourList = "lg_colors.lst";
// Longer LDraw names never have an LGEO counterpart.
constexpr size_t kMaxElementName = 80;

// Element names mostly start with the part number ("3001", "3001p01"), so
// the list is ordered numerically first. Names without a leading number
// follow all numbered ones.
struct NameKey {
  bool has_number;
  long number;
};

NameKey KeyOf(const std::string& name) {
  const char* start = name.c_str();
  char* end = nullptr;
  errno = 0;
  long number = strtol(start, &end, 10);
  if (end == start) return {false, 0};
  return {true, number};
}

bool NameBefore(const std::string& a, const std::string& b) {
  NameKey ka = KeyOf(a);
  NameKey kb = KeyOf(b);
  if (ka.has_number != kb.has_number) return ka.has_number;
  if (ka.has_number && ka.number != kb.number) return ka.number < kb.number;
  return a < b;
}

// The flag letters of an element in the order the dump shows them.
std::string FlagLetters(uint32_t flags) {
  std::string letters;
  if ((flags & kLgeoSetL) != 0) letters += 'L';
  if ((flags & kLgeoSlope) != 0) letters += 'S';
  if ((flags & kLgeoSetA) != 0) letters += 'A';
  return letters.empty() ? "-" : letters;
}

// A decimal colour number as scanf's "%ld" reads it, within 32 bits.
bool ReadColourNumber(const std::string& word, int32_t* code) {
  const char* start = word.c_str();
  char* end = nullptr;
  errno = 0;
  long value = strtol(start, &end, 10);
  if (end == start || errno == ERANGE || value < INT32_MIN || value > INT32_MAX)
    return false;
  *code = static_cast<int32_t>(value);
  return true;
}

}  // namespace

void LgeoLists::AddElementLine(const std::string words[3], Diagnostics& diag) {
  LgeoElement element;
  element.ldrawName = NormalizedName(words[0]);
  element.lgeoName = words[1];
  for (char letter : words[2]) {
    switch (letter) {
      case 'A':
        element.flags |= kLgeoSetA;
        break;
      case 'L':
        element.flags |= kLgeoSetL;
        break;
      case 'S':
        element.flags |= kLgeoSlope;
        break;
      default:
        diag.ReportMessage(0, kWarning, "Unknown flag '%c'", letter);
        break;
    }
  }
  elements_.push_back(std::move(element));
}

void LgeoLists::AddColourLine(const std::string words[3], Diagnostics& diag) {
  LgeoColour colour;
  if (!ReadColourNumber(words[0], &colour.code)) {
    diag.ReportMessage(0, kSkipping, "Bad line, Color number expected");
    return;
  }
  colour.name = words[1];
  colours_.push_back(std::move(colour));
}

Status LgeoLists::ReadList(const std::string& lgeo_dir,
                           const char* list_name, int debug_level, platform::PathFinder& finder,
                        Diagnostics& diag) {
  std::string path = lgeo_dir + "/" + list_name;
  std::string found;
  FILE* file = finder.Open(path, &found);
  if (file == nullptr) {
    diag.ReportInputError("Can't open %s", path.c_str());
    return Status::kFailed;
  }
  if (debug_level >= 1)
    fprintf(diag.remark_stream, "Found %s\n", found.c_str());
  bool elements = std::string_view(list_name) == kElementList;
  int fields = elements ? 3 : 2;
  ReadNumberedLines(file, found, diag, [&](const std::string& line) {
    const char* cursor = SkipBlanks(line.c_str());
    if (*cursor == '\0' || *cursor == '#' || *cursor == ';') return true;
    std::string words[3];
    int count = 0;
    while (count < 3 && !(words[count] = NextToken(&cursor)).empty()) ++count;
    if (count < fields) {
      diag.ReportMessage(0, kSkipping, "Bad line, %d fields expected", fields);
      return true;
    }
    if (elements)
      AddElementLine(words, diag);
    else
      AddColourLine(words, diag);
    return true;
  });
  fclose(file);
  return Status::kOk;
}

Status LgeoLists::LoadLgeoLists(const std::string& lgeo_dir, int debug_level,
                             platform::PathFinder& finder, Diagnostics& diag) {
  elements_.clear();
  colours_.clear();
  if (ReadList(lgeo_dir, kElementList, debug_level, finder, diag) != Status::kOk)
    return Status::kFailed;
  if (ReadList(lgeo_dir, kColourList, debug_level, finder, diag) != Status::kOk)
    return Status::kFailed;
  if (elements_.empty()) return Status::kFailed;
  std::stable_sort(elements_.begin(), elements_.end(),
                   [](const LgeoElement& a, const LgeoElement& b) {
                     return NameBefore(a.ldrawName, b.ldrawName);
                   });
  return Status::kOk;
}

Status LgeoLists::LoadLgeoListsOnce(const Settings& settings,
                                 const std::string& lgeo_dir,
                                 platform::PathFinder& finder,
                                 Diagnostics& diag) {
  if (!settings.OrderHas('L') && !settings.OrderHas('A')) return Status::kOk;
  if (loaded_) return Status::kOk;
  if (LoadLgeoLists(lgeo_dir, settings.DebugLevel, finder, diag) != Status::kOk)
    return Status::kFailed;
  if (settings.DebugLevel >= 1) PrintLgeoLists(diag.remark_stream);
  fprintf(diag.message_stream, "Using LGEO: %d parts, %d colors\n",
          static_cast<int>(elements_.size()),
          static_cast<int>(colours_.size()));
  loaded_ = true;
  return Status::kOk;
}

const LgeoElement* LgeoLists::FindLgeoElement(
    std::string_view name, char wanted_set,
    std::string_view substitution_order) {
  if (name.size() >= kMaxElementName) return nullptr;
  size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return nullptr;
  // Part files on disk, and so the main model's name, may be in any case;
  // the list holds normalised LDraw names.
  std::string stem(name.substr(0, dot));
  NormalizeName(&stem);
  auto it =
      std::lower_bound(elements_.begin(), elements_.end(), stem,
                       [](const LgeoElement& e, const std::string& wanted) {
                         return NameBefore(e.ldrawName, wanted);
                       });
  if (it == elements_.end() || it->ldrawName != stem) return nullptr;
  LgeoElement& element = *it;
  element.chosenSet = 0;
  for (char letter : substitution_order) {
    if ((letter == 'L' && (element.flags & kLgeoSetL) != 0) ||
        (letter == 'A' && (element.flags & kLgeoSetA) != 0)) {
      element.chosenSet = letter;
      break;
    }
  }
  if (wanted_set != 0 && wanted_set != element.chosenSet) return nullptr;
  return &element;
}

const char* LgeoLists::FindLgeoColour(long code) const {
  for (auto it = colours_.rbegin(); it != colours_.rend(); ++it)
    if (it->code == code) return it->name.c_str();
  return nullptr;
}

void LgeoLists::PrintLgeoLists(FILE* out) const {
  fprintf(out, "%s  %d\n", kElementList, static_cast<int>(elements_.size()));
  for (const LgeoElement& e : elements_)
    fprintf(out, "%8s %-8s %-3s\n", e.ldrawName.c_str(), e.lgeoName.c_str(),
            FlagLetters(e.flags).c_str());
  fprintf(out, "\n");
  fprintf(out, "%s  %d\n", kColourList, static_cast<int>(colours_.size()));
  for (const LgeoColour& c : colours_)
    fprintf(out, "%6ld %s\n", static_cast<long>(c.code), c.name.c_str());
  fprintf(out, "\n");
}
