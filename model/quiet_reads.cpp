#include "model/quiet_reads.h"

#include <utility>

#include "base/diagnostics.h"
#include "model/file_table.h"
#include "model/line_validation.h"

namespace {

// A plain reading has no transform blocks, so no line owns a record.
DatLine CopyWithoutTarget(const DatLine& line) {
  DatLine copy;
  copy.type = line.type;
  copy.colour = line.colour;
  copy.lineNumber = line.lineNumber;
  copy.matrix = line.matrix;
  copy.text = line.text;
  copy.flags = line.flags;
  return copy;
}

// The reader records each stored line's colour; main and edge colour are
// not colours of their own.
bool RecordsColour(const DatLine& line) {
  return line.type >= 1 && line.colour != 16 && line.colour != 24;
}

}  // namespace

const QuietReads::Reading* QuietReads::Find(const std::string& path,
                                            uint32_t flags) const {
  auto found = readings_.find(path);
  if (found == readings_.end() || found->second.flags_before != flags)
    return nullptr;
  return &found->second;
}

void QuietReads::Remember(const std::string& path, uint32_t flags_before,
                          const DatFile& file, const Diagnostics& diag) {
  if (kept_lines_ + file.lines.size() > kMaxLines) return;
  Reading reading;
  reading.flags_before = flags_before;
  reading.flags_after = file.flags;
  reading.lines.reserve(file.lines.size());
  for (const DatLine& line : file.lines) {
    if (line.internal != nullptr) return;  // not a plain reading after all
    if (line.type == 1) {
      if (line.file == nullptr) return;
      reading.targets.push_back(line.file->name);
    }
    reading.lines.push_back(CopyWithoutTarget(line));
  }
  reading.last_line = diag.current_line;
  reading.last_line_text = diag.line_buffer;
  kept_lines_ += reading.lines.size();
  readings_.insert_or_assign(path, std::move(reading));
}

bool QuietReads::Replay(const Reading& reading, DatFile& file,
                        FileTable& files, Diagnostics& diag,
                        LineValidator* validator) {
  if (!file.lines.empty() || !files.HasRoomFor(reading.targets.size()))
    return false;
  diag.current_file = file.name;
  file.lines.reserve(reading.lines.size());
  size_t next_target = 0;
  for (const DatLine& kept : reading.lines) {
    DatLine line = CopyWithoutTarget(kept);
    // The same look-ups in the same order as the reader's: records are
    // created, and free slots taken, exactly as reading would.
    if (line.type == 1)
      line.file = files.GetOrAddFile(false, reading.targets[next_target++]);
    if (RecordsColour(line)) files.AddUsedColour(line.colour);
    files.AppendLine(file, std::move(line));
  }
  file.flags = reading.flags_after;
  diag.current_line = reading.last_line;
  diag.line_buffer = reading.last_line_text;
  // The line checks start afresh with every file read; what the reading
  // left in them is forgotten when the next one begins.
  if (validator != nullptr) validator->BeginFile();
  ++replays_;
  return true;
}
