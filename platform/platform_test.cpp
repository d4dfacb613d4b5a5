#include "platform/path_finder.h"
#include "platform/platform.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

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
  // Directories are read once: a file added later is not seen by this
  // finder, however it is spelt, but a new one finds it.
  EXPECT_FALSE(finder.Find(root + "/parts/s/late.dat").has_value());
  lib.Write("Parts/S/late.dat", "0 late\n");
  EXPECT_FALSE(finder.Find(root + "/PARTS/S/late.dat").has_value());
  EXPECT_FALSE(finder.Find(root + "/Parts/S/late.dat").has_value());
  platform::PathFinder fresh;
  EXPECT_EQ(fresh.Find(root + "/PARTS/S/late.dat").value_or(""),
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
  // Nor is the exact name: the listing answers for it too.
  EXPECT_FALSE(finder.Find(lib.path() + "/Models/Boat.ldr").has_value());
  finder = platform::PathFinder();
  EXPECT_TRUE(finder.Find(lib.path() + "/models/boat.ldr").has_value());
}

// The lookup as it is done without listings held: each component is first
// asked for as spelt, then matched in a fresh listing of its directory.
std::optional<std::string> SlowFind(const std::string& path) {
  if (path.empty() || path.size() > platform::kMaxHostPath) return std::nullopt;
  if (platform::Exists(path)) return path;
  auto join = [](const std::string& dir, const std::string& name) {
    if (dir.empty()) return name;
    return dir.back() == '/' ? dir + name : dir + "/" + name;
  };
  auto fold = [](std::string text) {
    for (char& c : text)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
  };
  std::string found = path[0] == '/' ? "/" : "";
  size_t start = 0;
  while (start < path.size()) {
    size_t slash = path.find('/', start);
    if (slash == std::string::npos) slash = path.size();
    const std::string part = path.substr(start, slash - start);
    start = slash + 1;
    if (part.empty()) continue;
    const std::string exact = join(found, part);
    if (part == "." || part == ".." || platform::Exists(exact)) {
      found = exact;
      continue;
    }
    auto names = platform::ListDirectory(found.empty() ? "." : found);
    if (!names) return std::nullopt;
    const std::string* match = nullptr;
    for (const std::string& name : *names) {
      if (fold(name) == fold(part)) {
        match = &name;
        break;
      }
    }
    if (match == nullptr) return std::nullopt;
    found = join(found, *match);
  }
  if (path.back() == '/' && found.back() != '/') found += '/';
  if (!platform::Exists(found)) return std::nullopt;
  return found;
}

// Case variants, links, dots and files where directories are expected.
void WriteAwkwardTree(const testing_support::TempDir& lib) {
  namespace fs = std::filesystem;
  const std::string& root = lib.path();
  lib.Write("Parts/S/3001S01.Dat", "0 sub\n");
  lib.Write("Parts/3001.dat", "0 lower\n");
  lib.Write("Parts/3001.DAT", "0 upper\n");
  lib.Write("parts/3002.dat", "0 other folder of the same name\n");
  lib.Write("P/48/4-4Cyli.dat", "0 cylinder\n");
  lib.Write("p", "0 a file named like the folder P\n");
  lib.Write("a.b.dat", "0 dots\n");
  lib.Write("..hidden", "0 leading dots\n");
  lib.Write("...", "0 only dots\n");
  lib.Write("\xC3\x84.dat", "0 not ASCII\n");
  lib.Mkdir("Empty");
  fs::create_symlink(root + "/Parts/3001.dat", root + "/LinkFile.dat");
  fs::create_directory_symlink(root + "/Parts", root + "/LinkDir");
  // Dangling links beside files spelt alike, made in both orders as
  // listings may follow the order of creation.
  fs::create_symlink(root + "/nowhere", root + "/Dangling");
  lib.Write("dangling", "0 a file spelt like a dangling link\n");
  lib.Write("stale", "0 a file spelt like a dangling link\n");
  fs::create_symlink(root + "/nowhere", root + "/Stale");
  fs::create_symlink("Loop", root + "/Loop");
}

// Spellings of `relative` a lookup may meet: other cases, doubled or
// trailing separators, steps in place and up, missing continuations.
std::vector<std::string> Spellings(const std::string& relative) {
  std::string lower = relative, upper = relative, swapped = relative;
  for (char& c : lower) c = static_cast<char>(tolower(c));
  for (char& c : upper) c = static_cast<char>(toupper(c));
  for (char& c : swapped) c = static_cast<char>(islower(c) ? toupper(c) : tolower(c));
  std::vector<std::string> all = {relative, lower, upper, swapped};
  for (size_t slash : {relative.find('/'), relative.rfind('/')}) {
    if (slash == std::string::npos) break;
    for (const std::string& cased : {relative, upper, swapped}) {
      const std::string head = cased.substr(0, slash);
      const std::string tail = cased.substr(slash + 1);
      all.push_back(head + "//" + tail);
      all.push_back(head + "/./" + tail);
      all.push_back(head + "/../" + cased);
    }
  }
  for (size_t i = 0, n = all.size(); i < n; ++i) {
    all.push_back(all[i] + "/");
    all.push_back(all[i] + "/x.dat");
    all.push_back(all[i] + "/.");
    all.push_back(all[i] + "/..");
    all.push_back("./" + all[i]);
  }
  return all;
}

// Every entry of the tree below `dir`, as paths relative to it.
std::vector<std::string> EntriesBelow(const std::string& dir,
                                      const std::string& prefix = "") {
  std::vector<std::string> found;
  for (const std::string& name :
       platform::ListDirectory(dir).value_or(std::vector<std::string>())) {
    found.push_back(prefix + name);
    const std::string path = dir + "/" + name;
    if (platform::IsDirectory(path) && name.rfind("Link", 0) != 0) {
      for (const std::string& below : EntriesBelow(path, prefix + name + "/"))
        found.push_back(below);
    }
  }
  return found;
}

// Changes the working directory for the life of the object.
class ScopedWorkingDirectory {
 public:
  explicit ScopedWorkingDirectory(const std::string& dir)
      : saved_(std::filesystem::current_path()) {
    std::filesystem::current_path(dir);
  }
  ~ScopedWorkingDirectory() { std::filesystem::current_path(saved_); }

 private:
  std::filesystem::path saved_;
};

// Compares the finder with the slow lookup on every query, absolute and
// relative to the working directory: first each with a finder of its own
// (nothing known yet), then all with one finder, twice (the second time
// from the listings it holds).
void ExpectSameAsSlowLookup(const std::string& root,
                            const std::vector<std::string>& queries) {
  platform::PathFinder shared;
  for (int round = 0; round < 3; ++round) {
    for (const std::string& relative : queries) {
      for (const std::string& path : {root + "/" + relative, relative}) {
        platform::PathFinder own_find, own_open;
        const std::optional<std::string> expected = SlowFind(path);
        EXPECT_EQ((round == 0 ? own_find : shared).Find(path), expected) << path;
        std::string opened;
        FILE* file = (round == 0 ? own_open : shared).Open(path, &opened);
        const bool openable = expected && !platform::IsDirectory(*expected);
        EXPECT_EQ(file != nullptr, openable) << path;
        if (file == nullptr) continue;
        fclose(file);
        EXPECT_EQ(opened, *expected) << path;
      }
    }
  }
}

TEST(Platform, PathFinderAnswersAsTheSlowLookup) {
  testing_support::TempDir lib;
  WriteAwkwardTree(lib);
  std::vector<std::string> queries;
  for (const std::string& entry : EntriesBelow(lib.path()))
    for (const std::string& spelling : Spellings(entry))
      queries.push_back(spelling);
  for (const char* extra : {"", ".", "..", "/", "nothing", "parts/S/3001s01.dat",
                            "PARTS/s/3001S01.DAT", "P/48/../48/4-4cyli.DAT",
                            "p/48/4-4cyli.dat", "Loop/x", "dangling/x"})
    queries.push_back(extra);
  ScopedWorkingDirectory here(lib.path());
  ExpectSameAsSlowLookup(lib.path(), queries);
}

TEST(Platform, PathFinderPrefersTheExactSpellingAndFollowsLinks) {
  testing_support::TempDir lib;
  WriteAwkwardTree(lib);
  const std::string& root = lib.path();
  platform::PathFinder finder;
  // Two files differing in case: the one spelt as asked, else either.
  EXPECT_EQ(finder.Find(root + "/Parts/3001.DAT").value_or(""), root + "/Parts/3001.DAT");
  EXPECT_EQ(finder.Find(root + "/Parts/3001.dat").value_or(""), root + "/Parts/3001.dat");
  const std::string either = finder.Find(root + "/Parts/3001.Dat").value_or("");
  EXPECT_TRUE(either == root + "/Parts/3001.dat" || either == root + "/Parts/3001.DAT")
      << either;
  // "parts" exists as spelt, so nothing is looked for in "Parts".
  EXPECT_FALSE(finder.Find(root + "/parts/S/3001S01.Dat").has_value());
  EXPECT_FALSE(finder.Find(root + "/parts/3001.dat").has_value());
  EXPECT_EQ(finder.Find(root + "/Parts/s/3001s01.dat").value_or(""),
            root + "/Parts/S/3001S01.Dat");
  // Links count as what they point at.
  std::string found;
  FILE* file = finder.Open(root + "/linkfile.DAT", &found);
  ASSERT_NE(file, nullptr);
  fclose(file);
  EXPECT_EQ(found, root + "/LinkFile.dat");
  EXPECT_EQ(finder.Open(root + "/LinkDir"), nullptr);
  EXPECT_EQ(finder.Find(root + "/linkdir/s/3001S01.DAT").value_or(""),
            root + "/LinkDir/S/3001S01.Dat");
  // A dangling link is not there; another spelling of it may be.
  EXPECT_EQ(finder.Find(root + "/Dangling/").value_or(""), "");
  EXPECT_FALSE(finder.Find(root + "/Loop").has_value());
  // Only ASCII letters are matched without regard to case.
  EXPECT_TRUE(finder.Find(root + "/\xC3\x84.DAT").has_value());
  EXPECT_FALSE(finder.Find(root + "/\xC3\xA4.dat").has_value());
  // Names made of dots are names like any other.
  EXPECT_EQ(finder.Find(root + "/..HIDDEN").value_or(""), root + "/..hidden");
  EXPECT_EQ(finder.Find(root + "/...").value_or(""), root + "/...");
  EXPECT_EQ(finder.Find(root + "/A.B.DAT").value_or(""), root + "/a.b.dat");
  EXPECT_EQ(finder.Find(root + "/Empty/..").value_or(""), root + "/Empty/..");
  // Missing directories, and files taken for directories.
  EXPECT_FALSE(finder.Find(root + "/none/3001.dat").has_value());
  EXPECT_FALSE(finder.Find(root + "/none/").has_value());
  EXPECT_FALSE(finder.Find(root + "/a.b.dat/x").has_value());
  EXPECT_FALSE(finder.Find(root + "/a.b.dat/").has_value());
  EXPECT_EQ(finder.Open(root + "/Empty/.."), nullptr);
}

// Keeps this process from opening any further file for the life of the
// object, so that no directory can be listed.
class NoFreeDescriptors {
 public:
  NoFreeDescriptors() {
    getrlimit(RLIMIT_NOFILE, &saved_);
    const int lowest_free = dup(0);
    if (lowest_free >= 0) close(lowest_free);
    struct rlimit none = saved_;
    none.rlim_cur = static_cast<rlim_t>(lowest_free < 0 ? 0 : lowest_free);
    setrlimit(RLIMIT_NOFILE, &none);
  }
  ~NoFreeDescriptors() { setrlimit(RLIMIT_NOFILE, &saved_); }

 private:
  struct rlimit saved_;
};

TEST(Platform, PathFinderAsksTheDiskWhereItCannotList) {
  testing_support::TempDir lib;
  WriteAwkwardTree(lib);
  const std::string& root = lib.path();
  std::vector<std::string> queries = {"Parts/3001.dat", "Parts/3001.DAT",
                                      "LinkFile.dat", "Dangling", "Parts/",
                                      "a.b.dat", "none/x.dat", "Parts/S/3001S01.Dat",
                                      "Parts/./S/../3001.dat"};
  platform::PathFinder finder;
  {
    NoFreeDescriptors closed;
    ASSERT_FALSE(platform::ListDirectory(root).has_value());
    for (const std::string& relative : queries)
      EXPECT_EQ(finder.Find(root + "/" + relative), SlowFind(root + "/" + relative))
          << relative;
    // Other spellings need a listing: none is found.
    EXPECT_FALSE(finder.Find(root + "/parts/3001.dat").has_value());
  }
  // A directory that could not be listed stays so for this finder; names
  // spelt as on disk are still found in it.
  EXPECT_FALSE(finder.Find(root + "/a.B.dat").has_value());
  EXPECT_EQ(finder.Find(root + "/Parts/3001.dat").value_or(""), root + "/Parts/3001.dat");
  EXPECT_EQ(platform::PathFinder().Find(root + "/a.B.dat").value_or(""),
            root + "/a.b.dat");
  if (geteuid() == 0) return;  // permissions do not hold for the superuser
  // A folder whose names cannot be read, and one whose entries cannot be
  // reached, behave as with the slow lookup.
  lib.Write("Locked/Brick.dat", "0 brick\n");
  lib.Write("Blind/Brick.dat", "0 brick\n");
  std::filesystem::permissions(root + "/Locked", std::filesystem::perms::owner_exec);
  std::filesystem::permissions(root + "/Blind", std::filesystem::perms::owner_read);
  platform::PathFinder fresh;
  for (const char* relative : {"Locked/Brick.dat", "Locked/brick.dat",
                               "Blind/Brick.dat", "Blind/brick.dat"})
    EXPECT_EQ(fresh.Find(root + "/" + relative), SlowFind(root + "/" + relative))
        << relative;
  std::filesystem::permissions(root + "/Locked", std::filesystem::perms::owner_all);
  std::filesystem::permissions(root + "/Blind", std::filesystem::perms::owner_all);
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
