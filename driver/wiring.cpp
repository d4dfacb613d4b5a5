#include "driver/wiring.h"

#include "pov/primitive_subst.h"

ConversionHooks WireConversionHooks(Run& run) {
  ConversionHooks hooks;
  hooks.list_pov_equivalents = [](FILE* out) { ListPovEquivalents(out); };
  hooks.has_pov_equivalent = [](const std::string& name) {
    return FindPovEquivalent(name).has_value();
  };
  hooks.write_statistics = [&run](FILE* out) {
    run.statistics.WriteStatistics(out, "", run.files, run.settings,
                                   run.switches.Verbose);
  };
  // Library set-up, search directories, model loading, scene start and
  // tail are bound here as their subsystems are joined to the run.
  return hooks;
}
