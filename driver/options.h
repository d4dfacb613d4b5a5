// The command line: every option, its effect on the settings, its messages,
// and the checks made after the last argument.
#ifndef R7P_DRIVER_OPTIONS_H_
#define R7P_DRIVER_OPTIONS_H_

#include <string>

#include "base/settings.h"
#include "colour/colour_table.h"
#include "geometry/lights.h"
#include "geometry/vector.h"
#include "base/diagnostics.h"

/// The colour table and the LDraw library as the options see them: a run
/// answers from its own (driver/run.h); the option tests stand in with a
/// small colour table of their own, without a library on disk.
class OptionLibrary {
 public:
  virtual ~OptionLibrary() = default;
  /// Reads a colour argument. `colour_number` and `rgb` may each be null
  /// when the caller does not want that form. May set up the library.
  virtual ColourArgument ParseColour(const char* text, int* colour_number,
                                     Vector* rgb) = 0;
  /// True once the library has been set up; -ldd and -ldc are then refused.
  virtual bool LibrarySetUp() = 0;
};

/// Where option parsing stopped.
enum class ImmediateAction {
  kNone,          // every argument was read
  kPrintColours,  // -pc met: the remaining arguments were not read
  kCheckUpdate,   // -upd met: the remaining arguments were not read
};

/// What the options write into.
struct OptionTargets {
  Settings& settings;
  RunSwitches& switches;
  LightList& lights;
  Diagnostics& diag;
};

/// Longest argument accepted; longer ones end the run with a message.
inline constexpr size_t kMaxArgument = 4095;

/// Reads arguments 1 .. argc-1 in order. File names (arguments not starting
/// with '-') fill ModelPath, then PovPath; a third is fatal ("Too many
/// filenames"). Option errors end the run through diag.FatalError; warnings
/// go to diag.message_stream. Stops at -pc or -upd and says so.
[[nodiscard]] ImmediateAction ParseArguments(int argc,
                                             const char* const* argv,
                                             OptionTargets targets,
                                             OptionLibrary& library);

/// Applies one option (text starting with '-'). Same failures as above.
[[nodiscard]] ImmediateAction ParseOption(const char* arg,
                                          OptionTargets targets,
                                          OptionLibrary& library);

/// Appends `letter` to SubstitutionOrder; false (nothing changed) when it
/// was already present.
bool AddOrderLetter(Settings& settings, char letter);
/// Removes `letter` from SubstitutionOrder, closing the gap; false when it
/// was not present.
bool RemoveOrderLetter(Settings& settings, char letter);

/// The checks after the last argument: -cla needs a positive globe radius
/// or -cc (fatal), -cra excludes -csky (fatal), the two -ee warnings on the
/// message stream, and the LGEO colour/finish bits when LGEO or AX is used.
void CheckOptions(Settings& settings, const RunSwitches& switches,
                  Diagnostics& diag);

#endif  // R7P_DRIVER_OPTIONS_H_
