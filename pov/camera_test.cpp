#include "pov/camera.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "base/settings.h"
#include "geometry/vector_ops.h"
#include "base/diagnostics.h"
#include "tests/test_support.h"

namespace {

using testing_support::MemoryFile;

BBox Box(Vector min, Vector max) {
  BBox box;
  box.min = min;
  box.max = max;
  return box;
}

Vector Centre(const BBox& box) {
  Vector centre;
  VecMidpoint(centre, box.min, box.max);
  return centre;
}

// A brick-like model: 40 wide, 24 high (top at -24), 20 deep.
const BBox kBrick = Box(Vector{-20, -24, -10}, Vector{20, 0, 10});

/// Sets up the camera, offers the corners of `box` (as the box walk does
/// for a single part) and writes the camera block.
std::string WriteFor(Camera& camera, const Settings& settings,
                     const BBox& box, bool offer_corners = true) {
  Diagnostics diag;
  camera.CameraSetup(settings);
  if (offer_corners) {
    Vector corners[8];
    BBoxCorners(corners, box);
    for (const Vector& corner : corners) camera.CameraAddPoint(corner);
  }
  MemoryFile out;
  camera.WriteCamera(out.get(), box, Centre(box), diag);
  return out.text();
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

Settings AtLocation(Vector location) {
  Settings settings;
  settings.SettingsFlags &= ~uint32_t{CameraGlobe};
  settings.CameraPos = location;
  return settings;
}

Settings OnGlobe(float latitude, float longitude, float radius) {
  Settings settings;
  settings.CameraPos = Vector{latitude, longitude, radius};
  return settings;
}

TEST(Camera, GivenLocationBlockText) {
  Camera camera;
  Settings settings = AtLocation(Vector{0, 0, -100});
  std::string text =
      WriteFor(camera, settings, Box(Vector{-10, -10, -10}, Vector{10, 10, 10}));
  EXPECT_EQ(camera.mode(), CameraMode::kLocation);
  EXPECT_EQ(text,
    R"txt(
//// Camera
camera {
	#declare R7PercentageBack = 0; // Percentage of radius
	#declare R7Orthographic = 0; // Set to 1 for orthographic view
	#declare R7ViewingAngle = 67.3801; // degrees
	#declare R7RollAngle = 0; // degrees
	#declare R7AspectRatio = 4/3;
	#declare R7Sky = -y;
	#declare R7StereoAngle = 5; // degrees
	//5 degrees corresponds to a distance between eyes (stereo cameras)
	//of 1/12 of distance to model.
	#declare R7StereoView = 0; // Normal view
	//Uncomment either two lines below to make stereo images:
	//#declare R7StereoView = -R7StereoAngle/2; // Left view
	//#declare R7StereoView =  R7StereoAngle/2; // Right view

	#if (version >= 3.5)
		#if (abs(R7AspectRatio-image_width/image_height) > 0.01)
			#error "R7AspectRatio does not match image size. Select a correct image size or use option -car<ar>."
		#end
	#end

	sky      R7Sky
	right    -R7AspectRatio*x
	#if (R7Orthographic)

		#error "* * doesn't work yet..."

		orthographic
		#declare R7LookAt = <0,0,0>; // BBox center (not -cla)
		#declare R7OrthoScale = (1+R7PercentageBack/100.0)*1;
		#declare R7Location = R7LookAt - 2000*<0,0,0>;
		location R7Location
		scale    R7OrthoScale
	#else
		#declare R7LookAt = <0,0,0>; // Calculated (not -cla)
		#declare R7Location = <0,0,-100>;
		#declare R7Location = R7Location + R7PercentageBack/100.0*(R7Location-R7LookAt);
		//#if (R7StereoView)
		//	#declare R7Location = R7LookAt + vaxis_rotate(R7Location-R7LookAt, <0,-1,0>, R7StereoView);
		//#end
		angle    R7ViewingAngle
		location R7Location
	#end
	look_at  R7LookAt
	rotate   <0,1e-5,0> // Prevent gap between adjacent quads

#declare Closer = R7LookAt+0.1*(R7Location-R7LookAt);

	translate -R7Location
	#declare vx=vaxis_rotate(x,R7LookAt-R7Location,R7RollAngle);
	#declare vy=vaxis_rotate(y,R7LookAt-R7Location,R7RollAngle);
	#declare vz=vaxis_rotate(z,R7LookAt-R7Location,R7RollAngle);
	matrix <vx.x,vx.y,vx.z, vy.x,vy.y,vy.z, vz.x,vz.y,vz.z, 0,0,0>
	translate R7Location

#if (R7StereoView)
	translate -R7Location
	#declare Ver=<0,-1,0>;
	#declare vx=vaxis_rotate(x,Ver,R7StereoView);
	#declare vy=vaxis_rotate(y,Ver,R7StereoView);
	#declare vz=vaxis_rotate(z,Ver,R7StereoView);
	matrix <vx.x,vx.y,vx.z, vy.x,vy.y,vy.z, vz.x,vz.y,vz.z, 0,0,0>
	#declare R7Location = R7LookAt + vaxis_rotate(R7Location-R7LookAt, Ver, R7StereoView);
	translate R7Location
#end


//////////////////////////////////////////////////
// What about R7RollAngle... before/after stereo ?
//////////////////////////////////////////////////

	//Rotate model around its center:
	//translate -R7ModelBBoxCenter
	//rotate    <0,360*clock,0>
	//translate R7ModelBBoxCenter
}
)txt");
  EXPECT_DOUBLE_EQ(camera.Distance(), 100);
}

// How far the points of `box` reach towards the edges of the view from
// `location` along the globe direction, as a fraction of the half-width
// (1 = touching); -1 when a point lies behind the camera.
double ViewFill(const Vector& location, float latitude, float longitude,
                const BBox& box, double angle, double aspect) {
  Vector dir, h, v, hor, ver;
  VecFromLatLong(latitude, longitude, dir);
  VecCross(h, dir, Vector{0, -1, 0});
  VecNormalize(hor, h);
  VecCross(v, h, dir);
  VecNormalize(ver, v);
  double half = std::tan(angle * M_PI / 360);
  Vector corners[8];
  BBoxCorners(corners, box);
  double fill = 0;
  for (const Vector& corner : corners) {
    Vector q;
    VecSub(q, corner, location);
    double depth = VecDot(dir, q);
    if (depth <= 0) return -1;
    fill = std::max(fill, std::fabs(VecDot(hor, q)) / depth / half);
    fill = std::max(fill, std::fabs(VecDot(ver, q)) / depth / (half / aspect));
  }
  return fill;
}

TEST(Camera, AutomaticPlacementFitsTheModelTightly) {
  struct Case {
    float latitude, longitude, aspect, angle;
    BBox box;
  };
  const Case cases[] = {
      {30, 45, 0, 0, kBrick},
      {30, 45, 0, 0, Box(Vector{100, -500, 30}, Vector{900, -20, 60})},
      {-20, 170, 2.5f, 30, kBrick},
      {10, -60, 0.5f, 90, Box(Vector{0, -300, 0}, Vector{20, 0, 20})},
      {0, 0, 0, 0, kBrick},    // dir along +z only
      {0, 90, 0, 0, kBrick},   // dir along -x only
      {45, 0, 0, 0, kBrick},   // dir without an x component
      {90, 0, 0, 0, kBrick},   // straight from above
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.latitude << "," << c.longitude);
    Settings settings = OnGlobe(c.latitude, c.longitude, 0);
    settings.AspectRatio = c.aspect;
    settings.CameraAngle = c.angle;
    Camera camera;
    std::string text = WriteFor(camera, settings, c.box);
    ASSERT_EQ(camera.mode(), CameraMode::kAutomatic);
    EXPECT_EQ(camera.points(), 8);
    double angle = c.angle == 0 ? 67.380135 : c.angle;
    double aspect = c.aspect == 0 ? 4.0 / 3 : c.aspect;
    float latitude = c.latitude == 90 ? 89.999f : c.latitude;
    EXPECT_NEAR(ViewFill(camera.location(), latitude, c.longitude, c.box,
                         angle, aspect),
                1, 1e-3);
    // The look-at point is the point of the viewing line nearest to the
    // box centre.
    Vector dir, to_look, to_centre, offset;
    VecFromLatLong(latitude, c.longitude, dir);
    VecSub(to_look, camera.look_at(), camera.location());
    VecSub(to_centre, Centre(c.box), camera.location());
    EXPECT_NEAR(VecDot(to_look, dir), VecDot(to_centre, dir),
                1e-4 * VecLength(to_centre));
    VecAddScaled(offset, to_look, -VecDot(to_look, dir), dir);
    EXPECT_NEAR(VecLength(offset), 0, 1e-4 * VecLength(to_look));
    EXPECT_NEAR(camera.Distance(), VecLength(to_look), 1e-3);
    EXPECT_TRUE(Contains(text, "// Calculated (not -cla)\n"));
  }
}

TEST(Camera, AutomaticCommentBlock) {
  Camera camera;
  std::string text = WriteFor(camera, Settings(), kBrick);
  char radius[32];
  std::snprintf(radius, sizeof radius, "%g",
                static_cast<double>(static_cast<float>(camera.Distance())));
  EXPECT_TRUE(Contains(
      text,
      "\n//// Camera\n"
      "// R7P's automatic camera positioning was based on the following:\n"
      "// R7Latitude=30\n"
      "// R7Longitude=45\n"
      "// R7Radius=" + std::string(radius) + "\n"
      "// R7PercentageBack=0\n"
      "// R7ViewingAngle=67.3801\n"
      "// R7RollAngle=0\n"
      "// R7AspectRatio=4/3\n"
      "// If changed below, objects may no longer fit into the view.\n"
      "camera {\n"
      "\t#declare R7PercentageBack = 0; // Percentage of radius\n"));
  EXPECT_TRUE(Contains(text, "\t#declare R7AspectRatio = 4/3;\n"));
  EXPECT_TRUE(Contains(text, "\t#declare R7Sky = -y;\n"));

  // A negative radius keeps the automatic placement and backs off.
  text = WriteFor(camera, OnGlobe(30, 45, -20), kBrick);
  EXPECT_EQ(camera.mode(), CameraMode::kAutomatic);
  EXPECT_TRUE(Contains(text, "// R7PercentageBack=0\n"));
  EXPECT_TRUE(Contains(text, "\t#declare R7PercentageBack = 20; //"));

  // The poles are taken a hair off, so that the default sky still works.
  text = WriteFor(camera, OnGlobe(90, 0, 0), kBrick);
  EXPECT_TRUE(Contains(text, "// R7Latitude=89.999\n"));
  text = WriteFor(camera, OnGlobe(-90, 10, 0), kBrick);
  EXPECT_TRUE(Contains(text, "// R7Latitude=-89.999\n// R7Longitude=10\n"));
}

TEST(Camera, GlobeWithRadius) {
  Camera camera;
  std::string text = WriteFor(camera, OnGlobe(30, 45, 500), kBrick);
  EXPECT_EQ(camera.mode(), CameraMode::kGlobe);
  EXPECT_EQ(camera.points(), 0);  // points are only gathered when automatic
  Vector dir, expected;
  VecFromLatLong(30, 45, dir);
  VecAddScaled(expected, Centre(kBrick), -500, dir);
  EXPECT_EQ(VecFormat(camera.location()), VecFormat(expected));
  EXPECT_NEAR(camera.Distance(), 500, 1e-3);
  EXPECT_FALSE(Contains(text, "automatic camera positioning"));
  EXPECT_TRUE(Contains(text, "\t\t#declare R7Location = " +
                                 VecFormat(expected) + ";\n"));
  EXPECT_TRUE(Contains(text, "\t\t#declare R7LookAt = <0,-12,0>; // "
                             "Calculated (not -cla)\n"));
  EXPECT_TRUE(Contains(text, "\t\t#declare R7Location = R7LookAt - 2000*" +
                                 VecFormat(dir) + ";\n"));
  EXPECT_TRUE(Contains(text, "(1+R7PercentageBack/100.0)*1;\n"));

  // With -cla the globe is centred on the given point.
  Settings settings = OnGlobe(30, 45, 500);
  settings.LookAt = Vector{1, 2, 3};
  settings.SettingsFlags |= LookAtGiven;
  text = WriteFor(camera, settings, kBrick);
  VecAddScaled(expected, Vector{1, 2, 3}, -500, dir);
  EXPECT_EQ(VecFormat(camera.location()), VecFormat(expected));
  EXPECT_TRUE(Contains(text, "\t\torthographic\n"
                             "\t\t#declare R7LookAt = <1,2,3>; // -cla\n"));
  EXPECT_TRUE(Contains(text, "\t#else\n"
                             "\t\t#declare R7LookAt = <1,2,3>; // -cla\n"));
}

TEST(Camera, GivenLocationWithLookAt) {
  Camera camera;
  Settings settings = AtLocation(Vector{10, -20, 30});
  settings.LookAt = Vector{0, -5, 0};
  settings.SettingsFlags |= LookAtGiven;
  std::string text = WriteFor(camera, settings, kBrick);
  EXPECT_TRUE(Contains(text, "#declare R7LookAt = <0,-5,0>; // -cla\n"));
  EXPECT_FALSE(Contains(text, "not -cla"));
  EXPECT_TRUE(Contains(text, "\t\t#declare R7Location = <10,-20,30>;\n"));
  // No globe direction exists for a given location.
  EXPECT_TRUE(Contains(text, "R7LookAt - 2000*<0,0,0>;\n"));
}

// The stereo axis the camera block declares as "Ver".
Vector StereoAxis(const std::string& text) {
  Vector axis{9, 9, 9};
  size_t at = text.find("#declare Ver=<");
  if (at != std::string::npos) {
    std::sscanf(text.c_str() + at, "#declare Ver=<%f,%f,%f>", &axis.x,
                &axis.y, &axis.z);
  }
  return axis;
}

TEST(Camera, BlockOptions) {
  Camera camera;
  Settings settings = AtLocation(Vector{0, 0, -100});
  settings.AspectRatio = 1.5f;
  settings.StereoAngle = 7.5f;
  settings.CameraPercent = 25;
  settings.CameraAngle = 40;
  settings.SettingsFlags |= Orthographic | StereoLeft;
  std::string text = WriteFor(camera, settings, kBrick);
  EXPECT_TRUE(Contains(
      text,
      "\t#declare R7PercentageBack = 25; // Percentage of radius\n"
      "\t#declare R7Orthographic = 1; // Set to 1 for orthographic view\n"
      "\t#declare R7ViewingAngle = 40; // degrees\n"
      "\t#declare R7RollAngle = 0; // degrees\n"
      "\t#declare R7AspectRatio = 1.5;\n"
      "\t#declare R7Sky = -y;\n"
      "\t#declare R7StereoAngle = 7.5; // degrees\n"));
  EXPECT_TRUE(Contains(
      text,
      "\t#declare R7StereoView = -R7StereoAngle/2; // Left view\n"
      "\t//#declare R7StereoView =  R7StereoAngle/2; // Right view\n"));

  settings.SettingsFlags ^= StereoLeft | StereoRight;
  settings.OrthoScale = 2.5f;
  text = WriteFor(camera, settings, kBrick);
  EXPECT_TRUE(Contains(
      text,
      "\t//#declare R7StereoView = -R7StereoAngle/2; // Left view\n"
      "\t#declare R7StereoView =  R7StereoAngle/2; // Right view\n"));
  EXPECT_TRUE(Contains(text, "(1+R7PercentageBack/100.0)*2.5;\n"));

  // A given sky is written as the vector; a roll turns the sky used for
  // the stereo axis: rolled by 90 degrees the sky -y becomes +x.
  settings = AtLocation(Vector{0, 0, -100});
  settings.Sky[0] = 1;
  settings.Sky[1] = 0;
  settings.SettingsFlags |= SkyGiven;
  text = WriteFor(camera, settings, kBrick);
  EXPECT_TRUE(Contains(text, "\t#declare R7Sky = <1,0,0>;\n"));
  Vector sky_axis = StereoAxis(text);
  settings = AtLocation(Vector{0, 0, -100});
  settings.RollAngle = 90;
  text = WriteFor(camera, settings, kBrick);
  EXPECT_TRUE(Contains(text, "\t#declare R7RollAngle = 90; // degrees\n"));
  EXPECT_TRUE(Contains(text, "\t#declare R7Sky = -y;\n"));
  Vector rolled_axis = StereoAxis(text);
  EXPECT_NEAR(rolled_axis.x, sky_axis.x, 1e-6);
  EXPECT_NEAR(rolled_axis.y, sky_axis.y, 1e-6);
  EXPECT_NEAR(rolled_axis.z, sky_axis.z, 1e-6);
}

TEST(Camera, OrthographicScaleOfAutomaticView) {
  // Seen from the front (-z), the brick's extent is 40 wide and 24 high;
  // with aspect 4/3 the height decides: max(24, 40 / (4/3)) = 30.
  Camera camera;
  std::string text = WriteFor(camera, OnGlobe(0, 0, 0), kBrick);
  EXPECT_TRUE(Contains(text, "(1+R7PercentageBack/100.0)*30;\n")) << text;
  Settings settings = OnGlobe(0, 0, 0);
  settings.AspectRatio = 2;
  text = WriteFor(camera, settings, kBrick);
  EXPECT_TRUE(Contains(text, "(1+R7PercentageBack/100.0)*24;\n"));
}

TEST(Camera, PointsAreGatheredOnlyWhenAutomatic) {
  Camera camera;
  EXPECT_EQ(camera.mode(), CameraMode::kNone);
  camera.CameraAddPoint(Vector{1, 2, 3});  // before set-up: ignored
  EXPECT_EQ(camera.points(), 0);
  EXPECT_FALSE(camera.NeedsPoints());
  EXPECT_EQ(camera.Distance(), 0);

  camera.CameraSetup(Settings());
  EXPECT_TRUE(camera.NeedsPoints());
  camera.CameraAddPoint(Vector{1, 2, 3});
  EXPECT_FALSE(camera.NeedsPoints());
  EXPECT_EQ(camera.points(), 1);
  EXPECT_EQ(camera.Distance(), 0);  // nothing placed yet

  // A new set-up starts afresh.
  camera.CameraSetup(AtLocation(Vector{0, 0, -100}));
  EXPECT_EQ(camera.points(), 0);
  camera.CameraAddPoint(Vector{1, 2, 3});
  EXPECT_EQ(camera.points(), 0);
  EXPECT_FALSE(camera.NeedsPoints());
}

TEST(Camera, DebugObjects) {
  Settings settings;
  settings.DebugLevel = 1;
  Camera camera;
  camera.CameraSetup(settings);
  MemoryFile scene;
  camera.SetDebugStream(scene.get());
  camera.CameraAddPoint(Vector{20, -24, 10});
  EXPECT_EQ(scene.text(),
            "sphere { <20,-24,10>,1 texture { pigment { color rgb <0,1,0> } "
            "} }\n");
  Vector corners[8];
  BBoxCorners(corners, kBrick);
  for (const Vector& corner : corners) camera.CameraAddPoint(corner);
  Diagnostics diag;
  MemoryFile out;
  camera.WriteCamera(out.get(), kBrick, Centre(kBrick), diag);
  std::string text = out.text();
  EXPECT_EQ(text.find("\n//// Camera\n"
                      "sphere { <-20,-24,-10>,10 texture { pigment { color "
                      "rgb <1,0,0> } } }\n"
                      "sphere { <20,-24,-10>,10 texture"),
            0u);
  EXPECT_TRUE(Contains(
      text,
      "sphere { <20,0,10>,10 texture { pigment { color rgb <1,0,0> } } }\n"
      "cylinder { <50,0,-50>,<50+50,0,-50>,4 texture { pigment { color rgb "
      "<1,0,0> } } }\n"
      "cylinder { <50,0,-50>,<50,0+50,-50>,4 texture { pigment { color rgb "
      "<0,1,0> } } }\n"
      "cylinder { <50,0,-50>,<50,0,-50+50>,4 texture { pigment { color rgb "
      "<0,0,1> } } }\n"
      "// R7P's automatic"));

  // Level 2 adds the plane distances of each point, the view axes and the
  // rejected candidate location (before the section title).
  settings.DebugLevel = 2;
  camera.CameraSetup(settings);
  camera.SetDebugStream(scene.get());
  camera.CameraAddPoint(Vector{0, 0, 0});
  std::string debug = scene.text();
  EXPECT_EQ(debug.substr(debug.rfind("sphere")),
            "sphere { <0,0,0>,1 texture { pigment { color rgb <0,1,0> } } }\n"
            "// 1 dmin[0-3]: 0 0 0 0   Hor,Ver: 0 0\n");
  for (const Vector& corner : corners) camera.CameraAddPoint(corner);
  MemoryFile out2;
  camera.WriteCamera(out2.get(), kBrick, Centre(kBrick), diag);
  text = out2.text();
  EXPECT_EQ(text.find("//OTHER location <"), 0u);
  size_t title = text.find("\n//// Camera\n// Normal <");
  ASSERT_NE(title, std::string::npos);
  EXPECT_TRUE(Contains(text, "//Dir1 <-0.612372,0.5,0.612372>\n"
                             "//Hor,Ver min,max diffs: "));

  // Without the automatic camera only the axis markers are written.
  settings = AtLocation(Vector{0, 0, -100});
  settings.DebugLevel = 2;
  camera.CameraSetup(settings);
  MemoryFile out3;
  camera.WriteCamera(out3.get(), kBrick, Centre(kBrick), diag);
  EXPECT_EQ(out3.text().find("\n//// Camera\ncylinder { <50,0,-50>,"), 0u);
}

TEST(Camera, BlockRendersWithPovray) {
  if (!testing_support::HavePovray()) GTEST_SKIP() << "povray not installed";
  testing_support::TempDir dir;
  // The stereo branch and the debugging objects are the least obvious
  // parts of the block for the scene parser.
  Settings settings;
  settings.SettingsFlags |= StereoRight;
  settings.DebugLevel = 2;
  Camera camera;
  std::string block = WriteFor(camera, settings, kBrick);
  std::string scene = dir.Write(
      "camera.pov",
      "#version 3.6;\n" + block +
          "light_source { <0,-1000,-1000> color rgb <1,1,1> }\n"
          "box { <-20,-24,-10>, <20,0,10> pigment { color rgb <1,0,0> } }\n");
  std::string messages;
  EXPECT_EQ(testing_support::RenderWithPovray(scene, &messages), 0)
      << messages;
}

TEST(CameraDeathTest, SkyAlongTheViewIsSingular) {
  Settings settings = OnGlobe(0, 0, 0);
  settings.Sky[1] = 0;
  settings.Sky[2] = 1;
  settings.SettingsFlags |= SkyGiven;
  Camera camera;
  EXPECT_EXIT(WriteFor(camera, settings, kBrick), testing::ExitedWithCode(1),
              "^Singular matrix when calculating camera position.\n"
              ".*maintainers.*\n"
              "To proceed specify radius or use -cc option.\n$");
}

}  // namespace
