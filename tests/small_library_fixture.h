// A fixture for tests that read models through the library lookup: an empty
// LDraw library (p/, parts/, models/) in a temporary folder, found through
// LDRAWDIR in an otherwise clean environment, and the run objects the
// reader and loader need, with remarks and messages kept in memory.
#ifndef R7P_TESTS_SMALL_LIBRARY_FIXTURE_H_
#define R7P_TESTS_SMALL_LIBRARY_FIXTURE_H_

#include <gtest/gtest.h>

#include "colour/colour_table.h"
#include "searchdirs/library_dirs.h"
#include "base/settings.h"
#include "base/diagnostics.h"
#include "model/file_table.h"
#include "model/parser.h"
#include "platform/path_finder.h"
#include "platform/platform.h"
#include "searchdirs/path_ini.h"
#include "tests/diagnostics_fixture.h"
#include "tests/library_env.h"
#include "tests/test_support.h"

namespace testing_support {

class SmallLibraryFixture : public DiagnosticsFixture {
 protected:
  SmallLibraryFixture() {
    lib_.Mkdir("p");
    lib_.Mkdir("parts");
    lib_.Mkdir("models");
    env_.Set("LDRAWDIR", lib_.path());
    switches_.LdconfigOption = "";
  }

  /// Sets the library up from the environment and works out its search
  /// directories, as a run does before it reads the first model.
  void SetUpLibrary() {
    library_.SetUpLibrary();
    EXPECT_EQ(PathIniComputeRealDirs(library_.record(), true, true, nullptr, finder_),
              Status::kOk);
  }

  LibraryEnv env_;
  TempDir lib_;
  Settings settings_;
  RunSwitches switches_;
  ColourTable colours_;
  FileTable files_{diag_};
  ReaderContext reader_{diag_, settings_, switches_, files_, kConversionLineTypes, {}, {}};
  platform::PathFinder finder_;
  LibraryDirs library_{switches_, diag_, colours_, finder_};
};

}  // namespace testing_support

#endif  // R7P_TESTS_SMALL_LIBRARY_FIXTURE_H_
