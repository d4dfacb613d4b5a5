#include "driver/wiring.h"

#include "driver/check_mode.h"
#include "driver/usage.h"
#include "pov/scene_tail.h"
#include "pov/prepared_parts.h"
#include "pov/primitive_subst.h"
#include "searchdirs/path_ini.h"

namespace {

ResolveHooks MakeResolveHooks(RunServices& s) {
  ResolveHooks hooks;
  hooks.write_declaration = [&s](DatFile& file, bool is_main) {
    WriteDeclaration(s.run.scene.scene, file, is_main, s.writer);
  };
  hooks.camera_add_point = [&s](const Vector& point) {
    s.run.camera.CameraAddPoint(point);
  };
  hooks.pov_equivalent_box = [](const std::string& name) -> std::optional<BBox> {
    std::optional<PovEquivalent> equivalent = FindPovEquivalent(name);
    if (!equivalent) return std::nullopt;
    return equivalent->box;
  };
  hooks.has_lgeo_element = [&s](const std::string& name) {
    const Settings& settings = s.run.settings;
    if (!settings.OrderHas('L') && !settings.OrderHas('A')) return false;
    const LgeoElement* element =
        s.run.lgeo.FindLgeoElement(name, 0, settings.SubstitutionOrder);
    return element != nullptr && element->chosenSet != 0;
  };
  hooks.has_prepared_part = [&s](const std::string& name) {
    FILE* file = OpenPovPartsFile(s.run.finder, s.library.LDrawDir(), name);
    if (file == nullptr) return false;
    fclose(file);
    return true;
  };
  return hooks;
}

// The header block names the library as it stands after StartModel has
// recomputed the search directories for the model's folder.
void FillSceneHeader(RunServices& s, const std::string& model_path) {
  SceneHeaderInfo& header = s.run.scene.header;
  header = SceneHeaderInfo{};
  header.banner = kBanner;
  header.model_path = model_path;
  if (const PathIniData* record = s.library.record()) {
    header.model_dir = record->ModelDir.value_or("");
    header.ldraw_dir = record->LDrawDir;
    header.ldraw_dir_source = record->LDrawDirSource;
    header.search_text = record->SearchDirsSource;
    for (const SearchDir& dir : record->SearchDirs)
      header.search_dirs.push_back(
          SceneSearchDir{dir.Dir, static_cast<uint32_t>(dir.Flags)});
  }
  header.lgeo_dir = s.library.LgeoDir;
  header.lgeo_dir_source = s.library.LgeoDirSource;
  s.run.scene.r7pparts_dir.clear();
  if (!s.library.LDrawDir().empty()) {
    std::optional<std::string> parts =
        s.run.finder.Find(s.library.LDrawDir() + "/R7PPARTS");
    if (parts && platform::IsDirectory(*parts)) s.run.scene.r7pparts_dir = *parts;
  }
}

int StartScene(RunServices& s, const std::string& model_path,
               std::function<void(FILE*)> header_callback) {
  Run& run = s.run;
  FillSceneHeader(s, model_path);
  run.scene.header_callback = std::move(header_callback);
  run.scene.StartScene();
  run.statistics.Reset();
  s.writer.ldraw_dir = s.library.LDrawDir();
  if (run.lgeo.LoadLgeoListsOnce(run.settings, s.library.LgeoDir, run.finder,
                                 run.diag) != 0)
    return -1;
  run.camera.CameraSetup(run.settings);
  return 0;
}

int RunChecks(RunServices& s) {
  CheckHooks hooks;
  hooks.has_pov_equivalent = [](const std::string& name) {
    return FindPovEquivalent(name).has_value();
  };
  hooks.has_prepared_part = [&s](const std::string& name) {
    FILE* file = OpenPovPartsFile(s.run.finder, s.library.LDrawDir(), name);
    if (file == nullptr) return false;
    fclose(file);
    return true;
  };
  hooks.print_banner = [](FILE* stream) { PrintBanner(stream); };
  CheckRun check(s.reader, s.loader, s.library, s.run.finder, hooks);
  return check.RunChecks();
}

}  // namespace

RunServices::RunServices(Run& r)
    : run(r),
      library(r.switches, r.diag, r.colours, r.finder),
      validator(r.diag, r.switches, r.colours),
      reader{r.diag, r.settings, r.switches, r.files},
      scene{r.scene, r.settings, r.files, r.colours, r.lgeo, r.diag, r.finder},
      writer{scene, r.settings, r.statistics, "", ""},
      loader(reader, library, r.finder, MakeResolveHooks(*this)) {
  reader.validator = &validator;
  reader.colours = &r.colours;
}

ConversionHooks WireConversionHooks(RunServices& s) {
  Run& run = s.run;
  ConversionHooks hooks;
  hooks.set_up_library = [&s] { s.library.SetUpLibrary(); };
  hooks.library_set_up = [&s] { return s.library.LibrarySetUp(); };
  hooks.r7pparts_dir_exists = [&s] { return s.library.R7PPartsDirExists(); };
  hooks.compute_search_dirs = [&s] {
    return PathIniComputeRealDirs(s.library.record(), true, true, nullptr,
                                  s.run.finder) == 1;
  };
  hooks.resolve_lgeo_dir = [&s] { return s.library.ResolveLgeoDir() == 1; };
  hooks.lgeo_dir_message = kLgeoDirMessage;
  hooks.run_checks = [&s] { return RunChecks(s); };
  hooks.list_pov_equivalents = [](FILE* out) { ListPovEquivalents(out); };
  hooks.has_pov_equivalent = [](const std::string& name) {
    return FindPovEquivalent(name).has_value();
  };
  hooks.has_lgeo_element = [&run](const std::string& name) {
    return run.lgeo.FindLgeoElement(name, 'L', run.settings.SubstitutionOrder) !=
           nullptr;
  };
  hooks.set_line_type_mask = [&s](uint32_t mask) { s.reader.line_type_mask = mask; };
  hooks.find_model_file = [&s](const std::string& name, std::string* found) {
    FILE* file = s.loader.FindLibraryFile(name, true, nullptr);
    if (file == nullptr) return false;
    fclose(file);
    *found = s.loader.LastOpenedPath();
    return true;
  };
  hooks.last_opened_path = [&s] { return s.loader.LastOpenedPath(); };
  hooks.start_model = [&s](const std::string& path) {
    return s.loader.StartModel(path) == Status::kOk ? 0 : -1;
  };
  hooks.start_scene = [&s](const std::string& path,
                           std::function<void(FILE*)> header_callback) {
    return StartScene(s, path, std::move(header_callback));
  };
  hooks.scene_opened = [&run](FILE* scene) {
    run.scene.scene = scene;
    run.camera.SetDebugStream(scene);
  };
  hooks.load_model = [&s] {
    return s.loader.LoadModel() == Status::kOk ? 0 : -1;
  };
  // The comparison writes the LDraw version under the plain identifier
  // first and switches to the "_lgeo" names itself.
  hooks.write_lgeo_comparison = [&s](FILE* scene) {
    return WriteLgeoComparison(scene, s.writer);
  };
  hooks.write_primitive_comparison = [&s](FILE* scene, const std::string& name) {
    return WritePrimitiveComparison(scene, name, s.writer);
  };
  hooks.write_scene_tail = [&s](FILE* scene, int status) {
    SceneTailParts parts = MakeSceneTailParts(s.run.camera, s.writer,
                                              s.run.statistics,
                                              s.run.switches.Verbose);
    return WriteSceneTail(s.scene, scene, status != 0, s.run.lights, parts);
  };
  hooks.write_statistics = [&run](FILE* out) {
    run.statistics.WriteStatistics(out, "", run.files, run.settings,
                                   run.switches.Verbose);
  };
  hooks.ldconfig_path = [&s] { return s.library.LdconfigPath; };
  return hooks;
}
