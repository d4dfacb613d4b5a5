// The program's run order: message stream, options, library, one of the run
// modes, the scene file, the summary and the exit status.
#ifndef R7P_DRIVER_DRIVER_H_
#define R7P_DRIVER_DRIVER_H_

#include <cstdint>
#include <cstdio>
#include <string>

#include "driver/run.h"
#include "geometry/vector.h"

/// Which scene a conversion produces.
enum class RunKind {
  kNormal = 0,          // the model
  kLgeoTest = 1,        // -test -lgeo part.dat
  kPrimitiveTest = 2,   // -test with a primitive that has a POV equivalent
  kPovEquivs = 3,       // -test with any other name: the overview run
};

/// Starts the programs a run hands its results to, without waiting for
/// them. Tests stand in for it: they must not start POV-Ray or a browser.
class Launcher {
 public:
  virtual ~Launcher() = default;
  /// Hands the scene file to POV-Ray (-pov).
  virtual void ShowScene(const std::string& scene) = 0;
  /// Opens a web page in the browser (-upd).
  virtual void OpenWebPage(const std::string& url) = 0;
};

/// The launcher of the real program: POV-Ray when it is installed, else
/// whatever the desktop associates with .pov files; pages through the
/// desktop's opener. A program that is not installed is not started.
class DesktopLauncher : public Launcher {
 public:
  void ShowScene(const std::string& scene) override;
  void OpenWebPage(const std::string& url) override;
};

/// Runs the whole program on the command line of `run` and returns the exit
/// status (0 success, 1 failure). Fatal errors end the process inside.
int RunProgram(Run& run, Launcher& launcher);

/// The start of every run: message stream and key waits (from -stdout
/// first and the terminal), the usage text of the fatal exit, the built-in
/// colours.
void PrepareRun(Run& run);

/// The scene file name: PovPath without trailing separators; when empty or
/// a directory, joined with the model's base name (`typed_model` without
/// directory and extension) and ".pov"; ".pov" appended when the result has
/// no extension. Empty base name: fatal "POV filename not specified".
std::string SceneFileName(const std::string& pov_path,
                          const std::string& typed_model, Diagnostics& diag);

/// The header lines of the driver: "// ldconfig.ldr: %s\n" and the command
/// line, elements holding a blank in double quotes.
std::string CommandLineComments(const std::string& ldconfig_path,
                                const CommandLine& command_line);

/// The last path component (after the last '/' or '\').
std::string LastComponent(const std::string& path);

#endif  // R7P_DRIVER_DRIVER_H_
