#include "driver/driver.h"

#include <cstring>
#include <vector>

#include "base/status.h"
#include "base/text_scan.h"
#include "driver/check_mode.h"
#include "driver/options.h"
#include "driver/usage.h"
#include "platform/platform.h"
#include "pov/prepared_parts.h"
#include "pov/primitive_subst.h"
#include "pov/scene_tail.h"
#include "searchdirs/path_ini.h"

namespace {

constexpr size_t kSceneBufferSize = size_t{1} << 18;

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// The file-name part of a path without its extension.
std::string BaseName(const std::string& path) {
  std::string name = LastComponent(path);
  size_t dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

bool HasExtension(const std::string& path) {
  return LastComponent(path).find('.') != std::string::npos;
}

// Starts `program` on one argument when it is installed.
void LaunchIfInstalled(const char* program, const std::string& argument) {
  if (platform::OnPath(program)) platform::LaunchDetached(program, argument);
}

// Colour arguments are read with the run's colour table; a colour name
// needs the library, which is then set up on the spot.
class RunOptionLibrary : public OptionLibrary {
 public:
  explicit RunOptionLibrary(Run& run) : run_(run) {}

  ColourArgument ParseColour(const char* text, int* number,
                             Vector* rgb) override {
    return run_.colours.ParseColourIntoVector(
        text, rgb, number, [this] { run_.library.SetUpLibrary(); });
  }

  bool LibrarySetUp() override { return run_.library.LibrarySetUp(); }

 private:
  Run& run_;
};

int CheckForUpdate(Run& run, Launcher& launcher) {
  FILE* messages = run.diag.message_stream;
  PrintBanner(messages);
  fprintf(messages,
          "\nR7P will now launch your Internet Browser with\n %s\n"
          "so you can see if there is a newer version...\n",
          kVersionPage);
  fflush(messages);
  launcher.OpenWebPage(kVersionPage);
  return 0;
}

// Library, search directories and LGEO directory, once the options are in.
void SetUpDirectories(Run& run) {
  LibraryDirs& library = run.library;
  library.SetUpLibrary();
  if (run.settings.OrderHas('3') && !library.R7PPartsDirExists())
    RemoveOrderLetter(run.settings, '3');
  if (run.switches.Verbose > 0)
    fputs("Calling PathIniComputeRealDirs\n", run.diag.message_stream);
  // Verified, with trailing separators, and without a model path yet.
  if (PathIniComputeRealDirs(library.record(), true, true, nullptr,
                             run.finder) != Status::kOk)
    run.diag.FatalError("Failed to compute search dirs", nullptr);
  if (run.settings.OrderHas('L') || run.settings.OrderHas('A')) {
    if (!library.ResolveLgeoDir())
      run.diag.FatalError(kLgeoDirMessage, nullptr);
  }
}

RunKind ChooseRunKind(const Run& run) {
  if (!run.switches.TestMode) return RunKind::kNormal;
  if (run.settings.OrderHas('L')) return RunKind::kLgeoTest;
  if (FindPovEquivalent(run.switches.ModelPath).has_value())
    return RunKind::kPrimitiveTest;
  return RunKind::kPovEquivs;
}

// The path under which FindLibraryFile finds the model (current directory
// first); fatal when there is none.
std::string FindModelFile(Run& run, const std::string& name) {
  FILE* file = run.loader.FindLibraryFile(name, true, nullptr);
  if (file == nullptr)
    run.diag.FatalError("Cannot find model file '%s'", name.c_str());
  fclose(file);
  return run.loader.LastOpenedPath();
}

// The header block names the library as it stands after StartModel has
// recomputed the search directories for the model's folder.
void FillSceneHeader(Run& run, const std::string& model_path) {
  SceneHeaderInfo& header = run.scene.header;
  const LibraryDirs& library = run.library;
  header = SceneHeaderInfo{};
  header.banner = kBanner;
  header.model_path = model_path;
  if (const PathIniData* record = library.record()) {
    header.model_dir = record->ModelDir.value_or("");
    header.ldraw_dir = record->LDrawDir;
    header.ldraw_dir_source = record->LDrawDirSource;
    header.search_text = record->SearchDirsSource;
    for (const SearchDir& dir : record->SearchDirs)
      header.search_dirs.push_back(
          SceneSearchDir{dir.Dir, static_cast<uint32_t>(dir.Flags)});
  }
  header.lgeo_dir = library.LgeoDir;
  header.lgeo_dir_source = library.LgeoDirSource;
  run.scene.r7pparts_dir.clear();
  if (!library.LDrawDir().empty()) {
    std::optional<std::string> parts =
        run.finder.Find(library.LDrawDir() + "/R7PPARTS");
    if (parts && platform::IsDirectory(*parts)) run.scene.r7pparts_dir = *parts;
  }
}

// The scene's header, the statistics, the LGEO lists and the camera, ready
// for the model at `model_path`.
Status StartScene(Run& run, const std::string& model_path) {
  FillSceneHeader(run, model_path);
  run.scene.header_lines =
      CommandLineComments(run.library.LdconfigPath, run.command_line);
  run.scene.StartScene();
  run.statistics.Reset();
  run.writer.ldraw_dir = run.library.LDrawDir();
  if (run.lgeo.LoadLgeoListsOnce(run.settings, run.library.LgeoDir, run.finder,
                                 run.diag) != Status::kOk)
    return Status::kFailed;
  run.camera.CameraSetup(run.settings);
  return Status::kOk;
}

// The scene file, or none (null) once it is closed.
void SetSceneFile(Run& run, FILE* scene) {
  run.scene.scene = scene;
  run.camera.SetDebugStream(scene);
}

// Reads the model (or the test subject) and writes its declarations.
Status ReadAndWrite(Run& run, RunKind kind, FILE* scene) {
  auto load = [&run] { return run.loader.LoadModel(); };
  std::string name = LastComponent(run.switches.ModelPath);
  switch (kind) {
    case RunKind::kNormal:
      return load();
    case RunKind::kLgeoTest: {
      if (run.lgeo.FindLgeoElement(name, 'L', run.settings.SubstitutionOrder) ==
          nullptr)
        run.diag.FatalError("No such LGEO element '%s'", name.c_str());
      // The part's own LDraw geometry is wanted beside the LGEO element.
      RemoveOrderLetter(run.settings, 'L');
      run.settings.SettingsFlags |= LgeoTest;
      if (load() != Status::kOk) return Status::kFailed;
      // The comparison writes the LDraw version under the plain identifier
      // first and switches to the "_lgeo" names itself.
      return WriteLgeoComparison(scene, run.writer);
    }
    case RunKind::kPrimitiveTest: {
      RemoveOrderLetter(run.settings, 'P');
      if (load() != Status::kOk) return Status::kFailed;
      return WritePrimitiveComparison(scene, name, run.writer);
    }
    case RunKind::kPovEquivs:
      return Status::kOk;
  }
  return Status::kFailed;
}

int AbnormalTermination(Run& run) {
  fputs("*** Abnormal termination.\n", run.diag.message_stream);
  return 1;
}

// One model into one scene file: find the model, start model and scene,
// open the scene file, read and write the declarations, the scene tail,
// the statistics, the summary and, with -pov, the launch of POV-Ray.
int Convert(Run& run, Launcher& launcher) {
  RunSwitches& sw = run.switches;
  Diagnostics& diag = run.diag;
  run.reader.line_type_mask = run.settings.EdgeWidth != 0 ? 63u : 27u;
  RunKind kind = ChooseRunKind(run);
  std::string typed_model = sw.ModelPath;
  std::string found;
  if (kind == RunKind::kPovEquivs) {
    sw.PovPath = sw.ModelPath;
    sw.ModelPath = "PovEquivs";
    typed_model = sw.ModelPath;
  } else {
    found = FindModelFile(run, sw.ModelPath);
  }
  sw.PovPath = SceneFileName(sw.PovPath, typed_model, diag);
  if (kind != RunKind::kPovEquivs) sw.ModelPath = found;

  if (run.loader.StartModel(sw.ModelPath) != Status::kOk)
    return AbnormalTermination(run);
  if (StartScene(run, sw.ModelPath) != Status::kOk)
    return AbnormalTermination(run);

  if (!sw.Overwrite && platform::IsReadable(sw.PovPath))
    diag.FatalError("File '%s' already exists, use option -o to overwrite",
                    sw.PovPath.c_str());
  // The lean scene is read back to put in its #undef lines.
  const bool lean = run.settings.Has(LeanScene);
  FILE* scene = fopen(sw.PovPath.c_str(), lean ? "w+" : "w");
  if (scene == nullptr)
    diag.FatalError("Could not open '%s' for writing", sw.PovPath.c_str());
  // A scene runs to megabytes; a large buffer writes it in few system
  // calls. The buffer outlives the stream: it is closed below.
  std::vector<char> scene_buffer(kSceneBufferSize);
  setvbuf(scene, scene_buffer.data(), _IOFBF, scene_buffer.size());
  if (lean) run.writer.lifetimes.Clear();
  SetSceneFile(run, scene);
  fprintf(diag.message_stream, "Processing %s\n",
          run.loader.LastOpenedPath().c_str());

  Status status = ReadAndWrite(run, kind, scene);
  CameraObjectAndStatistics parts(run.camera, run.writer, run.statistics,
                                  sw.Verbose);
  TailResult result = WriteSceneTail(run.scene_context, scene,
                                     status != Status::kOk, run.lights, parts);
  if (result == TailResult::kEmptyModel)
    fputs("Empty model.\n", diag.message_stream);
  // Where each file identifier is named for the last time, and so where
  // its #undef goes, is known once the whole scene is written. An error
  // block keeps its lines as written.
  if (lean && result == TailResult::kWritten &&
      run.writer.lifetimes.InsertUndefs(scene) != Status::kOk)
    diag.FatalError("Could not write '%s'", sw.PovPath.c_str());
  long size = ftell(scene);
  fclose(scene);
  SetSceneFile(run, nullptr);
  PrintBanner(diag.message_stream);
  if (result != TailResult::kWritten) return AbnormalTermination(run);

  run.statistics.WriteStatistics(diag.message_stream, "", run.files,
                                 run.settings, sw.Verbose);
  fprintf(diag.message_stream, "POV file successfully written: %s  %ld kBytes\n",
          sw.PovPath.c_str(), size < 0 ? 0L : (size + 1023) / 1024);
  if (sw.LaunchPov) {
    fputs("Launching POV-Ray...\n", diag.message_stream);
    fflush(diag.message_stream);
    launcher.ShowScene(sw.PovPath);
  }
  return 0;
}

}  // namespace

std::string LastComponent(const std::string& path) {
  size_t at = path.size();
  while (at > 0 && !IsSeparator(path[at - 1])) --at;
  return path.substr(at);
}

void PrepareRun(Run& run) {
  Diagnostics& diag = run.diag;
  const CommandLine& cl = run.command_line;
  diag.remark_stream = run.out;
  diag.message_stream = run.err;
  diag.stdout_first = cl.argc > 1 && strcmp(cl.argv[1], "-stdout") == 0;
  if (diag.stdout_first) diag.message_stream = run.out;
  // Waiting for a key only makes sense when someone sits at a terminal.
  diag.key_wait_off = diag.stdout_first || !platform::InteractiveTerminal();
  diag.usage = &run.usage;
  run.colours.AddDefaultColours();
}

std::string SceneFileName(const std::string& pov_path,
                          const std::string& typed_model, Diagnostics& diag) {
  std::string scene = pov_path;
  StripTrailingBackslashes(&scene);
  if (scene.empty() || platform::IsDirectory(scene)) {
    std::string base = BaseName(typed_model);
    if (base.empty()) diag.FatalError("POV filename not specified", nullptr);
    if (!scene.empty() && !IsSeparator(scene.back())) scene += '/';
    scene += base;
    scene += ".pov";
  }
  if (!HasExtension(scene)) scene += ".pov";
  if (scene.size() > platform::kMaxHostPath)
    diag.FatalError("POV filename too long (more than 4095 characters)", nullptr);
  return scene;
}

std::string CommandLineComments(const std::string& ldconfig_path,
                                const CommandLine& command_line) {
  std::string text = "// ldconfig.ldr: " + ldconfig_path + "\n// Commandline: ";
  for (int i = 0; i < command_line.argc; ++i) {
    const char* arg = command_line.argv[i];
    if (strchr(arg, ' ') != nullptr) {
      text += " \"";
      text += arg;
      text += '"';
    } else {
      text += ' ';
      text += arg;
    }
  }
  return text + "\n";
}

void DesktopLauncher::ShowScene(const std::string& scene) {
  LaunchIfInstalled(platform::OnPath("povray") ? "povray" : "xdg-open", scene);
}

void DesktopLauncher::OpenWebPage(const std::string& url) {
  LaunchIfInstalled("xdg-open", url);
}

int RunProgram(Run& run, Launcher& launcher) {
  PrepareRun(run);
  const CommandLine& cl = run.command_line;
  RunOptionLibrary option_library(run);
  OptionTargets targets{run.settings, run.switches, run.lights, run.diag};
  switch (ParseArguments(cl.argc, cl.argv, targets, option_library)) {
    case ImmediateAction::kPrintColours:
      run.library.SetUpLibrary();
      run.colours.PrintColours(run.out);
      return 0;
    case ImmediateAction::kCheckUpdate:
      return CheckForUpdate(run, launcher);
    case ImmediateAction::kNone:
      break;
  }
  CheckOptions(run.settings, run.switches, run.diag);

  if (run.switches.ModelPath.empty() && !run.switches.CheckMode) {
    if (!run.switches.PrintPrimitives) run.diag.FatalError(nullptr, nullptr);
    ListPovEquivalents(run.out);
    return 0;
  }
  SetUpDirectories(run);
  if (run.switches.CheckMode) {
    CheckRun check(run.reader, run.loader, run.library, run.finder);
    return check.RunChecks();
  }
  return Convert(run, launcher);
}
