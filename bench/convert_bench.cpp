// Converting the library's largest model into a POV-Ray scene, against merely
// reading the bytes of every file that the conversion reads. The ratio says
// how much the reader, the resolver and the scene writer add to the I/O.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "driver/driver.h"
#include "driver/run.h"
#include "pov/primitive_subst.h"
#include "platform/path_finder.h"
#include "platform/platform.h"

namespace {

using bench_support::CollectFiles;
using bench_support::ReadAll;

std::string Library() { return std::string(R7P_SHARED_DIR) + "/ldraw"; }

std::string Lower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

// The files a conversion of `model` reads from disk: the model and, through
// its type-1 lines, every sub-file found in the model's folder or the
// library's p/, parts/ and models/ folders. Sub-models of a multi-part file
// are not looked up, nor are primitives that become POV-Ray solids.
class ReferencedFiles {
 public:
  explicit ReferencedFiles(const std::string& model) {
    model_dir_ = model.substr(0, model.rfind('/'));
    Visit(model);
  }
  const std::vector<std::string>& paths() const { return paths_; }
  size_t bytes() const { return bytes_; }

 private:
  void Visit(const std::string& path) {
    FILE* stream = fopen(path.c_str(), "rb");
    if (stream == nullptr) return;
    paths_.push_back(path);
    std::vector<std::string> references;
    std::set<std::string> sections;
    char line[1000];
    while (fgets(line, sizeof line, stream) != nullptr) {
      bytes_ += strlen(line);
      line[strcspn(line, "\r\n")] = '\0';
      char name[1000];
      int end = 0;
      float m[12];
      int type = 0;
      long colour = 0;
      if (sscanf(line, " 0 FILE %999[^\n]", name) == 1) {
        sections.insert(Lower(name));
      } else if (sscanf(line, "%d %li %f %f %f %f %f %f %f %f %f %f %f %f %n",
                        &type, &colour, &m[0], &m[1], &m[2], &m[3], &m[4], &m[5],
                        &m[6], &m[7], &m[8], &m[9], &m[10], &m[11], &end) == 14 &&
                 type == 1 && end > 0) {
        std::string ref = Lower(line + end);
        while (!ref.empty() && (ref.back() == ' ' || ref.back() == '\t')) ref.pop_back();
        references.push_back(ref);
      }
    }
    fclose(stream);
    for (const std::string& ref : references) {
      if (sections.count(ref) != 0 || !seen_.insert(ref).second) continue;
      std::string ldraw_name = ref;
      for (char& c : ldraw_name)
        if (c == '/') c = '\\';
      if (FindPovEquivalent(ldraw_name).has_value()) continue;
      std::string relative = ref;
      for (char& c : relative)
        if (c == '\\') c = '/';
      for (const std::string& dir :
           {model_dir_, Library() + "/p", Library() + "/parts", Library() + "/models"}) {
        std::optional<std::string> found = finder_.Find(dir + "/" + relative);
        if (found && platform::IsRegularFile(*found)) {
          Visit(*found);
          break;
        }
      }
    }
  }

  std::string model_dir_;
  std::set<std::string> seen_;
  std::vector<std::string> paths_;
  size_t bytes_ = 0;
  platform::PathFinder finder_;
};

// The model of ../shared/ldraw/models whose referenced files are largest.
std::string LargestModel() {
  std::string best;
  size_t best_bytes = 0;
  for (const auto& entry : std::filesystem::directory_iterator(Library() + "/models")) {
    ReferencedFiles files(entry.path().string());
    if (files.bytes() > best_bytes) {
      best_bytes = files.bytes();
      best = entry.path().string();
    }
  }
  return best;
}

// No configuration of the machine may change what is read.
void CleanEnvironment() {
  for (const char* name : {"LDRAWDIR", "LDRAWINI", "LDRAWSEARCH", "LDRAWSEARCH01",
                           "LGEODIR", "USERPROFILE", "ALLUSERSPROFILE"})
    unsetenv(name);
}

void BM_ReadReferencedFiles(benchmark::State& state) {
  ReferencedFiles files(LargestModel());
  std::vector<char> buffer(1 << 16);
  size_t bytes = 0;
  for (auto _ : state) {
    bytes += ReadAll(files.paths(), buffer);
  }
  benchmark::DoNotOptimize(bytes);
  state.counters["files"] = static_cast<double>(files.paths().size());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(files.bytes()));
}

void BM_CatReferencedFiles(benchmark::State& state) {
  ReferencedFiles files(LargestModel());
  bench_support::CatEachIteration(state, files.paths());
}

// Converts with the read-ahead thread when `read_ahead` (as the program
// runs), and with `options` (say "-lean") before the model.
void ConvertLargestModel(benchmark::State& state, bool read_ahead,
                         const char* options) {
  CleanEnvironment();
  const std::string model = LargestModel();
  ReferencedFiles files(model);
  char scene_dir[] = "/tmp/r7p-bench-XXXXXX";
  if (mkdtemp(scene_dir) == nullptr) {
    state.SkipWithError("no temporary folder");
    return;
  }
  const std::string scene = std::string(scene_dir) + "/scene.pov";
  const std::string ldd = "-ldd" + Library();
  std::vector<const char*> argv = {"r7p", ldd.c_str(), "-o"};
  if (*options != '\0') argv.push_back(options);
  argv.insert(argv.end(), {model.c_str(), scene.c_str(), nullptr});
  const int status = bench_support::RunProgramAgainstCat(
      state, static_cast<int>(argv.size()) - 1, argv.data(), files.paths(), read_ahead);
  std::error_code ec;
  double scene_bytes = static_cast<double>(std::filesystem::file_size(scene, ec));
  std::filesystem::remove_all(scene_dir, ec);
  if (status != 0) state.SkipWithError("the conversion failed");
  state.counters["scene_kB"] = scene_bytes / 1024;
  state.counters["files"] = static_cast<double>(files.paths().size());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(files.bytes()));
  state.SetLabel(model.substr(model.rfind('/') + 1));
}

// state.range(0): 1 with the read-ahead thread (as the program runs), 0
// without it.
void BM_ConvertLargestModel(benchmark::State& state) {
  ConvertLargestModel(state, state.range(0) != 0, "");
}

// The lean scene (-lean), as the program runs: it is written to memory first
// and copied to its file with the #undef lines.
void BM_ConvertLargestModelLean(benchmark::State& state) {
  ConvertLargestModel(state, true, "-lean");
}

BENCHMARK(BM_ReadReferencedFiles)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CatReferencedFiles)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ConvertLargestModel)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertLargestModelLean)->Unit(benchmark::kMillisecond);

}  // namespace
