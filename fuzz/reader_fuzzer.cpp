// The LDraw reader with every line check at the highest warning level: one
// input is read as a main model from a stream as a conversion reads it, as
// a check run reads it, and from the prescanned lines of the read-ahead.
#include <cstdint>
#include <cstdio>
#include <string>

#include "base/diagnostics.h"
#include "base/settings.h"
#include "colour/colour_table.h"
#include "fuzz/fuzz_support.h"
#include "model/file_table.h"
#include "model/line_validation.h"
#include "model/parser.h"
#include "model/prescan.h"

namespace {

void ReadOnce(std::string_view bytes, bool check_mode, bool prescanned) {
  Diagnostics diag;
  fuzzing::QuietDiagnostics(diag);
  diag.warning_level = 3;
  Settings settings;
  RunSwitches switches;
  switches.CheckMode = check_mode;
  ColourTable colours;
  colours.AddDefaultColours();
  FileTable files{diag};
  LineValidator validator{diag, switches, &colours};
  ReaderContext context{diag, settings, switches, files,
                        check_mode ? kCheckLineTypes : kAllLineTypes,
                        &validator, &colours};
  DatFile& main = files.SetMainModel("model.mpd");
  try {
    if (prescanned) {
      PrescannedFile prescan;
      PrescanLines(bytes, &prescan);
      (void)ReadDatFile(context, nullptr, main, prescan, true);
    } else {
      // An empty input still makes a stream that reads nothing.
      static char empty = 0;
      FILE* stream = bytes.empty()
                         ? fmemopen(&empty, 1, "rb")
                         : fmemopen(const_cast<char*>(bytes.data()),
                                    bytes.size(), "rb");
      if (stream == nullptr) abort();
      if (bytes.empty()) (void)fgetc(stream);
      (void)ReadDatFile(context, nullptr, main, stream, true);
    }
  } catch (const fuzzing::FatalExit&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes = fuzzing::AsText(data, size);
  ReadOnce(bytes, false, false);
  ReadOnce(bytes, true, false);
  ReadOnce(bytes, false, true);
  return 0;
}
