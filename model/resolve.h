// Turns a model file into a resolved model: finds every referenced file in
// the search directories, reads each once, completes counts, flags and
// bounding boxes, and hands each finished file to the scene writer in
// post-order (every declaration before its first use, the main model last).
#ifndef R7P_MODEL_RESOLVE_H_
#define R7P_MODEL_RESOLVE_H_

#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/path_finder.h"
#include "base/status.h"
#include "geometry/vector.h"
#include "model/dat_file.h"
#include "model/read_ahead.h"

class LibraryDirs;
class QuietReads;
struct ReaderContext;
namespace platform {
class PathFinder;
}

/// Results of ResolveFile.
enum class [[nodiscard]] ResolveResult {
  kResolved,
  kNotResolved,  // not found, or not read to its end
  kRecursion,    // the whole walk is abandoned
};

/// Calls into the scene writer and the substitution tables. Every member may
/// be left empty: it then does nothing / answers "no".
struct ResolveHooks {
  /// The scene writer's WriteDeclaration(SceneFile, file, is_main); it sets
  /// file.writeMark when it has written the declaration.
  std::function<void(DatFile& file, bool is_main)> write_declaration;
  /// The camera's CameraAddPoint: a point of the main model's extent.
  std::function<void(const Vector& point)> camera_add_point;
  /// FindPovEquivalent: the box of the POV-Ray equivalent of a normalised
  /// name, or nullopt when it has none. A conversion also calls it on its
  /// read-ahead thread, so it must not depend on anything a load changes.
  std::function<std::optional<BBox>(const std::string& name)>
      pov_equivalent_box;
  /// FindLgeoElement(name, wanted set 0) finds an element.
  std::function<bool(const std::string& name)> has_lgeo_element;
  /// OpenPovPartsFile can open the R7PPARTS include file of `name`.
  std::function<bool(const std::string& name)> has_prepared_part;
};

/// Locates and reads the files of one main model after another. One per run;
/// it keeps the remembered model path, the last opened path and a cache of
/// library lookups.
class ModelLoader {
 public:
  ModelLoader(ReaderContext& reader, LibraryDirs& library,
              platform::PathFinder& finder, ResolveHooks hooks);
  ~ModelLoader();
  ModelLoader(const ModelLoader&) = delete;
  ModelLoader& operator=(const ModelLoader&) = delete;

  /// Prepares a new main model: search directories recomputed for the
  /// directory of `path` (with trailing separators), FreeModelFiles, title
  /// and author cleared, slot 0 named after the last component of `path`,
  /// the default colour added to UsedColours. kFailed without a library
  /// record or when the search directories cannot be computed.
  Status StartModel(const std::string& path);

  /// Resolves slot 0 as the main model with writing on. kFailed when the
  /// walk failed (missing or unreadable main model, recursion).
  /// Outside check mode a second thread reads and prescans the library
  /// files ahead of the walk meanwhile (see ReadAhead), unless turned off.
  Status LoadModel();

  /// Whether LoadModel reads library files ahead (on by default). What is
  /// read, written and reported is the same either way.
  void set_read_ahead(bool on) { read_ahead_wanted_ = on; }

  /// Resolves `file` and everything it references, depth first, without
  /// recursion on the call stack. `referenced_by` may be null. Messages:
  /// "Could not find %s Referenced by %s", "Recursive references: %s" then
  /// "referenced by %s line %u" per level. Ends the run through
  /// Diagnostics::FatalError (status 1) with "Program logic stinks...\n"
  /// when a main-model file to be opened is not slot 0.
  ResolveResult ResolveFile(DatFile& file, bool is_main, const char* referenced_by,
                  bool write);

  /// Opens `name` ("rb"): with `cur_dir_first` in the current directory
  /// first (flags 0x10) and with the extensions tried, then in each search
  /// directory in order (extensions only with `cur_dir_first`). `dir_flags`
  /// (may be null) gets the flags of the directory used. With -v writes
  /// "Trying cur dir '%s'" / "Trying SearchDirs[%d] %02x '%s' '%s'" per
  /// directory. Null when not found.
  FILE* FindLibraryFile(const std::string& name, bool cur_dir_first,
                        int* dir_flags);

  /// Opens directory + name (+ ".ldr", ".dat", ".mpd" in that order with
  /// `try_extensions`, unless name ends in one of them), the name's '\'
  /// taken as '/', each component matched without regard to case. With -v
  /// writes " '%s'" per extension tried and " GOT IT!\n" or "\n".
  FILE* OpenWithExtensions(const std::string& name,
                           const std::string& directory, bool try_extensions);

  /// The path of the last file tried (as found on disk after a success).
  const std::string& LastOpenedPath() const { return last_path_; }

  /// From now on, a file found beside the model whose reading said nothing
  /// is not parsed again when a later model of the run reads it: its lines
  /// are played back (see QuietReads). Needs a finder that keeps the bytes
  /// of the files it opens.
  void RememberQuietReads();
  /// Readings played back instead of parsed so far.
  size_t QuietReplays() const;

  /// Bounding box of `file` from its lines (with compute_box) and, with
  /// report_to_scene, the main model's extent points to the camera. Sets
  /// RIGID on type-1 lines that place a part rigidly inside a non-part.
  void ComputeExtent(DatFile& file, bool compute_box, bool report_to_scene);

 private:
  struct Frame;
  struct DirsMemo;
  struct CachedLookup {
    std::string path;  // empty = not found
    int flags = 0;
  };

  std::optional<ResolveResult> BeginFile(Frame& frame);
  std::optional<ResolveResult> OpenAndRead(Frame& frame);
  DatFile* NextUnfinishedReference(Frame& frame);
  void FinishFile(Frame& frame);
  void AddCounts(DatFile& file);
  FILE* OpenModelFile(const DatFile& file, int* dir_flags);
  std::string SearchSignature() const;
  bool ComputeSearchDirs(const std::string& path);
  void StartReadAhead();
  std::unique_ptr<ReadAhead::File> TakeReadAhead(const std::string& name,
                                                 int* dir_flags);
  /// Empties the lookup cache when the search list changed.
  void RefreshLookupCache();

  ReaderContext& reader_;
  LibraryDirs& library_;
  platform::PathFinder& finder_;
  ResolveHooks hooks_;
  std::string model_path_;
  std::string last_path_;
  // Library lookups of the current search list: a name is searched on the
  // disk once while the list stays the same.
  std::string cache_signature_;
  std::map<std::string, CachedLookup> lookup_cache_;
  // The inputs and the result of the last search-directory computation.
  std::unique_ptr<DirsMemo> dirs_memo_;
  // Readings of files found beside the model, kept when RememberQuietReads
  // was called.
  std::unique_ptr<QuietReads> quiet_reads_;
  bool read_ahead_wanted_ = true;
  std::unique_ptr<ReadAhead> read_ahead_;  // while LoadModel runs
  std::unique_ptr<ReadAhead> stopped_read_ahead_;  // the last one, stopped
};

#endif  // R7P_MODEL_RESOLVE_H_
