#include "searchdirs/library_dirs.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "colour/colour_table.h"
#include "base/settings.h"
#include "base/diagnostics.h"
#include "platform/path_finder.h"
#include "platform/platform.h"
#include "tests/library_env.h"
#include "tests/test_support.h"

namespace {

using testing_support::LibraryEnv;
using testing_support::MemoryFile;
using testing_support::TempDir;

class LibraryDirsTest : public ::testing::Test {
 protected:
  LibraryDirsTest() {
    lib_.Mkdir("p");
    lib_.Mkdir("parts");
    lib_.Mkdir("models");
    lib_.Write("LDConfig.ldr",
               "0 !COLOUR Custom_Red CODE 100 VALUE #FF0000 EDGE #000000\n");
    diag_.stdout_first = true;  // fatal errors without the usage text
    diag_.remark_stream = remarks_.get();
  }

  LibraryDirs& Library() {
    finder_ = platform::PathFinder();  // its listings are cached
    library_ = std::make_unique<LibraryDirs>(switches_, diag_, colours_, finder_);
    return *library_;
  }

  LibraryEnv env_;
  TempDir lib_;
  RunSwitches switches_;
  Diagnostics diag_;
  MemoryFile remarks_;
  ColourTable colours_;
  platform::PathFinder finder_;
  std::unique_ptr<LibraryDirs> library_;
};

TEST_F(LibraryDirsTest, FindsTheLdrawDirectory) {
  env_.Set("LDRAWDIR", lib_.path());
  LibraryDirs& library = Library();
  EXPECT_FALSE(library.LibrarySetUp());
  EXPECT_EQ(library.record(), nullptr);
  EXPECT_EQ(library.LDrawDir(), "");
  library.SetUpLibrary();
  EXPECT_TRUE(library.LibrarySetUp());
  ASSERT_NE(library.record(), nullptr);
  EXPECT_EQ(library.LDrawDir(), lib_.path());
  EXPECT_EQ(library.record()->LDrawDirSource, "LDRAWDIR environment variable");

  // Set up once: later option changes have no effect.
  switches_.LDrawDirOption = "/elsewhere";
  library.SetUpLibrary();
  EXPECT_EQ(library.LDrawDir(), lib_.path());

  // -ldd wins over the environment.
  TempDir other;
  switches_.LDrawDirOption = other.path();
  Library().SetUpLibrary();
  EXPECT_EQ(library_->LDrawDir(), other.path());
  EXPECT_EQ(library_->record()->LDrawDirSource, "-ldd<dir> option");
}

TEST_F(LibraryDirsTest, CurrentDirectoryAsLibrary) {
  if (platform::IsDirectory("/usr/share/ldraw"))
    GTEST_SKIP() << "a system-wide LDraw library is installed";
  std::string old_dir = platform::CurrentDirectory();
  ASSERT_EQ(chdir(lib_.path().c_str()), 0);
  Library().SetUpLibrary();
  EXPECT_EQ(chdir(old_dir.c_str()), 0);
  EXPECT_EQ(library_->LDrawDir(), ".");
  EXPECT_EQ(library_->record()->LDrawDirSource, "Current directory");
  EXPECT_EQ(library_->LdconfigPath, "./LDConfig.ldr");
}

TEST_F(LibraryDirsTest, FatalSetUpErrors) {
  if (!platform::IsDirectory("/usr/share/ldraw")) {
    EXPECT_EXIT(Library().SetUpLibrary(), ::testing::ExitedWithCode(1),
                "^\\*\\*\\* Environment variable LDRAWDIR must be set to "
                "directory with P,PARTS,MODELS\\.\n.*\n.*\nAlternatively use "
                "the -ldd<dir> option\\.\n$");
  }
  env_.Set("LDRAWDIR", lib_.path());
  switches_.LDrawDirOption = lib_.path() + "/nothing";
  EXPECT_EXIT(Library().SetUpLibrary(), ::testing::ExitedWithCode(1),
              "^\\*\\*\\* LDrawDir '" + lib_.path() +
                  "/nothing' is not a valid directory\\.\n$");
  switches_.LDrawDirOption.reset();
  switches_.LdconfigOption = "missing.ldr";
  EXPECT_EXIT(Library().SetUpLibrary(), ::testing::ExitedWithCode(1),
              "^\\*\\*\\* Could not open ldconfig.ldr file 'missing.ldr'\\.\n$");
}

TEST_F(LibraryDirsTest, ColourFileChoice) {
  env_.Set("LDRAWDIR", lib_.path());
  Library().SetUpLibrary();
  EXPECT_EQ(library_->LdconfigPath, lib_.path() + "/LDConfig.ldr");
  ASSERT_NE(colours_.FindColourByCode(100), nullptr);
  EXPECT_EQ(colours_.FindColourByCode(100)->name, "Custom_Red");
  EXPECT_NE(colours_.FindColourByCode(4), nullptr);  // built-ins added too

  // -ldc with a name found only inside the LDraw directory.
  lib_.Write("sub/other.ldr",
             "0 !COLOUR Other CODE 101 VALUE #00FF00 EDGE #000000\n");
  switches_.LdconfigOption = "sub/other.ldr";
  Library().SetUpLibrary();
  EXPECT_EQ(library_->LdconfigPath, lib_.path() + "/sub/other.ldr");
  EXPECT_EQ(colours_.FindColourByCode(100), nullptr);  // table rebuilt
  EXPECT_NE(colours_.FindColourByCode(101), nullptr);

  // -ldc as typed, relative to the current directory or absolute.
  TempDir outside;
  std::string typed = outside.Write("mine.ldr", "");
  switches_.LdconfigOption = typed;
  Library().SetUpLibrary();
  EXPECT_EQ(library_->LdconfigPath, typed);

  // -ldc empty: no colour file, the built-in colours only.
  switches_.LdconfigOption = "";
  Library().SetUpLibrary();
  EXPECT_EQ(library_->LdconfigPath, "");
  EXPECT_EQ(colours_.FindColourByCode(101), nullptr);
  EXPECT_NE(colours_.FindColourByCode(4), nullptr);

  // An unreadable default colour file is no error.
  TempDir bare;
  bare.Mkdir("P");
  bare.Mkdir("PARTS");
  switches_.LdconfigOption.reset();
  switches_.LDrawDirOption = bare.path();
  Library().SetUpLibrary();
  EXPECT_EQ(library_->LdconfigPath, "");
  EXPECT_EQ(remarks_.text(), "");
}

TEST_F(LibraryDirsTest, PreparedPartsDirectory) {
  env_.Set("LDRAWDIR", lib_.path());
  LibraryDirs& library = Library();
  EXPECT_FALSE(library.R7PPartsDirExists());
  library.SetUpLibrary();
  EXPECT_FALSE(library.R7PPartsDirExists());
  lib_.Write("R7PParts", "a file, not a directory");
  EXPECT_FALSE(Library().R7PPartsDirExists());
  TempDir other;
  other.Mkdir("p");
  other.Mkdir("parts");
  other.Mkdir("r7pparts");
  switches_.LDrawDirOption = other.path();
  Library().SetUpLibrary();
  EXPECT_TRUE(library_->R7PPartsDirExists());
}

TEST_F(LibraryDirsTest, LgeoDirectoryOrder) {
  env_.Set("LDRAWDIR", lib_.path());
  lib_.Mkdir("Apps/LGEO");
  Library().SetUpLibrary();
  EXPECT_TRUE(library_->ResolveLgeoDir());
  EXPECT_EQ(library_->LgeoDir, lib_.path() + "/Apps/LGEO");
  EXPECT_EQ(library_->LgeoDirSource, "LDRAWDIR\\Apps\\lgeo");

  lib_.Mkdir("lgeo");
  Library().SetUpLibrary();
  EXPECT_TRUE(library_->ResolveLgeoDir());
  EXPECT_EQ(library_->LgeoDir, lib_.path() + "/lgeo");
  EXPECT_EQ(library_->LgeoDirSource, "LDRAWDIR\\lgeo");

  std::string ini = lib_.Write("LDraw.ini", "[LDraw]\nLgeoDirectory=/x/lg//\n");
  Library().SetUpLibrary();
  EXPECT_TRUE(library_->ResolveLgeoDir());
  EXPECT_EQ(library_->LgeoDir, "/x/lg");
  EXPECT_EQ(library_->LgeoDirSource, ini);

  env_.Set("LGEODIR", "/does/not/exist/");  // not tested here
  Library().SetUpLibrary();
  EXPECT_TRUE(library_->ResolveLgeoDir());
  EXPECT_EQ(library_->LgeoDir, "/does/not/exist");
  EXPECT_EQ(library_->LgeoDirSource, "LGEODIR environment variable");

  switches_.LgeoDirOption = "/opt/lgeo\\/";
  Library();
  EXPECT_TRUE(library_->ResolveLgeoDir());
  EXPECT_EQ(library_->LgeoDir, "/opt/lgeo");
  EXPECT_EQ(library_->LgeoDirSource, "-lgd<dir> option");

  env_.Unset("LGEODIR");
  switches_.LgeoDirOption.reset();
  TempDir bare;
  bare.Mkdir("p");
  bare.Mkdir("parts");
  switches_.LDrawDirOption = bare.path();
  Library().SetUpLibrary();
  EXPECT_FALSE(library_->ResolveLgeoDir());
  EXPECT_EQ(library_->LgeoDir, "");
}

}  // namespace
