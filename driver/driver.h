// The program's run order: message stream, options, library, one of the run
// modes, the scene file, the summary and the exit status.
#ifndef R7P_DRIVER_DRIVER_H_
#define R7P_DRIVER_DRIVER_H_

#include <cstdint>
#include <cstdio>
#include <functional>
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

/// Calls from the driver into the other subsystems, wired by the program's
/// entry. Every member may stay empty; the driver then does what a library
/// without that piece would do (noted per member).
struct ConversionHooks {
  /// SetUpLibrary: idempotent. Empty: nothing.
  std::function<void()> set_up_library;
  /// True once the library is set up. Empty: false.
  std::function<bool()> library_set_up;
  /// R7PPartsDirExists. Empty: false (the letter 3 is dropped).
  std::function<bool()> r7pparts_dir_exists;
  /// PathIniComputeRealDirs with verification and trailing separators and
  /// no model path. Empty: success.
  std::function<bool()> compute_search_dirs;
  /// ResolveLgeoDir. Empty: not found.
  std::function<bool()> resolve_lgeo_dir;
  /// The fatal text when the LGEO directory cannot be found.
  std::string lgeo_dir_message =
      "Environment variable LGEODIR must be set to directory with LGEO parts.\n"
      "e.g.  'export LGEODIR=$HOME/ldraw/lgeo'\n"
      "You may type the export command at the shell prompt or put it into ~/.profile";
  /// The check run; returns its exit status. Empty: banner and 0.
  std::function<int()> run_checks;
  /// ListPovEquivalents on the stream (-pp without a model). Empty: nothing.
  std::function<void(FILE*)> list_pov_equivalents;
  /// FindPovEquivalent knows the name exactly as typed. Empty: no.
  std::function<bool(const std::string&)> has_pov_equivalent;
  /// FindLgeoElement(name, 'L') finds the element. Empty: no.
  std::function<bool(const std::string&)> has_lgeo_element;
  /// The line-type mask of the reader (63 or 27). Empty: nothing.
  std::function<void(uint32_t)> set_line_type_mask;
  /// FindLibraryFile(name) with the current directory first; on success
  /// fills the path under which the file was found. Empty: not found.
  std::function<bool(const std::string& name, std::string* found)>
      find_model_file;
  /// LastOpenedPath() of the loader. Empty: the resolved model path.
  std::function<std::string()> last_opened_path;
  /// StartModel(path) -> 0 or -1. Empty: 0.
  std::function<int(const std::string&)> start_model;
  /// StartScene(model path, header callback) -> 0 or -1. Empty: 0.
  std::function<int(const std::string&, std::function<void(FILE*)>)>
      start_scene;
  /// The scene file was opened (null: closed). Empty: nothing.
  std::function<void(FILE*)> scene_opened;
  /// LoadModel() -> 0 or -1. Empty: -1.
  std::function<int()> load_model;
  /// WriteLgeoComparison(scene) -> 0 or -1. Empty: -1.
  std::function<int(FILE*)> write_lgeo_comparison;
  /// WritePrimitiveComparison(scene, name) -> 0 or -1. Empty: -1.
  std::function<int(FILE*, const std::string&)> write_primitive_comparison;
  /// WriteSceneTail(scene, status) -> 0, -1 or -2. Empty: -1.
  std::function<int(FILE*, int)> write_scene_tail;
  /// WriteStatistics(stream, "") after a successful conversion. Empty: nothing.
  std::function<void(FILE*)> write_statistics;
  /// The colour file in use, for the scene header. Empty: "".
  std::function<std::string()> ldconfig_path;
  /// Starts a program on one argument without waiting. Empty: the
  /// platform's detached launch.
  std::function<void(const std::string& program, const std::string& argument)>
      launch;
};

/// Runs the whole program on the command line of `run` and returns the exit
/// status (0 success, 1 failure). Fatal errors end the process inside.
int RunProgram(Run& run, const ConversionHooks& hooks);

/// Steps 1 to 3 of a run: message stream and key waits (from -stdout first
/// and the terminal), built-in colours, the usage printer of FatalError.
void PrepareRun(Run& run);

/// The scene file name: PovPath without trailing separators; when empty or
/// a directory, joined with the model's base name (`typed_model` without
/// directory and extension) and ".pov"; ".pov" appended when the result has
/// no extension. Empty base name: fatal "POV filename not specified".
std::string SceneFileName(const std::string& pov_path,
                          const std::string& typed_model, Diagnostics& diag);

/// The header lines of the driver: "// ldconfig.ldr: %s\n" and the command
/// line, elements holding a blank in double quotes.
void WriteCommandLineComments(FILE* file, const std::string& ldconfig_path,
                              const CommandLine& command_line);

/// The last path component (after the last '/' or '\').
std::string LastComponent(const std::string& path);

#endif  // R7P_DRIVER_DRIVER_H_
