#include "searchdirs/path_ini.h"

#include <gtest/gtest.h>

#include "platform/path_finder.h"
#include "platform/platform.h"
#include "tests/library_env.h"
#include "tests/test_support.h"

namespace {

using testing_support::LibraryEnv;
using testing_support::TempDir;

class PathIniTest : public ::testing::Test {
 protected:
  PathIniTest() {
    lib_.Mkdir("p");
    lib_.Mkdir("parts");
    lib_.Mkdir("models");
  }

  std::unique_ptr<PathIniData> Get(const char* dir = nullptr,
                                   const char* source = nullptr) {
    status_ = -1;
    finder_ = platform::PathFinder();  // its listings are cached
    return PathIniGet(dir, source, &status_, finder_);
  }

  std::unique_ptr<PathIniData> WithSearch(const std::string& search) {
    env_.Set("LDRAWSEARCH", search);
    return Get(lib_.path().c_str());
  }

  LibraryEnv env_;
  TempDir lib_;
  platform::PathFinder finder_;
  int status_ = -1;
};

using Entries = std::vector<std::string>;

TEST_F(PathIniTest, SearchListSources) {
  env_.Set("LDRAWSEARCH", "C:\\a||C:\\b|");
  env_.Set("LDRAWSEARCH01", "x");
  auto data = Get("/lib");
  ASSERT_TRUE(data);
  EXPECT_EQ(status_, kPathIniOk);
  EXPECT_EQ(data->RawSearchDirs, (Entries{"C:\\a", "", "C:\\b"}));
  EXPECT_EQ(data->SearchDirsSource, "LDRAWSEARCH environment variable");
  EXPECT_TRUE(data->SearchDirs.empty());
  EXPECT_FALSE(data->ModelDir);

  env_.Unset("LDRAWSEARCH");
  env_.Set("LDRAWSEARCH02", "<HIDE>y|z");
  env_.Set("LDRAWSEARCH04", "w");
  data = Get("/lib");
  EXPECT_EQ(data->RawSearchDirs, (Entries{"x", "<HIDE>y|z"}));
  EXPECT_EQ(data->SearchDirsSource, "LDRAWSEARCH01 etc. environment variables");

  env_.Unset("LDRAWSEARCH01");
  data = Get("/lib");
  EXPECT_EQ(data->RawSearchDirs,
            (Entries{"<MODELDIR>", "<HIDE><LDRAWDIR>\\P", "<LDRAWDIR>\\PARTS",
                     "<LDRAWDIR>\\MODELS"}));
  EXPECT_EQ(data->SearchDirsSource, "Default");

  // An empty LDRAWSEARCH still wins and leaves nothing to search.
  data = WithSearch("");
  EXPECT_TRUE(data->RawSearchDirs.empty());
  EXPECT_EQ(PathIniComputeRealDirs(data.get(), true, true, nullptr, finder_), Status::kFailed);
  data = WithSearch("|");
  EXPECT_EQ(data->RawSearchDirs, (Entries{""}));
}

TEST_F(PathIniTest, LdrawDirSources) {
  env_.Set("LDRAWDIR", "/from/env");
  auto data = Get("C:\\given\\dir");
  EXPECT_EQ(data->LDrawDir, "C:/given/dir");
  EXPECT_EQ(data->LDrawDirSource, "PathIniGet argument");
  data = Get("/given", "-ldd<dir> option");
  EXPECT_EQ(data->LDrawDirSource, "-ldd<dir> option");

  data = Get();
  EXPECT_EQ(data->LDrawDir, "/from/env");
  EXPECT_EQ(data->LDrawDirSource, "LDRAWDIR environment variable");

  env_.Unset("LDRAWDIR");
  std::string ini = env_.home().Write(
      "ldraw.INI", "[LDraw]\nBaseDirectory=" + lib_.path() + " \t\n");
  data = Get();
  ASSERT_TRUE(data);
  EXPECT_EQ(data->LDrawDir, lib_.path());
  EXPECT_EQ(data->LDrawDirSource, ini);

  // Typical location: a library in $HOME/ldraw, folders in any case.
  std::remove(ini.c_str());
  env_.home().Mkdir("ldraw/P");
  data = Get();
  bool system_library = platform::IsDirectory("/usr/share/ldraw");
  if (!system_library) {
    EXPECT_FALSE(data);
    EXPECT_EQ(status_, kPathIniNotFound);
  }
  env_.home().Mkdir("ldraw/Parts");
  platform::PathFinder fresh;
  data = PathIniGet(nullptr, nullptr, &status_, fresh);
  ASSERT_TRUE(data);
  EXPECT_EQ(data->LDrawDir, env_.home().path() + "/ldraw");
  EXPECT_EQ(data->LDrawDirSource, "Typical location on disk");
}

TEST_F(PathIniTest, IniValueReading) {
  std::string ini = lib_.Write(
      "LDraw.ini",
      "; comment\r\n"
      "[LDrawX]\rBaseDirectory=wrong\r"
      "[LDraw] trailing text\n\r"
      "BaseDirectory = blanks\n"
      " Key=indented\n"
      "key=lower\n"
      "Key=value with tail \t\x1a\n"
      "Empty=\n"
      "Long=" + std::string(500, 'v') + "\n"
      "[Other]\nLate=1\n");
  auto value_of = [&](const char* section, const char* key,
                      size_t size = 4096) -> std::optional<std::string> {
    std::string value;
    std::string path = ini;
    if (!PathIniGetIniValue(nullptr, section, key, &value, size, &path, 4096,
                            finder_))
      return std::nullopt;
    return value;
  };
  EXPECT_EQ(value_of("LDraw", "BaseDirectory"), std::nullopt);
  EXPECT_EQ(value_of("LDraw", "Key"), "value with tail");
  EXPECT_EQ(value_of("LDraw", "key"), "lower");
  EXPECT_EQ(value_of("LDraw", "Key", 6), "value");
  EXPECT_EQ(value_of("LDraw", "Empty"), "");
  EXPECT_EQ(value_of("LDrawX", "BaseDirectory"), "wrong");
  EXPECT_EQ(value_of("ldraw", "Key"), std::nullopt);
  // Lines are read in pieces of 399 characters.
  EXPECT_EQ(value_of("LDraw", "Long"), std::string(394, 'v'));
  EXPECT_EQ(value_of("Other", "Late"), "1");
  EXPECT_EQ(value_of("LDraw", "Late"), std::nullopt);
  std::string missing = lib_.path() + "/none.ini";
  std::string value;
  EXPECT_FALSE(PathIniGetIniValue(nullptr, "LDraw", "Key", &value, 10, &missing,
                                  4096, finder_));
}

TEST_F(PathIniTest, IniSearchOrder) {
  TempDir all;
  std::string in_windir = env_.windir().Write("LDraw.ini", "[S]\nK=windir\n");
  std::string in_root = lib_.Write("LDraw.ini", "[S]\nK=root\n");
  std::string in_all = all.Write("LDraw.ini", "[S]\nJ=all\n");
  std::string in_home = env_.home().Write("LDraw.ini", "[S]\nOnly=home\n");
  std::string explicit_ini = all.Write("my.ini", "[S]\nK=explicit\n");
  PathIniData data;
  data.LDrawDir = lib_.path();
  auto lookup = [&](const char* key, std::string* path) {
    std::string value;
    if (!PathIniGetIniValue(&data, "S", key, &value, 4096, path, 4096, finder_))
      return std::string("-");
    return value;
  };
  std::string path;
  EXPECT_EQ(lookup("K", &path), "root");
  EXPECT_EQ(path, in_root);
  env_.Set("ALLUSERSPROFILE", all.path());
  path.clear();
  EXPECT_EQ(lookup("J", &path), "all");
  EXPECT_EQ(path, in_all);
  // A file without the key passes the search on to the next candidate.
  path.clear();
  EXPECT_EQ(lookup("K", &path), "root");
  data.LDrawDir.clear();
  path.clear();
  EXPECT_EQ(lookup("K", &path), "windir");
  EXPECT_EQ(path, in_windir);
  env_.Set("USERPROFILE", all.path());  // stands before HOME
  path.clear();
  EXPECT_EQ(lookup("Only", &path), "-");
  EXPECT_EQ(path, "");
  env_.Unset("USERPROFILE");
  EXPECT_EQ(lookup("Only", nullptr), "home");
  env_.Set("LDRAWINI", explicit_ini);
  path.clear();
  EXPECT_EQ(lookup("K", &path), "explicit");
  EXPECT_EQ(path, explicit_ini);
}

TEST_F(PathIniTest, SearchKeysFromOneIniFile) {
  std::string ini = lib_.Write("LDraw.ini",
                               "[LDrawSearch]\n1=<LDRAWDIR>\\PARTS\n2=two\n"
                               "4=four\n");
  env_.home().Write("LDraw.ini", "[LDrawSearch]\n3=three\n");
  auto data = Get(lib_.path().c_str());
  ASSERT_TRUE(data);
  EXPECT_EQ(data->RawSearchDirs, (Entries{"<LDRAWDIR>\\PARTS", "two"}));
  EXPECT_EQ(data->SearchDirsSource, ini);
}

TEST_F(PathIniTest, DefaultSearchDirectories) {
  TempDir models;
  std::string model = models.Write("sub/car.ldr", "");
  auto data = Get(lib_.path().c_str());
  ASSERT_EQ(PathIniComputeRealDirs(data.get(), true, true, model.c_str(),
                                   finder_),
            Status::kOk);
  ASSERT_EQ(data->nSearchDirs, 4);
  EXPECT_EQ(*data->ModelDir, models.path() + "/sub");
  const std::string& root = lib_.path();
  const std::vector<std::pair<std::string, int>> expected = {
      {models.path() + "/sub/", 0x10},
      {root + "/p/", 0x09},
      {root + "/parts/", 0x04},
      {root + "/models/", 0x00}};
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(data->SearchDirs[i].Dir, expected[i].first);
    EXPECT_EQ(data->SearchDirs[i].Flags, expected[i].second);
    EXPECT_FALSE(data->SearchDirs[i].ExtraKeywords);
  }
  // Without a model the model directory is left out; each call replaces.
  ASSERT_EQ(PathIniComputeRealDirs(data.get(), true, true, nullptr, finder_), Status::kOk);
  EXPECT_EQ(data->nSearchDirs, 3);
  EXPECT_FALSE(data->ModelDir);
  EXPECT_EQ(data->SearchDirs[0].Dir, root + "/p/");

  ASSERT_EQ(PathIniComputeRealDirs(data.get(), true, true, "car.ldr", finder_), Status::kOk);
  EXPECT_EQ(*data->ModelDir, ".");
  EXPECT_EQ(data->SearchDirs[0].Dir, "./");
  ASSERT_EQ(PathIniComputeRealDirs(data.get(), true, false, "/car.ldr", finder_), Status::kOk);
  EXPECT_EQ(*data->ModelDir, "/");
  EXPECT_EQ(data->SearchDirs[0].Dir, "/");
  EXPECT_EQ(data->SearchDirs[1].Dir, root + "/p");

  PathIniFreeRealDirs(data.get());
  EXPECT_EQ(data->nSearchDirs, 0);
  EXPECT_TRUE(data->SearchDirs.empty());
  EXPECT_EQ(PathIniComputeRealDirs(nullptr, true, true, nullptr, finder_), Status::kFailed);
}

TEST_F(PathIniTest, EntryKeywordsAndFlags) {
  lib_.Mkdir("extra");
  auto dirs_of = [&](const std::string& search, bool verify = true) {
    auto data = WithSearch(search);
    EXPECT_EQ(PathIniComputeRealDirs(data.get(), verify, true, nullptr, finder_), Status::kOk);
    return data->SearchDirs;
  };
  const std::string& root = lib_.path();
  auto dirs = dirs_of("<SKIP><LDRAWDIR>\\P|<HIDE><LDRAWDIR>\\p|<HIDE><LDRAWDIR>/P");
  ASSERT_EQ(dirs.size(), 2u);
  EXPECT_EQ(dirs[0].Flags, 0x01);  // lower-case p: no automatic flag
  EXPECT_EQ(dirs[1].Flags, 0x09);

  dirs = dirs_of("<Mine><X y><LDRAWDIR>\\PARTS|<SHOW><DEFPART><DEFPRIM>" + root +
                 "/extra|<HIDE><unclosed" + root);
  ASSERT_EQ(dirs.size(), 2u);
  EXPECT_EQ(dirs[0].Flags, 0x04);
  EXPECT_EQ(*dirs[0].ExtraKeywords, "<Mine><X y>");
  EXPECT_EQ(dirs[1].Flags, 0x0C);
  EXPECT_EQ(dirs[1].Dir, root + "/extra/");

  // Quotes: text before the first one is dropped, the path ends at the next.
  dirs = dirs_of("<HIDE>junk\"<LDRAWDIR>\\P\"tail|\"" + root + "/extra\\\"");
  ASSERT_EQ(dirs.size(), 2u);
  EXPECT_EQ(dirs[0].Flags, 0x09);
  EXPECT_EQ(dirs[0].Dir, root + "/p/");
  EXPECT_EQ(dirs[1].Dir, root + "/extra//");  // separator always appended

  // Home directory: USERPROFILE, else HOME; neither leaves the entry out.
  env_.home().Mkdir("lego");
  dirs = dirs_of("<HOMEDIR>/lego||<MODELDIR>");
  ASSERT_EQ(dirs.size(), 2u);
  EXPECT_EQ(dirs[0].Dir, env_.home().path() + "/lego/");
  EXPECT_EQ(dirs[1].Dir, "");  // an empty entry is the current directory
  env_.Unset("HOME");
  dirs = dirs_of("<HOMEDIR>/lego");
  EXPECT_TRUE(dirs.empty());

  // Missing directories go only with verification.
  dirs = dirs_of("/no/such/dir|<LDRAWDIR>\\MODELS", false);
  ASSERT_EQ(dirs.size(), 2u);
  EXPECT_EQ(dirs[0].Dir, "/no/such/dir/");
  EXPECT_EQ(dirs[1].Dir, root + "/MODELS/");
  dirs = dirs_of("/no/such/dir|<LDRAWDIR>\\MODELS");
  ASSERT_EQ(dirs.size(), 1u);
  EXPECT_EQ(dirs[0].Dir, root + "/models/");
}

}  // namespace
