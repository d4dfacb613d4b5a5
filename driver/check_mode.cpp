#include "driver/check_mode.h"

#include <optional>
#include <vector>

#include "driver/usage.h"
#include "pov/prepared_parts.h"
#include "pov/primitive_subst.h"
#include "searchdirs/library_dirs.h"
#include "base/settings.h"
#include "base/diagnostics.h"
#include "model/file_table.h"
#include "model/name_class.h"
#include "model/parser.h"
#include "model/resolve.h"
#include "base/text_scan.h"
#include "platform/path_finder.h"
#include "platform/platform.h"

CheckRun::CheckRun(ReaderContext& reader, ModelLoader& loader,
                   const LibraryDirs& library, platform::PathFinder& finder)
    : reader_(reader), loader_(loader), library_(library), finder_(finder) {}

FILE* CheckRun::Out() const { return reader_.diag.remark_stream; }

std::string CheckRun::LibrarySubdir(const char* name) {
  std::string path = library_.LDrawDir() + "/" + name;
  return finder_.Find(path).value_or(path);
}

int CheckRun::RunChecks() {
  const RunSwitches& switches = reader_.switches;
  auto check = [this](const std::string& path) { CheckFile(path); };
  if (switches.PrintPrimitives) {
    const std::string primitives = LibrarySubdir("P");
    PrefixLength = static_cast<int>(primitives.size()) + 1;
    WalkDirectory(primitives,
                  [this](const std::string& path) { ListPrimitiveCoverage(path); });
    fprintf(Out(), "Primitives in P: %d\n", PrimitivesTotal);
    if (PrimitivesTotal != 0)
      fprintf(Out(), "POV substitutes: %d (%d%%)\n", PrimitivesCovered,
              PrimitivesCovered * 100 / PrimitivesTotal);
    return 0;
  }
  // Files found beside the checked file belong to it and are read again
  // for the next one; the library's primitives would be read hundreds of
  // times from disk.
  finder_.KeepContents();
  if (replay_quiet_reads) loader_.RememberQuietReads();
  if (!switches.ModelPath.empty()) {
    if (platform::IsDirectory(switches.ModelPath))
      WalkDirectory(switches.ModelPath, check);
    else
      CheckFile(switches.ModelPath);
  } else {
    WalkDirectory(LibrarySubdir("P"), check);
    WalkDirectory(LibrarySubdir("PARTS"), check);
  }
  PrintBanner(reader_.diag.message_stream);
  return 0;
}

void CheckRun::WalkDirectory(
    const std::string& dir,
    const std::function<void(const std::string&)>& per_file) {
  if (dir.empty()) return;
  std::string base = dir;
  if (base.back() != '/') base += '/';
  int count = 0;
  std::optional<std::vector<platform::DirEntry>> entries =
      platform::ListDirectoryEntries(base);
  for (const platform::DirEntry& entry :
       entries.value_or(std::vector<platform::DirEntry>())) {
    const std::string path = base + entry.name;
    if (path.size() > platform::kMaxHostPath) {
      fprintf(reader_.diag.message_stream,
              "Skipping '%s': path longer than %d bytes\n", path.c_str(),
              static_cast<int>(platform::kMaxHostPath));
      continue;
    }
    // Sub-directories are walked where they are met, so their count line
    // comes before the line of this directory. Links are followed.
    if (platform::IsDirectoryEntry(entry, path)) {
      WalkDirectory(path, per_file);
      continue;
    }
    per_file(path);
    ++count;
  }
  std::string shown = base;
  if (shown.size() > 1) shown.pop_back();
  fprintf(Out(), "%d files in %s checked.\n", count, shown.c_str());
  if (reader_.diag.message_stream != Out())
    fprintf(reader_.diag.message_stream, "%d files in %s checked.\n", count,
            shown.c_str());
}

void CheckRun::CheckFile(const std::string& path) {
  reader_.line_type_mask = kCheckLineTypes;
  fprintf(Out(), "'%s'\n", path.c_str());
  // Every finding has been reported by the reader; the run goes on with
  // the next file whatever the outcome.
  if (loader_.StartModel(path) == Status::kOk) (void)loader_.LoadModel();
  FileTable& files = reader_.files;
  if (reader_.settings.DebugLevel > 0) {
    for (int i = LastCacheListed; i < files.count(); ++i) {
      if (!files.slot(i).name.empty())
        fprintf(Out(), "Cache#%d %s\n", i, files.slot(i).name.c_str());
    }
  }
  LastCacheListed = files.count();
  // Lines go, records stay: a library file met again is known already.
  for (int i = 0; i < files.count(); ++i) files.FreeFileLines(files.slot(i));
}

void CheckRun::ListPrimitiveCoverage(const std::string& path) {
  (void)loader_.StartModel(path);
  const size_t prefix = static_cast<size_t>(PrefixLength);
  std::string name = path.size() > prefix ? path.substr(prefix) : std::string();
  NormalizeName(&name);
  std::string mark;
  if (IsEdgeOnlyFile(name) || IsSpeedPrimitive(name)) {
    mark = "  irrelevant";
  } else {
    if (FindPovEquivalent(name).has_value()) mark += "  R7P";
    if (HasPreparedPart(finder_, library_.LDrawDir(), name))
      mark += "  R7PPARTS";
  }
  ++PrimitivesTotal;
  if (!mark.empty()) ++PrimitivesCovered;
  fprintf(Out(), "%-15s%s\n", name.c_str(), mark.c_str());
}
