// What reading a file stored, kept for files whose reading said nothing, so
// that the next reading of the same bytes can be answered without parsing.
#ifndef R7P_MODEL_QUIET_READS_H_
#define R7P_MODEL_QUIET_READS_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "model/dat_file.h"

class Diagnostics;
class FileTable;
class LineValidator;

/// A check run gives every checked file the files found beside it, and
/// frees them again before the next one: a primitive used by most files of
/// p/ is read and validated once for each of them. Most such files read
/// without a single message, and then their reading is a function of their
/// bytes alone: the same lines, the same references in the same order, the
/// same flags. QuietReads keeps that outcome and plays it back into a fresh
/// record, leaving the file table, the diagnostics context and the line
/// checks as a reading would have left them.
class QuietReads {
 public:
  /// Lines kept in all (about 140 bytes each); readings met after that are
  /// parsed every time. A check of the shared library keeps about 25,000.
  static constexpr size_t kMaxLines = size_t{1} << 18;

  struct Reading {
    uint32_t flags_before = 0;  // the record's flags when the reading began
    uint32_t flags_after = 0;   // and when it ended
    std::vector<DatLine> lines;        // type-1 lines without their target
    std::vector<std::string> targets;  // the type-1 targets, in line order
    uint32_t last_line = 0;            // the diagnostics context at the end
    std::string last_line_text;
  };

  /// The reading kept for `path` when its record began with `flags`, or
  /// null.
  const Reading* Find(const std::string& path, uint32_t flags) const;

  /// Keeps what reading `path` stored into `file`, whose flags were
  /// `flags_before` when the reading began; `diag` holds the context the
  /// reading ended with. The reading must have been plain and silent, and
  /// the bytes of `path` must stay the same for the rest of the run.
  void Remember(const std::string& path, uint32_t flags_before,
                const DatFile& file, const Diagnostics& diag);

  /// Plays `reading` back into `file`, a record without lines, exactly as
  /// reading the file again would fill it. False, with nothing changed,
  /// when that cannot be guaranteed (the record has lines, or the table
  /// may lack room for the references).
  bool Replay(const Reading& reading, DatFile& file, FileTable& files,
              Diagnostics& diag, LineValidator* validator);

  size_t kept_lines() const { return kept_lines_; }
  /// Readings played back so far.
  size_t replays() const { return replays_; }

 private:
  std::unordered_map<std::string, Reading> readings_;
  size_t kept_lines_ = 0;
  size_t replays_ = 0;
};

#endif  // R7P_MODEL_QUIET_READS_H_
