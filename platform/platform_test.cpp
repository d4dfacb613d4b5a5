#include "platform/platform.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "tests/test_support.h"

namespace {

// Sets an environment variable for the life of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = getenv(name)) old_ = old;
    if (value != nullptr) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(Platform, PathFinderIgnoresCaseOfMissingComponents) {
  testing_support::TempDir lib;
  lib.Write("Parts/S/3001S01.Dat", "0 sub\n");
  lib.Write("LDConfig.ldr", "0 colours\n");
  lib.Mkdir("P");
  platform::PathFinder finder;
  const std::string& root = lib.path();
  EXPECT_EQ(finder.Find(root + "/parts/s/3001s01.dat").value_or(""),
            root + "/Parts/S/3001S01.Dat");
  EXPECT_EQ(finder.Find(root + "/ldconfig.ldr").value_or(""), root + "/LDConfig.ldr");
  EXPECT_EQ(finder.Find(root + "/LDConfig.ldr").value_or(""), root + "/LDConfig.ldr");
  EXPECT_EQ(finder.Find(root + "/p/").value_or(""), root + "/P/");
  EXPECT_FALSE(finder.Find(root + "/parts/s/missing.dat").has_value());
  EXPECT_FALSE(finder.Find(root + "/nowhere/x.dat").has_value());
  EXPECT_FALSE(finder.Find("").has_value());
  EXPECT_FALSE(finder.Find(std::string(5000, 'a')).has_value());

  std::string found;
  FILE* file = finder.Open(root + "/PARTS/s/3001s01.DAT", &found);
  ASSERT_NE(file, nullptr);
  fclose(file);
  EXPECT_EQ(found, root + "/Parts/S/3001S01.Dat");
  EXPECT_EQ(finder.Open(root + "/parts"), nullptr);  // a directory is no file
  EXPECT_EQ(finder.Open(root + "/P"), nullptr);
  EXPECT_EQ(finder.Open(root + "/parts/s/missing.dat"), nullptr);
  EXPECT_EQ(finder.Open(root + "/LDConfig.ldr/x"), nullptr);
  EXPECT_EQ(finder.Open(""), nullptr);
  file = finder.Open(root + "/LDConfig.ldr", &found);
  ASSERT_NE(file, nullptr);
  fclose(file);
  EXPECT_EQ(found, root + "/LDConfig.ldr");
  // Directories met on the way are remembered; the file itself is looked
  // up again each time.
  EXPECT_FALSE(finder.Find(root + "/parts/s/late.dat").has_value());
  lib.Write("Parts/S/late.dat", "0 late\n");
  EXPECT_EQ(finder.Find(root + "/PARTS/S/late.dat").value_or(""),
            root + "/Parts/S/late.dat");
}

TEST(Platform, PathFinderCachesListings) {
  testing_support::TempDir lib;
  lib.Write("Models/Car.ldr", "0 car\n");
  platform::PathFinder finder;
  EXPECT_TRUE(finder.Find(lib.path() + "/models/car.ldr").has_value());
  // A file added afterwards is not in the cached listing of Models.
  lib.Write("Models/Boat.ldr", "0 boat\n");
  EXPECT_FALSE(finder.Find(lib.path() + "/models/boat.ldr").has_value());
  // The exact name is still found at once.
  EXPECT_TRUE(finder.Find(lib.path() + "/Models/Boat.ldr").has_value());
}

TEST(Platform, FileStatus) {
  testing_support::TempDir dir;
  std::string file = dir.Write("a.txt", "x");
  EXPECT_TRUE(platform::Exists(file));
  EXPECT_TRUE(platform::IsRegularFile(file));
  EXPECT_FALSE(platform::IsDirectory(file));
  EXPECT_TRUE(platform::IsDirectory(dir.path()));
  EXPECT_TRUE(platform::IsReadable(file));
  EXPECT_FALSE(platform::Exists(dir.path() + "/b.txt"));
  EXPECT_FALSE(platform::IsReadable(dir.path() + "/b.txt"));
  auto names = platform::ListDirectory(dir.path());
  ASSERT_TRUE(names.has_value());
  EXPECT_EQ(*names, std::vector<std::string>{"a.txt"});
  EXPECT_FALSE(platform::ListDirectory(dir.path() + "/none").has_value());
}

TEST(Platform, Environment) {
  ScopedEnv profile("USERPROFILE", nullptr);
  ScopedEnv home("HOME", "/home/builder");
  EXPECT_EQ(platform::HomeDir().value_or(""), "/home/builder");
  ScopedEnv profile2("USERPROFILE", "/profiles/me");
  EXPECT_EQ(platform::HomeDir().value_or(""), "/profiles/me");
  ScopedEnv unset("R7P_TEST_UNSET_VARIABLE", nullptr);
  EXPECT_FALSE(platform::GetEnv("R7P_TEST_UNSET_VARIABLE").has_value());
}

TEST(Platform, SceneDateUsesSourceDateEpochInUtc) {
  {
    ScopedEnv epoch("SOURCE_DATE_EPOCH", "1796582587");
    EXPECT_EQ(platform::SceneDate(), "Sun Dec 06 18:43:07 2026");
  }
  {
    ScopedEnv epoch("SOURCE_DATE_EPOCH", "0");
    EXPECT_EQ(platform::SceneDate(), "Thu Jan 01 00:00:00 1970");
  }
  ScopedEnv none("SOURCE_DATE_EPOCH", nullptr);
  std::string now = platform::SceneDate();
  EXPECT_EQ(now.size(), 24u);
  EXPECT_EQ(now[3], ' ');
  EXPECT_EQ(now[13], ':');
}

TEST(Platform, OnPath) {
  ScopedEnv path("PATH", "/usr/bin:/bin");
  EXPECT_TRUE(platform::OnPath("sh"));
  EXPECT_FALSE(platform::OnPath("r7p-no-such-program"));
  EXPECT_FALSE(platform::OnPath(""));
  EXPECT_TRUE(platform::OnPath("/bin/sh"));
}

TEST(Platform, NoTerminalInTests) {
  // The suite runs with standard input redirected; the key wait must then
  // return at once.
  if (platform::InteractiveTerminal()) GTEST_SKIP() << "run from a terminal";
  platform::WaitForKey();
  SUCCEED();
}

TEST(Platform, LaunchDetachedDoesNotWait) {
  testing_support::TempDir dir;
  std::string marker = dir.path() + "/touched";
  platform::LaunchDetached("touch", marker);
  // The launch returns without waiting; the child may still be running, so
  // only the absence of a crash and of a zombie child is checked here.
  int status = 0;
  EXPECT_EQ(waitpid(-1, &status, WNOHANG), -1);  // no child left to reap
}

}  // namespace
