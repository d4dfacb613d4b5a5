// Parts replaced by prepared POV-Ray code: R7PPARTS include files, LGEO and
// AX elements, and the LGEO comparison scene.
#ifndef R7P_POV_PREPARED_PARTS_H_
#define R7P_POV_PREPARED_PARTS_H_

#include <cstdio>
#include <string>

#include "platform/path_finder.h"
#include "base/status.h"
#include "model/dat_file.h"

struct SceneWriterContext;
namespace platform {
class PathFinder;
}

/// The R7PPARTS file name of an LDraw name: ".dat"/".ldr" (any case)
/// replaced by ".inc", a name already ending in ".inc" kept, '\' turned into
/// '/'. Empty when the name has another extension (no include file).
std::string PovPartsFileName(const std::string& name);

/// Opens <ldraw_dir>/R7PPARTS/<PovPartsFileName(name)> for reading, every
/// component matched without regard to case; null when there is none (also
/// when `ldraw_dir` is empty or the path is too long). `found_path` gets the
/// path as found on disk.
FILE* OpenPovPartsFile(platform::PathFinder& finder,
                       const std::string& ldraw_dir, const std::string& name,
                       std::string* found_path = nullptr);

/// Whether OpenPovPartsFile finds an include file for `name`.
bool HasPreparedPart(platform::PathFinder& finder, const std::string& ldraw_dir,
                     const std::string& name);

/// Substitution '3': reads the R7PDATA lines of the record's include file
/// (version, flag and uses lines; remarks on the message stream; "uses"
/// files declared first), then opens the guard and writes the #include line.
/// Leaves the guard open. Returns false (nothing written) without an include
/// file or when its version is above 1.4.
bool WritePovPartsInclude(FILE* file, DatFile& record, bool is_model,
                          SceneWriterContext& ctx);

/// Substitutions 'L' and 'A': the element's include file and the plain,
/// for 'L' also "_clear" and (slope elements) "_slope", declarations.
/// Leaves the guard open. Returns false when the record has no element of
/// that kind; for 'L' and a part prints "Not in LGEO: %s %s\n" on stdout.
bool WriteElementInclude(FILE* file, DatFile& record, bool is_model,
                         char kind, SceneWriterContext& ctx);

/// Body of the LGEO comparison scene (-test -lgeo), after the main model was
/// declared from its LDraw geometry: textures of colour 46, the model object
/// in colour 46, then the main model declared again as its LGEO element with
/// the identifier suffix "_lgeo" (order becomes "PL"). The part is counted
/// once in the statistics, as an LGEO part. kFailed when the second
/// declaration wrote nothing.
Status WriteLgeoComparison(FILE* file, SceneWriterContext& ctx);

#endif  // R7P_POV_PREPARED_PARTS_H_
