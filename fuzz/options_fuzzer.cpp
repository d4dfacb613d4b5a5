// The command line: the input's lines are the arguments. They are parsed
// and checked as a run does before it sets the library up, and the scene
// file name is worked out. Colour arguments are read with the built-in
// colours; a colour name that would need the library finds none.
#include <cstdint>
#include <string>
#include <vector>

#include "base/diagnostics.h"
#include "base/settings.h"
#include "colour/colour_table.h"
#include "driver/driver.h"
#include "driver/options.h"
#include "fuzz/fuzz_support.h"
#include "geometry/lights.h"

namespace {

constexpr size_t kMostArguments = 32;

class BuiltInColours : public OptionLibrary {
 public:
  explicit BuiltInColours(ColourTable& colours) : colours_(colours) {}

  ColourArgument ParseColour(const char* text, int* number,
                             Vector* rgb) override {
    return colours_.ParseColourIntoVector(text, rgb, number, {});
  }
  bool LibrarySetUp() override { return false; }

 private:
  ColourTable& colours_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text = fuzzing::AsText(data, size);
  std::vector<std::string> args{"r7p"};
  size_t start = 0;
  while (start < text.size() && args.size() <= kMostArguments) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    args.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
  std::vector<const char*> argv;
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  argv.push_back(nullptr);

  Diagnostics diag;
  fuzzing::QuietDiagnostics(diag);
  Settings settings;
  RunSwitches switches;
  LightList lights;
  ColourTable colours;
  BuiltInColours library(colours);
  try {
    colours.AddDefaultColours();
    OptionTargets targets{settings, switches, lights, diag};
    if (ParseArguments(static_cast<int>(args.size()), argv.data(), targets,
                       library) != ImmediateAction::kNone)
      return 0;
    CheckOptions(settings, switches, diag);
    if (!switches.ModelPath.empty())
      (void)SceneFileName(switches.PovPath, switches.ModelPath, diag);
  } catch (const fuzzing::FatalExit&) {
  }
  return 0;
}
