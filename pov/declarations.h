// One POV-Ray declaration per LDraw file (model, sub-model, part, primitive),
// the identifiers of files, and the final model object.
#ifndef R7P_POV_DECLARATIONS_H_
#define R7P_POV_DECLARATIONS_H_

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "model/dat_file.h"
#include "pov/corner_texts.h"
#include "pov/lean_scene.h"
#include "pov/scene_text.h"

struct Settings;
struct SceneContext;
class Statistics;

/// Everything the scene writer for declarations and substitutions needs.
/// Build it once per run after the library is set up (the lead fills
/// `ldraw_dir`); it also carries the identifier suffix, which must survive
/// from the LGEO comparison declaration to the model object of the tail.
struct SceneWriterContext {
  SceneContext& scene;  // scene state, file table, colours, LGEO, messages
  Settings& settings;   // the same record as scene.settings, writable:
                        // SubstitutionOrder and FloorY change in test scenes
  Statistics& stats;
  std::string ldraw_dir;          // library root on disk ("" = none)
  std::string identifier_suffix;  // "" normally, "_lgeo" in -test -lgeo
  CornerTexts corner_texts;       // mesh corners written so far
  // The lean form (-lean) only: where each file identifier is named last,
  // and the main model's object and slope object ("" = none), held back
  // from the declarations to be written once as the model object.
  IdentifierLifetimes lifetimes;
  bool model_held = false;
  std::string held_model;
  std::vector<Naming> held_model_namings;  // offsets in held_model
  std::string held_model_slope;
  std::vector<Naming> held_slope_namings;  // offsets in held_model_slope
};

/// Longest identifier MakeIdentifier returns.
inline constexpr size_t kMaxIdentifier = 125;

/// The POV identifier of an LDraw file name: letters and digits kept, a
/// leading digit preceded by "_", every other byte written as "_word_"
/// ("_" gives "__", blank "space", '#' "crosshatch", '~' "tilde", '\' and
/// '/' "slash", ':' "colon", '&' "and", '.' "dot", '-' "dash") or "_XX_"
/// with its value in upper-case hex. `suffix` is appended, unless the
/// identifier grew past 125 characters: then it ends in "MAX125" at exactly
/// 125 characters and has no suffix.
std::string MakeIdentifier(const std::string& name,
                           const std::string& suffix = "");

/// Adds MakeIdentifier(name, suffix) to `text`, as "%s" writes it.
void AddIdentifier(SceneText& text, const std::string& name,
                   const std::string& suffix);


/// With `open`: the section title "Model %s" / "Primitive %s" / "Part %s" /
/// "Submodel %s" and "#ifndef (<identifier>)\n". Without: the closing
/// "#end // ifndef (<identifier>)\n\n".
void WriteDeclarationGuard(FILE* file, const DatFile& record, bool is_model,
                           bool open, const SceneWriterContext& ctx);

/// "matrix <a,d,g,b,e,h,c,f,i,x,y,z>" of a type-1 placement (no line end).
void AddPlacementMatrix(SceneText& text, const Matrix& placement);

/// Shrink matrix that leaves a seam of `seam` (a POV expression such as
/// "R7SW", "R7SWT", "0.01") around `record`'s bounding box; axes not wider
/// than `seam_width` are left alone. Ends with ">\n".
void WriteSeamMatrix(FILE* file, const DatFile& record, const char* seam,
                     float seam_width);
void AddSeamMatrix(SceneText& text, const DatFile& record, const char* seam,
                   float seam_width);

/// The LDraw line as text (type, colour or text, coordinates, file name),
/// ending with "\n".
void AddLineComment(SceneText& text, const DatLine& line);

/// Declares `record` once (does nothing unless writeMark is 0): offers a
/// part or primitive to the substitutions of SubstitutionOrder, else writes
/// the object/union of its lines, declaring unwritten referenced files
/// first. Sets elementCount, solidElementCount and writeMark. `is_model`
/// selects the "Model" title and allows -scm step clocks. Writes the scene
/// header and pending colour textures before the first output. In the lean
/// form (LeanScene) it reports each file identifier a reference names to
/// ctx.lifetimes and marks the end of each declaration; the main model's
/// object is not declared but held in ctx for WriteModelObject.
void WriteDeclaration(FILE* file, DatFile& record, bool is_model,
                      SceneWriterContext& ctx);

/// Section "ModelObject <name>" and the object statement of the main model
/// (slot 0) with the default colour, plus its slope object when it has one.
/// In the lean form a main model held back by WriteDeclaration is written
/// here, in place of its identifier, and the place is marked as the end of
/// statements naming file identifiers.
void WriteModelObject(FILE* file, SceneWriterContext& ctx);

#endif  // R7P_POV_DECLARATIONS_H_
