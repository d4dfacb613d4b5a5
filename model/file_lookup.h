// The order in which an LDraw file named in a model is looked for on disk.
// The resolver and the read-ahead thread both search through this one
// function, so that the thread finds every file where the resolver would.
#ifndef R7P_MODEL_FILE_LOOKUP_H_
#define R7P_MODEL_FILE_LOOKUP_H_

#include <cstddef>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "searchdirs/path_ini.h"

/// The directory index LookUpFile gives for the current directory.
inline constexpr size_t kCurrentDirectory = static_cast<size_t>(-1);

/// True when `name` ends in ".ldr", ".dat" or ".mpd" (any case) after at
/// least one more character.
bool HasModelExtension(const std::string& name);

/// The file names tried for `name` in one directory, in order: the bare
/// name, then with `try_extensions` (unless the name ends in a model
/// extension already) ".ldr", ".dat", ".mpd".
size_t ExtensionsTried(const std::string& name, bool try_extensions);
/// The extension of the i-th name ExtensionsTried counts ("" for the first).
const char* TriedExtension(size_t i);

/// Looks for `name` in `directory` (a host path ending in '/' or empty for
/// the current directory): directory + the name with '\' taken as '/', with
/// the extensions of ExtensionsTried. `open(path)` tries one path and
/// returns true when the file is found there. With `trace` (-v) every
/// extension tried is written to it, then " GOT IT!\n" or "\n".
template <class Open>
bool LookInDirectory(const std::string& name, const std::string& directory,
                     bool try_extensions, FILE* trace, Open&& open) {
  const size_t candidates = ExtensionsTried(name, try_extensions);
  const std::string base = directory + platform::HostPathOfName(name);
  for (size_t i = 0; i < candidates; ++i) {
    if (trace != nullptr) fprintf(trace, " '%s'", TriedExtension(i));
    if (open(base + TriedExtension(i))) {
      if (trace != nullptr) fprintf(trace, " GOT IT!\n");
      return true;
    }
  }
  if (trace != nullptr) fprintf(trace, "\n");
  return false;
}

/// Looks `name` up as every file a model names is looked up: with
/// `cur_dir_first` in the current directory first, with the extensions
/// tried; then in each of `dirs` in order, with the extensions tried only
/// with `cur_dir_first`. `open(path)` is as for LookInDirectory. With
/// `trace` (-v) each directory is announced ("Trying cur dir '%s'",
/// "Trying SearchDirs[%d] %02x '%s' '%s'" with the flags the file would get
/// there: 0x10 added with `cur_dir_first`, as the main model found in a
/// search directory belongs to the model, not to the library). Returns the index in `dirs` of
/// the directory the file was found in, kCurrentDirectory for the current
/// directory, or nothing.
template <class Open>
std::optional<size_t> LookUpFile(const std::vector<SearchDir>& dirs,
                                 const std::string& name, bool cur_dir_first,
                                 FILE* trace, Open&& open) {
  if (cur_dir_first) {
    if (trace != nullptr) fprintf(trace, "Trying cur dir '%s'", name.c_str());
    if (LookInDirectory(name, "", true, trace, open)) return kCurrentDirectory;
  }
  for (size_t i = 0; i < dirs.size(); ++i) {
    const SearchDir& dir = dirs[i];
    if (trace != nullptr)
      fprintf(trace, "Trying SearchDirs[%d] %02x '%s' '%s'",
              static_cast<int>(i),
              static_cast<unsigned>(dir.Flags | (cur_dir_first ? kSearchDirModel : 0)),
              dir.Dir.c_str(), name.c_str());
    if (LookInDirectory(name, dir.Dir, cur_dir_first, trace, open)) return i;
  }
  return std::nullopt;
}

#endif  // R7P_MODEL_FILE_LOOKUP_H_
