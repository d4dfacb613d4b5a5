// Checking the whole shared LDraw library with -check (every file below it,
// LDraw or not, read and validated line by line), against merely reading the
// bytes of the same files.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "driver/driver.h"
#include "driver/run.h"
#include "platform/platform.h"

namespace {

using bench_support::CollectFiles;
using bench_support::ReadAll;

std::string CheckedTree() { return std::string(R7P_SHARED_DIR) + "/ldraw"; }

void BM_ReadLibraryTree(benchmark::State& state) {
  std::vector<std::string> paths;
  CollectFiles(CheckedTree(), &paths);
  std::vector<char> buffer(1 << 16);
  size_t bytes = 0;
  for (auto _ : state) bytes = ReadAll(paths, buffer);
  benchmark::DoNotOptimize(bytes);
  state.counters["files"] = static_cast<double>(paths.size());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(bytes));
}

void BM_CatLibraryTree(benchmark::State& state) {
  std::vector<std::string> paths;
  CollectFiles(CheckedTree(), &paths);
  bench_support::CatEachIteration(state, paths);
}

void BM_CheckLibraryTree(benchmark::State& state) {
  for (const char* name : {"LDRAWDIR", "LDRAWINI", "LDRAWSEARCH", "LDRAWSEARCH01",
                           "LGEODIR", "USERPROFILE", "ALLUSERSPROFILE"})
    unsetenv(name);
  std::vector<std::string> paths;
  CollectFiles(CheckedTree(), &paths);
  std::vector<char> buffer(1 << 16);
  const size_t bytes = ReadAll(paths, buffer);
  const std::string ldd = "-ldd" + CheckedTree();
  const std::string tree = CheckedTree();
  const char* argv[] = {"r7p", ldd.c_str(), "-check", tree.c_str(), nullptr};
  const int status = bench_support::RunProgramAgainstCat(state, 4, argv, paths);
  if (status != 0) state.SkipWithError("the check run failed");
  state.counters["files"] = static_cast<double>(paths.size());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(bytes));
}

BENCHMARK(BM_ReadLibraryTree)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CatLibraryTree)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CheckLibraryTree)->Unit(benchmark::kMillisecond);

}  // namespace
