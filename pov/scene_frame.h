// The frame of the scene file: header comments, definitions, finishes,
// macros, include sections, section titles and the error block.
#ifndef R7P_POV_SCENE_FRAME_H_
#define R7P_POV_SCENE_FRAME_H_

#include <cstdio>
#include <optional>
#include <string>

#include "pov/scene_state.h"

/// Writes "\n//// ", the formatted title and "\n".
[[gnu::format(printf, 2, 3)]] void WriteSectionTitle(FILE* file,
                                                     const char* format, ...);

/// Writes the header comment block, the driver's header lines (the
/// callback) and then WriteSceneDefines. Does nothing once
/// ctx.state.HeaderWritten is set; sets it.
void WriteSceneHeader(SceneContext& ctx, FILE* file);

/// Records ctx.state.DefinesStart (the current position of `file`) and
/// writes everything from the version guard to the end of the macros:
/// MegaPOV section, Defines, LGEO block, R7Begin.inc, -ib, Finishes, Macros
/// and the textures for LGEO patterned parts.
void WriteSceneDefines(SceneContext& ctx, FILE* file);

/// Which include section WriteIncludeSection writes.
enum class IncludeKind { R7Begin, R7End, AtBeginning, AtEnd, Camera, Lights };

/// R7Begin / R7End: when R7Begin.inc / R7End.inc exists in the R7PPARTS
/// directory (any case), writes the section "IncludeFile <name>" and
/// "#include \"<name>\"\n" with the name as found on disk. The others: when
/// `path` holds a text, the section "IncludeFile <kind>" and the #include
/// line with the path exactly as given; nothing when it is absent or empty.
void WriteIncludeSection(SceneContext& ctx, FILE* file, IncludeKind which,
                         const std::optional<std::string>& path = {});

/// Writes "<tabs>#include \"<name>.inc\"\n" with `indent` tabs (0..8).
void WriteIncludeLine(FILE* file, int indent, const char* name);

/// What the error block of a failed scene says.
enum class ErrorBlock { kError, kEmptyModel };

/// Overwrites the scene from ctx.state.DefinesStart with lines
/// "// %-74s!\n" of "Error occurred" or "Empty model", at least one line and
/// as many as reach the position the file had on entry; the file is not
/// truncated.
void WriteErrorBlock(SceneContext& ctx, FILE* file, ErrorBlock kind);

#endif  // R7P_POV_SCENE_FRAME_H_
