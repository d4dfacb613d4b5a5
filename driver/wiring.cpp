#include "driver/wiring.h"

#include "pov/primitive_subst.h"
#include "searchdirs/path_ini.h"

namespace {

void WireLibrary(Run& run, ConversionHooks& hooks) {
  hooks.set_up_library = [&run] { run.library.SetUpLibrary(); };
  hooks.library_set_up = [&run] { return run.library.LibrarySetUp(); };
  hooks.r7pparts_dir_exists = [&run] { return run.library.R7PPartsDirExists(); };
  hooks.compute_search_dirs = [&run] {
    return PathIniComputeRealDirs(run.library.record(), true, true, nullptr,
                                  run.finder) == 1;
  };
  hooks.resolve_lgeo_dir = [&run] {
    if (run.switches.LgeoDirOption)
      run.library.SetLgeoDirOption(*run.switches.LgeoDirOption);
    return run.library.ResolveLgeoDir() == 1;
  };
  hooks.lgeo_dir_message = kLgeoDirMessage;
  hooks.ldconfig_path = [&run] { return run.library.LdconfigPath; };
}

}  // namespace

ConversionHooks WireConversionHooks(Run& run) {
  ConversionHooks hooks;
  WireLibrary(run, hooks);
  hooks.list_pov_equivalents = [](FILE* out) { ListPovEquivalents(out); };
  hooks.has_pov_equivalent = [](const std::string& name) {
    return FindPovEquivalent(name).has_value();
  };
  hooks.write_statistics = [&run](FILE* out) {
    run.statistics.WriteStatistics(out, "", run.files, run.settings,
                                   run.switches.Verbose);
  };
  // Model loading, scene start, the declarations and the tail are bound
  // here as their subsystems are joined to the run.
  return hooks;
}
