#include "model/file_lookup.h"

#include "base/text_scan.h"

namespace {

// Tried in this order after the bare name when a model file is looked up.
constexpr const char* kExtensions[] = {"", ".ldr", ".dat", ".mpd"};

}  // namespace

bool HasModelExtension(const std::string& name) {
  if (name.size() < 5) return false;
  std::string tail = name.substr(name.size() - 4);
  for (char& c : tail) c = LowerAscii(c);
  return tail == ".ldr" || tail == ".dat" || tail == ".mpd";
}

size_t ExtensionsTried(const std::string& name, bool try_extensions) {
  return try_extensions && !HasModelExtension(name) ? 4 : 1;
}

const char* TriedExtension(size_t i) { return kExtensions[i]; }
