#include "driver/options.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "geometry/vector_ops.h"

namespace {

// note [option numbers]: numbers are read with scanf's "%f" and "%d", so a
// leading blank or sign is accepted and whatever follows the number is
// ignored ("-q2.5" is quality 2). Values that are not finite ("nan", "inf")
// would end up verbatim in the scene, where POV-Ray cannot parse them; they
// count as not read.

/// Reads up to `count` comma-separated floats; returns how many were read
/// and, through `used`, how many characters the last one ended at.
int ScanFloats(const char* text, int count, float* values, int* used) {
  float v[3] = {0, 0, 0};
  int end[3] = {0, 0, 0};
  int got = 0;
  if (count == 1) {
    got = sscanf(text, "%f%n", &v[0], &end[0]);
  } else if (count == 2) {
    got = sscanf(text, "%f%n,%f%n", &v[0], &end[0], &v[1], &end[1]);
  } else {
    got = sscanf(text, "%f%n,%f%n,%f%n", &v[0], &end[0], &v[1], &end[1],
                 &v[2], &end[2]);
  }
  if (got < 0) got = 0;
  for (int i = 0; i < got; ++i) {
    if (!std::isfinite(v[i])) {
      got = i;
      break;
    }
    values[i] = v[i];
  }
  if (used != nullptr) *used = got > 0 ? end[got - 1] : 0;
  return got;
}

bool ScanFloat(const char* text, float* value) {
  return ScanFloats(text, 1, value, nullptr) == 1;
}

/// Reads "x,y[,z]" into `v` (z = 0 when absent); true when at least
/// `required` numbers were read.
bool ScanVector(const char* text, int required, Vector* v) {
  float values[3] = {0, 0, 0};
  if (ScanFloats(text, 3, values, nullptr) < required) return false;
  *v = Vector{values[0], values[1], values[2]};
  return true;
}

bool ScanInt(const char* text, int* value) { return sscanf(text, "%d", value) == 1; }

/// The parser's state for one argument.
class OptionParser {
 public:
  OptionParser(const char* arg, OptionTargets targets, OptionLibrary& library)
      : arg_(arg),
        s_(targets.settings),
        sw_(targets.switches),
        lights_(targets.lights),
        diag_(targets.diag),
        library_(library) {}

  ImmediateAction Parse();

 private:
  [[noreturn]] void Fail(const char* format) { diag_.FatalError(format, arg_); }
  [[noreturn]] void Unknown() { Fail("Unknown option '%s'"); }
  void Warn(const char* text) { fputs(text, diag_.message_stream); }
  bool At(const char* prefix) const {
    return strncmp(arg_, prefix, strlen(prefix)) == 0;
  }
  bool Is(const char* text) const { return strcmp(arg_, text) == 0; }
  void SetFlag(uint32_t flag, bool on) {
    if (on) {
      s_.SettingsFlags |= flag;
    } else {
      s_.SettingsFlags &= ~flag;
    }
  }
  // True for a bad colour; a good one is stored, an empty one ignored.
  bool BadColour(const char* text, int* number, Vector* rgb) {
    return library_.ParseColour(text, number, rgb) == ColourArgument::kBad;
  }
  bool LibrarySetUp() const { return library_.LibrarySetUp(); }

  void ParseA();
  void ParseB();
  void ParseC();
  void ParseCameraAngles();
  void ParseCameraStereo();
  void ParseDefaultColour();
  void ParseE();
  void ParseF();
  void ParseI();
  void ParseL();
  void ParseLibraryDirs();
  void ParseLight(bool globe, const char* numbers);
  void ParseN();
  ImmediateAction ParseP();
  void ParseS();

  const char* arg_;
  Settings& s_;
  RunSwitches& sw_;
  LightList& lights_;
  Diagnostics& diag_;
  OptionLibrary& library_;
};

ImmediateAction OptionParser::Parse() {
  switch (arg_[1]) {
    case 'a': ParseA(); break;
    case 'b': ParseB(); break;
    case 'c': ParseC(); break;
    case 'd':
      if (!Is("-d")) Unknown();
      s_.DebugLevel += 1;
      break;
    case 'e': ParseE(); break;
    case 'f': ParseF(); break;
    case 'i': ParseI(); break;
    case 'l': ParseL(); break;
    case 'm':
      if (!At("-mp")) Unknown();
      if (arg_[3] == '\0') Fail("Missing version '%s'");
      s_.MegaPovVersion = arg_ + 3;
      break;
    case 'n': ParseN(); break;
    case 'o': sw_.Overwrite = true; break;
    case 'p': return ParseP();
    case 'q':
      if (!ScanInt(arg_ + 2, &s_.Quality) || s_.Quality < 0 || s_.Quality > 4)
        Fail("Bad argument '%s'");
      break;
    case 's': ParseS(); break;
    case 't':
      if (!At("-tes")) Unknown();
      sw_.TestMode = true;
      break;
    case 'u':
      if (!At("-up")) Unknown();
      return ImmediateAction::kCheckUpdate;
    case 'v': sw_.Verbose += 1; break;
    case 'w':
      if (!ScanInt(arg_ + 2, &diag_.warning_level)) diag_.warning_level = 1;
      break;
    default: Unknown();  // also g, h, j, k, r and anything outside a..w
  }
  return ImmediateAction::kNone;
}

void OptionParser::ParseA() {
  if (!At("-ax")) Unknown();
  if (!AddOrderLetter(s_, 'A')) Warn("Warning: -ax already met.\n");
}

void OptionParser::ParseB() {
  if (Is("-bu")) {
    SetFlag(Bumps, true);
    return;
  }
  SetFlag(BackgroundOn, true);
  s_.Background = Vector{0.3f, 0.8f, 1.0f};
  if (arg_[2] == '\0') return;
  Vector rgb = s_.Background;
  ColourArgument taken = library_.ParseColour(arg_ + 2, nullptr, &rgb);
  if (taken == ColourArgument::kBad) Fail("Bad color '%s'");
  if (taken == ColourArgument::kTaken) s_.Background = rgb;
}

void OptionParser::ParseC() {
  switch (arg_[2]) {
    case 'a':
      if (arg_[3] == 'r') {
        if (!ScanFloat(arg_ + 4, &s_.AspectRatio) || !(s_.AspectRatio > 0))
          Fail("Bad argument '%s'");
        return;
      }
      if (!ScanFloat(arg_ + 3, &s_.CameraAngle) || !(s_.CameraAngle > 0) ||
          !(s_.CameraAngle < 180))
        Fail("Bad argument '%s'");
      return;
    case 'c':
      if (!ScanVector(arg_ + 3, 3, &s_.CameraPos)) Fail("Bad arguments '%s'");
      SetFlag(CameraGlobe, false);
      return;
    case 'g':
      // The radius is optional: 0 places the camera as close as possible.
      if (!ScanVector(arg_ + 3, 2, &s_.CameraPos)) Fail("Bad arguments '%s'");
      SetFlag(CameraGlobe, true);
      return;
    case 'h':
      sw_.CheckMode = true;
      diag_.warning_level = 1;
      return;
    case 'l':
      if (arg_[3] != 'a') Fail("Bad argument '%s'");
      if (!ScanVector(arg_ + 4, 3, &s_.LookAt)) Fail("Bad arguments '%s'");
      SetFlag(LookAtGiven, true);
      return;
    case 'o':
      SetFlag(Orthographic, true);
      ScanFloat(arg_ + 3, &s_.OrthoScale);
      return;
    case 'p':
    case 'r':
      ParseCameraAngles();
      return;
    case 's':
      ParseCameraStereo();
      return;
    case '\0':
      Unknown();
    default:
      ParseDefaultColour();
  }
}

// -cpa, -cpct and -cra.
void OptionParser::ParseCameraAngles() {
  if (arg_[2] == 'r') {
    if (arg_[3] != 'a' || !ScanFloat(arg_ + 4, &s_.RollAngle))
      Fail("Bad argument '%s'");
    return;
  }
  if (arg_[3] == 'a') {
    float angle = 0;
    if (!ScanFloat(arg_ + 4, &angle) || !(angle > 0) || !(angle < 30))
      Fail("Bad argument '%s'");
    sw_.CoplanarAngle = angle;
    return;
  }
  if (arg_[3] != 'c') Unknown();
  if (arg_[4] != 't' || !ScanFloat(arg_ + 5, &s_.CameraPercent))
    Fail("Bad argument '%s'");
}

// -csa, -csky, -csl and -csr.
void OptionParser::ParseCameraStereo() {
  switch (arg_[3]) {
    case 'a':
      if (!ScanFloat(arg_ + 4, &s_.StereoAngle) || !(s_.StereoAngle > 0) ||
          !(s_.StereoAngle < 180))
        Fail("Bad argument '%s'");
      return;
    case 'k': {
      Vector sky;
      if (arg_[4] != 'y' || !ScanVector(arg_ + 5, 3, &sky))
        Fail("Bad arguments '%s'");
      if (!VecNormalize(sky, sky)) Fail("Sky vector is zero '%s'");
      s_.Sky[0] = sky.x;
      s_.Sky[1] = sky.y;
      s_.Sky[2] = sky.z;
      SetFlag(SkyGiven, true);
      return;
    }
    case 'l': SetFlag(StereoLeft, true); return;
    case 'r': SetFlag(StereoRight, true); return;
    default: Unknown();
  }
}

// A colour whose text starts with one of the option letters above cannot be
// given this way; such texts were taken by the camera options.
void OptionParser::ParseDefaultColour() {
  int number = s_.DefaultColor;
  if (BadColour(arg_ + 2, &number, nullptr)) Fail("Bad color '%s'");
  s_.DefaultColor = number;
}

void OptionParser::ParseE() {
  if (At("-en")) {
    SetFlag(ExcludeNonPov, true);
    return;
  }
  if (!At("-ee")) Unknown();
  s_.EdgeWidth = 0.3f;
  s_.EdgeColor = 0;
  int used = 0;
  if (ScanFloats(arg_ + 3, 1, &s_.EdgeWidth, &used) != 1) return;
  const char* rest = arg_ + 3 + used;
  if (*rest != ',') return;
  int number = s_.EdgeColor;
  if (BadColour(rest + 1, &number, nullptr)) Fail("Bad color '%s'");
  s_.EdgeColor = number;
}

void OptionParser::ParseF() {
  const char* number = arg_ + 2;
  s_.FloorType = 'g';
  if (*number >= 'a' && *number <= 'z') {
    s_.FloorType = *number;
    ++number;
  }
  if (ScanFloat(number, &s_.FloorY)) SetFlag(FloorYGiven, true);
}

void OptionParser::ParseI() {
  const char* file = arg_ + 3;
  switch (arg_[2]) {
    case 'b':
      if (*file == '\0') Fail("Missing filename '%s'");
      s_.IncludeAtBeginning = file;
      return;
    case 'c':
      SetFlag(CameraOn, false);
      if (*file != '\0') s_.IncludeCamera = file;
      return;
    case 'e':
      if (*file == '\0') Fail("Missing filename '%s'");
      s_.IncludeAtEnd = file;
      return;
    case 'l':
      SetFlag(LightsOn, false);
      if (*file != '\0') s_.IncludeLights = file;
      return;
    case '3':
      if (At("-i3b-")) {
        s_.IncludeBeginFile = 0;
      } else if (At("-i3e-")) {
        s_.IncludeEndFile = 0;
      } else {
        Unknown();
      }
      return;
    default: Unknown();
  }
}

void OptionParser::ParseL() {
  switch (arg_[2]) {
    case '\0': SetFlag(LightDatLights, true); return;
    case 'c': ParseLight(false, arg_ + 3); return;
    case 'd': ParseLibraryDirs(); return;
    case 'e':
      // Matched whole: nothing else starts with "-le", and a longer text
      // stays free for options to come.
      if (!Is("-lean")) Unknown();
      SetFlag(LeanScene, true);
      return;
    case 'g':
      if (arg_[3] == 'd') {
        sw_.LgeoDirOption = arg_ + 4;
      } else if (At("-lgeo")) {
        if (!AddOrderLetter(s_, 'L')) Warn("Warning: -lgeo already met.\n");
      } else {
        ParseLight(true, arg_ + 3);
      }
      return;
    case 's':
      if (arg_[3] != 'l') Unknown();
      SetFlag(Shadowless, true);
      return;
    default: Unknown();
  }
}

// -ld, -ldc and -ldd.
void OptionParser::ParseLibraryDirs() {
  switch (arg_[3]) {
    case '\0': SetFlag(DefaultLightsToo, true); return;
    case 'c':
      if (LibrarySetUp()) Fail("-ldc must be specified before color options");
      sw_.LdconfigOption = arg_ + 4;
      return;
    case 'd':
      if (arg_[4] == '\0') Fail("Missing directory '%s'");
      if (LibrarySetUp()) Fail("-ldd must be specified before color options");
      sw_.LDrawDirOption = arg_ + 4;
      return;
    default: Unknown();
  }
}

void OptionParser::ParseLight(bool globe, const char* numbers) {
  float position[3] = {0, 0, 0};
  int used = 0;
  if (ScanFloats(numbers, 3, position, &used) != 3) Fail("Bad arguments '%s'");
  Vector where{position[0], position[1], position[2]};
  Vector rgb{1, 1, 1};
  const char* rest = numbers + used;
  if (*rest == ',' && BadColour(rest + 1, nullptr, &rgb)) Fail("Bad color '%s'");
  if (globe) {
    lights_.AddGlobe(where.x, where.y, where.z, rgb);
  } else {
    lights_.AddCoordinate(where, rgb);
  }
}

void OptionParser::ParseN() {
  if (Is("-nolgc")) {
    sw_.LgeoColoursWanted = false;
  } else if (At("-nolgcf")) {
    sw_.LgeoColoursWanted = false;
    sw_.LgeoFinishesWanted = false;
  } else {
    Unknown();
  }
}

ImmediateAction OptionParser::ParseP() {
  if (Is("-p")) {
    if (!RemoveOrderLetter(s_, 'P')) Warn("Warning: -p already met.\n");
  } else if (At("-p3")) {
    if (!RemoveOrderLetter(s_, '3')) Warn("Warning: -p3 already met.\n");
  } else if (At("-pc")) {
    return ImmediateAction::kPrintColours;
  } else if (At("-po")) {
    sw_.LaunchPov = true;
  } else if (At("-pp")) {
    sw_.PrintPrimitives = true;
  } else {
    Unknown();
  }
  return ImmediateAction::kNone;
}

void OptionParser::ParseS() {
  if (At("-sc")) {
    SetFlag(arg_[3] == 'm' ? StepClockModelOnly : StepClock, true);
  } else if (At("-stu")) {
    SetFlag(StudsOn, false);
  } else if (At("-st")) {
    // -stdout is taken before the options are read; here it does nothing.
  } else if (At("-sw")) {
    if (!ScanFloat(arg_ + 3, &s_.SeamWidth)) Fail("Bad argument '%s'");
  } else {
    Unknown();
  }
}

// Arguments are copied into fixed places of the scene and its messages; a
// very long one is refused before anything reads it.
void CheckLength(const char* arg, Diagnostics& diag) {
  size_t length = strlen(arg);
  if (length <= kMaxArgument) return;
  char text[160];
  snprintf(text, sizeof text, "%.40s...' (%zu characters, at most %zu)", arg,
           length, kMaxArgument);
  diag.FatalError("Argument too long '%s", text);
}

}  // namespace

ImmediateAction ParseOption(const char* arg, OptionTargets targets,
                            OptionLibrary& library) {
  CheckLength(arg, targets.diag);
  return OptionParser(arg, targets, library).Parse();
}

ImmediateAction ParseArguments(int argc, const char* const* argv,
                               OptionTargets targets, OptionLibrary& library) {
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (arg[0] == '-') {
      ImmediateAction action = ParseOption(arg, targets, library);
      if (action != ImmediateAction::kNone) return action;
      continue;
    }
    CheckLength(arg, targets.diag);
    RunSwitches& sw = targets.switches;
    if (sw.ModelPath.empty()) {
      sw.ModelPath = arg;
    } else if (sw.PovPath.empty()) {
      sw.PovPath = arg;
    } else {
      targets.diag.FatalError("Too many filenames", nullptr);
    }
  }
  return ImmediateAction::kNone;
}

bool AddOrderLetter(Settings& settings, char letter) {
  if (settings.OrderHas(letter)) return false;
  settings.SubstitutionOrder += letter;
  return true;
}

bool RemoveOrderLetter(Settings& settings, char letter) {
  size_t at = settings.SubstitutionOrder.find(letter);
  if (at == std::string::npos) return false;
  settings.SubstitutionOrder.erase(at, 1);
  return true;
}

void CheckOptions(Settings& settings, const RunSwitches& switches,
                  Diagnostics& diag) {
  if (settings.Has(LookAtGiven) && settings.Has(CameraGlobe) &&
      !(settings.CameraPos.z > 0))
    diag.FatalError("-cla requires -cg with positive radius or -cc", nullptr);
  if (settings.RollAngle != 0 && settings.Has(SkyGiven))
    diag.FatalError("-cra and -csky are mutually exclusive", nullptr);
  if (settings.EdgeWidth != 0) {
    if (settings.OrderHas('L'))
      fputs("-ee should not be used together with -lgeo\n", diag.message_stream);
    if (settings.SeamWidth != 0)
      fputs("-ee should be used together with -sw0\n", diag.message_stream);
  }
  settings.SettingsFlags &= ~static_cast<uint32_t>(LgeoColors | LgeoFinishes);
  if (settings.OrderHas('L') || settings.OrderHas('A')) {
    if (switches.LgeoColoursWanted) settings.SettingsFlags |= LgeoColors;
    if (switches.LgeoFinishesWanted) settings.SettingsFlags |= LgeoFinishes;
  }
}
