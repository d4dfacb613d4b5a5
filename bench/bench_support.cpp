#include "bench/bench_support.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "driver/driver.h"
#include "driver/run.h"
#include "platform/platform.h"

namespace bench_support {

void CollectFiles(const std::string& dir, std::vector<std::string>* paths) {
  auto entries = platform::ListDirectory(dir);
  if (!entries) return;
  for (const std::string& entry : *entries) {
    std::string path = dir + "/" + entry;
    if (platform::IsDirectory(path))
      CollectFiles(path, paths);
    else if (platform::IsRegularFile(path))
      paths->push_back(path);
  }
}

size_t ReadAll(const std::vector<std::string>& paths, std::vector<char>& buffer) {
  size_t bytes = 0;
  for (const std::string& path : paths) {
    FILE* stream = fopen(path.c_str(), "rb");
    if (stream == nullptr) continue;
    size_t got = 0;
    while ((got = fread(buffer.data(), 1, buffer.size(), stream)) > 0) bytes += got;
    fclose(stream);
  }
  return bytes;
}

bool CatFiles(const std::vector<std::string>& paths) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>("cat"));
  for (const std::string& path : paths) argv.push_back(const_cast<char*>(path.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  pid_t child = 0;
  const int spawned = posix_spawnp(&child, "cat", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return false;
  int status = 0;
  if (waitpid(child, &status, 0) != child) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void CatEachIteration(benchmark::State& state, const std::vector<std::string>& paths) {
  bool ok = true;
  for (auto _ : state) ok = CatFiles(paths) && ok;
  if (!ok) state.SkipWithError("cat failed");
  state.counters["files"] = static_cast<double>(paths.size());
}

QuietStdStreams::QuietStdStreams() {
  fflush(stdout);
  fflush(stderr);
  saved_out_ = dup(1);
  saved_err_ = dup(2);
  int null_fd = open("/dev/null", O_WRONLY);
  dup2(null_fd, 1);
  dup2(null_fd, 2);
  close(null_fd);
}

QuietStdStreams::~QuietStdStreams() {
  fflush(stdout);
  fflush(stderr);
  dup2(saved_out_, 1);
  dup2(saved_err_, 2);
  close(saved_out_);
  close(saved_err_);
}

int RunProgramEachIteration(benchmark::State& state, int argc,
                            const char* const* argv, bool read_ahead) {
  FILE* sink = fopen("/dev/null", "w");
  int status = 0;
  {
    QuietStdStreams quiet;
    for (auto _ : state) {
      Run run;
      run.out = sink;
      run.err = sink;
      run.command_line = CommandLine{argc, argv};
      FileSource::Options options = run.loader.file_source().options();
      options.read_ahead = read_ahead;
      run.loader.file_source().set_options(options);
      DesktopLauncher launcher;  // the benchmarks ask for no launch
      status |= RunProgram(run, launcher);
    }
  }
  fclose(sink);
  return status;
}

namespace {

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start)
      .count();
}

// The median wall time of `runs` CatFiles(paths), or 0 when one failed.
double CatSeconds(const std::vector<std::string>& paths, int runs) {
  std::vector<double> seconds;
  for (int i = 0; i < runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    if (!CatFiles(paths)) return 0;
    seconds.push_back(SecondsSince(start));
  }
  std::sort(seconds.begin(), seconds.end());
  return seconds[seconds.size() / 2];
}

}  // namespace

int RunProgramAgainstCat(benchmark::State& state, int argc,
                         const char* const* argv,
                         const std::vector<std::string>& paths,
                         bool read_ahead) {
  const double cat_seconds = CatSeconds(paths, 5);
  const auto start = std::chrono::steady_clock::now();
  const int status = RunProgramEachIteration(state, argc, argv, read_ahead);
  const double run_seconds =
      SecondsSince(start) / static_cast<double>(std::max<int64_t>(state.iterations(), 1));
  if (cat_seconds > 0) state.counters["vs_cat"] = run_seconds / cat_seconds;
  return status;
}

}  // namespace bench_support
