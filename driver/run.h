// Everything one run of the program owns, built by main() and handed to the
// driver. Each subsystem gets only the members it needs.
#ifndef R7P_DRIVER_RUN_H_
#define R7P_DRIVER_RUN_H_

#include <cstdio>

#include "colour/colour_table.h"
#include "colour/lgeo_lists.h"
#include "searchdirs/library_dirs.h"
#include "base/settings.h"
#include "pov/camera.h"
#include "geometry/lights.h"
#include "model/statistics.h"
#include "base/diagnostics.h"
#include "model/file_table.h"
#include "platform/path_finder.h"
#include "platform/platform.h"
#include "pov/scene_state.h"

/// The command line exactly as the program received it (element 0 is the
/// program path); the scene header repeats it.
struct CommandLine {
  int argc = 0;
  const char* const* argv = nullptr;
};

/// The run's objects. They live until the process ends; nothing here is
/// reset by a destructor at another moment than exit.
struct Run {
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
};

#endif  // R7P_DRIVER_RUN_H_
