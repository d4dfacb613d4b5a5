// The closing sections of the scene: model data, floor, background,
// camera, lights, model object, statistics, warnings, end-of-file includes.
#ifndef R7P_POV_SCENE_TAIL_H_
#define R7P_POV_SCENE_TAIL_H_

#include <cstdio>
#include <functional>

#include "geometry/lights.h"
#include "geometry/vector.h"
#include "pov/scene_state.h"

/// The pieces of the tail written by other modules; the driver wires them
/// to the camera, the declaration writer and the statistics. An empty
/// member is skipped (camera_distance then counts as 0).
struct SceneTailParts {
  /// True when the camera is placed automatically and has been offered no
  /// point of the model yet.
  std::function<bool()> camera_wants_points;
  /// Offers one point of the model to the automatic camera.
  std::function<void(const Vector&)> camera_add_point;
  /// Writes the camera block for the model box and its centre and returns
  /// the camera distance |lookAt - location| of the placement it computed.
  std::function<float(FILE*, const BBox& box, const Vector& centre)>
      write_camera;
  /// True when the placement computed by write_camera can be written for
  /// POV-Ray (finite, location apart from the look-at point). Empty: not
  /// checked.
  std::function<bool()> camera_placement_usable;
  /// Writes the section "ModelObject %s" with the model's object.
  std::function<void(FILE*)> write_model_object;
  /// Writes the statistics report with each line starting with `prefix`.
  std::function<void(FILE*, const char* prefix)> write_statistics;
};

class Camera;
class Statistics;
struct SceneWriterContext;

/// The parts wired to the run's camera, the declaration writer (model
/// object) and the statistics (report with `verbose`, the -v count).
SceneTailParts MakeSceneTailParts(Camera& camera, SceneWriterContext& writer,
                                  const Statistics& stats, int verbose);

/// Finishes the scene after the model has been written. With `load_failed`
/// writes the error block and returns -1; when the main model (file table
/// slot 0) has no objects or no bounding box, the "Empty model" block and
/// returns -2. Otherwise writes the tail sections in order (default globe
/// lights are appended to `lights` when no other light was asked for, or
/// with -ld), prints the aspect-ratio reminder on the message stream with
/// -car, and returns 0. A model box, camera placement or light position
/// that POV-Ray could not read (not finite, or a camera without direction)
/// is reported on the message stream and gives the error block and -1.
int WriteSceneTail(SceneContext& ctx, FILE* file, bool load_failed,
                   LightList& lights, const SceneTailParts& parts);

/// Writes the section "Lights" and one light_source per light. Globe lights
/// sit around `centre`; a radius r <= 0 means (1 - r/100) times
/// `camera_distance`.
void WriteLights(FILE* file, const LightList& lights, const Vector& centre,
                 float camera_distance, bool shadowless);

#endif  // R7P_POV_SCENE_TAIL_H_
