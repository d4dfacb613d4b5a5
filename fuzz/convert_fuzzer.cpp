// A whole conversion, in this process: the input is a model beside the tiny
// library of the scratch folder, converted under one of a few option sets
// (chosen by the input's length, so that every set sees every kind of
// model). The scene goes to /dev/null through a link, so nothing stays on
// disk.
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"

namespace {

const std::vector<std::vector<std::string>> kOptionSets = {
    {"-w1"},
    {"-q4", "-w3", "-l", "-ld", "-f", "-b", "-bu"},
    {"-q0", "-sc", "-studs0", "-co"},
    {"-q1", "-scm", "-p", "-enp", "-lsl", "-c4"},
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string library = fuzzing::TinyLibrary();
  static const std::string scene = [] {
    std::string path = fuzzing::ScratchDir() + "/scene.pov";
    if (symlink("/dev/null", path.c_str()) != 0) abort();
    return path;
  }();
  static const std::string model = fuzzing::ScratchDir() + "/model.ldr";
  fuzzing::WriteFile(model, fuzzing::AsText(data, size));
  std::vector<std::string> args{"-ldd" + library, "-o"};
  for (const std::string& option : kOptionSets[size % kOptionSets.size()])
    args.push_back(option);
  args.push_back(model);
  args.push_back(scene);
  (void)fuzzing::RunWholeProgram(args);
  return 0;
}
