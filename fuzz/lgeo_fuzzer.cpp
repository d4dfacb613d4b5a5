// The LGEO lists: the input holds lg_elements.lst, then, after a line
// "----", lg_colors.lst (without that line both lists get the whole input).
// They are loaded with the debugging dump on, printed and looked up.
#include <cstdint>
#include <filesystem>
#include <string>

#include "base/diagnostics.h"
#include "colour/lgeo_lists.h"
#include "fuzz/fuzz_support.h"
#include "platform/path_finder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string dir = [] {
    std::string path = fuzzing::ScratchDir() + "/lgeo";
    std::filesystem::create_directory(path);
    return path;
  }();
  const std::string_view text = fuzzing::AsText(data, size);
  std::string_view elements = text;
  std::string_view colour_list = text;
  const size_t split = text.find("\n----\n");
  if (split != std::string_view::npos) {
    elements = text.substr(0, split + 1);
    colour_list = text.substr(split + 6);
  }
  fuzzing::WriteFile(dir + "/lg_elements.lst", elements);
  fuzzing::WriteFile(dir + "/lg_colors.lst", colour_list);
  Diagnostics diag;
  fuzzing::QuietDiagnostics(diag);
  diag.warning_level = 3;
  platform::PathFinder finder;
  LgeoLists lists;
  try {
    if (lists.LoadLgeoLists(dir, 1, finder, diag) == Status::kOk) {
      lists.PrintLgeoLists(fuzzing::NullStream());
      for (const char* name : {"3001.dat", "3001", "STUD.DAT", "a.b", ""})
        for (char set : {'\0', 'L', 'A'})
          (void)lists.FindLgeoElement(name, set, "LAP");
      for (const auto& element : lists.elements())
        (void)lists.FindLgeoElement(element.ldrawName + ".dat", 'L', "AL");
      for (long code : {0L, 4L, 16L, -1L, 16777215L})
        (void)lists.FindLgeoColour(code);
    }
  } catch (const fuzzing::FatalExit&) {
  }
  return 0;
}
