#include "bench/bench_support.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

#include "driver/driver.h"
#include "driver/run.h"
#include "driver/wiring.h"
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
                            const char* const* argv) {
  FILE* sink = fopen("/dev/null", "w");
  int status = 0;
  {
    QuietStdStreams quiet;
    for (auto _ : state) {
      Run run;
      run.out = sink;
      run.err = sink;
      run.command_line = CommandLine{argc, argv};
      RunServices services(run);
      ConversionHooks hooks = WireConversionHooks(services);
      status |= RunProgram(run, hooks);
    }
  }
  fclose(sink);
  return status;
}

}  // namespace bench_support
