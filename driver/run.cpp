#include "driver/run.h"

#include "driver/usage.h"
#include "pov/prepared_parts.h"
#include "pov/primitive_subst.h"

Run::Run() {
  reader.validator = &validator;
  reader.colours = &colours;
}

void RunResolveListener::WriteDeclaration(DatFile& file, bool is_main) {
  ::WriteDeclaration(run_.scene.scene, file, is_main, run_.writer);
}

void RunResolveListener::CameraAddPoint(const Vector& point) {
  run_.camera.CameraAddPoint(point);
}

std::optional<BBox> RunResolveListener::PovEquivalentBox(
    const std::string& name) {
  std::optional<PovEquivalent> equivalent = FindPovEquivalent(name);
  if (!equivalent) return std::nullopt;
  return equivalent->box;
}

bool RunResolveListener::HasLgeoElement(const std::string& name) {
  const Settings& settings = run_.settings;
  if (!settings.OrderHas('L') && !settings.OrderHas('A')) return false;
  const LgeoElement* element =
      run_.lgeo.FindLgeoElement(name, 0, settings.SubstitutionOrder);
  return element != nullptr && element->chosenSet != 0;
}

bool RunResolveListener::HasPreparedPart(const std::string& name) {
  return ::HasPreparedPart(run_.finder, run_.library.LDrawDir(), name);
}

void RunUsage::PrintUsage() {
  ::PrintUsage(run_.out, run_.switches.TestMode, run_.diag.key_wait_off);
  PrintBanner(run_.out);
}
