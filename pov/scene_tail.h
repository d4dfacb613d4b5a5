// The closing sections of the scene: model data, floor, background,
// camera, lights, model object, statistics, warnings, end-of-file includes.
#ifndef R7P_POV_SCENE_TAIL_H_
#define R7P_POV_SCENE_TAIL_H_

#include <cstdio>

#include "geometry/lights.h"
#include "geometry/vector.h"
#include "pov/scene_state.h"

class Camera;
class Statistics;
struct SceneWriterContext;

/// The pieces of the tail written by other parts of the scene writer: the
/// automatic camera, the model object and the statistics report. The tail's
/// own tests stand in for them; a run uses CameraObjectAndStatistics.
class SceneTailParts {
 public:
  virtual ~SceneTailParts() = default;
  /// True when the camera is placed automatically and has been offered no
  /// point of the model yet.
  virtual bool CameraWantsPoints() = 0;
  /// Offers one point of the model to the automatic camera.
  virtual void CameraAddPoint(const Vector& point) = 0;
  /// Writes the camera block for the model box and its centre and returns
  /// the camera distance |lookAt - location| of the placement it computed.
  virtual float WriteCamera(FILE* file, const BBox& box,
                            const Vector& centre) = 0;
  /// True when the placement computed by WriteCamera can be written for
  /// POV-Ray (finite, location apart from the look-at point).
  virtual bool CameraPlacementUsable() = 0;
  /// Writes the section "ModelObject %s" with the model's object.
  virtual void WriteModelObject(FILE* file) = 0;
  /// Writes the statistics report with each line starting with `prefix`.
  virtual void WriteStatistics(FILE* file, const char* prefix) = 0;
};

/// The parts of a run: the run's camera, the declaration writer (model
/// object) and the statistics (report with `verbose`, the -v count).
class CameraObjectAndStatistics : public SceneTailParts {
 public:
  CameraObjectAndStatistics(Camera& camera, SceneWriterContext& writer,
                            const Statistics& stats, int verbose)
      : camera_(camera), writer_(writer), stats_(stats), verbose_(verbose) {}

  bool CameraWantsPoints() override;
  void CameraAddPoint(const Vector& point) override;
  float WriteCamera(FILE* file, const BBox& box, const Vector& centre) override;
  bool CameraPlacementUsable() override;
  void WriteModelObject(FILE* file) override;
  void WriteStatistics(FILE* file, const char* prefix) override;

 private:
  Camera& camera_;
  SceneWriterContext& writer_;
  const Statistics& stats_;
  int verbose_;
};

/// How the tail ended.
enum class [[nodiscard]] TailResult {
  kWritten,     // every section written
  kFailed,      // the error block replaced the body
  kEmptyModel,  // the main model has nothing to show: the "Empty model" block
};

/// Finishes the scene after the model has been written. With `load_failed`
/// writes the error block and returns kFailed; when the main model (file
/// table slot 0) has no objects or no bounding box, the "Empty model" block
/// and returns kEmptyModel. Otherwise writes the tail sections in order (default globe
/// lights are appended to `lights` when no other light was asked for, or
/// with -ld), prints the aspect-ratio reminder on the message stream with
/// -car, and returns kWritten. A model box, camera placement or light
/// position that POV-Ray could not read (not finite, or a camera without
/// direction) is reported on the message stream and gives the error block
/// and kFailed.
TailResult WriteSceneTail(SceneContext& ctx, FILE* file, bool load_failed,
                          LightList& lights, SceneTailParts& parts);

/// Writes the section "Lights" and one light_source per light. Globe lights
/// sit around `centre`; a radius r <= 0 means (1 - r/100) times
/// `camera_distance`.
void WriteLights(FILE* file, const LightList& lights, const Vector& centre,
                 float camera_distance, bool shadowless);

#endif  // R7P_POV_SCENE_TAIL_H_
