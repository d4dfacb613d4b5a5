#include "model/resolve.h"

#include <cmath>
#include <system_error>
#include <vector>

#include "searchdirs/library_dirs.h"
#include "base/settings.h"
#include "geometry/vector_ops.h"
#include "base/diagnostics.h"
#include "model/file_table.h"
#include "model/name_class.h"
#include "model/parser.h"
#include "model/prescan.h"
#include "model/quiet_reads.h"
#include "model/read_ahead.h"
#include "base/text_scan.h"
#include "platform/path_finder.h"
#include "platform/platform.h"
#include "searchdirs/path_ini.h"

// note [explicit walk]: a model may nest sub-models and transform blocks
// tens of thousands deep, so the depth-first walk keeps its own stack of
// frames instead of recursing on the call stack. Each frame is one
// ResolveFile call in progress; a child's result is handed back to its
// parent frame exactly as a return value would be.
struct ModelLoader::Frame {
  DatFile* file = nullptr;
  bool is_main = false;
  bool has_referrer = false;
  std::string referenced_by;
  bool write_on_entry = false;  // the caller's wish, before any substitution
  bool write = false;           // whether the file's references are written
  bool started = false;
  size_t next_line = 0;     // next line to look at for references
  size_t pending_line = 0;  // the line whose target is being resolved
};

namespace {

constexpr uint32_t kFoundBits = PART | PRIMITIVE | LIBRARY;
// Tried in this order after the bare name when a model file is looked up.
constexpr const char* kExtensions[] = {"", ".ldr", ".dat", ".mpd"};

bool HasModelExtension(const std::string& name) {
  if (name.size() < 5) return false;
  std::string tail = name.substr(name.size() - 4);
  for (char& c : tail) c = LowerAscii(c);
  return tail == ".ldr" || tail == ".dat" || tail == ".mpd";
}

bool IsRigidDeterminant(double det) {
  return (det > 0.99 && det < 1.01) || (det > -1.01 && det < -0.99);
}

// A sticker lies flat between y = -0.25 and y = 0.
bool HasStickerExtent(const BBox& box) {
  return std::fabs(box.min.y + 0.25f) <= 0.001f && std::fabs(box.max.y) <= 0.001f;
}

}  // namespace

// Computing the search directories looks every one of them up on the disk.
// A check of a whole library starts a model for every file, nearly always in
// the folder of the previous one, so the last result is kept and reused for
// as long as everything it was computed from is unchanged.
struct ModelLoader::DirsMemo {
  const PathIniData* record = nullptr;
  std::string ldraw_dir;
  std::vector<std::string> raw_dirs;
  std::string model_folder;  // the model path up to its last separator
  std::optional<std::string> home;
  std::vector<SearchDir> dirs;  // the result, as left in the record
  std::optional<std::string> model_dir;
};

namespace {

bool SameSearchDirs(const std::vector<SearchDir>& a,
                    const std::vector<SearchDir>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i].Flags != b[i].Flags || a[i].Dir != b[i].Dir ||
        a[i].ExtraKeywords != b[i].ExtraKeywords)
      return false;
  return true;
}

}  // namespace

ModelLoader::ModelLoader(ReaderContext& reader, LibraryDirs& library,
                         platform::PathFinder& finder, ResolveHooks hooks)
    : reader_(reader),
      library_(library),
      finder_(finder),
      hooks_(std::move(hooks)) {}

ModelLoader::~ModelLoader() = default;

bool ModelLoader::ComputeSearchDirs(const std::string& path) {
  PathIniData* record = library_.record();
  const size_t sep = path.find_last_of("/\\");
  std::string folder =
      sep == std::string::npos ? std::string() : path.substr(0, sep + 1);
  std::optional<std::string> home = platform::HomeDir();
  const DirsMemo* memo = dirs_memo_.get();
  if (memo != nullptr && memo->record == record &&
      memo->model_folder == folder && memo->home == home &&
      memo->ldraw_dir == record->LDrawDir &&
      memo->raw_dirs == record->RawSearchDirs &&
      memo->model_dir == record->ModelDir &&
      record->nSearchDirs == static_cast<int>(record->SearchDirs.size()) &&
      SameSearchDirs(memo->dirs, record->SearchDirs))
    return true;
  dirs_memo_.reset();
  if (!PathIniComputeRealDirs(record, true, true, path.c_str(), finder_))
    return false;
  auto fresh = std::make_unique<DirsMemo>();
  fresh->record = record;
  fresh->ldraw_dir = record->LDrawDir;
  fresh->raw_dirs = record->RawSearchDirs;
  fresh->model_folder = std::move(folder);
  fresh->home = std::move(home);
  fresh->dirs = record->SearchDirs;
  fresh->model_dir = record->ModelDir;
  dirs_memo_ = std::move(fresh);
  return true;
}

Status ModelLoader::StartModel(const std::string& path) {
  PathIniData* record = library_.record();
  if (record == nullptr) return Status::kFailed;
  model_path_ = path;
  if (!ComputeSearchDirs(path)) return Status::kFailed;
  FileTable& files = reader_.files;
  files.FreeModelFiles();
  files.title.clear();
  files.author.clear();
  size_t sep = path.find_last_of("/\\");
  files.SetMainModel(sep == std::string::npos ? path : path.substr(sep + 1));
  if (!files.AddUsedColour(reader_.settings.DefaultColor))
    return Status::kFailed;
  return Status::kOk;
}

Status ModelLoader::LoadModel() {
  if (reader_.files.count() == 0) return Status::kFailed;
  // With -v every lookup is shown as it is made.
  if (read_ahead_wanted_ && !reader_.switches.CheckMode &&
      !reader_.switches.Verbose)
    StartReadAhead();
  const Status result = ResolveFile(reader_.files.slot(0), true, nullptr,
                                    true) == ResolveResult::kResolved
                            ? Status::kOk
                            : Status::kFailed;
  // The thread may still be freeing its memory: that goes on beside the
  // scene tail, and the thread is waited for at the next model or at the
  // end of the run.
  if (read_ahead_ != nullptr) read_ahead_->Stop();
  stopped_read_ahead_ = std::move(read_ahead_);
  return result;
}

void ModelLoader::StartReadAhead() {
  stopped_read_ahead_.reset();
  const PathIniData* record = library_.record();
  if (record == nullptr) return;
  ReadAhead::Plan plan;
  plan.model_path = model_path_;
  for (const SearchDir& dir : record->SearchDirs)
    plan.directories.push_back(dir.Dir);
  // The files BeginFile finishes without reading them.
  const Settings& settings = reader_.settings;
  const bool edges_off = settings.EdgeWidth == 0;
  std::function<std::optional<BBox>(const std::string&)> pov_box;
  if (settings.OrderHas('P')) pov_box = hooks_.pov_equivalent_box;
  plan.never_read = [edges_off, pov_box](const std::string& name) {
    return (edges_off && IsEdgeOnlyFile(name)) ||
           (pov_box && pov_box(name).has_value());
  };
  try {
    read_ahead_ = std::make_unique<ReadAhead>(std::move(plan));
  } catch (const std::system_error&) {
    // No thread to be had: the walk reads every file itself.
  }
}

ResolveResult ModelLoader::ResolveFile(DatFile& file, bool is_main,
                             const char* referenced_by, bool write) {
  // See note [explicit walk].
  std::vector<Frame> stack;
  Frame root;
  root.file = &file;
  root.is_main = is_main;
  root.has_referrer = referenced_by != nullptr;
  if (referenced_by != nullptr) root.referenced_by = referenced_by;
  root.write_on_entry = root.write = write;
  stack.push_back(std::move(root));
  ResolveResult result = ResolveResult::kResolved;
  bool returning = false;  // `result` holds the result of the popped frame
  while (!stack.empty()) {
    Frame& frame = stack.back();
    if (returning) {
      returning = false;
      if (result == ResolveResult::kRecursion) {
        // Each level names its referencing line, innermost first.
        const DatLine& line = frame.file->lines[frame.pending_line];
        reader_.diag.ReportMessage(0, kPlain, "referenced by %s line %u",
                                   frame.file->name.c_str(), line.lineNumber);
        stack.pop_back();
        returning = true;
        continue;
      }
    } else if (!frame.started) {
      frame.started = true;
      if (std::optional<ResolveResult> finished = BeginFile(frame)) {
        result = *finished;
        stack.pop_back();
        returning = true;
        continue;
      }
    }
    DatFile* target = NextUnfinishedReference(frame);
    if (target != nullptr) {
      Frame child;
      child.file = target;
      child.is_main = target->Has(INTERNAL) && frame.is_main;
      child.has_referrer = true;
      child.referenced_by = frame.file->name;
      child.write_on_entry = child.write = frame.write;
      stack.push_back(std::move(child));  // `frame` is invalid from here on
      continue;
    }
    FinishFile(frame);
    result = ResolveResult::kResolved;
    stack.pop_back();
    returning = true;
  }
  return result;
}

DatFile* ModelLoader::NextUnfinishedReference(Frame& frame) {
  const std::vector<DatLine>& lines = frame.file->lines;
  while (frame.next_line < lines.size()) {
    const DatLine& line = lines[frame.next_line++];
    if (line.type != 1 || line.file == nullptr || line.file->Has(DONE))
      continue;
    frame.pending_line = frame.next_line - 1;
    return line.file;
  }
  return nullptr;
}

// Steps before the references are walked. Returns the call's result when the
// file is finished here, or nothing to go on with its references.
std::optional<ResolveResult> ModelLoader::BeginFile(Frame& frame) {
  DatFile& file = *frame.file;
  if (file.Has(VISITING)) {
    reader_.diag.ReportMessage(0, kPlain, "Recursive references: %s",
                               file.name.c_str());
    return ResolveResult::kRecursion;
  }
  file.flags |= VISITING;
  const Settings& settings = reader_.settings;
  if (!reader_.switches.CheckMode) {
    if (settings.EdgeWidth == 0 && IsEdgeOnlyFile(file.name)) {
      // Nothing of an edge-only file is drawn without edge lines.
      file.flags = (file.flags | READ | DONE | PRIMITIVE) & ~VISITING;
      return ResolveResult::kResolved;
    }
    if (frame.write &&
        ((hooks_.has_lgeo_element && hooks_.has_lgeo_element(file.name)) ||
         (settings.OrderHas('3') && hooks_.has_prepared_part &&
          hooks_.has_prepared_part(file.name)))) {
      // A prepared object replaces the file's geometry; its sub-files are
      // still resolved for counts and boxes, but never declared.
      file.flags |= INHERITS_COLOUR;
      frame.write = false;
    }
    if (settings.OrderHas('P') && hooks_.pov_equivalent_box) {
      if (std::optional<BBox> box = hooks_.pov_equivalent_box(file.name)) {
        file.bbox = *box;
        file.flags |= READ | DONE | PRIMITIVE | HAS_BBOX | INHERITS_COLOUR;
      }
    }
  }
  if (file.Has(DONE)) {
    FinishFile(frame);
    return ResolveResult::kResolved;
  }
  if (!file.Has(READ)) return OpenAndRead(frame);
  return std::nullopt;
}

std::optional<ResolveResult> ModelLoader::OpenAndRead(Frame& frame) {
  DatFile& file = *frame.file;
  int dir_flags = 0;
  FILE* stream = nullptr;
  std::unique_ptr<ReadAhead::File> ahead;
  if (frame.is_main) {
    stream = OpenModelFile(file, &dir_flags);
  } else {
    ahead = TakeReadAhead(file.name, &dir_flags);
    if (ahead == nullptr)
      stream = FindLibraryFile(file.name, false, &dir_flags);
  }
  if (stream == nullptr && ahead == nullptr) {
    reader_.diag.ReportInputError(
        "Could not find %s Referenced by %s", file.name.c_str(),
        frame.has_referrer ? frame.referenced_by.c_str() : "*");
    file.flags = (file.flags | READ | NOT_FOUND | DONE) & ~VISITING;
    return ResolveResult::kNotResolved;
  }
  file.flags &= ~kFoundBits;
  if (dir_flags & kSearchDirDefPart) file.flags |= PART;
  if (dir_flags & kSearchDirDefPrim) file.flags |= PRIMITIVE;
  if (!(dir_flags & kSearchDirModel)) file.flags |= LIBRARY;
  if (reader_.switches.Verbose)
    fprintf(reader_.diag.message_stream, "Reading %s\n", last_path_.c_str());
  const char* referrer =
      frame.has_referrer ? frame.referenced_by.c_str() : nullptr;
  if (ahead != nullptr) {
    const Status read =
        ReadDatFile(reader_, referrer, file, ahead->lines, false);
    read_ahead_->GiveBack(std::move(ahead));
    // Abandoned: the file stays VISITING and unread.
    if (read == Status::kFailed) return ResolveResult::kNotResolved;
    return std::nullopt;
  }
  // Only files found beside the model are read more than once in a run.
  const bool may_repeat = quiet_reads_ != nullptr && !frame.is_main &&
                          (dir_flags & kSearchDirModel) != 0;
  const uint32_t flags_before = file.flags;
  if (may_repeat) {
    const QuietReads::Reading* reading =
        quiet_reads_->Find(last_path_, flags_before);
    if (reading != nullptr &&
        quiet_reads_->Replay(*reading, file, reader_.files, reader_.diag,
                             reader_.validator)) {
      fclose(stream);
      return std::nullopt;
    }
  }
  const uint64_t messages_before = reader_.diag.messages_written;
  if (ReadDatFile(reader_, referrer, file, stream, frame.is_main) ==
      Status::kFailed)
    return ResolveResult::kNotResolved;  // abandoned: stays VISITING, unread
  if (may_repeat && reader_.last_read_plain &&
      reader_.diag.messages_written == messages_before &&
      finder_.KeepsBytesOf(last_path_))
    quiet_reads_->Remember(last_path_, flags_before, file, reader_.diag);
  return std::nullopt;
}

// The library file `name` as the read-ahead read it. The thread searched
// the same directories in the same order, so it found the file where
// FindLibraryFile would have found it; it is not opened again. Null when
// the read-ahead does not have it, or when an earlier model of the run
// found that name elsewhere: FindLibraryFile then does the whole search.
std::unique_ptr<ReadAhead::File> ModelLoader::TakeReadAhead(
    const std::string& name, int* dir_flags) {
  if (read_ahead_ == nullptr) return nullptr;
  const PathIniData* record = library_.record();
  if (record == nullptr) return nullptr;
  std::unique_ptr<ReadAhead::File> ahead = read_ahead_->Take(name);
  if (ahead == nullptr) return nullptr;
  RefreshLookupCache();
  auto hit = lookup_cache_.find(name);
  if ((hit != lookup_cache_.end() && hit->second.path != ahead->path) ||
      ahead->directory >= record->SearchDirs.size()) {
    read_ahead_->GiveBack(std::move(ahead));
    return nullptr;
  }
  const int flags = record->SearchDirs[ahead->directory].Flags;
  lookup_cache_[name] = CachedLookup{ahead->path, flags};
  last_path_ = ahead->path;
  *dir_flags = flags;
  return ahead;
}

void ModelLoader::RememberQuietReads() {
  if (quiet_reads_ == nullptr) quiet_reads_ = std::make_unique<QuietReads>();
}

size_t ModelLoader::QuietReplays() const {
  return quiet_reads_ != nullptr ? quiet_reads_->replays() : 0;
}

FILE* ModelLoader::OpenModelFile(const DatFile& file, int* dir_flags) {
  FileTable& files = reader_.files;
  // Transform blocks of the main model are read with it; any other
  // main-model record to be opened means the walk itself went wrong.
  if (files.count() == 0 || &file != &files.slot(0)) {
    reader_.diag.FatalError("Program logic stinks...\n", nullptr,
                            Diagnostics::FatalStyle::kAsIs);
  }
  *dir_flags = kSearchDirModel;
  last_path_ = model_path_;
  std::string found;
  FILE* stream = finder_.Open(model_path_, &found);
  if (stream != nullptr) last_path_ = found;
  return stream;
}

void ModelLoader::FinishFile(Frame& frame) {
  DatFile& file = *frame.file;
  const bool check_mode = reader_.switches.CheckMode;
  if (!file.Has(DONE)) {
    AddCounts(file);
    if (!check_mode) {
      ComputeExtent(file, true, frame.is_main);
      if (file.Has(STICKER) && !HasStickerExtent(file.bbox))
        file.flags &= ~STICKER;
    }
  }
  if (!check_mode && frame.write_on_entry && hooks_.write_declaration)
    hooks_.write_declaration(file, frame.is_main);
  // Once declared, the geometry is in the scene; only counts, box and flags
  // are needed by the files that reference this one.
  if (file.writeMark != 0) reader_.files.FreeFileLines(file);
  file.flags = (file.flags | DONE) & ~VISITING;
}

void ModelLoader::AddCounts(DatFile& file) {
  const bool counts_parts = !file.Has(PART) && !file.Has(PRIMITIVE);
  for (const DatLine& line : file.lines) {
    const DatFile* target = line.file;
    if (line.type == 1 && target != nullptr) {
      file.studCount += target->studCount;
      if (counts_parts) {
        if (target->Has(PART))
          file.partCount += 1;
        else if (!target->Has(PRIMITIVE))
          file.partCount += target->partCount;
      }
    }
    if (line.colour != 16 || line.type == 0) continue;
    if (line.type == 3 || line.type == 4 ||
        (line.type == 1 && target != nullptr && target->Has(INHERITS_COLOUR)))
      file.flags |= INHERITS_COLOUR;
  }
}

FILE* ModelLoader::FindLibraryFile(const std::string& name, bool cur_dir_first,
                                   int* dir_flags) {
  int flags_out = 0;
  if (dir_flags == nullptr) dir_flags = &flags_out;
  FILE* diag_stream = reader_.diag.message_stream;
  const bool verbose = reader_.switches.Verbose != 0;
  if (cur_dir_first) {
    *dir_flags = kSearchDirModel;
    if (verbose) fprintf(diag_stream, "Trying cur dir '%s'", name.c_str());
    if (FILE* f = OpenWithExtensions(name, "", true)) return f;
  }
  const PathIniData* record = library_.record();
  if (record == nullptr) return nullptr;
  // Repeated lookups of a name in the same search list are answered from
  // the cache; with -v every search is shown, so it is made again.
  const bool cacheable = !cur_dir_first && !verbose;
  if (cacheable) {
    RefreshLookupCache();
    auto hit = lookup_cache_.find(name);
    if (hit != lookup_cache_.end()) {
      if (hit->second.path.empty()) return nullptr;
      last_path_ = hit->second.path;
      *dir_flags = hit->second.flags;
      // The path is the file as found on the disk the first time.
      return finder_.OpenFound(last_path_);
    }
  }
  for (size_t i = 0; i < record->SearchDirs.size(); ++i) {
    const SearchDir& dir = record->SearchDirs[i];
    *dir_flags = dir.Flags | (cur_dir_first ? kSearchDirModel : 0);
    if (verbose)
      fprintf(diag_stream, "Trying SearchDirs[%d] %02x '%s' '%s'",
              static_cast<int>(i), static_cast<unsigned>(dir.Flags),
              dir.Dir.c_str(), name.c_str());
    if (FILE* f = OpenWithExtensions(name, dir.Dir, cur_dir_first)) {
      if (cacheable) lookup_cache_[name] = CachedLookup{last_path_, *dir_flags};
      return f;
    }
  }
  if (cacheable) lookup_cache_[name] = CachedLookup{};
  return nullptr;
}

FILE* ModelLoader::OpenWithExtensions(const std::string& name,
                                      const std::string& directory,
                                      bool try_extensions) {
  const size_t candidates =
      try_extensions && !HasModelExtension(name) ? 4 : 1;
  FILE* diag_stream = reader_.diag.message_stream;
  const bool verbose = reader_.switches.Verbose != 0;
  const std::string base = directory + platform::HostPathOfName(name);
  for (size_t i = 0; i < candidates; ++i) {
    last_path_ = base + kExtensions[i];
    if (verbose) fprintf(diag_stream, " '%s'", kExtensions[i]);
    std::string found;
    if (FILE* f = finder_.Open(last_path_, &found)) {
      last_path_ = found;
      if (verbose) fprintf(diag_stream, " GOT IT!\n");
      return f;
    }
  }
  if (verbose) fprintf(diag_stream, "\n");
  return nullptr;
}

void ModelLoader::ComputeExtent(DatFile& file, bool compute_box,
                                bool report_to_scene) {
  if (compute_box) {
    file.flags &= ~HAS_BBOX;
    file.bbox = BBox();
  }
  auto take = [&](const Vector& point, bool to_camera) {
    if (compute_box) BBoxGrow(point, file.bbox);
    if (to_camera && hooks_.camera_add_point) hooks_.camera_add_point(point);
  };
  for (DatLine& line : file.lines) {
    if (line.type == 1) {
      const DatFile* target = line.file;
      if (target == nullptr || !target->Has(HAS_BBOX)) continue;
      if (compute_box) file.flags |= HAS_BBOX;
      const bool light = (line.flags & LIGHT) != 0;
      if (target->Has(PART) && !file.Has(PART) && !light &&
          IsRigidDeterminant(MatDet3(line.matrix)))
        line.flags |= RIGID;
      Vector corners[8];
      BBoxCorners(corners, line.matrix, target->bbox);
      for (const Vector& corner : corners)
        take(corner, report_to_scene && !light);
    } else if (line.type >= 2 && line.type <= 5) {
      if (compute_box) file.flags |= HAS_BBOX;
      const int vertices = line.type == 5 ? 2 : line.type;
      for (int k = 0; k < vertices; ++k)
        take(line.matrix.Row(k), report_to_scene);
    }
  }
}

void ModelLoader::RefreshLookupCache() {
  std::string signature = SearchSignature();
  if (signature == cache_signature_) return;
  lookup_cache_.clear();
  cache_signature_ = std::move(signature);
}

std::string ModelLoader::SearchSignature() const {
  std::string signature;
  if (const PathIniData* record = library_.record()) {
    for (const SearchDir& dir : record->SearchDirs) {
      signature += dir.Dir;
      signature += '\0';
      signature += static_cast<char>(dir.Flags);
    }
  }
  return signature;
}
