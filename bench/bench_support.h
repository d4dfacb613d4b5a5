// Pieces shared by the benchmarks.
#ifndef R7P_BENCH_BENCH_SUPPORT_H_
#define R7P_BENCH_BENCH_SUPPORT_H_

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace bench_support {

/// Appends every regular file below `dir` (recursively) to `paths`.
void CollectFiles(const std::string& dir, std::vector<std::string>* paths);

/// Reads every file of `paths` through `buffer` and returns the number of
/// bytes read: the baseline the program's reading is compared with.
size_t ReadAll(const std::vector<std::string>& paths, std::vector<char>& buffer);

/// Runs the system's `cat` once on all of `paths` with its output sent to
/// /dev/null and waits for it: what a user's `cat` of the same files costs,
/// process start included. Returns false when it could not run or failed.
bool CatFiles(const std::vector<std::string>& paths);

/// Times CatFiles(paths) once per benchmark iteration.
void CatEachIteration(benchmark::State& state, const std::vector<std::string>& paths);

/// Runs the whole program on `argv` once per benchmark iteration, with its
/// messages and remarks sent to /dev/null; returns the OR of the exit
/// statuses (0 when every run succeeded). Without `read_ahead` a conversion
/// reads every file on its own thread.
int RunProgramEachIteration(benchmark::State& state, int argc,
                            const char* const* argv, bool read_ahead = true);

/// RunProgramEachIteration, and beside it the counter "vs_cat": the wall
/// time of one run divided by that of CatFiles(paths) (the median of five,
/// taken just before), so that the ratio is measured under the same load.
int RunProgramAgainstCat(benchmark::State& state, int argc,
                         const char* const* argv,
                         const std::vector<std::string>& paths,
                         bool read_ahead = true);

/// Sends standard output and standard error to /dev/null while it lives, so
/// that the program's messages do not mix with the benchmark report.
class QuietStdStreams {
 public:
  QuietStdStreams();
  ~QuietStdStreams();
  QuietStdStreams(const QuietStdStreams&) = delete;
  QuietStdStreams& operator=(const QuietStdStreams&) = delete;

 private:
  int saved_out_ = -1;
  int saved_err_ = -1;
};

}  // namespace bench_support

#endif  // R7P_BENCH_BENCH_SUPPORT_H_
