// Where the resolver's files come from. The resolver asks for the file a
// model names and gets where it was found and its lines; how they were had
// -- searched on the disk or remembered from an earlier search, read by the
// read-ahead thread and prescanned, parsed from a stream, or a silent
// reading of the same bytes played back -- is decided here alone.
#ifndef R7P_MODEL_FILE_SOURCE_H_
#define R7P_MODEL_FILE_SOURCE_H_

#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/status.h"
#include "model/dat_file.h"
#include "model/read_ahead.h"
#include "searchdirs/path_ini.h"

class LibraryDirs;
class QuietReads;
struct ReaderContext;
namespace platform {
class PathFinder;
}

class FileSource {
 public:
  /// The sources a run may use besides the disk.
  struct Options {
    /// A conversion reads library files ahead of the resolver on a second
    /// thread (never in check mode, nor with -v, where every lookup is
    /// shown as it is made). What is read, written and reported is the same
    /// either way.
    bool read_ahead = true;
    /// A file found beside the model whose reading said nothing is not
    /// parsed again when a later model of the run reads it: its lines are
    /// played back (see QuietReads). Needs a finder that keeps the bytes of
    /// the files it opens.
    bool quiet_reads = false;
  };

  /// A file found, not read yet. Closes what it holds unless it was read.
  class Found {
   public:
    Found() = default;
    Found(Found&& other) noexcept;
    Found& operator=(Found&& other) noexcept;
    ~Found();

    explicit operator bool() const {
      return stream_ != nullptr || ahead_ != nullptr;
    }
    /// The flags of the search directory it was found in.
    int dir_flags() const { return dir_flags_; }

   private:
    friend class FileSource;
    FILE* stream_ = nullptr;
    std::unique_ptr<ReadAhead::File> ahead_;
    int dir_flags_ = 0;
    std::string path_;  // as found on disk
  };

  FileSource(ReaderContext& reader, LibraryDirs& library,
             platform::PathFinder& finder);
  ~FileSource();
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;

  const Options& options() const { return options_; }
  /// Takes effect from the next model on.
  void set_options(const Options& options);

  /// Files are looked for for the model at `path` from now on: the search
  /// directories are computed for its folder. kFailed without a library
  /// record or when they cannot be computed.
  Status StartModel(const std::string& path);
  /// The walk over the current model begins: the read-ahead starts, if it
  /// is to. `never_read` tells the names the walk finishes without reading
  /// them; it is called on the reading thread.
  void BeginWalk(std::function<bool(const std::string& name)> never_read);
  /// The walk is over: the read-ahead stops. Its thread may still be
  /// freeing its memory; it is waited for at the next walk or at the end.
  void EndWalk();

  /// The main model, as StartModel named it, opened from the model folder.
  Found FindModel();
  /// The library file `name` (a normalised LDraw name), searched in the
  /// search directories.
  Found FindLibraryFile(const std::string& name);
  /// Reads `found` into `file` (see ReadDatFile); `file`'s flags, as they
  /// are now, are those a reading begins with.
  Status Read(Found found, const char* referenced_by, DatFile& file,
              bool is_main);

  /// Opens `name` ("rb"): with `cur_dir_first` in the current directory
  /// first (flags 0x10) and with the extensions tried, then in each search
  /// directory in order (extensions only with `cur_dir_first`); see
  /// LookUpFile. `dir_flags` (may be null) gets the flags of the directory
  /// used. With -v writes what is tried. Null when not found.
  FILE* OpenLibraryFile(const std::string& name, bool cur_dir_first,
                        int* dir_flags);
  /// Opens directory + name (see LookInDirectory), with -v writing what is
  /// tried.
  FILE* OpenWithExtensions(const std::string& name,
                           const std::string& directory, bool try_extensions);

  /// The path of the last file tried (as found on disk after a success).
  const std::string& LastOpenedPath() const { return last_path_; }
  /// Readings played back instead of parsed so far.
  size_t QuietReplays() const;

 private:
  struct DirsMemo;
  struct CachedLookup {
    std::string path;  // empty = not found
    int flags = 0;
  };

  bool ComputeSearchDirs(const std::string& path);
  /// Opens `path` into `*stream`; last_path_ becomes the path tried, or the
  /// file as found on disk.
  bool OpenAt(const std::string& path, FILE** stream);
  std::unique_ptr<ReadAhead::File> TakeReadAhead(const std::string& name,
                                                 int* dir_flags);
  /// Empties the lookup cache when the search list changed.
  void RefreshLookupCache();
  std::string SearchSignature() const;

  ReaderContext& reader_;
  LibraryDirs& library_;
  platform::PathFinder& finder_;
  Options options_;
  std::string model_path_;
  std::string last_path_;
  // Library lookups of the current search list: a name is searched on the
  // disk once while the list stays the same.
  std::string cache_signature_;
  std::map<std::string, CachedLookup> lookup_cache_;
  // The inputs and the result of the last search-directory computation.
  std::unique_ptr<DirsMemo> dirs_memo_;
  // Readings of files found beside the model (Options::quiet_reads).
  std::unique_ptr<QuietReads> quiet_reads_;
  std::unique_ptr<ReadAhead> read_ahead_;          // while a walk runs
  std::unique_ptr<ReadAhead> stopped_read_ahead_;  // the last one, stopped
};

#endif  // R7P_MODEL_FILE_SOURCE_H_
