#include "model/file_source.h"

#include <system_error>
#include <utility>

#include "base/diagnostics.h"
#include "base/settings.h"
#include "model/file_lookup.h"
#include "model/parser.h"
#include "model/quiet_reads.h"
#include "platform/path_finder.h"
#include "platform/platform.h"
#include "searchdirs/library_dirs.h"

FileSource::Found::Found(Found&& other) noexcept
    : stream_(std::exchange(other.stream_, nullptr)),
      ahead_(std::move(other.ahead_)),
      dir_flags_(other.dir_flags_),
      path_(std::move(other.path_)) {}

FileSource::Found& FileSource::Found::operator=(Found&& other) noexcept {
  if (this != &other) {
    if (stream_ != nullptr) fclose(stream_);
    stream_ = std::exchange(other.stream_, nullptr);
    ahead_ = std::move(other.ahead_);
    dir_flags_ = other.dir_flags_;
    path_ = std::move(other.path_);
  }
  return *this;
}

FileSource::Found::~Found() {
  if (stream_ != nullptr) fclose(stream_);
}

// Computing the search directories looks every one of them up on the disk.
// A check of a whole library starts a model for every file, nearly always in
// the folder of the previous one, so the last result is kept and reused for
// as long as everything it was computed from is unchanged.
struct FileSource::DirsMemo {
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

FileSource::FileSource(ReaderContext& reader, LibraryDirs& library,
                       platform::PathFinder& finder)
    : reader_(reader), library_(library), finder_(finder) {}

FileSource::~FileSource() = default;

void FileSource::set_options(const Options& options) {
  options_ = options;
  if (!options_.quiet_reads)
    quiet_reads_.reset();
  else if (quiet_reads_ == nullptr)
    quiet_reads_ = std::make_unique<QuietReads>();
}

size_t FileSource::QuietReplays() const {
  return quiet_reads_ != nullptr ? quiet_reads_->replays() : 0;
}

Status FileSource::StartModel(const std::string& path) {
  if (library_.record() == nullptr) return Status::kFailed;
  model_path_ = path;
  return ComputeSearchDirs(path) ? Status::kOk : Status::kFailed;
}

bool FileSource::ComputeSearchDirs(const std::string& path) {
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
  if (PathIniComputeRealDirs(record, true, true, path.c_str(), finder_) !=
      Status::kOk)
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

void FileSource::BeginWalk(
    std::function<bool(const std::string& name)> never_read) {
  if (!options_.read_ahead || reader_.switches.CheckMode ||
      reader_.switches.Verbose)
    return;
  stopped_read_ahead_.reset();
  const PathIniData* record = library_.record();
  if (record == nullptr) return;
  ReadAhead::Plan plan;
  plan.model_path = model_path_;
  plan.directories = record->SearchDirs;
  plan.never_read = std::move(never_read);
  try {
    read_ahead_ = std::make_unique<ReadAhead>(std::move(plan));
  } catch (const std::system_error&) {
    // No thread to be had: the walk reads every file itself.
  }
}

void FileSource::EndWalk() {
  if (read_ahead_ != nullptr) read_ahead_->Stop();
  stopped_read_ahead_ = std::move(read_ahead_);
}

FileSource::Found FileSource::FindModel() {
  Found found;
  found.dir_flags_ = kSearchDirModel;
  last_path_ = model_path_;
  std::string path;
  found.stream_ = finder_.Open(model_path_, &path);
  if (found.stream_ != nullptr) last_path_ = std::move(path);
  found.path_ = last_path_;
  return found;
}

FileSource::Found FileSource::FindLibraryFile(const std::string& name) {
  Found found;
  found.ahead_ = TakeReadAhead(name, &found.dir_flags_);
  if (found.ahead_ == nullptr)
    found.stream_ = OpenLibraryFile(name, false, &found.dir_flags_);
  found.path_ = last_path_;
  return found;
}

Status FileSource::Read(Found found, const char* referenced_by, DatFile& file,
                        bool is_main) {
  if (found.ahead_ != nullptr) {
    const Status read =
        ReadDatFile(reader_, referenced_by, file, found.ahead_->lines, false);
    read_ahead_->GiveBack(std::move(found.ahead_));
    return read;
  }
  FILE* stream = std::exchange(found.stream_, nullptr);
  // Only files found beside the model are read more than once in a run.
  const bool may_repeat = quiet_reads_ != nullptr && !is_main &&
                          (found.dir_flags_ & kSearchDirModel) != 0;
  const uint32_t flags_before = file.flags;
  if (may_repeat) {
    const QuietReads::Reading* reading =
        quiet_reads_->Find(found.path_, flags_before);
    if (reading != nullptr &&
        quiet_reads_->Replay(*reading, file, reader_.files, reader_.diag,
                             reader_.validator)) {
      fclose(stream);
      return Status::kOk;
    }
  }
  const uint64_t messages_before = reader_.diag.messages_written;
  if (ReadDatFile(reader_, referenced_by, file, stream, is_main) ==
      Status::kFailed)
    return Status::kFailed;
  if (may_repeat && reader_.last_read_plain &&
      reader_.diag.messages_written == messages_before &&
      finder_.KeepsBytesOf(found.path_))
    quiet_reads_->Remember(found.path_, flags_before, file, reader_.diag);
  return Status::kOk;
}

// The library file `name` as the read-ahead read it. The thread looked it
// up through the same LookUpFile in the same directories, so it found the
// file where OpenLibraryFile would have found it; it is not opened again.
// Null when the read-ahead does not have it, or when an earlier model of
// the run found that name elsewhere: OpenLibraryFile then does the whole
// search.
std::unique_ptr<ReadAhead::File> FileSource::TakeReadAhead(
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

FILE* FileSource::OpenLibraryFile(const std::string& name, bool cur_dir_first,
                                  int* dir_flags) {
  int flags_out = 0;
  if (dir_flags == nullptr) dir_flags = &flags_out;
  const bool verbose = reader_.switches.Verbose != 0;
  FILE* trace = verbose ? reader_.diag.message_stream : nullptr;
  const PathIniData* record = library_.record();
  if (record == nullptr && !cur_dir_first) return nullptr;
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
  static const std::vector<SearchDir> kNoDirs;
  const std::vector<SearchDir>& dirs =
      record != nullptr ? record->SearchDirs : kNoDirs;
  FILE* stream = nullptr;
  const std::optional<size_t> where =
      LookUpFile(dirs, name, cur_dir_first, trace,
                 [this, &stream](const std::string& path) {
                   return OpenAt(path, &stream);
                 });
  if (!where) {
    if (cacheable) lookup_cache_[name] = CachedLookup{};
    return nullptr;
  }
  *dir_flags = *where == kCurrentDirectory
                   ? kSearchDirModel
                   : dirs[*where].Flags | (cur_dir_first ? kSearchDirModel : 0);
  if (cacheable) lookup_cache_[name] = CachedLookup{last_path_, *dir_flags};
  return stream;
}

FILE* FileSource::OpenWithExtensions(const std::string& name,
                                     const std::string& directory,
                                     bool try_extensions) {
  FILE* trace =
      reader_.switches.Verbose != 0 ? reader_.diag.message_stream : nullptr;
  FILE* stream = nullptr;
  LookInDirectory(name, directory, try_extensions, trace,
                  [this, &stream](const std::string& path) {
                    return OpenAt(path, &stream);
                  });
  return stream;
}

bool FileSource::OpenAt(const std::string& path, FILE** stream) {
  last_path_ = path;
  std::string found;
  *stream = finder_.Open(path, &found);
  if (*stream == nullptr) return false;
  last_path_ = std::move(found);
  return true;
}

void FileSource::RefreshLookupCache() {
  std::string signature = SearchSignature();
  if (signature == cache_signature_) return;
  lookup_cache_.clear();
  cache_signature_ = std::move(signature);
}

std::string FileSource::SearchSignature() const {
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
