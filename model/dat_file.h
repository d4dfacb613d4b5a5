// The in-memory model: one DatFile per LDraw file, its kept lines.
#ifndef R7P_MODEL_DAT_FILE_H_
#define R7P_MODEL_DAT_FILE_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "geometry/vector.h"

/// Bits of DatFile::flags.
enum DatFileFlags : uint32_t {
  READ = 0x0001,
  NOT_FOUND = 0x0002,
  DONE = 0x0004,
  PART = 0x0008,
  PRIMITIVE = 0x0010,
  LIBRARY = 0x0020,
  VISITING = 0x0040,
  HAS_BBOX = 0x0080,
  INTERNAL = 0x0100,
  STUD = 0x0200,
  STICKER = 0x0400,
  MPD_SUBFILE = 0x0800,
  SLOPE_DECLARED = 0x1000,
  INHERITS_COLOUR = 0x2000,
};

/// Bits of DatLine::flags.
enum LineFlags : uint32_t {
  META = 0x01,
  RIGID = 0x02,
  LIGHT = 0x04,
  STEP = 0x08,
  TEXTURE = 0x10,
  MIRRORED = 0x20,
};

struct DatFile;

/// One kept line of a file.
struct DatLine {
  int32_t type = 0;
  int32_t colour = 0;  // on a TEXTURE line: 0 = END, 1 = SLOPE
  uint32_t lineNumber = 0;
  Matrix matrix;       // type 1: placement; types 2..5: vertex k in row k
  DatFile* file = nullptr;  // type 1: the referenced file
  std::unique_ptr<DatFile> internal;  // owns `file` when it is INTERNAL
  std::string text;    // type 0: text after "0" and one blank
  uint32_t flags = 0;
};

/// One LDraw file known to the run.
struct DatFile {
  std::string name;  // empty = free slot
  std::vector<DatLine> lines;
  int32_t elementCount = 0;       // reserved to the scene writer
  int32_t solidElementCount = 0;  // reserved to the scene writer
  int32_t studCount = 0;
  int32_t partCount = 0;
  BBox bbox;
  char writeMark = 0;
  uint32_t flags = 0;
  // Internal (transform-block) records only:
  DatFile* parentFile = nullptr;
  int32_t parentBlock = 0;  // 0 none, 1 TRANSLATE, 2 ROTATE, 3 SCALE, 4 TRANSFORM

  bool Has(uint32_t flag) const { return (flags & flag) != 0; }
};

#endif  // R7P_MODEL_DAT_FILE_H_
