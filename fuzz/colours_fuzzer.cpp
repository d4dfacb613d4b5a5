// The colour file grammar: the input is read as LDConfig.ldr, the built-in
// colours are added as a run does, and the table is printed (-pc) and
// looked up. Each line of the input is also taken as a colour argument of
// an option (-b, -c, -lg...).
#include <cstdint>
#include <string>

#include "base/diagnostics.h"
#include "colour/colour_table.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = fuzzing::ScratchDir() + "/LDConfig.ldr";
  const std::string_view text = fuzzing::AsText(data, size);
  fuzzing::WriteFile(path, text);
  Diagnostics diag;
  fuzzing::QuietDiagnostics(diag);
  diag.warning_level = 3;
  ColourTable colours;
  try {
    (void)colours.ReadColourFile(path, diag);
    colours.AddDefaultColours();
    colours.PrintColours(fuzzing::NullStream());
    for (long code : {0L, 16L, 24L, 256L, 511L, 0x2ff00ffL, 16777215L})
      (void)colours.FindColourByCode(code);
    size_t start = 0;
    for (int lines = 0; start < text.size() && lines < 64; ++lines) {
      size_t end = text.find('\n', start);
      if (end == std::string_view::npos) end = text.size();
      const std::string line(text.substr(start, end - start));
      start = end + 1;
      (void)colours.FindColourByName(line);
      float rgb[3] = {0, 0, 0};
      int number = 0;
      (void)colours.ParseColourArgument(line.c_str(), rgb, &number, {});
      (void)colours.ParseColourArgument(line.c_str(), rgb, nullptr, {});
      (void)colours.ParseColourArgument(line.c_str(), nullptr, &number, {});
    }
  } catch (const fuzzing::FatalExit&) {
  }
  return 0;
}
