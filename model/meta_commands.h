// The type-0 meta-commands the reader understands: BFC statements with their
// per-section state, transform blocks, the official-status header, and the
// R7P block keywords the scene writer acts on.
#ifndef R7P_MODEL_META_COMMANDS_H_
#define R7P_MODEL_META_COMMANDS_H_

#include <cstdint>
#include <optional>

#include "base/status.h"
#include "model/dat_file.h"

class Diagnostics;

/// Option bits of a BFC statement (result of ParseBfc).
enum BfcOption : int {
  kBfcCertify = 0x01,
  kBfcNoCertify = 0x02,
  kBfcClip = 0x04,
  kBfcNoClip = 0x08,
  kBfcCw = 0x10,
  kBfcCcw = 0x20,
  kBfcInvertNext = 0x40,
};

/// Kinds of transform blocks; 0 means no open block.
enum TransformKind : int {
  kNoBlock = 0,
  kTranslate = 1,
  kRotate = 2,
  kScale = 3,
  kTransform = 4,
};

/// The BFC state of the section being read, cleared at the start of every
/// section (the file's LDraw-seen flag lives with the parser).
struct BfcState {
  bool certify_met = false;
  bool nocertify_met = false;
  bool certified = false;
  bool invert_next = false;
  bool operational = false;  // a valid line of type 1..5, BFC or transform met
};

/// What a meta-command text is as a BFC statement.
struct BfcLine {
  enum class Kind { kNotBfc, kBad, kOptions };
  Kind kind = Kind::kNotBfc;
  int options = 0;  // BfcOption bits, for kOptions
  bool operator==(const BfcLine&) const = default;
};

/// Parses a meta-command text (the line after "0" and its blanks): no "BFC"
/// statement, a bad one (a SKIPPING message was written), or its set of
/// BfcOption bits. Warns "NOCERTIFY must appear alone" when NOCERTIFY has
/// company.
[[nodiscard]] BfcLine ParseBfc(const char* text, Diagnostics& diag);

/// Applies an accepted option set to the section's state, writing the
/// messages of misplaced statements. Returns true when the statement stays
/// (stored as a comment; the section is then operational), false when it is
/// dropped.
bool ApplyBfc(int options, BfcState& state, Diagnostics& diag);

/// What a meta-command text is as a transform block line.
struct TransformLine {
  enum class Role { kNone, kOpens, kEnds };
  Role role = Role::kNone;
  int kind = kNoBlock;  // a TransformKind, unless kNone
  bool operator==(const TransformLine&) const = default;
};

/// Parses TRANSLATE x y z, ROTATE angle x y z, SCALE s, TRANSFORM x y z a..i:
/// a block of `kind` opens, with its placement in `line.matrix`, or the
/// keyword followed by the word END ends one. Any other text and a malformed
/// one (SKIPPING "Illegal syntax") are kNone. A zero rotation axis warns
/// "Zero vector" and gives the identity.
[[nodiscard]] TransformLine ParseTransformMeta(const char* text, DatLine& line,
                                               Diagnostics& diag);

/// The keyword of a transform kind ("TRANSLATE" ... "TRANSFORM"), or "" for
/// kNoBlock.
const char* TransformKeyword(int kind);

/// Reads an official-status header ("!LDRAW_ORG Part ...", "Unofficial
/// Primitive", "Official LCAD Part", "Original LDraw Part", ...) and flags
/// `file` PART or PRIMITIVE. kFailed when the header contradicts the kind
/// the file already has (SKIPPING "Already categorized as ..."); the line is
/// then dropped.
Status ParsePartType(const char* text, DatFile& file, Diagnostics& diag);

/// For "R7P ENDPOV", "R7P IFPOV", "R7P IFNOTPOV", "R7P ELSEPOV" (exactly,
/// nothing after) 0, 1, 2 or 3; nothing for every other text.
std::optional<int> PovBlockKeyword(const char* text);

#endif  // R7P_MODEL_META_COMMANDS_H_
