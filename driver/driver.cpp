#include "driver/driver.h"

#include <cstring>
#include <vector>

#include "driver/options.h"
#include "driver/usage.h"
#include "base/text_scan.h"
#include "platform/platform.h"

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

void Launch(const ConversionHooks& hooks, const std::string& program,
            const std::string& argument) {
  if (hooks.launch) {
    hooks.launch(program, argument);
  } else if (platform::OnPath(program)) {
    platform::LaunchDetached(program, argument);
  }
}

// Hands the scene to POV-Ray when it is installed, else to whatever the
// desktop associates with .pov files.
void LaunchPovRay(const ConversionHooks& hooks, const std::string& scene) {
  const char* program = "povray";
  if (!hooks.launch && !platform::OnPath(program)) program = "xdg-open";
  Launch(hooks, program, scene);
}

OptionHooks MakeOptionHooks(Run& run, const ConversionHooks& hooks) {
  OptionHooks option_hooks;
  option_hooks.library_set_up = hooks.library_set_up;
  option_hooks.parse_colour = [&run, &hooks](const char* text, int* number,
                                             Vector* rgb) {
    float values[3] = {0, 0, 0};
    if (rgb != nullptr) {
      values[0] = rgb->x;
      values[1] = rgb->y;
      values[2] = rgb->z;
    }
    int taken = run.colours.ParseColourArgument(
        text, rgb != nullptr ? values : nullptr, number, [&hooks] {
          if (hooks.set_up_library) hooks.set_up_library();
        });
    if (taken == 1 && rgb != nullptr) *rgb = Vector{values[0], values[1], values[2]};
    return taken;
  };
  return option_hooks;
}

int CheckForUpdate(Run& run, const ConversionHooks& hooks) {
  FILE* messages = run.diag.message_stream;
  PrintBanner(messages);
  fprintf(messages,
          "\nR7P will now launch your Internet Browser with\n %s\n"
          "so you can see if there is a newer version...\n",
          kVersionPage);
  fflush(messages);
  Launch(hooks, "xdg-open", kVersionPage);
  return 0;
}

// Library, search directories and LGEO directory, once the options are in.
void SetUpDirectories(Run& run, const ConversionHooks& hooks) {
  if (hooks.set_up_library) hooks.set_up_library();
  if (run.settings.OrderHas('3') &&
      !(hooks.r7pparts_dir_exists && hooks.r7pparts_dir_exists()))
    RemoveOrderLetter(run.settings, '3');
  if (run.switches.Verbose > 0)
    fputs("Calling PathIniComputeRealDirs\n", run.diag.message_stream);
  if (hooks.compute_search_dirs && !hooks.compute_search_dirs())
    run.diag.FatalError("Failed to compute search dirs", nullptr);
  if (run.settings.OrderHas('L') || run.settings.OrderHas('A')) {
    if (!(hooks.resolve_lgeo_dir && hooks.resolve_lgeo_dir()))
      run.diag.FatalError(hooks.lgeo_dir_message.c_str(), nullptr);
  }
}

RunKind ChooseRunKind(const Run& run, const ConversionHooks& hooks) {
  if (!run.switches.TestMode) return RunKind::kNormal;
  if (run.settings.OrderHas('L')) return RunKind::kLgeoTest;
  if (hooks.has_pov_equivalent && hooks.has_pov_equivalent(run.switches.ModelPath))
    return RunKind::kPrimitiveTest;
  return RunKind::kPovEquivs;
}

// Step 22: reads the model (or the test subject) and writes its declarations.
int ReadAndWrite(Run& run, const ConversionHooks& hooks, RunKind kind,
                 FILE* scene) {
  auto load = [&hooks] { return hooks.load_model ? hooks.load_model() : -1; };
  std::string name = LastComponent(run.switches.ModelPath);
  switch (kind) {
    case RunKind::kNormal:
      return load();
    case RunKind::kLgeoTest: {
      if (!(hooks.has_lgeo_element && hooks.has_lgeo_element(name)))
        run.diag.FatalError("No such LGEO element '%s'", name.c_str());
      // The part's own LDraw geometry is wanted beside the LGEO element.
      RemoveOrderLetter(run.settings, 'L');
      run.settings.SettingsFlags |= LgeoTest;
      int status = load();
      if (status != 0) return status;
      return hooks.write_lgeo_comparison ? hooks.write_lgeo_comparison(scene) : -1;
    }
    case RunKind::kPrimitiveTest: {
      RemoveOrderLetter(run.settings, 'P');
      int status = load();
      if (status != 0) return status;
      return hooks.write_primitive_comparison
                 ? hooks.write_primitive_comparison(scene, name)
                 : -1;
    }
    case RunKind::kPovEquivs:
      return 0;
  }
  return -1;
}

int AbnormalTermination(Run& run) {
  fputs("*** Abnormal termination.\n", run.diag.message_stream);
  return 1;
}

// Steps 12 to 26: one model into one scene file.
int Convert(Run& run, const ConversionHooks& hooks) {
  RunSwitches& sw = run.switches;
  Diagnostics& diag = run.diag;
  if (hooks.set_line_type_mask)
    hooks.set_line_type_mask(run.settings.EdgeWidth != 0 ? 63u : 27u);
  RunKind kind = ChooseRunKind(run, hooks);
  std::string typed_model = sw.ModelPath;
  std::string found;
  if (kind == RunKind::kPovEquivs) {
    sw.PovPath = sw.ModelPath;
    sw.ModelPath = "PovEquivs";
    typed_model = sw.ModelPath;
  } else if (!(hooks.find_model_file && hooks.find_model_file(sw.ModelPath, &found))) {
    diag.FatalError("Cannot find model file '%s'", sw.ModelPath.c_str());
  }
  sw.PovPath = SceneFileName(sw.PovPath, typed_model, diag);
  if (kind != RunKind::kPovEquivs) sw.ModelPath = found;

  if (hooks.start_model && hooks.start_model(sw.ModelPath) != 0)
    return AbnormalTermination(run);
  CommandLine command_line = run.command_line;
  auto header = [&hooks, command_line](FILE* file) {
    WriteCommandLineComments(file, hooks.ldconfig_path ? hooks.ldconfig_path() : "",
                             command_line);
  };
  if (hooks.start_scene && hooks.start_scene(sw.ModelPath, header) != 0)
    return AbnormalTermination(run);

  if (!sw.Overwrite && platform::IsReadable(sw.PovPath))
    diag.FatalError("File '%s' already exists, use option -o to overwrite",
                    sw.PovPath.c_str());
  FILE* scene = fopen(sw.PovPath.c_str(), "w");
  if (scene == nullptr)
    diag.FatalError("Could not open '%s' for writing", sw.PovPath.c_str());
  // A scene runs to megabytes; a large buffer writes it in few system
  // calls. The buffer outlives the stream: it is closed below.
  std::vector<char> scene_buffer(kSceneBufferSize);
  setvbuf(scene, scene_buffer.data(), _IOFBF, scene_buffer.size());
  if (hooks.scene_opened) hooks.scene_opened(scene);
  fprintf(diag.message_stream, "Processing %s\n",
          hooks.last_opened_path ? hooks.last_opened_path().c_str()
                                 : sw.ModelPath.c_str());

  int status = ReadAndWrite(run, hooks, kind, scene);
  int result = hooks.write_scene_tail ? hooks.write_scene_tail(scene, status) : -1;
  if (result == -2) fputs("Empty model.\n", diag.message_stream);
  long size = ftell(scene);
  fclose(scene);
  if (hooks.scene_opened) hooks.scene_opened(nullptr);
  PrintBanner(diag.message_stream);
  if (result != 0) return AbnormalTermination(run);

  if (hooks.write_statistics) hooks.write_statistics(diag.message_stream);
  fprintf(diag.message_stream, "POV file successfully written: %s  %ld kBytes\n",
          sw.PovPath.c_str(), size < 0 ? 0L : (size + 1023) / 1024);
  if (sw.LaunchPov) {
    fputs("Launching POV-Ray...\n", diag.message_stream);
    fflush(diag.message_stream);
    LaunchPovRay(hooks, sw.PovPath);
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
  diag.print_usage = [&run] {
    bool off = run.diag.key_wait_off;
    PrintUsage(run.out, run.switches.TestMode, [&run, off] { PressAnyKey(run.out, off); });
    PrintBanner(run.out);
  };
  if (run.colours.AddDefaultColours(diag) != 0)
    diag.FatalError("Out of memory for more colors", nullptr);
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

void WriteCommandLineComments(FILE* file, const std::string& ldconfig_path,
                              const CommandLine& command_line) {
  fprintf(file, "// ldconfig.ldr: %s\n", ldconfig_path.c_str());
  fputs("// Commandline: ", file);
  for (int i = 0; i < command_line.argc; ++i) {
    const char* arg = command_line.argv[i];
    fprintf(file, strchr(arg, ' ') != nullptr ? " \"%s\"" : " %s", arg);
  }
  fputs("\n", file);
}

int RunProgram(Run& run, const ConversionHooks& hooks) {
  PrepareRun(run);
  const CommandLine& cl = run.command_line;
  OptionHooks option_hooks = MakeOptionHooks(run, hooks);
  OptionTargets targets{run.settings, run.switches, run.lights, run.diag};
  switch (ParseArguments(cl.argc, cl.argv, targets, option_hooks)) {
    case ImmediateAction::kPrintColours:
      if (hooks.set_up_library) hooks.set_up_library();
      run.colours.PrintColours(run.out);
      return 0;
    case ImmediateAction::kCheckUpdate:
      return CheckForUpdate(run, hooks);
    case ImmediateAction::kNone:
      break;
  }
  CheckOptions(run.settings, run.switches, run.diag);

  if (run.switches.ModelPath.empty() && !run.switches.CheckMode) {
    if (!run.switches.PrintPrimitives) run.diag.FatalError(nullptr, nullptr);
    if (hooks.list_pov_equivalents) hooks.list_pov_equivalents(run.out);
    return 0;
  }
  SetUpDirectories(run, hooks);
  if (run.switches.CheckMode) {
    if (hooks.run_checks) return hooks.run_checks();
    PrintBanner(run.diag.message_stream);
    return 0;
  }
  return Convert(run, hooks);
}
