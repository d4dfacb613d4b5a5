// Connects the driver to the subsystems that carry out a conversion.
#ifndef R7P_DRIVER_WIRING_H_
#define R7P_DRIVER_WIRING_H_

#include "driver/driver.h"
#include "searchdirs/library_dirs.h"
#include "driver/run.h"
#include "model/line_validation.h"
#include "model/parser.h"
#include "model/resolve.h"
#include "pov/declarations.h"
#include "pov/scene_state.h"

/// The subsystem objects of one run that are built from the Run's records:
/// the library, the line checks, the reader, the loader and the scene
/// writer's contexts. They refer to `run`, which must outlive them.
struct RunServices {
  explicit RunServices(Run& run);
  RunServices(const RunServices&) = delete;
  RunServices& operator=(const RunServices&) = delete;

  Run& run;
  LibraryDirs library;
  LineValidator validator;
  ReaderContext reader;
  SceneContext scene;
  SceneWriterContext writer;
  ModelLoader loader;
};

/// The hooks of a real run, each bound to `services` (which must outlive
/// them).
ConversionHooks WireConversionHooks(RunServices& services);

#endif  // R7P_DRIVER_WIRING_H_
