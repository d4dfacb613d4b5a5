// The scene writer's run state and the run objects it works with.
#ifndef R7P_POV_SCENE_STATE_H_
#define R7P_POV_SCENE_STATE_H_

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

class ColourTable;
class Diagnostics;
class FileTable;
class LgeoLists;
struct Settings;
namespace platform {
class PathFinder;
}

/// One search directory as the scene header lists it.
struct SceneSearchDir {
  std::string dir;
  uint32_t flags = 0;
};

/// What the header comment block names. Filled by the driver before the
/// first declaration; the scene writer only reads it.
struct SceneHeaderInfo {
  std::string banner;            // "R7P v1.4 BETA 20080930 (Linux)  ..."
  std::string model_path;        // the model file as the driver resolved it
  std::string model_dir;         // the model directory of the search list
  std::string ldraw_dir;         // library root
  std::string ldraw_dir_source;  // where the root came from
  std::string search_text;       // the search-directory list as configured
  std::vector<SceneSearchDir> search_dirs;  // SearchDir1, SearchDir2, ...
  std::string lgeo_dir;          // empty when the LGEO directory is unknown
  std::string lgeo_dir_source;
};

/// State of the scene being written, owned by the run. StartScene() is the
/// per-conversion reset; the driver opens `scene` and closes it.
struct SceneState {
  FILE* scene = nullptr;
  /// Set once the header and the definitions have been written.
  bool HeaderWritten = false;
  /// Byte offset just after the header comment block; the error block
  /// overwrites the file from here. 0 until the header is written.
  long DefinesStart = 0;
  /// The driver's header lines (ldconfig.ldr, command line), written once
  /// after the header comment block and before the definitions.
  std::string header_lines;
  SceneHeaderInfo header;
  /// Host path of the library's R7PPARTS directory, empty when there is
  /// none. R7Begin.inc and R7End.inc are looked up in it.
  std::string r7pparts_dir;

  /// Resets what belongs to one conversion.
  void StartScene() {
    HeaderWritten = false;
    DefinesStart = 0;
  }
};

/// The run objects the scene writer reads or updates. Built by the driver
/// from its Run object and passed to every scene-writing function; the
/// referenced objects outlive it.
struct SceneContext {
  SceneState& state;
  const Settings& settings;
  FileTable& files;
  ColourTable& colours;
  LgeoLists& lgeo;
  Diagnostics& diag;
  platform::PathFinder& finder;
};

#endif  // R7P_POV_SCENE_STATE_H_
