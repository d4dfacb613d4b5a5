// The directories and the configuration file a run depends on: the LDraw
// directory with its search list, ldconfig.ldr, R7PPARTS and the LGEO
// directory.
#ifndef R7P_SEARCHDIRS_LIBRARY_DIRS_H_
#define R7P_SEARCHDIRS_LIBRARY_DIRS_H_

#include <memory>
#include <string>

#include "platform/path_finder.h"
#include "searchdirs/path_ini.h"

class ColourTable;
class Diagnostics;
struct RunSwitches;
namespace platform {
class PathFinder;
}

/// Fatal text when no LDraw directory can be found.
extern const char* const kLdrawDirMessage;
/// Fatal text when ResolveLgeoDir finds nothing (the driver prints it).
extern const char* const kLgeoDirMessage;

/// One per run. Holds the search-directory record (null until
/// SetUpLibrary), the colour file in use and the LGEO directory.
class LibraryDirs {
 public:
  LibraryDirs(const RunSwitches& switches, Diagnostics& diag,
              ColourTable& colours, platform::PathFinder& finder);
  ~LibraryDirs();

  /// Idempotent. Finds the LDraw directory (-ldd, then the search-directory
  /// library, then a current directory holding P, PARTS and MODELS), checks
  /// it, chooses the colour file (-ldc as typed or inside the LDraw
  /// directory; -ldc empty: none; else LDrawDir/ldconfig.ldr) and rebuilds
  /// the colour table from it. Ends the run through diag.FatalError with
  /// kLdrawDirMessage, "LDrawDir '%s' is not a valid directory" or "Could
  /// not open ldconfig.ldr file '%s'".
  void SetUpLibrary();
  /// True once SetUpLibrary has finished (-ldd and -ldc are then refused).
  bool LibrarySetUp() const { return set_up_; }

  /// Whether LDrawDir/R7PPARTS (any case) is an existing directory.
  bool R7PPartsDirExists();

  /// Records -lgd<dir> (source "-lgd<dir> option").
  void SetLgeoDirOption(const std::string& dir);
  /// Finds the LGEO directory: -lgd (SetLgeoDirOption or
  /// RunSwitches::LgeoDirOption), LGEODIR, LDraw.ini [LDraw]
  /// LgeoDirectory, LDrawDir/lgeo, LDrawDir/Apps/lgeo. True when found (in
  /// LgeoDir and LgeoDirSource); false leaves LgeoDir empty.
  bool ResolveLgeoDir();

  /// The search-directory record; null before SetUpLibrary.
  PathIniData* record() { return record_.get(); }
  const PathIniData* record() const { return record_.get(); }
  /// LDrawDir of the record, empty before SetUpLibrary.
  const std::string& LDrawDir() const;

  std::string LdconfigPath;   // colour file in use; empty = none
  std::string LgeoDir;        // empty until resolved
  std::string LgeoDirSource;  // where LgeoDir came from

 private:
  void FindLdrawDir();
  void ChooseColourFile();
  void RebuildColourTable();

  const RunSwitches& switches_;
  Diagnostics& diag_;
  ColourTable& colours_;
  platform::PathFinder& finder_;
  std::unique_ptr<PathIniData> record_;
  bool set_up_ = false;
  const std::string no_dir_;
};

#endif  // R7P_SEARCHDIRS_LIBRARY_DIRS_H_
