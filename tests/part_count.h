// An independent count of the parts and studs of an LDraw model, for tests
// that check the "Model has %u parts (%u studs)" line of a conversion.
//
// It reads the model and everything it references with a small reader of
// its own (type-1 lines, FILE sections, part-type headers) and walks the
// references the way the converter defines its counts:
//  - a file is looked for in the model's folder, then in the library's p/,
//    parts/ and models/ folders (path components matched without regard to
//    case); a file found in parts/ is a part, one found in p/ a primitive;
//    an "!LDRAW_ORG Part" or "Primitive" header (and the older header forms)
//    makes a file a part or a primitive as well, unless its folder already
//    said otherwise;
//  - a model, sub-model or FILE section counts 1 for each reference to a
//    part and, through a reference to a file that is neither a part nor a
//    primitive, that file's own count; parts and primitives count no parts;
//  - every file whose name is one of the stud names is one stud, and every
//    file adds the studs of each file it references, so a model's studs are
//    the stud files reached through all references, parts included;
//  - references with a singular placement matrix are left out, like the
//    converter's reader does, and a missing file counts nothing (a missing
//    stud still counts as one stud);
//  - a primitive that the converter replaces by a POV-Ray solid is not
//    read, so the files it references are not counted.
#ifndef R7P_TESTS_PART_COUNT_H_
#define R7P_TESTS_PART_COUNT_H_

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace testing_support {

/// The result of a count; `ok` is false when the model could not be read or
/// references itself (the converter fails such a model).
struct PartTally {
  bool ok = false;
  unsigned parts = 0;
  unsigned studs = 0;
};

/// Counts parts and studs of one model with one library.
class PartCounter {
 public:
  /// `library` holds p/, parts/ and models/. `replaced` tells whether a
  /// (lower-case, backslash) name is a primitive that is replaced by a
  /// POV-Ray solid and therefore not read; empty: nothing is replaced.
  PartCounter(std::string library,
              std::function<bool(const std::string&)> replaced);

  /// Counts the model at `model_path` (a host path).
  PartTally Count(const std::string& model_path);

 private:
  struct Record {
    bool part = false;
    bool primitive = false;
    bool read = false;      // content known: read, missing or replaced
    bool visiting = false;
    bool done = false;
    std::vector<std::string> references;  // normalised names, in order
    unsigned parts = 0;
    unsigned studs = 0;
  };

  bool Resolve(const std::string& name);
  bool ReadFile(const std::string& path, const std::string& name);
  std::string Locate(const std::string& name, bool* part, bool* primitive);
  std::string FindCaseless(const std::string& dir, const std::string& relative);
  const std::vector<std::string>& Listing(const std::string& dir);

  std::string library_;
  std::function<bool(const std::string&)> replaced_;
  std::string model_dir_;
  std::map<std::string, Record> records_;
  std::map<std::string, std::vector<std::string>> listings_;
};

/// "stud.dat" and the other 13 names that count as one stud each.
bool IsStudFileName(const std::string& name);

/// ASCII lower case, '/' turned into '\'.
std::string NormalizeLDrawName(std::string name);

}  // namespace testing_support

#endif  // R7P_TESTS_PART_COUNT_H_
