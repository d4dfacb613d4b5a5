// Everything one run of the program owns, built by main() and handed to the
// driver. Each subsystem gets only the members it needs.
#ifndef R7P_DRIVER_RUN_H_
#define R7P_DRIVER_RUN_H_

#include <cstdio>
#include <optional>
#include <string>

#include "base/diagnostics.h"
#include "base/settings.h"
#include "colour/colour_table.h"
#include "colour/lgeo_lists.h"
#include "geometry/lights.h"
#include "model/file_table.h"
#include "model/line_validation.h"
#include "model/parser.h"
#include "model/resolve.h"
#include "model/statistics.h"
#include "platform/path_finder.h"
#include "platform/platform.h"
#include "pov/camera.h"
#include "pov/declarations.h"
#include "pov/scene_state.h"
#include "searchdirs/library_dirs.h"

/// The command line exactly as the program received it (element 0 is the
/// program path); the scene header repeats it.
struct CommandLine {
  int argc = 0;
  const char* const* argv = nullptr;
};

struct Run;

/// What the loader reports while it resolves a model, passed on to the
/// run's scene writer, camera and substitution tables.
class RunResolveListener : public ResolveListener {
 public:
  explicit RunResolveListener(Run& run) : run_(run) {}
  void WriteDeclaration(DatFile& file, bool is_main) override;
  void CameraAddPoint(const Vector& point) override;
  std::optional<BBox> PovEquivalentBox(const std::string& name) override;
  bool HasLgeoElement(const std::string& name) override;
  bool HasPreparedPart(const std::string& name) override;

 private:
  Run& run_;
};

/// The usage text of the fatal exit, with the run's -test setting and key
/// waits.
class RunUsage : public UsagePrinter {
 public:
  explicit RunUsage(Run& run) : run_(run) {}
  void PrintUsage() override;

 private:
  Run& run_;
};

/// The run's objects. They live until the process ends; nothing here is
/// reset by a destructor at another moment than exit. Members refer to the
/// members declared before them.
struct Run {
  Run();
  Run(const Run&) = delete;
  Run& operator=(const Run&) = delete;

  /// Standard output and standard error; tests may replace them.
  FILE* out = stdout;
  FILE* err = stderr;

  Diagnostics diag;
  Settings settings;
  RunSwitches switches;
  LightList lights;
  ColourTable colours;
  platform::PathFinder finder;
  LibraryDirs library{switches, diag, colours, finder};
  FileTable files{diag};
  Camera camera;
  Statistics statistics;
  LgeoLists lgeo;
  SceneState scene;
  CommandLine command_line;

  /// The line checks and the reader.
  LineValidator validator{diag, switches, &colours};
  ReaderContext reader{diag, settings, switches, files};
  /// The scene writer's view of the run.
  SceneContext scene_context{scene, settings, files, colours, lgeo, diag, finder};
  SceneWriterContext writer{scene_context, settings, statistics, "", ""};
  /// The loader, reporting to the scene writer through `resolve_listener`.
  RunResolveListener resolve_listener{*this};
  ModelLoader loader{reader, library, finder, &resolve_listener};
  RunUsage usage{*this};
};

#endif  // R7P_DRIVER_RUN_H_
