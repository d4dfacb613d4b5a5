// The LGEO lists: which LDraw parts have a hand-modelled LGEO (or AX)
// counterpart (lg_elements.lst) and which LDraw colours have an LGEO colour
// identifier (lg_colors.lst).
#ifndef R7P_COLOUR_LGEO_LISTS_H_
#define R7P_COLOUR_LGEO_LISTS_H_

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "base/status.h"

class Diagnostics;
struct Settings;
namespace platform {
class PathFinder;
}

/// Bits of LgeoElement::flags.
inline constexpr uint32_t kLgeoSlope =
    1;                                    // letter S: a "_slope" variant exists
inline constexpr uint32_t kLgeoSetL = 2;  // letter L: an LGEO object exists
inline constexpr uint32_t kLgeoSetA = 4;  // letter A: an AX object exists

/// One line of lg_elements.lst.
struct LgeoElement {
  uint32_t flags = 0;
  char chosenSet = 0;     // 'L', 'A' or 0, set by the last FindLgeoElement
  std::string ldrawName;  // without extension, lower case, '\' separators
  std::string lgeoName;   // as written in the list
};

/// One line of lg_colors.lst.
struct LgeoColour {
  int32_t code = 0;
  std::string name;  // the LGEO colour identifier
};

/// The two lists, loaded at most once per run.
///
/// Scene start-up (the driver's StartScene) must, in this order: record the
/// model path and header lines for the scene frame, clear HeaderWritten,
/// reset the statistics counters, call LoadLgeoListsOnce (and give up the
/// run with "*** Abnormal termination.\n" when it fails), then set up the
/// camera.
class LgeoLists {
 public:
  /// Reads lg_elements.lst and then lg_colors.lst from `lgeo_dir` (each
  /// found without regard to case through `finder`). A list that cannot be
  /// opened: "Can't open <path>" on diag.message_stream, kFailed. With
  /// `debug_level` >= 1 "Found <path>\n" on diag.remark_stream. Malformed
  /// lines are reported through `diag` (list file and line named) and
  /// skipped. Fails when the element list is empty; on success the
  /// elements are sorted for FindLgeoElement. Previous content is dropped
  /// first.
  Status LoadLgeoLists(const std::string& lgeo_dir, int debug_level,
                       platform::PathFinder& finder, Diagnostics& diag);

  /// The list-loading half of scene start-up: when SubstitutionOrder holds
  /// L or A and the lists are not loaded yet, LoadLgeoLists (its failure),
  /// PrintLgeoLists on diag.remark_stream with DebugLevel >= 1, "Using LGEO:
  /// %d parts, %d colors\n" on diag.message_stream, and marks the lists
  /// loaded. kOk otherwise.
  Status LoadLgeoListsOnce(const Settings& settings,
                           const std::string& lgeo_dir,
                           platform::PathFinder& finder, Diagnostics& diag);

  /// The element of the LDraw file `name` (with extension, compared after
  /// NormalizeName, so "3002A.DAT" finds 3002a), or null. Names of 80
  /// characters or more and names without '.' have none.
  /// On a hit chosenSet becomes the first letter of `substitution_order`
  /// that is 'L' while the element has set L or 'A' while it has set A (0
  /// when none); the element is returned when `wanted_set` is 0 or equals
  /// chosenSet.
  const LgeoElement* FindLgeoElement(std::string_view name, char wanted_set,
                                     std::string_view substitution_order);

  /// The LGEO colour identifier of `code` (the last line of the list for
  /// it wins), or null.
  const char* FindLgeoColour(long code) const;

  /// Debugging dump of both lists.
  void PrintLgeoLists(FILE* out) const;

  bool loaded() const { return loaded_; }
  /// Elements in sorted order; colours in file order.
  const std::vector<LgeoElement>& elements() const { return elements_; }
  const std::vector<LgeoColour>& colours() const { return colours_; }

 private:
  Status ReadList(const std::string& lgeo_dir, const char* list_name,
                  int debug_level, platform::PathFinder& finder,
                  Diagnostics& diag);
  void AddElementLine(const std::string words[3], Diagnostics& diag);
  void AddColourLine(const std::string words[3], Diagnostics& diag);

  std::vector<LgeoElement> elements_;
  std::vector<LgeoColour> colours_;
  bool loaded_ = false;
};

#endif  // R7P_COLOUR_LGEO_LISTS_H_
