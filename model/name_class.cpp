#include "model/name_class.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr const char* kStudNames[] = {
    "stud.dat",  "studp01.dat", "studel.dat", "stud2.dat",  "stud2a.dat",
    "stud3.dat", "stud3a.dat",  "stud4.dat",  "stud4a.dat", "stud5.dat",
    "stud6.dat", "stud6a.dat",  "stud7.dat",  "stud8.dat"};

constexpr const char* kSpeedPrimitives[] = {
    "stu2.dat",   "stu22.dat", "stu22a.dat",   "stu23.dat",  "stu23a.dat",
    "stu24.dat",  "stu24a.dat", "studline.dat", "stu2p01.dat"};

constexpr const char* kFlatNames[] = {"axleend.dat",  "axlehol2.dat",
                                      "axlehol3.dat", "axlehol9.dat",
                                      "axleho10.dat", "rect.dat"};

constexpr const char* kEdgeNames[] = {"axlehol2.dat", "axlehol3.dat",
                                      "studline.dat"};

template <size_t N>
bool InNameList(const char* name, const char* const (&list)[N]) {
  for (const char* entry : list)
    if (std::strcmp(name, entry) == 0) return true;
  return false;
}

// The name patterns of the primitive library are matched as scanf matches
// them: literal text exactly, "%d" an optionally signed run of digits, "%[t]"
// at least one 't'; what follows the matched part is not looked at. "%1[t]"
// reads a single 't' where "%[t]" would read them all: the count of
// converted items, and so the match, is the same, and the one-byte target
// cannot overflow on a name like "ring1.datttttt".

// Every pattern below has a literal ".da" after its last number, and one of
// "rin", "dis" or "edge" before it: a name without them cannot match, and
// most names are ruled out here without a scan.
bool MayMatchFlatPattern(const char* name) {
  return std::strstr(name, ".da") != nullptr &&
         (std::strstr(name, "rin") != nullptr ||
          std::strstr(name, "dis") != nullptr ||
          std::strstr(name, "edge") != nullptr);
}

bool MatchesFlatPattern(const char* name) {
  if (!MayMatchFlatPattern(name)) return false;
  int a = 0, b = 0, c = 0;
  char t[2] = {0, 0};
  return std::sscanf(name, "ring%d.da%1[t]", &a, t) == 2 ||
         std::sscanf(name, "rin%d.da%1[t]", &a, t) == 2 ||
         std::sscanf(name, "%d-%dring%d.da%1[t]", &a, &b, &c, t) == 4 ||
         std::sscanf(name, "%d-%drin%d.da%1[t]", &a, &b, &c, t) == 4 ||
         std::sscanf(name, "%d-%ddisc.da%1[t]", &a, &b, t) == 3 ||
         std::sscanf(name, "%d-%dndis.da%1[t]", &a, &b, t) == 3 ||
         std::sscanf(name, "%d-%dedge.da%1[t]", &a, &b, t) == 3;
}

bool MatchesEdgePattern(const char* name) {
  if (std::strstr(name, "edge.da") == nullptr) return false;
  int a = 0, b = 0;
  char t[2] = {0, 0};
  return std::sscanf(name, "%d-%dedge.da%1[t]", &a, &b, t) == 3;
}

/// The shared shape of the flat and edge-only tests: exact names, then the
/// patterns, then the same again below a purely numeric sub-directory.
template <size_t N>
bool MatchesFamily(const char* name, const char* const (&names)[N],
                   bool (*matches_pattern)(const char*)) {
  // A loop rather than recursion: "48\48\48\..." may nest arbitrarily deep.
  for (;;) {
    if (InNameList(name, names) || matches_pattern(name)) return true;
    const char* rest = name;
    while (*rest >= '0' && *rest <= '9') ++rest;
    if (*rest != '\\') return false;
    name = rest + 1;
  }
}

// Every stud and speed-primitive name begins so; most names are told apart
// by their first letters without going through the lists.
bool MayBeStudFamily(const std::string& name) {
  return name.compare(0, 3, "stu") == 0;
}

}  // namespace

bool IsStudName(const std::string& name) {
  return MayBeStudFamily(name) && InNameList(name.c_str(), kStudNames);
}

bool IsSpeedPrimitive(const std::string& name) {
  return MayBeStudFamily(name) && InNameList(name.c_str(), kSpeedPrimitives);
}

bool IsFlatPrimitive(const std::string& name) {
  return MatchesFamily(name.c_str(), kFlatNames, MatchesFlatPattern);
}

bool IsEdgeOnlyFile(const std::string& name) {
  return MatchesFamily(name.c_str(), kEdgeNames, MatchesEdgePattern);
}
