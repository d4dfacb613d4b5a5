// The automatic camera: set-up before the model is read, gathering of the
// model's points, placement and the scene's camera block.
#ifndef R7P_POV_CAMERA_H_
#define R7P_POV_CAMERA_H_

#include <cstdint>
#include <cstdio>

#include "geometry/vector.h"

class Diagnostics;
struct Settings;

/// How the camera location is found.
enum class CameraMode {
  kNone = 0,       // CameraSetup not called: points are ignored
  kLocation = 1,   // -cc: the location is given
  kGlobe = 2,      // on the globe with a positive radius
  kAutomatic = 3,  // as close to the model as the view allows
};

/// One per run. CameraSetup fixes the mode and the view; CameraAddPoint
/// gathers the model's extent as seen along the view; WriteCamera places
/// the camera and writes its block.
class Camera {
 public:
  /// Prepares a conversion from the camera settings (once, before the
  /// model is read). Clears every earlier state. A viewing angle of 0
  /// means 67.380135 degrees, an aspect ratio of 0 means 4/3; a latitude
  /// of exactly +-90 is taken as +-89.999.
  void CameraSetup(const Settings& settings);

  /// Where the debugging spheres of CameraAddPoint go (the scene file,
  /// once it is open); null writes nothing. CameraSetup forgets it, so set
  /// it after CameraSetup, when the scene file has been opened.
  void SetDebugStream(FILE* scene) { debug_stream_ = scene; }

  /// Offers one model point (LDraw coordinates). Ignored unless the mode
  /// is automatic. With DebugLevel >= 1 writes a green sphere at the point
  /// to the debug stream, with >= 2 also the plane distances.
  void CameraAddPoint(const Vector& p);

  /// Computes location and look-at and writes the section Camera with the
  /// camera block to `out`. `box` is the model's bounding box, `centre` its
  /// midpoint. A singular placement system (sky parallel to the view) is
  /// reported on diag's message stream and ends the process with status 1
  /// (Diagnostics::FatalErrorReported).
  void WriteCamera(FILE* out, const BBox& box, const Vector& centre,
                   Diagnostics& diag);

  CameraMode mode() const { return mode_; }
  /// Number of points offered in automatic mode.
  long points() const { return points_; }
  /// True when the mode is automatic and no point has been offered yet
  /// (the scene tail then offers the model box corners).
  bool NeedsPoints() const {
    return mode_ == CameraMode::kAutomatic && points_ == 0;
  }
  /// The placement written by WriteCamera.
  const Vector& location() const { return location_; }
  const Vector& look_at() const { return look_at_; }
  /// |look_at - location|, or 0 when WriteCamera has not run (-ic).
  double Distance() const;
  /// True when WriteCamera placed the camera at finite coordinates and, as
  /// POV-Ray reads the written numbers (percentage back included), with
  /// the location far enough from the look-at point to give a direction.
  /// False before WriteCamera has run.
  bool PlacementUsable() const;

 private:
  void SetUpFrustum();
  bool SolveAutomatic(Diagnostics& diag, Vector& l1, Vector& l2) const;
  void PlaceCamera(const Vector& centre, Diagnostics& diag, FILE* out);
  double AspectValue() const;
  void WriteDebugObjects(FILE* out, const BBox& box) const;
  void WriteAutomaticComment(FILE* out) const;
  void WriteCameraBlock(FILE* out, const Vector& centre) const;

  // Copied from the settings at set-up.
  Vector camera_pos_;
  Vector cla_;
  bool look_at_given_ = false;
  bool sky_given_ = false;
  float sky_[4] = {0, -1, 0, 0};
  float viewing_angle_ = 0;
  float aspect_ratio_ = 0;  // 0 = 4/3
  float roll_angle_ = 0;
  float stereo_angle_ = 0;
  float camera_percent_ = 0;
  float ortho_scale_setting_ = 0;
  bool orthographic_ = false;
  bool stereo_left_ = false;
  bool stereo_right_ = false;
  int debug_level_ = 0;

  // The view.
  CameraMode mode_ = CameraMode::kNone;
  float latitude_ = 0;
  float longitude_ = 0;
  float radius_ = 0;
  Vector dir_;
  float sky_rolled_[4] = {0, 0, 0, 0};
  Vector hor_;
  Vector ver_;
  Vector normal_[4];

  // The extent of the offered points.
  float dmin_[4] = {0, 0, 0, 0};
  float hor_min_ = 0, hor_max_ = 0, ver_min_ = 0, ver_max_ = 0;
  long points_ = 0;

  // The result.
  bool placed_ = false;
  bool look_at_flag_ = false;
  Vector location_;
  Vector look_at_;
  float distance_ = 0;
  float ortho_scale_ = 0;
  float percentage_back_ = 0;
  Vector stereo_axis_;

  FILE* debug_stream_ = nullptr;
};

#endif  // R7P_POV_CAMERA_H_
