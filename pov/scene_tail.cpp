#include "pov/scene_tail.h"

#include <cmath>
#include <string>

#include "base/settings.h"
#include "pov/camera.h"
#include "model/statistics.h"
#include "geometry/vector_ops.h"
#include "base/diagnostics.h"
#include "model/file_table.h"
#include "pov/declarations.h"
#include "pov/scene_frame.h"

namespace {

constexpr const char* kCheckeredFloor =
    "object {\n"
    "\tplane { y, R7FloorY hollow }\n"
    "\ttexture { pigment { checker color rgb <0.9,0.1,0.1> color rgb "
    "<0.8,0.8,0.8> scale 20 } }\n"
    "}\n\n";

constexpr const char* kPlainFloor =
    "object {\n"
    "\tplane { y, R7FloorY hollow }\n"
    "\ttexture {\n"
    "\t\tpigment { color rgb <0.8,0.8,0.8> }\n"
    "\t\tfinish { ambient 0.4 diffuse 0.4 }\n"
    "\t}\n"
    "}\n\n";

bool IsEmptyModel(FileTable& files) {
  if (files.count() == 0) return true;
  const DatFile& model = files.slot(0);
  return model.elementCount == 0 || !model.Has(HAS_BBOX);
}

void OfferBoxCorners(const BBox& box, SceneTailParts& parts) {
  if (!parts.CameraWantsPoints()) return;
  Vector corners[8];
  BBoxCorners(corners, box);
  for (const Vector& corner : corners) parts.CameraAddPoint(corner);
}

// The error block over the scene's body; `result` says which one.
TailResult FailWithErrorBlock(SceneContext& ctx, FILE* file, TailResult result) {
  WriteErrorBlock(ctx, file,
                  result == TailResult::kEmptyModel ? ErrorBlock::kEmptyModel
                                                    : ErrorBlock::kError);
  return result;
}

void WriteModelData(const Settings& settings, const BBox& box,
                    const Vector& centre, FILE* file) {
  WriteSectionTitle(file, "ModelData");
  Vector size;
  VecSub(size, box.max, box.min);
  fprintf(file, "#declare R7ModelBBoxMin = %s;\n", VecFormat(box.min).c_str());
  fprintf(file, "#declare R7ModelBBoxMax = %s;\n", VecFormat(box.max).c_str());
  fprintf(file,
          "#declare R7ModelBBoxCenter = (R7ModelBBoxMin+R7ModelBBoxMax)/2; "
          "// %s\n",
          VecFormat(centre).c_str());
  fprintf(file,
          "#declare R7ModelBBoxSize = R7ModelBBoxMax-R7ModelBBoxMin; // %s\n",
          VecFormat(size).c_str());
  // +y points down in LDraw, so the largest y is the model's lowest point.
  if (settings.Has(FloorYGiven))
    fprintf(file, "#declare R7FloorY = %g; // -f\n",
            static_cast<double>(settings.FloorY));
  else
    fputs("#declare R7FloorY = R7ModelBBoxMax.y;\n", file);
}

void WriteFloorAndBackground(const Settings& settings, FILE* file) {
  if (settings.FloorType != 0) {
    WriteSectionTitle(file, "Floor");
    fputs(settings.FloorType == 'c' ? kCheckeredFloor : kPlainFloor, file);
  }
  if (settings.Has(BackgroundOn)) {
    WriteSectionTitle(file, "Background");
    fprintf(file, "background { color rgb %s}\n\n",
            VecFormat(settings.Background).c_str());
  }
}

// Light sources from light.dat references in the model, or from -lc/-lg,
// replace the default lights unless -ld asks for both.
void AddDefaultLights(const Settings& settings, LightList& lights) {
  bool own_lights = !lights.Empty() || settings.Has(LightDatFound);
  if (own_lights && !settings.Has(DefaultLightsToo)) return;
  lights.AddGlobe(45, 0, 0);
  lights.AddGlobe(30, 120, 0);
  lights.AddGlobe(60, -120, 0);
}

bool IsFinite(const Vector& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// A box whose corners or size overflow single precision (absurd
// coordinates, or placements nested until they overflow) would put "inf"
// and "nan" into the scene, which POV-Ray cannot parse.
bool IsUsableBox(const BBox& box, const Vector& centre) {
  Vector size;
  VecSub(size, box.max, box.min);
  return IsFinite(box.min) && IsFinite(box.max) && IsFinite(size) &&
         IsFinite(centre) && box.min.x <= box.max.x &&
         box.min.y <= box.max.y && box.min.z <= box.max.z;
}

/// Where a light goes; for a globe light also its radius.
Vector LightPosition(const Light& light, const Vector& centre,
                     float camera_distance, float* radius_out) {
  if (!light.globe) return light.position;
  float latitude = light.position.x;
  float longitude = light.position.y;
  float radius = light.position.z;
  // 0 is the camera distance; -p is p percent further out.
  if (radius <= 0) radius = (1.0f - radius / 100.0f) * camera_distance;
  Vector direction;
  VecFromLatLong(latitude, longitude, direction);
  Vector position;
  VecAddScaled(position, centre, -static_cast<double>(radius), direction);
  if (radius_out != nullptr) *radius_out = radius;
  return position;
}

bool LightsAreFinite(const LightList& lights, const Vector& centre,
                     float camera_distance) {
  for (const Light& light : lights)
    if (!IsFinite(LightPosition(light, centre, camera_distance, nullptr)))
      return false;
  return true;
}

// The tail cannot be written for POV-Ray: say why, and the body of the
// scene becomes the error block.
TailResult RefuseTail(SceneContext& ctx, FILE* file, const char* reason) {
  ctx.diag.ReportInputError("%s", reason);
  return FailWithErrorBlock(ctx, file, TailResult::kFailed);
}

void WriteFileWarnings(FileTable& files, FILE* file) {
  for (int i = 0; i < files.count(); ++i) {
    const DatFile& record = files.slot(i);
    if (record.name.empty()) continue;
    const char* name = record.name.c_str();
    if (!record.Has(READ)) fprintf(file, "// WARNING: %s not read\n", name);
    if (!record.Has(DONE)) fprintf(file, "// WARNING: %s not resolved\n", name);
    if (record.writeMark == 0)
      fprintf(file, "// WARNING: %s not written to POV file\n", name);
  }
}

}  // namespace

bool CameraObjectAndStatistics::CameraWantsPoints() {
  return camera_.NeedsPoints();
}

void CameraObjectAndStatistics::CameraAddPoint(const Vector& point) {
  camera_.CameraAddPoint(point);
}

float CameraObjectAndStatistics::WriteCamera(FILE* file, const BBox& box,
                                             const Vector& centre) {
  camera_.WriteCamera(file, box, centre, writer_.scene.diag);
  return static_cast<float>(camera_.Distance());
}

bool CameraObjectAndStatistics::CameraPlacementUsable() {
  return camera_.PlacementUsable();
}

void CameraObjectAndStatistics::WriteModelObject(FILE* file) {
  ::WriteModelObject(file, writer_);
}

void CameraObjectAndStatistics::WriteStatistics(FILE* file,
                                                const char* prefix) {
  stats_.WriteStatistics(file, prefix, writer_.scene.files,
                         writer_.scene.settings, verbose_);
}

TailResult WriteSceneTail(SceneContext& ctx, FILE* file, bool load_failed,
                          LightList& lights, SceneTailParts& parts) {
  if (load_failed) return FailWithErrorBlock(ctx, file, TailResult::kFailed);
  if (IsEmptyModel(ctx.files))
    return FailWithErrorBlock(ctx, file, TailResult::kEmptyModel);
  const Settings& settings = ctx.settings;
  const BBox box = ctx.files.slot(0).bbox;
  OfferBoxCorners(box, parts);
  Vector centre;
  VecMidpoint(centre, box.min, box.max);
  if (!IsUsableBox(box, centre))
    return RefuseTail(ctx, file, "Model extent is out of range");

  WriteModelData(settings, box, centre, file);
  WriteFloorAndBackground(settings, file);

  // Without a computed placement (-ic) the camera distance is 0, which
  // puts globe lights of radius 0 at the box centre.
  float camera_distance = 0;
  if (settings.Has(CameraOn)) {
    camera_distance = parts.WriteCamera(file, box, centre);
    if (!parts.CameraPlacementUsable())
      return RefuseTail(ctx, file, "Cannot place the camera for this model");
  } else {
    WriteIncludeSection(ctx, file, IncludeKind::Camera, settings.IncludeCamera);
  }
  if (settings.Has(LightsOn)) {
    AddDefaultLights(settings, lights);
    if (!LightsAreFinite(lights, centre, camera_distance))
      return RefuseTail(ctx, file, "Light position is out of range");
    WriteLights(file, lights, centre, camera_distance,
                settings.Has(Shadowless));
  } else {
    WriteIncludeSection(ctx, file, IncludeKind::Lights, settings.IncludeLights);
  }

  parts.WriteModelObject(file);
  WriteSectionTitle(file, "Statistics");
  parts.WriteStatistics(file, "// ");
  WriteFileWarnings(ctx.files, file);
  if (settings.AspectRatio != 0)
    fprintf(ctx.diag.message_stream,
            "Remember to use aspect ratio %g for size of rendering.\n",
            static_cast<double>(settings.AspectRatio));
  if (settings.IncludeEndFile)
    WriteIncludeSection(ctx, file, IncludeKind::R7End);
  WriteIncludeSection(ctx, file, IncludeKind::AtEnd, settings.IncludeAtEnd);
  WriteSectionTitle(file, "End");
  return TailResult::kWritten;
}

void WriteLights(FILE* file, const LightList& lights, const Vector& centre,
                 float camera_distance, bool shadowless) {
  WriteSectionTitle(file, "Lights");
  for (const Light& light : lights) {
    fputs("light_source {\n\t", file);
    if (light.globe) {
      float radius = 0;
      Vector position = LightPosition(light, centre, camera_distance, &radius);
      fprintf(file, "%s  // Latitude,Longitude,Radius: %g,%g,%g",
              VecFormat(position).c_str(),
              static_cast<double>(light.position.x),
              static_cast<double>(light.position.y),
              static_cast<double>(radius));
    } else {
      fputs(VecFormat(light.position).c_str(), file);
    }
    fprintf(file, "\n\tcolor rgb %s\n", VecFormat(light.colour).c_str());
    if (shadowless) fputs("\tshadowless\n", file);
    fputs("}\n", file);
  }
}
