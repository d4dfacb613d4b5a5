// Light sources asked for on the command line (-lc, -lg) or added by default.
#ifndef R7P_GEOMETRY_LIGHTS_H_
#define R7P_GEOMETRY_LIGHTS_H_

#include <cstddef>
#include <vector>

#include "geometry/vector.h"

/// One light source of the scene.
struct Light {
  /// x, y, z in LDraw units; for a globe light latitude, longitude, radius
  /// (a radius <= 0 is relative to the camera distance when written).
  Vector position;
  /// Red, green, blue in 0..1; white unless the option names a colour.
  Vector colour{1, 1, 1};
  /// The position is latitude, longitude, radius around the model centre.
  bool globe = false;
};

/// The lights in the order they were given; the defaults are appended last.
class LightList {
 public:
  /// Appends one light at the end of the list.
  void Add(const Light& light) { lights_.push_back(light); }
  /// Appends a globe light (latitude, longitude, radius) of the given colour.
  void AddGlobe(float latitude, float longitude, float radius,
                const Vector& colour = Vector{1, 1, 1}) {
    lights_.push_back(Light{Vector{latitude, longitude, radius}, colour, true});
  }
  /// Appends a light at coordinates x, y, z of the given colour.
  void AddCoordinate(const Vector& position,
                     const Vector& colour = Vector{1, 1, 1}) {
    lights_.push_back(Light{position, colour, false});
  }
  bool Empty() const { return lights_.empty(); }
  std::size_t Size() const { return lights_.size(); }
  const Light& operator[](std::size_t i) const { return lights_[i]; }
  void Clear() { lights_.clear(); }

  std::vector<Light>::const_iterator begin() const { return lights_.begin(); }
  std::vector<Light>::const_iterator end() const { return lights_.end(); }

 private:
  std::vector<Light> lights_;
};

#endif  // R7P_GEOMETRY_LIGHTS_H_
