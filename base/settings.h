// Everything the command line sets: the settings record and the run switches.
#ifndef R7P_BASE_SETTINGS_H_
#define R7P_BASE_SETTINGS_H_

#include <cstdint>
#include <optional>
#include <string>

#include "geometry/vector.h"

/// Bits of Settings::SettingsFlags.
enum SettingsFlag : uint32_t {
  CameraOn = 0x1,
  CameraGlobe = 0x2,
  LookAtGiven = 0x4,
  FloorYGiven = 0x8,
  BackgroundOn = 0x10,
  SkyGiven = 0x20,
  Orthographic = 0x40,
  StereoLeft = 0x80,
  StereoRight = 0x100,
  LgeoColors = 0x200,
  LgeoFinishes = 0x400,
  LgeoTest = 0x800,
  LightDatLights = 0x1000,
  LightDatFound = 0x2000,
  DefaultLightsToo = 0x4000,
  Shadowless = 0x8000,
  LightsOn = 0x10000,
  StudsOn = 0x20000,
  Bumps = 0x40000,
  ExcludeNonPov = 0x80000,
  StepClock = 0x100000,
  StepClockModelOnly = 0x200000,
  LeanScene = 0x400000,
};

/// The settings record, filled with its defaults before the first argument
/// is read and read-only after the checks that follow the last argument
/// (except SubstitutionOrder and the flags the driver and reader adjust).
struct Settings {
  Vector CameraPos{30, 45, 0};
  Vector LookAt{0, 0, 0};
  float Sky[4] = {0, -1, 0, 0};  // four floats: multiplied by a Matrix
  Vector Background{0, 0, 0};
  int DefaultColor = 7;
  float CameraAngle = 0;
  float AspectRatio = 0;
  float StereoAngle = 5;
  float RollAngle = 0;
  float CameraPercent = 0;
  float OrthoScale = 0;
  std::optional<std::string> IncludeAtBeginning;
  std::optional<std::string> IncludeCamera;
  std::optional<std::string> IncludeLights;
  std::optional<std::string> IncludeAtEnd;
  std::optional<std::string> MegaPovVersion;
  float SeamWidth = 0.5f;
  float EdgeWidth = 0;
  int EdgeColor = 0;
  float FloorY = 0;
  int FloorType = 0;
  int Quality = 2;
  int DebugLevel = 0;
  std::string SubstitutionOrder = "P3";  // at most 7 letters of P 3 L A
  uint32_t SettingsFlags = 0x30003;
  int IncludeBeginFile = 1;
  int IncludeEndFile = 1;

  bool Has(uint32_t flag) const { return (SettingsFlags & flag) != 0; }
  bool OrderHas(char letter) const {
    return SubstitutionOrder.find(letter) != std::string::npos;
  }
};

/// Run switches that live outside the settings record.
struct RunSwitches {
  bool CheckMode = false;
  bool TestMode = false;
  bool Overwrite = false;
  bool LaunchPov = false;
  bool PrintPrimitives = false;
  int Verbose = 0;
  float CoplanarAngle = 0;  // -cpa; 0 means 3 degrees (1 in check mode)
  std::optional<std::string> LDrawDirOption;   // -ldd
  std::optional<std::string> LdconfigOption;   // -ldc; empty text = no colour file
  std::optional<std::string> LgeoDirOption;    // -lgd ("-lgd<dir> option")
  bool LgeoColoursWanted = true;
  bool LgeoFinishesWanted = true;
  std::string ModelPath;
  std::string PovPath;
};

#endif  // R7P_BASE_SETTINGS_H_
