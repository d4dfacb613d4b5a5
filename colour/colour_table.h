// The colour table: what an LDraw colour number means. Built-in colours,
// the "0 !COLOUR" lines of ldconfig.ldr, dithered and direct colours, the
// colour syntax of command-line options and the -pc listing.
#ifndef R7P_COLOUR_COLOUR_TABLE_H_
#define R7P_COLOUR_COLOUR_TABLE_H_

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "colour/colour.h"
#include "geometry/vector.h"

class Diagnostics;

/// Bits of Colour::flags (and of the low byte of the attribute word).
inline constexpr uint8_t kFinishMask = 0x07;
inline constexpr uint8_t kAlphaGiven = 0x08;
inline constexpr uint8_t kLuminanceGiven = 0x10;
inline constexpr uint8_t kFromColourFile = 0x20;

/// Finish kinds (bits 0-2 of Colour::flags).
inline constexpr int kFinishNone = 0;
inline constexpr int kFinishChrome = 1;
inline constexpr int kFinishPearlescent = 2;
inline constexpr int kFinishRubber = 3;
inline constexpr int kFinishMatteMetallic = 4;
inline constexpr int kFinishMetal = 5;

/// Attribute word of the transparent direct colours: alpha flag, alpha 128.
inline constexpr uint32_t kTransparentDirectAttributes = 0x8008;

/// Direct colours: 0x2000000 + RRGGBB is an opaque 24-bit colour.
inline constexpr int32_t kDirectColourBase = 0x2000000;

/// Name of a finish kind: "OPAQUE", "CHROME", "PEARLESCENT", "RUBBER",
/// "MATTE_METALLIC", "METAL" (index 0 is no finish); out of range: "OPAQUE".
const char* FinishName(int finish);

/// What a colour argument turned out to be.
enum class [[nodiscard]] ColourArgument {
  kTaken,  // a colour was read
  kEmpty,  // the text was empty; nothing was changed
  kBad,    // not a colour
};

/// The table of named colours 0..16777215, sorted by code; codes are unique,
/// names need not be. One object per run; it owns its entries.
class ColourTable {
 public:
  /// The entry of `code`, or null (also for codes outside 0..16777215).
  /// Bisection over the sorted table.
  const Colour* FindColourByCode(long code) const;

  /// The first entry whose name equals `name` without regard to ASCII case,
  /// or null.
  const Colour* FindColourByName(std::string_view name) const;

  /// What AddColour did.
  enum class [[nodiscard]] Added {
    kAdded,
    kAddedNameUsed,  // added, although another code has the name already
    kCodeTaken,      // the code is in the table already; nothing added
  };
  /// Inserts `colour` at its place by code. The table holds a few hundred
  /// entries; running out of memory for one ends the program.
  Added AddColour(const Colour& colour);

  /// Empties the table.
  void FreeColours();

  /// Reads the "0 !COLOUR" lines of the colour file at `path` into the
  /// table, reporting malformed lines through `diag` (file and line named);
  /// the first definition of a code wins. False when the file could not be
  /// opened (nothing reported). diag's current file, line and line buffer
  /// are restored afterwards.
  bool ReadColourFile(const std::string& path, Diagnostics& diag);

  /// What ParseColourLine found.
  enum class [[nodiscard]] LineParse {
    kNotColourLine,  // no "!COLOUR" (no message)
    kBad,            // reported through `diag` at level 0 as SKIPPING
    kParsed,         // `entry` was filled
  };

  /// Parses the text of a line after its leading "0". A bad line counts as
  /// not read; a parsed one may have drawn finish-tag warnings. Flag 0x20 is
  /// not set here.
  static LineParse ParseColourLine(const char* text, Colour* entry,
                                   Diagnostics& diag);

  /// Parses a VALUE (edge_mode false) or EDGE (edge_mode true) value at
  /// `*cursor`, advancing it past what was used. Returns 0x00RRGGBB, or in
  /// edge mode a colour number 0..16777215 or 0x2000000 + RRGGBB; -1 on an error,
  /// reported as SKIPPING "VALUE: ..." / "EDGE: ...".
  static long ParseColourValue(const char** cursor, bool edge_mode,
                               Diagnostics& diag);

  /// Adds the 49 built-in colours whose codes are not defined yet; a name
  /// already in use gets "_R7" appended (while it has at most 76
  /// characters).
  void AddDefaultColours();

  /// Every entry whose edge is a colour number that names no colour gets
  /// edge 0, with the plain remark "WARNING \"<path>\": Cannot find edge
  /// color (<edge>) for color <code>, using 0". Direct edges are not tested.
  void CheckEdgeColours(const std::string& path, Diagnostics& diag);

  /// The -pc listing: one "0 !COLOUR ..." line per entry in code order.
  void PrintColours(FILE* out) const;

  /// What a colour number means. Returns 0 for every number that denotes a
  /// colour (table entries, dithers 256..511, direct colours 0x2000000 ..
  /// 0x7FFFFFF), -1 otherwise. When `rgb` is given it receives red, green
  /// and blue as fractions 0..1 (0.5 grey when the number is no colour);
  /// when `attributes` is given it receives the attribute word (flags byte,
  /// alpha << 8, luminance << 16), 0 when the number is no colour.
  int ColourToRgb(long number, float* rgb = nullptr,
                  uint32_t* attributes = nullptr) const;

  /// True when ColourToRgb(number) answers 0.
  bool IsColour(long number) const { return ColourToRgb(number) == 0; }

  /// Reads the colour text of an option: a colour name, a colour number
  /// (%li: decimal, 0x hex, 0 octal), a direct colour number, "#RRGGBB", or
  /// "r,g,b" fractions. kTaken when a colour was taken (into `number`
  /// and/or `rgb`, whichever is given), kEmpty for the empty text (outputs
  /// left alone), kBad for a bad colour. "r,g,b" with only `rgb` wanted is taken
  /// unchecked; with `number` wanted each must lie in 0..1 and the number is
  /// the direct colour. `ensure_library` (may be empty) is called before a
  /// name is looked up, and before a number is tested when its RGB is wanted
  /// or the table does not know it yet; it sets up the LDraw library, which
  /// rebuilds this table from the colour file. A callback because the
  /// library sits in a layer above the colour table, and is set up only
  /// when a colour argument needs it.
  ColourArgument ParseColourArgument(
      const char* text, float* rgb, int* number,
      const std::function<void()>& ensure_library);
  /// The same for an option whose RGB form is kept as a Vector: `rgb` (may
  /// be null) changes only when a colour was taken.
  ColourArgument ParseColourIntoVector(
      const char* text, Vector* rgb, int* number,
      const std::function<void()>& ensure_library);

  /// The entries in code order.
  const std::vector<Colour>& colours() const { return colours_; }
  size_t size() const { return colours_.size(); }

 private:
  std::vector<Colour> colours_;
};

#endif  // R7P_COLOUR_COLOUR_TABLE_H_
