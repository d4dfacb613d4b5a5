#include "model/statistics.h"

#include <string>

#include "base/settings.h"
#include "geometry/vector_ops.h"
#include "model/dat_file.h"
#include "model/file_table.h"

namespace {

/// "(%d%%)" of part / whole rounded half up; (0%) for an empty whole.
std::string Percentage(int32_t part, int32_t whole) {
  long long percent = 0;
  if (whole != 0) {
    percent = (static_cast<long long>(part) * 100 + whole / 2) / whole;
  }
  char text[32];
  std::snprintf(text, sizeof text, "(%d%%)", static_cast<int>(percent));
  return text;
}

/// The word of the -v listing for how a file was written; null for a file
/// not written (mark 0) or an unknown mark.
const char* WriteMarkWord(char mark) {
  switch (mark) {
    case ' ': return "Empty";
    case '3': return "R7PPARTS";
    case 'A': return "AX";
    case 'L': return "LGEO";
    case 'N': return "Normal";
    case 'P': return "PovEquiv";
    default: return nullptr;
  }
}

bool IsUsed(const DatFile& file) { return !file.name.empty(); }

int32_t UsedSlots(FileTable& files) {
  int32_t used = 0;
  for (int i = 0; i < files.count(); ++i) {
    if (IsUsed(files.slot(i))) ++used;
  }
  return used;
}

void WriteFileList(FILE* stream, const char* prefix, FileTable& files) {
  std::fprintf(stream, "%sDAT files printed:\n", prefix);
  for (int i = 0; i < files.count(); ++i) {
    const DatFile& file = files.slot(i);
    if (!IsUsed(file)) continue;
    std::fprintf(stream, "%s%14s", prefix, file.name.c_str());
    if (const char* word = WriteMarkWord(file.writeMark))
      std::fprintf(stream, " %s", word);
    if (file.Has(PART))
      std::fputs(" part", stream);
    else if (file.Has(PRIMITIVE))
      std::fputs(" primitive", stream);
    std::fputs("\n", stream);
  }
  std::fprintf(stream, "%s\n", prefix);
}

void WriteSourceLine(FILE* stream, const char* prefix, const char* label,
                     int32_t parts, int32_t all_parts, int32_t primitives,
                     int32_t all_primitives) {
  std::fprintf(stream, "%s%s%5d %-6s", prefix, label, parts,
               Percentage(parts, all_parts).c_str());
  std::fprintf(stream, "  %5d %s\n", primitives,
               Percentage(primitives, all_primitives).c_str());
}

void WriteBoxList(FILE* stream, const char* prefix, FileTable& files) {
  std::fprintf(stream, "%s      DatName PARTS studs BBox\n", prefix);
  for (int i = 0; i < files.count(); ++i) {
    const DatFile& file = files.slot(i);
    if (!IsUsed(file)) continue;
    std::fprintf(stream, "%s%13s %5d %5u %d %s", prefix, file.name.c_str(),
                 file.Has(PART) ? 1 : 0,
                 static_cast<unsigned>(file.studCount),
                 file.Has(HAS_BBOX) ? 1 : 0,
                 VecFormat(file.bbox.min).c_str());
    std::fprintf(stream, " %s\n", VecFormat(file.bbox.max).c_str());
  }
}

}  // namespace

void Statistics::CountDeclaredFile(const DatFile& file) {
  if (file.Has(PART)) ++parts_;
  if (file.Has(PRIMITIVE)) ++primitives_;
}

void Statistics::WriteStatistics(FILE* stream, const char* line_prefix,
                                 FileTable& files, const Settings& settings,
                                 int verbose) const {
  const char* prefix = line_prefix;
  if (verbose >= 1) WriteFileList(stream, prefix, files);
  std::fprintf(stream,
               "%s              PARTS             P         Total\n"
               "%sDAT files:    %5d         %5d         %5d\n",
               prefix, prefix, parts_, primitives_, UsedSlots(files));
  for (char letter : settings.SubstitutionOrder) {
    switch (letter) {
      case '3':
        WriteSourceLine(stream, prefix, "R7PPARTS:     ", r7pparts_parts_,
                        parts_, r7pparts_primitives_, primitives_);
        break;
      case 'A':
        WriteSourceLine(stream, prefix, "AX:           ", ax_parts_, parts_,
                        ax_primitives(), primitives_);
        break;
      case 'L':
        WriteSourceLine(stream, prefix, "LGEO:         ", lgeo_parts_, parts_,
                        lgeo_primitives_, primitives_);
        break;
      case 'P':
        std::fprintf(stream, "%sPOV Equivs:       -         %5d %s\n", prefix,
                     pov_equivalents_,
                     Percentage(pov_equivalents_, primitives_).c_str());
        break;
      default:
        break;
    }
  }
  // Slot 0 is the main model; a table without it reports an empty model.
  DatFile empty;
  const DatFile& model = files.count() > 0 ? files.slot(0) : empty;
  std::fprintf(stream, "%sModel has %u parts (%u studs)\n", prefix,
               static_cast<unsigned>(model.partCount),
               static_cast<unsigned>(model.studCount));
  if (settings.DebugLevel >= 1) {
    std::fprintf(stream, "%snPovObjects: %d\n", prefix, model.elementCount);
    WriteBoxList(stream, prefix, files);
  }
}
