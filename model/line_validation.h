// The checks every LDraw line of types 1 to 5 passes before it is stored:
// geometry, colours and repeated lines.
#ifndef R7P_MODEL_LINE_VALIDATION_H_
#define R7P_MODEL_LINE_VALIDATION_H_

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>

#include "geometry/vector.h"
#include "model/dat_file.h"

class ColourTable;
class Diagnostics;
struct RunSwitches;

/// Below this CollinearityMeasure a triangle (or three corners of a
/// quadrilateral) is reported as collinear.
inline constexpr double kCollinearityLimit = 0.001;

/// Twice the area of the triangle P Q R over the square of its longest side
/// (the height over the longest side, relative to that side), computed in
/// double precision. Always >= 0; 0 when all three points coincide.
float CollinearityMeasure(const Vector& p, const Vector& q, const Vector& r);

/// What becomes of a checked line.
enum class [[nodiscard]] LineVerdict { kStore, kDrop };

/// The line checks of a run. One object lives for the run (the coplanarity
/// threshold is fixed at the first call); the reader calls BeginFile() at
/// the start of every physical file it reads and ValidateLine() for every
/// line before storing it (the duplicate index then costs one hash lookup
/// per line instead of a scan of the file).
///
/// Settings read: Diagnostics::warning_level (at every call; level-0
/// messages only when the reader lowers it for library files in check mode),
/// RunSwitches::CoplanarAngle and RunSwitches::CheckMode (at the first call).
class LineValidator {
 public:
  /// Colours are those that `colours` knows (IsColour: a table colour, a
  /// dithered or a direct colour); the table must outlive the validator.
  /// Without a table no colour is taken as unknown.
  LineValidator(Diagnostics& diag, const RunSwitches& switches,
                const ColourTable* colours = nullptr);
  ~LineValidator();
  LineValidator(const LineValidator&) = delete;
  LineValidator& operator=(const LineValidator&) = delete;

  /// Forgets the duplicate index of every record. ValidateLine also does
  /// this by itself when the current file name of `diag` changes or its
  /// line number does not advance (a new physical file); calling BeginFile
  /// when the reading of a file begins makes it explicit.
  void BeginFile();

  /// Checks `line` (about to be stored in `file`, which is the receiving
  /// record: an MPD section or a transform block's internal record) and may
  /// correct it in place: a singular placement of a flat primitive, the
  /// vertex order of a quadrilateral, colour 24 on types 1/3/4 (-> 16) and
  /// unknown colours (-> 7). `name` is the normalised target name of a
  /// type-1 line (ignored otherwise). Remarks go through ReportMessage with
  /// the current file, line number and line buffer of `diag`.
  /// With warning level >= 1 the line is compared with the lines already
  /// stored in `file` and "Identical to line %u" is reported for each equal
  /// one, in file order, for the first 100 of them; when there are more,
  /// one "Identical to %zu more earlier lines" follows. Between BeginFile() calls `file.lines` only grows
  /// (a list that was emptied meanwhile is indexed afresh).
  /// kDrop for a line with a singular placement (its SKIPPING message has
  /// been written); kStore for every other line, type-0 lines at once.
  LineVerdict ValidateLine(DatLine& line, const std::string& name,
                   const DatFile& file);

  /// The coplanarity threshold in use (cosine of the co-planar angle);
  /// fixed at the first ValidateLine call.
  float coplanar_threshold() const { return coplanar_threshold_; }

 private:
  class DuplicateIndex;

  const ColourTable* colours_;

  void SetThreshold();
  void NoticePhysicalFile();
  void ForgetDuplicates();
  bool CheckPlacement(DatLine& line, const std::string& name);
  void CheckTriangle(const DatLine& line);
  /// Corrects the vertex order; with `remarks`, also reports collinear
  /// corners and a bent surface.
  void CheckQuadrilateral(DatLine& line, bool remarks);
  void FixVertexOrder(Matrix& m);
  void CheckCoplanar(const Matrix& m);
  void CheckColour(DatLine& line);
  void ReportDuplicates(const DatLine& line, const std::string& name,
                        const DatFile& file);

  Diagnostics& diag_;
  const RunSwitches& switches_;
  bool threshold_set_ = false;
  float coplanar_threshold_ = 0;
  std::string last_file_;   // physical file of the previous call
  uint32_t last_line_ = 0;  // and its line number
  std::unordered_map<const DatFile*, std::unique_ptr<DuplicateIndex>>
      duplicates_;
  // The entry of duplicates_ used last, or null.
  const DatFile* last_record_ = nullptr;
  DuplicateIndex* last_index_ = nullptr;
};

#endif  // R7P_MODEL_LINE_VALIDATION_H_
