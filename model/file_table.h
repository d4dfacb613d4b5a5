// The table of every file read for the current model, the colours it uses,
// and the main model's title and author.
#ifndef R7P_MODEL_FILE_TABLE_H_
#define R7P_MODEL_FILE_TABLE_H_

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "model/dat_file.h"

class Diagnostics;

/// Upper bound on the number of table slots ("Sorry, max %d parts.").
inline constexpr int kMaxFiles = 1000000;

/// One entry of UsedColours, in order of first use.
struct UsedColour {
  int32_t colour = 0;
  int32_t writerFlags = 0;  // bit 0 reserved to the colour-texture writer
};

/// Slot 0 is the main model. Records have stable addresses for the run.
class FileTable {
 public:
  explicit FileTable(Diagnostics& diag) : diag_(diag) {}
  /// A table of `max_files` slots instead of kMaxFiles (for tests).
  FileTable(Diagnostics& diag, int max_files)
      : diag_(diag), max_files_(max_files) {}
  /// Frees every record without deep recursion (nested transform blocks).
  ~FileTable();
  FileTable(const FileTable&) = delete;
  FileTable& operator=(const FileTable&) = delete;

  /// The slot holding exactly `name`, or null.
  DatFile* LookupFile(const std::string& name);
  /// Existing slot for `name`, or a new cleared record (internal = heap
  /// record owned by the caller's line, returned through `owned`). Reports
  /// "Sorry, max %d parts." when the table is full and returns null.
  DatFile* GetOrAddFile(bool internal, const std::string& name,
                        std::unique_ptr<DatFile>* owned = nullptr);
  /// Records `colour` in UsedColours unless present.
  bool AddUsedColour(int32_t colour);
  /// Appends `line` to the end of file.lines (constant time). Returns false
  /// on exhausted memory, leaving the list as it was.
  bool AppendLine(DatFile& file, DatLine&& line);
  void FreeFileLines(DatFile& file);
  void FreeFile(DatFile& file);
  /// Frees slot 0 and every used slot that is not LIBRARY.
  void FreeModelFiles();

  /// Number of slots handed out so far (never decreases).
  int count() const { return static_cast<int>(slots_.size()); }
  /// True when `names` more named records can be added without meeting
  /// the table's limit.
  bool HasRoomFor(size_t names) const {
    return free_slots_.size() + static_cast<size_t>(max_files_ - count()) >=
           names;
  }
  DatFile& slot(int index) { return *slots_[static_cast<size_t>(index)]; }
  /// Makes sure slot 0 exists and names it (StartModel).
  DatFile& SetMainModel(const std::string& base_name);

  std::vector<UsedColour> used_colours;
  std::string title;   // at most 99 characters
  std::string author;  // at most 99 characters
  int internal_counter = 0;  // numbers the "R7Transf%d" records; never reset

 private:
  Diagnostics& diag_;
  int max_files_ = kMaxFiles;
  std::vector<std::unique_ptr<DatFile>> slots_;
  std::unordered_map<std::string, int> index_;
  std::set<int> free_slots_;
  // Where each colour of used_colours sits, so that a model with very many
  // direct colours is not searched quadratically.
  std::unordered_map<int32_t, size_t> colour_index_;
  // A slot whose name slot 0 (the main model) shadows in index_; it becomes
  // visible again when slot 0 is freed.
  int shadowed_slot_ = -1;

  void ClearSlot(int index);
};

#endif  // R7P_MODEL_FILE_TABLE_H_
