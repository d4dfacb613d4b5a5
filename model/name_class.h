// Families of LDraw library files recognised by their names alone: studs,
// speed primitives, flat primitives and edge-only files.
#ifndef R7P_MODEL_NAME_CLASS_H_
#define R7P_MODEL_NAME_CLASS_H_

#include <string>

// Every test takes a normalised LDraw name (NormalizeName: lower case, '\').

/// True when `name` is exactly one of the stud files ("stud.dat",
/// "stud4a.dat", ...). A directory prefix ("s\stud.dat") never matches.
bool IsStudName(const std::string& name);

/// True when `name` is exactly one of the speed primitives ("stu24.dat",
/// "studline.dat", ...), which models must not reference directly.
bool IsSpeedPrimitive(const std::string& name);

/// True when `name` is a flat primitive (discs, rings, edges, "rect.dat",
/// axle ends), whose singular placement may be repaired. Purely numeric
/// sub-directories ("48\") are looked through at any depth.
bool IsFlatPrimitive(const std::string& name);

/// True when `name` holds only edge lines ("axlehol2.dat", "2-4edge.dat",
/// ...); numeric sub-directories are looked through as for IsFlatPrimitive.
bool IsEdgeOnlyFile(const std::string& name);

#endif  // R7P_MODEL_NAME_CLASS_H_
