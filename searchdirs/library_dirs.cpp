#include "searchdirs/library_dirs.h"

#include <cstdio>

#include "colour/colour_table.h"
#include "base/settings.h"
#include "base/diagnostics.h"
#include "base/text_scan.h"
#include "platform/path_finder.h"
#include "platform/platform.h"

const char* const kLdrawDirMessage =
    "Environment variable LDRAWDIR must be set to directory with "
    "P,PARTS,MODELS.\n"
    "e.g.  'export LDRAWDIR=$HOME/ldraw'\n"
    "You may type the export command at the shell prompt or put it into "
    "~/.profile\n"
    "Alternatively use the -ldd<dir> option";

const char* const kLgeoDirMessage =
    "Environment variable LGEODIR must be set to directory with LGEO parts.\n"
    "e.g.  'export LGEODIR=$HOME/ldraw/lgeo'\n"
    "You may type the export command at the shell prompt or put it into "
    "~/.profile";

namespace {

constexpr size_t kPathBuffer = platform::kMaxHostPath + 1;

}  // namespace

LibraryDirs::LibraryDirs(const RunSwitches& switches, Diagnostics& diag,
                         ColourTable& colours, platform::PathFinder& finder)
    : switches_(switches), diag_(diag), colours_(colours), finder_(finder) {}

LibraryDirs::~LibraryDirs() = default;

const std::string& LibraryDirs::LDrawDir() const {
  return record_ ? record_->LDrawDir : no_dir_;
}

void LibraryDirs::SetUpLibrary() {
  if (set_up_) return;
  FindLdrawDir();
  if (!platform::IsDirectory(record_->LDrawDir))
    diag_.FatalError("LDrawDir '%s' is not a valid directory",
                     record_->LDrawDir.c_str());
  ChooseColourFile();
  RebuildColourTable();
  set_up_ = true;
}

void LibraryDirs::FindLdrawDir() {
  const char* ldd = switches_.LDrawDirOption
                        ? switches_.LDrawDirOption->c_str()
                        : nullptr;
  int status = kPathIniOk;
  record_ = PathIniGet(ldd, ldd != nullptr ? "-ldd<dir> option" : nullptr,
                       &status, finder_);
  if (record_) return;
  if (status != kPathIniNotFound) diag_.FatalError(kLdrawDirMessage, "");
  // A library unpacked into the current directory still works without
  // any configuration.
  auto here = [&](const char* name) {
    std::optional<std::string> found = finder_.Find(name);
    return found && platform::IsDirectory(*found);
  };
  if (here("P") && here("PARTS") && here("MODELS"))
    record_ = PathIniGet(".", "Current directory", &status, finder_);
  if (!record_) diag_.FatalError(kLdrawDirMessage, "");
}

void LibraryDirs::ChooseColourFile() {
  const std::string& root = record_->LDrawDir;
  if (!switches_.LdconfigOption) {
    LdconfigPath = finder_.Find(root + "/ldconfig.ldr")
                       .value_or(root + "/ldconfig.ldr");
    return;
  }
  const std::string& typed = *switches_.LdconfigOption;
  if (typed.empty()) {
    LdconfigPath.clear();
    return;
  }
  std::string found;
  FILE* file = finder_.Open(typed, &found);
  if (file == nullptr) file = finder_.Open(root + "/" + typed, &found);
  if (file == nullptr)
    diag_.FatalError("Could not open ldconfig.ldr file '%s'", typed.c_str());
  fclose(file);
  LdconfigPath = found;
}

void LibraryDirs::RebuildColourTable() {
  colours_.FreeColours();
  if (!LdconfigPath.empty() && !colours_.ReadColourFile(LdconfigPath, diag_))
    LdconfigPath.clear();
  // The table reports exhausted memory itself; the built-in colours that
  // did fit still serve the run.
  colours_.AddDefaultColours();
  colours_.CheckEdgeColours(LdconfigPath, diag_);
}

bool LibraryDirs::R7PPartsDirExists() {
  if (!record_) return false;
  std::optional<std::string> found = finder_.Find(record_->LDrawDir + "/R7PPARTS");
  return found && platform::IsDirectory(*found);
}

void LibraryDirs::SetLgeoDirOption(const std::string& dir) {
  LgeoDir = dir;
  LgeoDirSource = "-lgd<dir> option";
}

bool LibraryDirs::ResolveLgeoDir() {
  if (LgeoDir.empty() && switches_.LgeoDirOption)
    SetLgeoDirOption(*switches_.LgeoDirOption);
  if (!LgeoDir.empty()) {
    StripTrailingBackslashes(&LgeoDir);
    return true;
  }
  if (std::optional<std::string> env = platform::GetEnv("LGEODIR")) {
    LgeoDir = *env;
    LgeoDirSource = "LGEODIR environment variable";
    StripTrailingBackslashes(&LgeoDir);
    return true;
  }
  LgeoDirSource.clear();
  if (PathIniGetIniValue(record_.get(), "LDraw", "LgeoDirectory", &LgeoDir,
                         kPathBuffer, &LgeoDirSource, kPathBuffer, finder_)) {
    StripTrailingBackslashes(&LgeoDir);
    return true;
  }
  const std::string& root = LDrawDir();
  struct Candidate {
    const char* relative;
    const char* source;
  };
  for (const Candidate& candidate :
       {Candidate{"/lgeo", "LDRAWDIR\\lgeo"},
        Candidate{"/Apps/lgeo", "LDRAWDIR\\Apps\\lgeo"}}) {
    if (root.empty()) break;
    std::optional<std::string> found = finder_.Find(root + candidate.relative);
    if (!found || !platform::IsDirectory(*found)) continue;
    LgeoDir = *found;
    LgeoDirSource = candidate.source;
    return true;
  }
  LgeoDir.clear();
  return false;
}
