// A clean environment for tests of library lookup: the LDraw variables are
// unset, HOME and windir point at empty temporary folders, so nothing of the
// machine's own configuration leaks in. Everything is restored afterwards.
#ifndef R7P_TESTS_LIBRARY_ENV_H_
#define R7P_TESTS_LIBRARY_ENV_H_

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tests/test_support.h"

namespace testing_support {

class LibraryEnv {
 public:
  LibraryEnv() {
    for (const char* name :
         {"LDRAWDIR", "LDRAWINI", "LDRAWSEARCH", "LDRAWSEARCH01",
          "LDRAWSEARCH02", "LDRAWSEARCH03", "LDRAWSEARCH04", "LGEODIR",
          "USERPROFILE", "ALLUSERSPROFILE", "HOME", "windir"}) {
      Unset(name);
    }
    Set("HOME", home_.path());
    Set("windir", windir_.path());
  }
  ~LibraryEnv() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
      if (it->second)
        setenv(it->first.c_str(), it->second->c_str(), 1);
      else
        unsetenv(it->first.c_str());
    }
  }
  LibraryEnv(const LibraryEnv&) = delete;
  LibraryEnv& operator=(const LibraryEnv&) = delete;

  void Set(const std::string& name, const std::string& value) {
    Save(name);
    setenv(name.c_str(), value.c_str(), 1);
  }
  void Unset(const std::string& name) {
    Save(name);
    unsetenv(name.c_str());
  }
  const TempDir& home() const { return home_; }
  const TempDir& windir() const { return windir_; }

 private:
  void Save(const std::string& name) {
    const char* value = getenv(name.c_str());
    saved_.emplace_back(name, value ? std::optional<std::string>(value)
                                    : std::nullopt);
  }

  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
  TempDir home_;
  TempDir windir_;
};

}  // namespace testing_support

#endif  // R7P_TESTS_LIBRARY_ENV_H_
