// What the fuzz targets share: a scratch folder with a tiny LDraw library of
// their own, quiet streams, and the fatal exit turned into a return, so that
// one process runs the program on input after input.
#ifndef R7P_FUZZ_FUZZ_SUPPORT_H_
#define R7P_FUZZ_FUZZ_SUPPORT_H_

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

class Diagnostics;

namespace fuzzing {

/// Thrown by the fatal exit of a target's run: the run is over, the input
/// is done with, the process goes on with the next one.
struct FatalExit {
  int status = 1;
};

/// Makes the fatal exit of `diag` throw FatalExit instead of ending the
/// process, and sends its remarks and messages to NullStream().
void QuietDiagnostics(Diagnostics& diag);

/// A folder of this process's own under the system's temporary folder,
/// made on first use and removed when the process ends normally. HOME
/// points to it and the LDraw variables of the environment are cleared, so
/// that no configuration of the machine takes part.
const std::string& ScratchDir();

/// ScratchDir()/ldraw: a copy of the demo library (LDConfig.ldr, a few
/// primitives and parts), made on first use.
const std::string& TinyLibrary();

/// Writes `bytes` to `path`, replacing it; returns `path`.
const std::string& WriteFile(const std::string& path, std::string_view bytes);

/// /dev/null for writing, opened once.
FILE* NullStream();

/// The input as text.
inline std::string_view AsText(const uint8_t* data, size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

/// Runs the whole program in this process on the command line "r7p" +
/// `args`, its output and messages discarded, reading library files in the
/// calling thread only; returns its exit status (1 for a fatal exit).
int RunWholeProgram(const std::vector<std::string>& args);

}  // namespace fuzzing

#endif  // R7P_FUZZ_FUZZ_SUPPORT_H_
