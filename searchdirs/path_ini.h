// Where the LDraw library lives and in which directories, in which order and
// with which attributes referenced files are looked for. Values come from an
// explicit argument, the environment, an LDraw.ini file or built-in defaults;
// each carries a text naming its source. Writes no messages.
#ifndef R7P_SEARCHDIRS_PATH_INI_H_
#define R7P_SEARCHDIRS_PATH_INI_H_

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/status.h"

namespace platform {
class PathFinder;
}

/// Bits of SearchDir::Flags.
inline constexpr int kSearchDirHide = 0x01;     // <HIDE>: recorded only
inline constexpr int kSearchDirSkip = 0x02;     // <SKIP>: entry dropped
inline constexpr int kSearchDirDefPart = 0x04;  // <DEFPART> or <LDRAWDIR>/PARTS
inline constexpr int kSearchDirDefPrim = 0x08;  // <DEFPRIM> or <LDRAWDIR>/P
inline constexpr int kSearchDirModel = 0x10;    // based on <MODELDIR>

/// Results of PathIniGet (through its `status`).
inline constexpr int kPathIniOk = 0;
inline constexpr int kPathIniFailed = 1;    // record or search list not built
inline constexpr int kPathIniNotFound = 2;  // no LDraw directory anywhere

/// Numbered search sources (LDRAWSEARCHnn, ini keys "1".."99") stop here.
inline constexpr int kMaxNumberedSearchDirs = 99;
/// An LDraw.ini line is read in pieces of at most this many characters.
inline constexpr size_t kIniLinePiece = 399;

/// One resolved search directory.
struct SearchDir {
  int Flags = 0;
  /// Unknown "<...>" keywords that preceded the path, brackets kept, in order.
  std::optional<std::string> ExtraKeywords;
  /// Host path; empty = current directory. With trailing separators on, a
  /// non-empty Dir ends in '/'.
  std::string Dir;
};

/// The library root and the search list of the run.
struct PathIniData {
  std::string LDrawDir;
  std::string LDrawDirSource;
  int nSearchDirs = 0;
  std::vector<SearchDir> SearchDirs;  // rebuilt by PathIniComputeRealDirs
  std::string SearchDirsSource;
  std::optional<std::string> ModelDir;  // set by PathIniComputeRealDirs
  std::vector<std::string> RawSearchDirs;  // exactly as configured
};

/// Finds LDrawDir (argument `ldraw_dir` with `ldraw_dir_source` or
/// "PathIniGet argument"; LDRAWDIR; LDraw.ini [LDraw] BaseDirectory;
/// $HOME/ldraw then /usr/share/ldraw when they hold P and PARTS) and the raw
/// search list (LDRAWSEARCH split at '|'; LDRAWSEARCH01..99; LDraw.ini
/// [LDrawSearch] 1..99; the built-in list). Backslashes of LDrawDir become
/// '/'. Returns the record with SearchDirs empty and ModelDir absent, or
/// null; `status` (may be null) gets kPathIniOk, kPathIniFailed or
/// kPathIniNotFound.
std::unique_ptr<PathIniData> PathIniGet(const char* ldraw_dir,
                                        const char* ldraw_dir_source,
                                        int* status,
                                        platform::PathFinder& finder);

/// Replaces SearchDirs and ModelDir: every raw entry is parsed (keywords,
/// quotes, base directory), <SKIP> entries and unresolvable ones (no model
/// path, no home directory) are left out, and with `verify` those naming no
/// existing directory too (a kept entry then holds the directory as found
/// on disk). With `trailing_separator` each non-empty Dir gets a '/'
/// appended. `model_path` may be null. kFailed (nothing reported) when `data` is null,
/// LDrawDir is empty, the raw list is empty or an entry cannot be parsed.
Status PathIniComputeRealDirs(PathIniData* data, bool verify,
                           bool trailing_separator, const char* model_path,
                           platform::PathFinder& finder);

/// Looks `key` up in section `section` of LDraw.ini. With `ini_path` given
/// and not empty only that file is read; given and empty, the standard
/// places are tried (LDRAWINI; home directory, ALLUSERSPROFILE, LDrawDir
/// (when `data` holds one) and windir or /etc, each + "/LDraw.ini") and it
/// receives the path of the file that had the key, or is emptied; null, a
/// private buffer is used. `value` gets at most value_size - 1 characters,
/// trailing blanks, tabs, line ends and Ctrl-Z removed. Candidate paths are
/// at most ini_path_size - 1 characters. True when the key was found.
bool PathIniGetIniValue(const PathIniData* data, const char* section,
                        const char* key, std::string* value, size_t value_size,
                        std::string* ini_path, size_t ini_path_size,
                        platform::PathFinder& finder);

/// Releases every SearchDir; nSearchDirs becomes 0.
void PathIniFreeRealDirs(PathIniData* data);

#endif  // R7P_SEARCHDIRS_PATH_INI_H_
