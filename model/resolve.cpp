#include "model/resolve.h"

#include <cmath>
#include <utility>
#include <vector>

#include "searchdirs/library_dirs.h"
#include "base/settings.h"
#include "geometry/vector_ops.h"
#include "base/diagnostics.h"
#include "model/file_table.h"
#include "model/name_class.h"
#include "model/parser.h"
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

bool IsRigidDeterminant(double det) {
  return (det > 0.99 && det < 1.01) || (det > -1.01 && det < -0.99);
}

// A sticker lies flat between y = -0.25 and y = 0.
bool HasStickerExtent(const BBox& box) {
  return std::fabs(box.min.y + 0.25f) <= 0.001f && std::fabs(box.max.y) <= 0.001f;
}

}  // namespace

ModelLoader::ModelLoader(ReaderContext& reader, LibraryDirs& library,
                         platform::PathFinder& finder, ResolveListener* listener)
    : reader_(reader),
      listener_(listener),
      source_(reader, library, finder) {}

ModelLoader::~ModelLoader() = default;

Status ModelLoader::StartModel(const std::string& path) {
  if (source_.StartModel(path) == Status::kFailed) return Status::kFailed;
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
  source_.BeginWalk(NeverRead());
  const Status result = ResolveFile(reader_.files.slot(0), true, nullptr,
                                    true) == ResolveResult::kResolved
                            ? Status::kOk
                            : Status::kFailed;
  // The read-ahead thread may still be freeing its memory: that goes on
  // beside the scene tail.
  source_.EndWalk();
  return result;
}

// The files BeginFile finishes without reading them.
std::function<bool(const std::string& name)> ModelLoader::NeverRead() const {
  const Settings& settings = reader_.settings;
  const bool edges_off = settings.EdgeWidth == 0;
  ResolveListener* pov_boxes = settings.OrderHas('P') ? listener_ : nullptr;
  return [edges_off, pov_boxes](const std::string& name) {
    return (edges_off && IsEdgeOnlyFile(name)) ||
           (pov_boxes != nullptr && pov_boxes->PovEquivalentBox(name).has_value());
  };
}

void ModelLoader::RememberQuietReads() {
  FileSource::Options options = source_.options();
  options.quiet_reads = true;
  source_.set_options(options);
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
        listener_ != nullptr &&
        (listener_->HasLgeoElement(file.name) ||
         (settings.OrderHas('3') && listener_->HasPreparedPart(file.name)))) {
      // A prepared object replaces the file's geometry; its sub-files are
      // still resolved for counts and boxes, but never declared.
      file.flags |= INHERITS_COLOUR;
      frame.write = false;
    }
    if (settings.OrderHas('P') && listener_ != nullptr) {
      if (std::optional<BBox> box = listener_->PovEquivalentBox(file.name)) {
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
  FileSource::Found found;
  if (frame.is_main) {
    FileTable& files = reader_.files;
    // Transform blocks of the main model are read with it; any other
    // main-model record to be opened means the walk itself went wrong.
    if (files.count() == 0 || &file != &files.slot(0)) {
      // A fault of the program itself, about which the usage would tell
      // nothing: the message alone.
      fputs("Program logic stinks...\n", reader_.diag.message_stream);
      reader_.diag.FatalErrorReported();
    }
    found = source_.FindModel();
  } else {
    found = source_.FindLibraryFile(file.name);
  }
  if (!found) {
    reader_.diag.ReportInputError(
        "Could not find %s Referenced by %s", file.name.c_str(),
        frame.has_referrer ? frame.referenced_by.c_str() : "*");
    file.flags = (file.flags | READ | NOT_FOUND | DONE) & ~VISITING;
    return ResolveResult::kNotResolved;
  }
  const int dir_flags = found.dir_flags();
  file.flags &= ~kFoundBits;
  if (dir_flags & kSearchDirDefPart) file.flags |= PART;
  if (dir_flags & kSearchDirDefPrim) file.flags |= PRIMITIVE;
  if (!(dir_flags & kSearchDirModel)) file.flags |= LIBRARY;
  if (reader_.switches.Verbose)
    fprintf(reader_.diag.message_stream, "Reading %s\n",
            source_.LastOpenedPath().c_str());
  const char* referrer =
      frame.has_referrer ? frame.referenced_by.c_str() : nullptr;
  // Abandoned: the file stays VISITING and unread.
  if (source_.Read(std::move(found), referrer, file, frame.is_main) ==
      Status::kFailed)
    return ResolveResult::kNotResolved;
  return std::nullopt;
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
  if (!check_mode && frame.write_on_entry && listener_ != nullptr)
    listener_->WriteDeclaration(file, frame.is_main);
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

void ModelLoader::ComputeExtent(DatFile& file, bool compute_box,
                                bool report_to_scene) {
  if (compute_box) {
    file.flags &= ~HAS_BBOX;
    file.bbox = BBox();
  }
  auto take = [&](const Vector& point, bool to_camera) {
    if (compute_box) BBoxGrow(point, file.bbox);
    if (to_camera && listener_ != nullptr) listener_->CameraAddPoint(point);
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
