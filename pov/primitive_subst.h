// Exact POV-Ray solids for the well-known LDraw primitives: a fixed table of
// named equivalents and the generated ring, ring-sector, cone and
// quarter-torus families.
#ifndef R7P_POV_PRIMITIVE_SUBST_H_
#define R7P_POV_PRIMITIVE_SUBST_H_

#include <cstdio>
#include <optional>
#include <string>

#include "geometry/vector.h"
#include "base/status.h"
#include "model/dat_file.h"

struct SceneWriterContext;

/// Number of rows of the fixed equivalents table (aliases included).
inline constexpr int kPovEquivalentRows = 53;

/// One POV-Ray equivalent of a primitive.
struct PovEquivalent {
  std::string name;  // table row matched (an alias gives its target's row)
                     // or, for a generated family, the name looked up
  BBox box;          // in LDraw units; all zero before a family fills it
  std::string code;  // POV code of the solid, built around colour 16
};

/// The equivalent of an LDraw file name (normalised: lower case, '\'), or
/// nullopt. Table rows are matched exactly and case-sensitively, aliases are
/// followed; then the generated families are tried; then a numeric
/// sub-directory prefix ("48\") is skipped and the rest looked up.
std::optional<PovEquivalent> FindPovEquivalent(const std::string& name);

/// Substitution 'P' for a part or primitive record: writes the guarded
/// declaration of the record's identifier with the equivalent's code (or,
/// with LGEO in use, LGEO's stud for stud.dat, stud2.dat, stud4.dat and
/// their aliases), sets writeMark 'P' and counts a POV or LGEO substitute.
/// Leaves the guard open (the caller closes it). Returns false, writing
/// nothing, when the name has no equivalent.
bool WritePovEquivalent(FILE* file, DatFile& record, bool is_model,
                        SceneWriterContext& ctx);

/// The -pp listing: every table name, then the family patterns.
void ListPovEquivalents(FILE* stream);

/// Body of the primitive comparison scene (-test): textures of colour 46,
/// the two bounding boxes as comments, and the equivalent of `name` shrunk
/// onto the loaded model's (slot 0) box in colour 46. Sets the floor height
/// unless -f gave one. kFailed (nothing written) when `name` has no
/// equivalent.
Status WritePrimitiveComparison(FILE* file, const std::string& name,
                             SceneWriterContext& ctx);

#endif  // R7P_POV_PRIMITIVE_SUBST_H_
