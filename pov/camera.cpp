#include "pov/camera.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/settings.h"
#include "geometry/vector_ops.h"
#include "base/diagnostics.h"
#include "pov/scene_frame.h"

namespace {

constexpr float kDefaultViewingAngle = 67.380135f;
constexpr double kDefaultAspect = 1.3333333333333333;
constexpr double kHalfDegreeInRadians = 0.008726646259971648;  // pi / 360
constexpr float kFarAway = 1000000;
// The orthographic branch of the block steps back this far along the view.
constexpr double kOrthographicDistance = 2000;

Vector SkyVector(const float sky[4]) { return Vector{sky[0], sky[1], sky[2]}; }

}  // namespace

void Camera::CameraSetup(const Settings& settings) {
  *this = Camera();
  camera_pos_ = settings.CameraPos;
  cla_ = settings.LookAt;
  look_at_given_ = settings.Has(LookAtGiven);
  sky_given_ = settings.Has(SkyGiven);
  for (int i = 0; i < 4; ++i) sky_[i] = settings.Sky[i];
  viewing_angle_ =
      settings.CameraAngle == 0 ? kDefaultViewingAngle : settings.CameraAngle;
  aspect_ratio_ = settings.AspectRatio;
  roll_angle_ = settings.RollAngle;
  stereo_angle_ = settings.StereoAngle;
  camera_percent_ = settings.CameraPercent;
  ortho_scale_setting_ = settings.OrthoScale;
  orthographic_ = settings.Has(Orthographic);
  stereo_left_ = settings.Has(StereoLeft);
  stereo_right_ = settings.Has(StereoRight);
  debug_level_ = settings.DebugLevel;

  Matrix roll;
  MatRotation(roll, roll_angle_, Vector{0, 0, 1});
  MatMulVec4(sky_rolled_, roll, sky_);

  if (!settings.Has(CameraGlobe)) {
    mode_ = CameraMode::kLocation;
    return;
  }
  latitude_ = camera_pos_.x;
  longitude_ = camera_pos_.y;
  // Straight above or below, the default sky would be parallel to the view
  // and the image axes undefined; a hair off the pole keeps them.
  if (latitude_ == 90) latitude_ = 89.999f;
  if (latitude_ == -90) latitude_ = -89.999f;
  VecFromLatLong(latitude_, longitude_, dir_);
  radius_ = camera_pos_.z;
  if (radius_ > 0) {
    mode_ = CameraMode::kGlobe;
    return;
  }
  mode_ = CameraMode::kAutomatic;
  SetUpFrustum();
}

double Camera::AspectValue() const {
  return aspect_ratio_ == 0 ? kDefaultAspect : double{aspect_ratio_};
}

void Camera::SetUpFrustum() {
  points_ = 0;
  Vector h, v;
  VecCross(h, dir_, SkyVector(sky_rolled_));
  VecCross(v, h, dir_);
  // A sky parallel to the view leaves the axes at zero; the placement
  // system is then singular and reported as such.
  VecNormalize(hor_, h);
  VecNormalize(ver_, v);
  double k = 1 / std::tan(viewing_angle_ * kHalfDegreeInRadians);
  VecAddScaled(normal_[2], dir_, -k, hor_);
  VecAddScaled(normal_[3], dir_, k, hor_);
  double k2 = k * AspectValue();
  VecAddScaled(normal_[0], dir_, -k2, ver_);
  VecAddScaled(normal_[1], dir_, k2, ver_);
  for (float& d : dmin_) d = kFarAway;
  hor_min_ = ver_min_ = kFarAway;
  hor_max_ = ver_max_ = -kFarAway;
}

void Camera::CameraAddPoint(const Vector& p) {
  if (mode_ != CameraMode::kAutomatic) return;
  ++points_;
  double products[4];
  for (int i = 0; i < 4; ++i) {
    products[i] = VecDot(normal_[i], p);
    if (products[i] < dmin_[i]) dmin_[i] = static_cast<float>(products[i]);
  }
  double h = VecDot(hor_, p);
  double v = VecDot(ver_, p);
  if (h < hor_min_) hor_min_ = static_cast<float>(h);
  if (h > hor_max_) hor_max_ = static_cast<float>(h);
  if (v < ver_min_) ver_min_ = static_cast<float>(v);
  if (v > ver_max_) ver_max_ = static_cast<float>(v);

  if (debug_level_ < 1 || debug_stream_ == nullptr) return;
  std::fprintf(debug_stream_,
               "sphere { %s,1 texture { pigment { color rgb <0,1,0> } } }\n",
               VecFormat(p).c_str());
  if (debug_level_ < 2) return;
  std::fprintf(debug_stream_, "// %ld dmin[0-3]:", points_);
  for (double product : products) std::fprintf(debug_stream_, " %g", product);
  std::fprintf(debug_stream_, "   Hor,Ver: %g", h);
  std::fprintf(debug_stream_, " %g\n", v);
}

double Camera::Distance() const { return placed_ ? double{distance_} : 0.0; }

namespace {

// POV-Ray refuses a camera whose direction (look_at - location) has a
// squared length below 1e-10; a little margin covers its own rounding.
constexpr double kMinimalSquaredDirection = 1e-9;

/// A coordinate as POV-Ray reads it back from its "%g" text.
double AsWritten(float value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", double{value});
  return std::strtod(text, nullptr);
}

bool IsFiniteVector(const Vector& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

}  // namespace

bool Camera::PlacementUsable() const {
  if (!placed_) return false;
  if (!IsFiniteVector(location_) || !IsFiniteVector(look_at_)) return false;
  // The scene moves the location back by R7PercentageBack percent.
  const double back = 1.0 + AsWritten(percentage_back_) / 100.0;
  const double d[3] = {
      (AsWritten(location_.x) - AsWritten(look_at_.x)) * back,
      (AsWritten(location_.y) - AsWritten(look_at_.y)) * back,
      (AsWritten(location_.z) - AsWritten(look_at_.z)) * back};
  const double squared = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
  return std::isfinite(squared) && squared >= kMinimalSquaredDirection;
}

namespace {

// Puts the coefficients of one collinearity condition of L1 - L2 into
// `row`: first * delta[b] - second * delta[a] = 0.
void SetCollinearRow(float row[6], int a, int b, float first, float second) {
  for (int j = 0; j < 6; ++j) row[j] = 0;
  row[b] = first;
  row[a] = -second;
  row[3 + b] = -first;
  row[3 + a] = second;
}

}  // namespace

bool Camera::SolveAutomatic(Diagnostics& diag, Vector& l1, Vector& l2) const {
  float a[36] = {};
  float b[6] = {};
  for (int i = 0; i < 4; ++i) {
    int offset = i < 2 ? 0 : 3;  // rows 0, 1 bind L1, rows 2, 3 bind L2
    a[i * 6 + offset] = normal_[i].x;
    a[i * 6 + offset + 1] = normal_[i].y;
    a[i * 6 + offset + 2] = normal_[i].z;
    b[i] = dmin_[i];
  }
  // Two components of (L1 - L2) x dir must vanish; which two depends on
  // the zero components of dir, so that the rows stay independent.
  const Vector& d = dir_;
  float* row4 = &a[24];
  float* row5 = &a[30];
  if (d.x != 0) {
    SetCollinearRow(row4, 0, 2, d.x, d.z);  // d.x*dz - d.z*dx
    if (d.y == 0 && d.z != 0)
      SetCollinearRow(row5, 1, 2, d.y, d.z);  // d.y*dz - d.z*dy
    else
      SetCollinearRow(row5, 0, 1, d.x, d.y);  // d.x*dy - d.y*dx
  } else {
    SetCollinearRow(row4, 1, 2, d.y, d.z);
    if (d.y != 0)
      SetCollinearRow(row5, 0, 1, d.x, d.y);
    else
      SetCollinearRow(row5, 0, 2, d.x, d.z);
  }
  float x[6];
  if (Solve6(x, a, b) == 0) {
    diag.ReportInputError("Singular matrix when calculating camera position.");
    diag.ReportInputError(
        "Please report this with the model file and the options used to the "
        "maintainers.");
    diag.ReportInputError("To proceed specify radius or use -cc option.");
    return false;
  }
  l1 = Vector{x[0], x[1], x[2]};
  l2 = Vector{x[3], x[4], x[5]};
  return true;
}

void Camera::PlaceCamera(const Vector& centre, Diagnostics& diag, FILE* out) {
  look_at_flag_ = look_at_given_;
  look_at_ = look_at_given_ ? cla_ : centre;
  if (mode_ == CameraMode::kLocation) {
    location_ = camera_pos_;
  } else if (mode_ == CameraMode::kGlobe) {
    VecAddScaled(location_, look_at_, -double{radius_}, dir_);
  } else {
    Vector l1, l2;
    if (!SolveAutomatic(diag, l1, l2)) {
      // SolveAutomatic has said why; the scene written so far stays on
      // disk for inspection.
      diag.FatalErrorReported();
    }
    // L1 fits the vertical limits, L2 the horizontal ones; the one further
    // back along the view fits both.
    Vector back;
    VecSub(back, l2, l1);
    bool first = VecDot(dir_, back) > 0;
    location_ = first ? l1 : l2;
    if (debug_level_ >= 2) {
      std::fprintf(out, "//OTHER location %s\n",
                   VecFormat(first ? l2 : l1).c_str());
    }
    Vector to_centre;
    VecSub(to_centre, centre, location_);
    VecAddScaled(look_at_, location_, VecDot(dir_, to_centre), dir_);
    look_at_flag_ = false;
  }
  Vector view;
  VecSub(view, location_, look_at_);
  distance_ = static_cast<float>(VecLength(view));

  if (ortho_scale_setting_ != 0) {
    ortho_scale_ = ortho_scale_setting_;
  } else if (mode_ == CameraMode::kAutomatic) {
    double vertical = double{ver_max_} - ver_min_;
    double horizontal = (double{hor_max_} - hor_min_) / AspectValue();
    ortho_scale_ = static_cast<float>(vertical > horizontal ? vertical
                                                            : horizontal);
  } else {
    ortho_scale_ = 1;
  }

  percentage_back_ = camera_percent_;
  // A negative globe radius asks for the automatic camera moved back by
  // that many percent.
  if (mode_ == CameraMode::kAutomatic && radius_ < 0) {
    percentage_back_ = -radius_;
  }

  Vector side, up;
  VecCross(side, view, SkyVector(sky_rolled_));
  VecCross(up, side, view);
  stereo_axis_ = Vector{};
  VecNormalize(stereo_axis_, up);
  placed_ = true;
}

void Camera::WriteDebugObjects(FILE* out, const BBox& box) const {
  if (debug_level_ >= 2 && mode_ == CameraMode::kAutomatic) {
    for (const Vector& normal : normal_)
      std::fprintf(out, "// Normal %s\n", VecFormat(normal).c_str());
    std::fprintf(out, "//Dir1 %s\n", VecFormat(dir_).c_str());
    std::fprintf(out, "//Hor,Ver min,max diffs: %g %g  %g %g  %g/%g\n",
                 double{hor_min_}, double{hor_max_}, double{ver_min_},
                 double{ver_max_},
                 (double{hor_max_} - hor_min_) / AspectValue(),
                 double{ver_max_} - ver_min_);
  }
  if (debug_level_ < 1) return;
  if (mode_ == CameraMode::kAutomatic) {
    Vector corners[8];
    BBoxCorners(corners, box);
    for (const Vector& corner : corners) {
      std::fprintf(
          out, "sphere { %s,10 texture { pigment { color rgb <1,0,0> } } }\n",
          VecFormat(corner).c_str());
    }
  }
  std::fputs(
      "cylinder { <50,0,-50>,<50+50,0,-50>,4 texture { pigment { color rgb "
      "<1,0,0> } } }\n"
      "cylinder { <50,0,-50>,<50,0+50,-50>,4 texture { pigment { color rgb "
      "<0,1,0> } } }\n"
      "cylinder { <50,0,-50>,<50,0,-50+50>,4 texture { pigment { color rgb "
      "<0,0,1> } } }\n",
      out);
}

namespace {

std::string AspectText(float aspect_ratio) {
  if (aspect_ratio == 0) return "4/3";
  char text[64];
  std::snprintf(text, sizeof text, "%g", double{aspect_ratio});
  return text;
}

}  // namespace

void Camera::WriteAutomaticComment(FILE* out) const {
  std::fprintf(out,
               "// R7P's automatic camera positioning was based on the "
               "following:\n"
               "// R7Latitude=%g\n"
               "// R7Longitude=%g\n"
               "// R7Radius=%g\n"
               "// R7PercentageBack=0\n"
               "// R7ViewingAngle=%g\n"
               "// R7RollAngle=%g\n"
               "// R7AspectRatio=%s\n"
               "// If changed below, objects may no longer fit into the "
               "view.\n",
               double{latitude_}, double{longitude_}, double{distance_},
               double{viewing_angle_}, double{roll_angle_},
               AspectText(aspect_ratio_).c_str());
}

void Camera::WriteCameraBlock(FILE* out, const Vector& centre) const {
  std::string aspect = AspectText(aspect_ratio_);
  std::string sky = sky_given_ ? VecFormat(SkyVector(sky_)) : "-y";
  std::fprintf(
      out,
      "camera {\n"
      "\t#declare R7PercentageBack = %g; // Percentage of radius\n"
      "\t#declare R7Orthographic = %d; // Set to 1 for orthographic view\n"
      "\t#declare R7ViewingAngle = %g; // degrees\n"
      "\t#declare R7RollAngle = %g; // degrees\n"
      "\t#declare R7AspectRatio = %s;\n"
      "\t#declare R7Sky = %s;\n"
      "\t#declare R7StereoAngle = %g; // degrees\n"
      "\t//5 degrees corresponds to a distance between eyes (stereo cameras)\n"
      "\t//of 1/12 of distance to model.\n"
      "\t#declare R7StereoView = 0; // Normal view\n"
      "\t//Uncomment either two lines below to make stereo images:\n"
      "\t%s#declare R7StereoView = -R7StereoAngle/2; // Left view\n"
      "\t%s#declare R7StereoView =  R7StereoAngle/2; // Right view\n\n",
      double{percentage_back_}, orthographic_ ? 1 : 0, double{viewing_angle_},
      double{roll_angle_}, aspect.c_str(), sky.c_str(), double{stereo_angle_},
      stereo_left_ ? "" : "//", stereo_right_ ? "" : "//");
  std::fputs(
      "\t#if (version >= 3.5)\n"
      "\t\t#if (abs(R7AspectRatio-image_width/image_height) > 0.01)\n"
      "\t\t\t#error \"R7AspectRatio does not match image size. Select a "
      "correct image size or use option -car<ar>.\"\n"
      "\t\t#end\n"
      "\t#end\n\n"
      "\tsky      R7Sky\n"
      "\tright    -R7AspectRatio*x\n",
      out);
  std::fprintf(out,
               "\t#if (R7Orthographic)\n\n"
               "\t\t#error \"* * doesn't work yet...\"\n\n"
               "\t\torthographic\n"
               "\t\t#declare R7LookAt = %s; // %s\n",
               VecFormat(look_at_flag_ ? cla_ : centre).c_str(),
               look_at_flag_ ? "-cla" : "BBox center (not -cla)");
  std::fprintf(out,
               "\t\t#declare R7OrthoScale = (1+R7PercentageBack/100.0)*%g;\n",
               double{ortho_scale_});
  std::fprintf(out, "\t\t#declare R7Location = R7LookAt - %g*%s;\n",
               kOrthographicDistance, VecFormat(dir_).c_str());
  std::fputs(
      "\t\tlocation R7Location\n"
      "\t\tscale    R7OrthoScale\n"
      "\t#else\n",
      out);
  std::fprintf(out, "\t\t#declare R7LookAt = %s; // %s\n",
               VecFormat(look_at_).c_str(),
               look_at_flag_ ? "-cla" : "Calculated (not -cla)");
  std::fprintf(out, "\t\t#declare R7Location = %s;\n",
               VecFormat(location_).c_str());
  std::fputs(
      "\t\t#declare R7Location = R7Location + "
      "R7PercentageBack/100.0*(R7Location-R7LookAt);\n",
      out);
  std::string axis = VecFormat(stereo_axis_);
  std::fprintf(out,
               "\t\t//#if (R7StereoView)\n"
               "\t\t//\t#declare R7Location = R7LookAt + "
               "vaxis_rotate(R7Location-R7LookAt, %s, R7StereoView);\n"
               "\t\t//#end\n"
               "\t\tangle    R7ViewingAngle\n"
               "\t\tlocation R7Location\n"
               "\t#end\n",
               axis.c_str());
  std::fputs(
      "\tlook_at  R7LookAt\n"
      "\trotate   <0,1e-5,0> // Prevent gap between adjacent quads\n\n"
      "#declare Closer = R7LookAt+0.1*(R7Location-R7LookAt);\n\n"
      "\ttranslate -R7Location\n"
      "\t#declare vx=vaxis_rotate(x,R7LookAt-R7Location,R7RollAngle);\n"
      "\t#declare vy=vaxis_rotate(y,R7LookAt-R7Location,R7RollAngle);\n"
      "\t#declare vz=vaxis_rotate(z,R7LookAt-R7Location,R7RollAngle);\n"
      "\tmatrix <vx.x,vx.y,vx.z, vy.x,vy.y,vy.z, vz.x,vz.y,vz.z, 0,0,0>\n"
      "\ttranslate R7Location\n\n",
      out);
  std::fprintf(out,
               "#if (R7StereoView)\n"
               "\ttranslate -R7Location\n"
               "\t#declare Ver=%s;\n"
               "\t#declare vx=vaxis_rotate(x,Ver,R7StereoView);\n"
               "\t#declare vy=vaxis_rotate(y,Ver,R7StereoView);\n"
               "\t#declare vz=vaxis_rotate(z,Ver,R7StereoView);\n"
               "\tmatrix <vx.x,vx.y,vx.z, vy.x,vy.y,vy.z, vz.x,vz.y,vz.z, "
               "0,0,0>\n"
               "\t#declare R7Location = R7LookAt + "
               "vaxis_rotate(R7Location-R7LookAt, Ver, R7StereoView);\n"
               "\ttranslate R7Location\n"
               "#end\n\n\n"
               "//////////////////////////////////////////////////\n"
               "// What about R7RollAngle... before/after stereo ?\n"
               "//////////////////////////////////////////////////\n\n",
               axis.c_str());
  std::fputs(
      "\t//Rotate model around its center:\n"
      "\t//translate -R7ModelBBoxCenter\n"
      "\t//rotate    <0,360*clock,0>\n"
      "\t//translate R7ModelBBoxCenter\n"
      "}\n",
      out);
}

void Camera::WriteCamera(FILE* out, const BBox& box, const Vector& centre,
                         Diagnostics& diag) {
  PlaceCamera(centre, diag, out);
  WriteSectionTitle(out, "Camera");
  WriteDebugObjects(out, box);
  if (mode_ == CameraMode::kAutomatic) WriteAutomaticComment(out);
  WriteCameraBlock(out, centre);
}
