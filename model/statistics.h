// How much of the model was served by prepared POV-Ray code rather than by
// the plain LDraw geometry, and the report of it.
#ifndef R7P_MODEL_STATISTICS_H_
#define R7P_MODEL_STATISTICS_H_

#include <cstdint>
#include <cstdio>

class FileTable;
struct DatFile;
struct Settings;

/// The counters of one conversion. Reset by StartScene; each writer counts
/// what it wrote through the named operation.
class Statistics {
 public:
  /// Clears every counter (start of a conversion).
  void Reset() { *this = Statistics(); }

  /// A file handed to the declaration writer for the first time: counts
  /// it under PARTS when flagged PART and under P when flagged PRIMITIVE
  /// (a file with both flags counts twice).
  void CountDeclaredFile(const DatFile& file);
  /// A part written from an R7PPARTS include file.
  void CountR7pPartsPart() { ++r7pparts_parts_; }
  /// A primitive written from an R7PPARTS include file.
  void CountR7pPartsPrimitive() { ++r7pparts_primitives_; }
  /// A part written as an LGEO element.
  void CountLgeoPart() { ++lgeo_parts_; }
  /// A primitive written as the LGEO object of its POV-Ray equivalent.
  void CountLgeoPrimitive() { ++lgeo_primitives_; }
  /// A part written from the AX set.
  void CountAxPart() { ++ax_parts_; }
  /// A primitive written as its POV-Ray equivalent.
  void CountPovEquivalent() { ++pov_equivalents_; }

  int32_t parts() const { return parts_; }
  int32_t primitives() const { return primitives_; }
  int32_t r7pparts_parts() const { return r7pparts_parts_; }
  int32_t r7pparts_primitives() const { return r7pparts_primitives_; }
  int32_t lgeo_parts() const { return lgeo_parts_; }
  int32_t lgeo_primitives() const { return lgeo_primitives_; }
  int32_t ax_parts() const { return ax_parts_; }
  /// Nothing of the AX set replaces a primitive: always 0.
  int32_t ax_primitives() const { return 0; }
  int32_t pov_equivalents() const { return pov_equivalents_; }

  /// Writes the report, every line starting with `line_prefix` ("// " in
  /// the scene, "" on the console): with `verbose` >= 1 the list of every
  /// used file-table slot and how it was written; the DAT file totals;
  /// one line per letter of SubstitutionOrder (3, A, L, P) with counts and
  /// rounded percentages; the main model's part and stud counts; with
  /// DebugLevel >= 1 the element count and each slot's part flag, studs
  /// and bounding box.
  void WriteStatistics(FILE* stream, const char* line_prefix,
                       FileTable& files, const Settings& settings,
                       int verbose) const;

 private:
  int32_t parts_ = 0;
  int32_t primitives_ = 0;
  int32_t r7pparts_parts_ = 0;
  int32_t r7pparts_primitives_ = 0;
  int32_t lgeo_parts_ = 0;
  int32_t lgeo_primitives_ = 0;
  int32_t ax_parts_ = 0;
  int32_t pov_equivalents_ = 0;
};

#endif  // R7P_MODEL_STATISTICS_H_
