// Reading and checking every file of the shared LDraw library, against merely
// reading its bytes: the reader should cost no more than about twice the I/O.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "colour/colour_table.h"
#include "base/settings.h"
#include "base/diagnostics.h"
#include "model/file_table.h"
#include "model/line_validation.h"
#include "model/parser.h"
#include "platform/platform.h"

namespace {

using bench_support::CollectFiles;
using bench_support::ReadAll;

std::vector<std::string> LibraryFiles() {
  std::vector<std::string> found;
  for (const char* sub : {"/p", "/parts", "/models"})
    CollectFiles(std::string(R7P_SHARED_DIR) + "/ldraw" + sub, &found);
  return found;
}

void BM_ReadBytes(benchmark::State& state) {
  const std::vector<std::string> paths = LibraryFiles();
  std::vector<char> buffer(1 << 16);
  size_t bytes = 0;
  for (auto _ : state) {
    bytes += ReadAll(paths, buffer);
  }
  benchmark::DoNotOptimize(bytes);
  state.counters["files"] = static_cast<double>(paths.size());
}

// The same files through the system's `cat`, the everyday measure of "merely
// reading the bytes".
void BM_CatBytes(benchmark::State& state) {
  bench_support::CatEachIteration(state, LibraryFiles());
}

void BM_ReadAndValidate(benchmark::State& state) {
  const std::vector<std::string> paths = LibraryFiles();
  Diagnostics diag;
  FILE* sink = fopen("/dev/null", "w");
  diag.remark_stream = sink;
  diag.message_stream = sink;
  diag.warning_level = 1;
  Settings settings;
  RunSwitches switches;
  switches.CheckMode = true;
  ColourTable colours;
  colours.AddDefaultColours();
  LineValidator validator(diag, switches, &colours);
  for (auto _ : state) {
    FileTable files(diag);
    ReaderContext context{diag, settings, switches, files, kCheckLineTypes};
    context.validator = &validator;
    context.colours = &colours;
    for (const std::string& path : paths) {
      FILE* stream = fopen(path.c_str(), "rb");
      if (stream == nullptr) continue;
      DatFile& main = files.SetMainModel(path.substr(path.rfind('/') + 1));
      (void)ReadDatFile(context, nullptr, main, stream, true);
      files.FreeModelFiles();
    }
  }
  fclose(sink);
  state.counters["files"] = static_cast<double>(paths.size());
}

BENCHMARK(BM_ReadBytes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CatBytes)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadAndValidate)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
