// Check runs (-check: one file, a directory tree, or all of P and PARTS) and
// the primitive coverage listing (-pp -check).
#ifndef R7P_DRIVER_CHECK_MODE_H_
#define R7P_DRIVER_CHECK_MODE_H_

#include <cstdio>
#include <functional>
#include <string>

class LibraryDirs;
class ModelLoader;
struct ReaderContext;
namespace platform {
class PathFinder;
}

/// One check run. Reads reader.switches (CheckMode, PrintPrimitives,
/// ModelPath) and reader.settings.DebugLevel.
class CheckRun {
 public:
  CheckRun(ReaderContext& reader, ModelLoader& loader,
           const LibraryDirs& library, platform::PathFinder& finder);

  /// Runs the coverage listing (PrintPrimitives), the check of ModelPath (a
  /// file or a directory tree) or of all of P then PARTS. Returns the exit
  /// status, always 0; the caller exits with it.
  int RunChecks();

  /// Calls `per_file` for every file below `dir`, depth first in the order
  /// the file system lists them, then writes "%d files in %s checked.\n"
  /// (files directly in `dir`, `dir` without trailing separator) on standard
  /// output and, when the message stream is another stream, there as well.
  /// An empty `dir` does nothing; an unreadable one counts 0 files. Paths
  /// longer than the host path limit are skipped with a message. A callback
  /// because the walk serves two visits (checking files, listing coverage).
  void WalkDirectory(const std::string& dir,
                     const std::function<void(const std::string&)>& per_file);

  /// Prints "'%s'\n", reads the file as a main model with line types 1..5,
  /// lists new file-table slots with -d ("Cache#%d %s\n"), then frees the
  /// lines of every file.
  void CheckFile(const std::string& path);

  /// One line "%-15s%s\n" for a file of P: its name relative to P and
  /// "  irrelevant", or "  R7P" and/or "  R7PPARTS"; counts it.
  void ListPrimitiveCoverage(const std::string& path);

  /// Quiet readings of files found beside the checked file are played back
  /// instead of parsed again (see ModelLoader::RememberQuietReads). Without
  /// it every reading parses the bytes: the same output, more slowly.
  bool replay_quiet_reads = true;

  int PrimitivesTotal = 0;
  int PrimitivesCovered = 0;
  int PrefixLength = 0;
  int LastCacheListed = 0;

 private:
  FILE* Out() const;
  std::string LibrarySubdir(const char* name);

  ReaderContext& reader_;
  ModelLoader& loader_;
  const LibraryDirs& library_;
  platform::PathFinder& finder_;
};

#endif  // R7P_DRIVER_CHECK_MODE_H_
