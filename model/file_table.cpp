#include "model/file_table.h"

#include <utility>

#include "base/diagnostics.h"
#include "model/name_class.h"

namespace {

/// Detaches every internal record owned by the lines of `file` onto
/// `pending` and empties the lines.
void DetachLines(DatFile& file, std::vector<std::unique_ptr<DatFile>>& pending) {
  for (DatLine& line : file.lines)
    if (line.internal) pending.push_back(std::move(line.internal));
  file.lines.clear();
  file.lines.shrink_to_fit();
}

}  // namespace

FileTable::~FileTable() {
  for (auto& slot : slots_)
    if (slot) FreeFileLines(*slot);
}

DatFile* FileTable::LookupFile(const std::string& name) {
  if (name.empty()) return nullptr;
  auto found = index_.find(name);
  if (found == index_.end()) return nullptr;
  return slots_[static_cast<size_t>(found->second)].get();
}

DatFile* FileTable::GetOrAddFile(bool internal, const std::string& name,
                                 std::unique_ptr<DatFile>* owned) {
  DatFile* record = nullptr;
  if (!internal) {
    if (DatFile* existing = LookupFile(name)) return existing;
    // An empty name would look like a free slot; such a record could be
    // handed out twice.
    if (name.empty()) return nullptr;
    int index = 0;
    if (!free_slots_.empty()) {
      index = *free_slots_.begin();
      free_slots_.erase(free_slots_.begin());
    } else {
      if (count() >= max_files_) {
        diag_.ReportInputError("Sorry, max %d parts.", max_files_);
        return nullptr;
      }
      index = count();
      slots_.push_back(std::make_unique<DatFile>());
    }
    record = slots_[static_cast<size_t>(index)].get();
    *record = DatFile();
    record->name = name;
    index_.emplace(name, index);
  } else {
    if (owned == nullptr) return nullptr;
    *owned = std::make_unique<DatFile>();
    record = owned->get();
    record->flags = INTERNAL;
    record->name = name;
  }
  if (IsStudName(name)) {
    record->flags |= STUD;
    record->studCount = 1;
  }
  return record;
}

bool FileTable::AddUsedColour(int32_t colour) {
  // Someone may have filled the list directly; then the index is rebuilt.
  if (colour_index_.size() != used_colours.size()) {
    colour_index_.clear();
    for (size_t i = used_colours.size(); i-- > 0;)
      colour_index_.emplace(used_colours[i].colour, i);
  }
  if (colour_index_.count(colour) != 0) return true;
  colour_index_.emplace(colour, used_colours.size());
  used_colours.push_back(UsedColour{colour, 0});
  return true;
}

bool FileTable::AppendLine(DatFile& file, DatLine&& line) {
  // Room for a small file's lines at once saves the first few growths, each
  // of which moves every line.
  constexpr size_t kFirstLines = 32;
  if (file.lines.capacity() == 0) file.lines.reserve(kFirstLines);
  file.lines.push_back(std::move(line));
  return true;
}

// Nested transform blocks own each other through their lines; freeing them
// with a work list keeps ten thousand nested blocks from exhausting the stack.
void FileTable::FreeFileLines(DatFile& file) {
  // Freed lines leave no storage behind, so a record met again costs nothing.
  if (file.lines.capacity() == 0) return;
  std::vector<std::unique_ptr<DatFile>> pending;
  DetachLines(file, pending);
  while (!pending.empty()) {
    std::unique_ptr<DatFile> record = std::move(pending.back());
    pending.pop_back();
    DetachLines(*record, pending);
  }
}

void FileTable::ClearSlot(int index) {
  DatFile& record = *slots_[static_cast<size_t>(index)];
  auto found = index_.find(record.name);
  if (found != index_.end() && found->second == index) {
    index_.erase(found);
    if (index == 0 && shadowed_slot_ > 0 &&
        slots_[static_cast<size_t>(shadowed_slot_)]->name == record.name)
      index_.emplace(record.name, shadowed_slot_);
  }
  if (index == 0) shadowed_slot_ = -1;
  record = DatFile();
  free_slots_.insert(index);
}

void FileTable::FreeFile(DatFile& file) {
  if (file.name.empty()) return;
  FreeFileLines(file);
  if (file.Has(INTERNAL)) {
    // The record itself belongs to the line that refers to it.
    file.name.clear();
    return;
  }
  auto found = index_.find(file.name);
  if (found != index_.end() &&
      slots_[static_cast<size_t>(found->second)].get() == &file) {
    ClearSlot(found->second);
    return;
  }
  for (int i = 0; i < count(); ++i) {
    if (slots_[static_cast<size_t>(i)].get() == &file) {
      ClearSlot(i);
      return;
    }
  }
}

void FileTable::FreeModelFiles() {
  for (int i = 0; i < count(); ++i) {
    DatFile& record = *slots_[static_cast<size_t>(i)];
    if (record.name.empty()) continue;
    if (i == 0 || !record.Has(LIBRARY)) FreeFile(record);
  }
}

DatFile& FileTable::SetMainModel(const std::string& base_name) {
  if (count() == 0) {
    slots_.push_back(std::make_unique<DatFile>());
    free_slots_.insert(0);
  }
  DatFile& main = *slots_[0];
  if (!main.name.empty()) FreeFile(main);
  free_slots_.erase(0);
  main.name = base_name;
  if (base_name.empty()) return main;
  // A library record of the same name stays in the table, but a scan in
  // slot order meets the main model first.
  auto found = index_.find(base_name);
  if (found != index_.end()) {
    shadowed_slot_ = found->second;
    found->second = 0;
  } else {
    index_.emplace(base_name, 0);
  }
  return main;
}
