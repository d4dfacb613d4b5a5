// A whole -check run, in this process, of a model beside the tiny library
// of the scratch folder, at warning level 1 or 3 (by the input's length).
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string library = fuzzing::TinyLibrary();
  static const std::string model = fuzzing::ScratchDir() + "/model.dat";
  fuzzing::WriteFile(model, fuzzing::AsText(data, size));
  std::vector<std::string> args{"-ldd" + library, "-check", model};
  if (size % 2 == 1) args.insert(args.begin() + 1, "-w3");
  (void)fuzzing::RunWholeProgram(args);
  return 0;
}
