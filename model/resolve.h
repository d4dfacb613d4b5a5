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
#include "model/file_source.h"

class LibraryDirs;
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

/// What the loader tells the layers above it while it resolves a model:
/// the scene writer, the automatic camera and the substitution tables sit
/// above model/, so they are reached through this one interface. The run
/// implements it; a loader without one (a check run, tests) writes nothing
/// and finds no substitutes.
class ResolveListener {
 public:
  virtual ~ResolveListener() = default;
  /// The scene writer's WriteDeclaration(SceneFile, file, is_main); it sets
  /// file.writeMark when it has written the declaration.
  virtual void WriteDeclaration(DatFile& file, bool is_main) = 0;
  /// The camera's CameraAddPoint: a point of the main model's extent.
  virtual void CameraAddPoint(const Vector& point) = 0;
  /// FindPovEquivalent: the box of the POV-Ray equivalent of a normalised
  /// name, or nullopt when it has none. A conversion also calls it on its
  /// read-ahead thread, so it must not depend on anything a load changes.
  virtual std::optional<BBox> PovEquivalentBox(const std::string& name) = 0;
  /// FindLgeoElement(name, wanted set 0) finds an element.
  virtual bool HasLgeoElement(const std::string& name) = 0;
  /// OpenPovPartsFile can open the R7PPARTS include file of `name`.
  virtual bool HasPreparedPart(const std::string& name) = 0;
};

/// Walks the files of one main model after another. One per run; its
/// FileSource finds and reads the files the walk asks for.
class ModelLoader {
 public:
  ModelLoader(ReaderContext& reader, LibraryDirs& library,
              platform::PathFinder& finder, ResolveListener* listener);
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
  /// files ahead of the walk meanwhile (see FileSource::Options).
  Status LoadModel();

  /// Where the walk's files come from.
  FileSource& file_source() { return source_; }

  /// Resolves `file` and everything it references, depth first, without
  /// recursion on the call stack. `referenced_by` may be null. Messages:
  /// "Could not find %s Referenced by %s", "Recursive references: %s" then
  /// "referenced by %s line %u" per level. Ends the run through
  /// Diagnostics::FatalError (status 1) with "Program logic stinks...\n"
  /// when a main-model file to be opened is not slot 0.
  ResolveResult ResolveFile(DatFile& file, bool is_main, const char* referenced_by,
                  bool write);

  /// FileSource::OpenLibraryFile.
  FILE* FindLibraryFile(const std::string& name, bool cur_dir_first,
                        int* dir_flags) {
    return source_.OpenLibraryFile(name, cur_dir_first, dir_flags);
  }
  /// FileSource::OpenWithExtensions.
  FILE* OpenWithExtensions(const std::string& name,
                           const std::string& directory, bool try_extensions) {
    return source_.OpenWithExtensions(name, directory, try_extensions);
  }
  /// The path of the last file tried (as found on disk after a success).
  const std::string& LastOpenedPath() const { return source_.LastOpenedPath(); }

  /// Turns on FileSource::Options::quiet_reads.
  void RememberQuietReads();
  /// Readings played back instead of parsed so far.
  size_t QuietReplays() const { return source_.QuietReplays(); }

  /// Bounding box of `file` from its lines (with compute_box) and, with
  /// report_to_scene, the main model's extent points to the camera. Sets
  /// RIGID on type-1 lines that place a part rigidly inside a non-part.
  void ComputeExtent(DatFile& file, bool compute_box, bool report_to_scene);

 private:
  struct Frame;

  std::optional<ResolveResult> BeginFile(Frame& frame);
  std::optional<ResolveResult> OpenAndRead(Frame& frame);
  DatFile* NextUnfinishedReference(Frame& frame);
  void FinishFile(Frame& frame);
  void AddCounts(DatFile& file);
  /// The files of the walk that it finishes without reading them.
  std::function<bool(const std::string& name)> NeverRead() const;

  ReaderContext& reader_;
  ResolveListener* listener_;  // may be null
  FileSource source_;
};

#endif  // R7P_MODEL_RESOLVE_H_
