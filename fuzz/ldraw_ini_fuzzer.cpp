// LDraw.ini: the input is the file LDRAWINI names. The library is set up
// from it as a run does (library root, search list, LGEO folder), and the
// search directories are worked out for a model in the scratch folder.
// Without a root in the input, $HOME/ldraw (the tiny library) is found.
#include <stdlib.h>

#include <cstdint>
#include <string>

#include "base/diagnostics.h"
#include "base/settings.h"
#include "colour/colour_table.h"
#include "fuzz/fuzz_support.h"
#include "platform/path_finder.h"
#include "searchdirs/library_dirs.h"
#include "searchdirs/path_ini.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string ini = [] {
    (void)fuzzing::TinyLibrary();
    std::string path = fuzzing::ScratchDir() + "/LDraw.ini";
    setenv("LDRAWINI", path.c_str(), 1);
    return path;
  }();
  static const std::string model = fuzzing::ScratchDir() + "/model.ldr";
  fuzzing::WriteFile(ini, fuzzing::AsText(data, size));
  Diagnostics diag;
  fuzzing::QuietDiagnostics(diag);
  RunSwitches switches;
  switches.LdconfigOption = "";  // the colour file has a target of its own
  ColourTable colours;
  platform::PathFinder finder;
  LibraryDirs library{switches, diag, colours, finder};
  try {
    library.SetUpLibrary();
    (void)PathIniComputeRealDirs(library.record(), true, true, model.c_str(),
                                 finder);
    (void)PathIniComputeRealDirs(library.record(), false, false, nullptr,
                                 finder);
    (void)library.ResolveLgeoDir();
  } catch (const fuzzing::FatalExit&) {
  }
  return 0;
}
