#include "pov/primitive_subst.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

#include "base/settings.h"
#include "model/statistics.h"
#include "model/file_table.h"
#include "pov/colour_textures.h"
#include "pov/declarations.h"
#include "pov/format_g.h"
#include "pov/scene_frame.h"

namespace {

/// One row of the fixed table. An alias row has no box and a code of "="
/// followed by the name of the row it stands for.
struct PovRow {
  const char* name;
  Vector min;
  Vector max;
  const char* code;
};

// Scalable primitives are unit solids around the y axis from y = 0 to 1;
// studs and connectors are in LDraw units growing towards -y. The order of
// the rows is the order of the -pp listing.
constexpr PovRow kPovRows[kPovEquivalentRows] = {
    {"stud.dat",
     {-6, -4, -6},
     {6, 0, 6},
     "\n"
     "#if (R7Quality >= 3)\n"
     "union {\n"
     "#end\n"
     "\tcylinder { <0,0,0>, <0,-4,0>, 6 }\n"
     "#if (R7Quality >= 3)\n"
     "\tobject { R7Logo translate <0,-4,0> }\n"
     "}\n"
     "#end"},
    {"stud10.dat",
     {-6, -4, -6},
     {6, 0, 6},
     "\n"
     "#if (R7Quality >= 3)\n"
     "union {\n"
     "#end\n"
     "\tintersection {\n"
     "\t\tcylinder { <0,0,0>, <0,-4,0>, 6 }\n"
     "\t\tcylinder { <-10,1,-10>, <-10,-5,-10>, 20 }\n"
     "\t}\n"
     "#if (R7Quality >= 3)\n"
     "\tobject { R7Logo translate <0,-4,0> }\n"
     "}\n"
     "#end"},
    {"stud2.dat",
     {-6, -4, -6},
     {6, 0, 6},
     "\n"
     "#if (R7Quality >= 4)\n"
     "union {\n"
     "#end\n"
     "\tdifference {\n"
     "\t\tcylinder { <0,0,0>, <0,-4,0>, 6 }\n"
     "\t\tcylinder { <0,1,0>, <0,-5,0>, 4 }\n"
     "\t}\n"
     "#if (R7Quality >= 4)\n"
     "\tobject { R7Logo scale 0.75 }\n"
     "}\n"
     "#end"},
    {"stud3.dat",
     {-4, -4, -4},
     {4, 0, 4},
     "cylinder { <0,0,0>, <0,-4,0>, 4 }"},
    {"stud4.dat",
     {-8, -4, -8},
     {8, 0, 8},
     "difference {\n"
     "\tcylinder { <0,0,0>, <0,-4,0>, 8 }\n"
     "\tcylinder { <0,1,0>, <0,-5,0>, 6 }\n"
     "}"},
    {"stud6.dat",
     {-6, -4, -6},
     {6, 0, 6},
     "difference {\n"
     "\tcylinder { <0,0,0>, <0,-4,0>, 6 }\n"
     "\tcylinder { <0,1,0>, <0,-5,0>, 4 }\n"
     "}"},
    {"stud6a.dat", {}, {}, "=stud6.dat"},
    {"4-4cyli.dat",
     {-1, 0, -1},
     {1, 1, 1},
     "cylinder { <0,0,0>, <0,1,0>, 1 open }"},
    {"2-4cyli.dat",
     {-1, 0, 0},
     {1, 1, 1},
     "cylinder { <0,0,0>, <0,1,0>, 1 open clipped_by { plane { -z, 0 } } }"},
    {"1-4cyli.dat",
     {0, 0, 0},
     {1, 1, 1},
     "cylinder { <0,0,0>, <0,1,0>, 1 open clipped_by { plane { <-1,0,-1>, -sqrt(1/2) } } }"},
    {"4-4disc.dat",
     {-1, 0, -1},
     {1, 0, 1},
     "disc { <0,0,0>, <0,1,0>, 1 }"},
    {"1-4disc.dat",
     {0, 0, 0},
     {1, 0, 1},
     "disc { <0,0,0>, <0,1,0>, 1 clipped_by { plane { -x, 0 } plane { -z, 0 } } }"},
    {"4-4ndis.dat",
     {-1, 0, -1},
     {1, 0, 1},
     "disc { <0,0,0>, <0,1,0>, 2, 1 clipped_by { box { <-1,-1,-1>, <1,1,1> } } }"},
    {"2-4disc.dat",
     {-1, 0, 0},
     {1, 0, 1},
     "disc { <0,0,0>, <0,1,0>, 1 clipped_by { box { <-2,-1,0>, <2,1,2> } } }"},
    {"2-4ndis.dat",
     {-1, 0, 0},
     {1, 0, 1},
     "disc { <0,0,0>, <0,1,0>, 2, 1 clipped_by { box { <-1,-1,0>, <1,1,1> } } }"},
    {"1-4ndis.dat",
     {0, 0, 0},
     {1, 0, 1},
     "disc { <0,0,0>, <0,1,0>, 2, 1 clipped_by { box { <0,-1,0>, <1,1,1> } } }"},
    {"1-4chrd.dat",
     {0, 0, 0},
     {1, 0, 1},
     "disc { <0,0,0>, <0,1,0>, 1 clipped_by { plane { <-1,0,-1>, -sqrt(1/2) } } }"},
    {"1-4cyls.dat",
     {0, 0, 0},
     {1, 1, 1},
     "cylinder {\n"
     "\t<0,0,0>, <0,1,0>, 1 open\n"
     "\tclipped_by { plane { <-1,0,-1>,-sqrt(1/2) } plane { <1,1,0>,sqrt(1/2) } }\n"
     "}"},
    {"1-4cyls2.dat",
     {-1, 0, 0},
     {0, 1, 1},
     "cylinder {\n"
     "\t<0,0,0>, <0,1,0>, 1 open\n"
     "\tclipped_by { plane { <1,0,-1>,-sqrt(1/2) } plane { <1,1,0>,0 } }\n"
     "}"},
    {"2-4cyls.dat",
     {-1, 0, 0},
     {1, 2, 1},
     "cylinder {\n"
     "\t<0,0,0>, <0,2,0>, 1 open\n"
     "\tclipped_by { plane { <0,0,-1>,0 } plane { <1,1,0>,sqrt(1/2) } }\n"
     "}"},
    {"3-8cyls.dat",
     {-0.7071f, 0, 0},
     {1, 1.7071f, 1},
     "cylinder {\n"
     "\t<0,0,0>, <0,2,0>, 1 open\n"
     "\tclipped_by {\n"
     "\t\tplane { <-sqrt(1/2),0,-1-sqrt(1/2)>,-1/sqrt(4+sqrt(8)) }\n"
     "\t\tplane { <1,1,0>,sqrt(1/2) }\n"
     "\t}\n"
     "}"},
    {"stud4a.dat", {}, {}, "=stud4.dat"},
    {"1-6cyli.dat",
     {0.5f, 0, 0},
     {1, 1, 0.866f},
     "cylinder {\n"
     "\t<0,0,0>, <0,1,0>, 1 open\n"
     "\tclipped_by { plane { <-3,0,-sqrt(3)>,-sqrt(3)/2 } }\n"
     "}"},
    {"1-8cyli.dat",
     {0.7071f, 0, 0},
     {1, 1, 0.7071f},
     "cylinder {\n"
     "\t<0,0,0>, <0,1,0>, 1 open\n"
     "\tclipped_by { plane { <-2-sqrt(2),0,-sqrt(2)>,-sqrt(sqrt(2)+2)/2 } }\n"
     "}"},
    {"1-16cyli.dat",
     {0.9239f, 0, 0},
     {1, 1, 0.3827f},
     "cylinder {\n"
     "\t<0,0,0>, <0,1,0>, 1 open\n"
     "\tclipped_by { plane { <-sqrt(2-sqrt(2)),0,sqrt(2+sqrt(2))-2>,-sqrt((2-sqrt(2))/(8-sqrt(32+sqrt(512)))) } }\n"
     "}"},
    {"stud2a.dat", {}, {}, "=stud2.dat"},
    {"box.dat",
     {-1, -1, -1},
     {1, 1, 1},
     "box { <-1,-1,-1>, <1,1,1> }"},
    {"4-8sphe.dat",
     {-1, 0, -1},
     {1, 1, 1},
     "sphere { <0,0,0>, 1 clipped_by { box { <-1,0,-1>, <2,2,2> } } }"},
    {"3-4cyli.dat",
     {-1, 0, -1},
     {1, 1, 1},
     "cylinder {\n"
     "\t<0,0,0>, <0,1,0>, 1 open\n"
     "\tclipped_by { plane { <1,0,-1>, sqrt(1/2) } }\n"
     "}"},
    {"3-4disc.dat",
     {-1, 0, -1},
     {1, 0, 1},
     "disc {\n"
     "\t<0,0,0>, <0,1,0>, 1\n"
     "\tclipped_by { union { plane { x, 0 } plane { -z, 0 } } }\n"
     "}"},
    {"3-4ndis.dat",
     {-1, 0, -1},
     {1, 0, 1},
     "disc {\n"
     "\t<0,0,0>, <0,1,0>, 2, 1\n"
     "\tclipped_by {\n"
     "\t\tbox { <-1,-1,-1>, <1,1,1> }\n"
     "\t\tunion { plane { x, 0 } plane { -z, 0 } }\n"
     "\t}\n"
     "}"},
    {"axlehole.dat",
     {-6, 0, -6},
     {6, 1, 6},
     "union {\n"
     "\tcylinder { <0,0,0>, <0,1,0>, 6 open }\n"
     "\tdifference {\n"
     "\t\tcylinder { <0,0,0>, <0,1,0>, 6 }\n"
     "\t\tintersection { plane { -x, 2 } plane { x, 2 } }\n"
     "\t\tintersection { plane { -z, 2 } plane { z, 2 } }\n"
     "\t}\n"
     "}"},
    {"axlehol4.dat",
     {-6, 0, -6},
     {6, 1, 5.58f},
     "union {\n"
     "\tcylinder { <0,0,0>, <0,1,0>, 6 open clipped_by { plane { z, sqrt(32) } } }\n"
     "\tdifference {\n"
     "\t\tcylinder { <0,0,0>, <0,1,0>, 6 }\n"
     "\t\tintersection { plane { -x, 2 } plane { x, 2 } }\n"
     "\t\tintersection { plane { -z, 2 } plane { z, 2 } }\n"
     "\t}\n"
     "}"},
    {"axlehol5.dat",
     {-6, 0, -5.58f},
     {6, 1, 5.58f},
     "union {\n"
     "\tcylinder {\n"
     "\t\t<0,0,0>, <0,1,0>, 6 open\n"
     "\t\tclipped_by { plane { z, sqrt(32) } }\n"
     "\t\tclipped_by { plane { -z, sqrt(32) } }\n"
     "\t}\n"
     "\tdifference {\n"
     "\t\tcylinder { <0,0,0>, <0,1,0>, 6 }\n"
     "\t\tintersection { plane { -x, 2 } plane { x, 2 } }\n"
     "\t\tintersection { plane { -z, 2 } plane { z, 2 } }\n"
     "\t}\n"
     "}"},
    {"axlehol6.dat",
     {2, 0, 2},
     {5.64277f, 1, 5.64277f},
     "difference { cylinder { <0,0,0>, <0,1,0>, 6 } plane { x, 2 } plane { z, 2 } }"},
    {"axlehol7.dat",
     {-6, 0, -6},
     {6, 1, 6},
     "cylinder {\n"
     "\t<0,0,0>, <0,1,0>, 6 open\n"
     "\tclipped_by { union {\n"
     "\t\tplane { x, -sqrt(32) }\n"
     "\t\tplane { -x, -sqrt(32) }\n"
     "\t\tplane { z, -sqrt(32) }\n"
     "\t\tplane { -z, -sqrt(32) }\n"
     "\t} }\n"
     "}"},
    {"stud3a.dat", {}, {}, "=stud3.dat"},
    {"1-4ccyli.dat",
     {0, -1, 0},
     {3.5f, 1, 3.5f},
     "torus { 2.5, 1 clipped_by { plane { -x, 0 } plane { -z, 0 } } }"},
    {"connect.dat",
     {-8, -20, -8},
     {8, 0, 8},
     "difference {\n"
     "\tunion {\n"
     "\t\tcylinder { <0,0,0>, <0,-2,0>, 8 }\n"
     "\t\tcylinder { <0,-2,0>, <0,-18,0>, 6 }\n"
     "\t\tcylinder { <0,-18,0>, <0,-20,0>, 6.5 }\n"
     "\t}\n"
     "\tcylinder { <0,1,0>, <0,-21,0>, 4 }\n"
     "\tbox { <-7,-21,-1>, <7,-12,1> }\n"
     "}"},
    {"connect2.dat",
     {-6.301f, -20, -6.5f},
     {6.301f, 0, 6.5f},
     "difference {\n"
     "\tunion {\n"
     "\t\tcylinder { <0,0,0>, <0,-18,0>, 6 }\n"
     "\t\tcylinder { <0,-18,0>, <0,-20,0>, 6.5 }\n"
     "\t}\n"
     "\tcylinder { <0,1,0>, <0,-21,0>, 4 }\n"
     "\tbox { <-7,-21,-1>, <7,-12,1> }\n"
     "}"},
    {"connect3.dat",
     {-8, -10, -8},
     {8, 0, 8},
     "difference {\n"
     "\tunion {\n"
     "\t\tcylinder { <0,0,0>, <0,-2,0>, 8 }\n"
     "\t\tcylinder { <0,-2,0>, <0,-8,0>, 6 }\n"
     "\t\tcylinder { <0,-8,0>, <0,-10,0>, 6.5 }\n"
     "\t}\n"
     "\tcylinder { <0,1,0>, <0,-11,0>, 4 }\n"
     "\tbox { <-7,-11,-1>, <7,-4,1> }\n"
     "}"},
    {"connect4.dat",
     {-6.301f, -10, -6.5f},
     {6.301f, 0, 6.5f},
     "difference {\n"
     "\tunion {\n"
     "\t\tcylinder { <0,0,0>, <0,-8,0>, 6 }\n"
     "\t\tcylinder { <0,-8,0>, <0,-10,0>, 6.5 }\n"
     "\t}\n"
     "\tcylinder { <0,1,0>, <0,-11,0>, 4 }\n"
     "\tbox { <-7,-11,-1>, <7,-4,1> }\n"
     "}"},
    {"connect5.dat",
     {-8, -20, -7.801f},
     {8, 0, 7.801f},
     "difference {\n"
     "\tunion {\n"
     "\t\tcylinder { <0,0,0>, <0,-2,0>, 8 }\n"
     "\t\tcylinder { <0,-2,0>, <0,-18,0>, 6 }\n"
     "\t\tcylinder { <0,-18,0>, <0,-20,0>, 6.5 }\n"
     "\t}\n"
     "\tcylinder { <0,1,0>, <0,-21,0>, 4 }\n"
     "\tbox { <-7,-21,-1>, <7,-12,1> }\n"
     "\tbox { <-1,-10,-9>, <1,1,9> }\n"
     "}"},
    {"2-8sphe.dat",
     {-1, 0, 0},
     {1, 1, 1},
     "sphere { <0,0,0>, 1 clipped_by { box { <-1,0,0>, <2,2,2> } } }"},
    {"8-8sphe.dat",
     {-1, -1, -1},
     {1, 1, 1},
     "sphere { <0,0,0>, 1 }"},
    {"axle.dat",
     {-6, 0, -6},
     {6, 1, 6},
     "intersection {\n"
     "\tcylinder { <0,0,0>, <0,1,0>, 6 }\n"
     "\tunion {\n"
     "\t\tbox { <-7,-1,-2>, <7,2,2> }\n"
     "\t\tbox { <-2,-1,-7>, <2,2,7> }\n"
     "\t}\n"
     "}"},
    {"1-8disc.dat",
     {0, 0, 0},
     {1, 0, 0.7071f},
     "disc {\n"
     "\t<0,0,0>, <0,1,0>, 1\n"
     "\tclipped_by { plane { -z,0 } plane { <-1,0,1>,0 } }\n"
     "}"},
    {"1-8ndis.dat",
     {0.7071f, 0, 0},
     {1, 0, 1},
     "disc {\n"
     "\t<0,0,0>, <0,1,0>, 2, 1\n"
     "\tclipped_by { plane { x, 1 } plane { -z, 0 } plane { <-1,0,1>, 0 } }\n"
     "}"},
    {"3-8cyli.dat",
     {-0.7071f, 0, 0},
     {1, 1, 1},
     "cylinder { <0,0,0>, <0,1,0>, 1 open clipped_by {\n"
     "\tplane { <-sqrt(1/2),0,-1-sqrt(1/2)>,-1/sqrt(4+sqrt(8)) }\n"
     "} }"},
    {"1-8sphe.dat",
     {0, 0, 0},
     {1, 1, 1},
     "sphere { <0,0,0>, 1 clipped_by { box { <0,0,0>, <2,2,2> } } }"},
    {"1-8sphc.dat",
     {0, 0, 0},
     {1, 1, 1},
     "sphere { <0,0,0>, sqrt(2) clipped_by { box { <0,0,0>, <1,1,1> } } }"},
    {"arm1.dat",
     {-10, -10, -20},
     {10, 10, 0},
     "union {\n"
     "\tdisc { <0,0,0>, <0,0,1>, 10 }\n"
     "\tintersection {\n"
     "\t\tcylinder { <0,0,0>, <0,0,-21>, 10 }\n"
     "\t\tmerge {\n"
     "\t\t\tcylinder { <0,-11,-10>, <0,11,-10>, 10 }\n"
     "\t\t\tplane { -z, 10 }\n"
     "\t\t}\n"
     "\t\tunion {\n"
     "\t\t\tintersection { plane { -y, -2 } plane { y, 6 } }\n"
     "\t\t\tintersection { plane { y, -2 } plane { -y, 6 } }\n"
     "\t\t}\n"
     "\t}\n"
     "}"},
    {"arm2.dat",
     {-10, -10, -20},
     {10, 10, 0},
     "union {\n"
     "\tdisc { <0,0,0>, <0,0,1>, 10 }\n"
     "\tintersection {\n"
     "\t\tcylinder { <0,0,0>, <0,0,-21>, 10 }\n"
     "\t\tmerge {\n"
     "\t\t\tcylinder { <0,-11,-10>, <0,11,-10>, 10 }\n"
     "\t\t\tplane { -z, 10 }\n"
     "\t\t}\n"
     "\t\tunion {\n"
     "\t\t\tintersection { plane { -y, -2 } plane { y, 6 } }\n"
     "\t\t\tintersection { plane { y, -2 } plane { -y, 6 } }\n"
     "\t\t\tinverse\n"
     "\t\t}\n"
     "\t}\n"
     "}"},
};

/// LGEO's own stud models, used instead of the equivalents of these rows
/// when LGEO elements are in use.
struct LgeoStud {
  const char* row;
  const char* lgeo_text;
};
constexpr LgeoStud kLgeoStuds[] = {
    {"stud.dat", "lg_knob"},
    {"stud2.dat", "lg_tech_knob"},
    {"stud4.dat",
     "lg_plate_cylinder scale <1,1,-1> translate "
     "<0,0,LG_PLATE_INNER_HEIGHT>"},
};

/// snprintf into a std::string, for the code of the generated families.
[[gnu::format(printf, 1, 2)]] std::string Format(const char* format, ...) {
  char buffer[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  return buffer;
}

const PovRow* FindRow(const std::string& name) {
  // Every part and primitive of a model is looked up here; the first
  // letter rules out most rows cheaply.
  for (const PovRow& row : kPovRows)
    if (row.name[0] == name[0] && name == row.name) return &row;
  return nullptr;
}

PovEquivalent FromRow(const PovRow& row) {
  PovEquivalent result;
  result.name = row.name;
  result.box.min = row.min;
  result.box.max = row.max;
  result.code = row.code;
  return result;
}

PovEquivalent Generated(const std::string& name, Vector min, Vector max,
                        std::string code) {
  PovEquivalent result;
  result.name = name;
  result.box.min = min;
  result.box.max = max;
  result.code = std::move(code);
  return result;
}

/// Scratch buffers for the "%[...]" conversions: as long as the name, so
/// no match can overflow them.
struct ScanBuffers {
  explicit ScanBuffers(size_t size) : t(size + 1), kind(size + 1) {}
  std::vector<char> t;
  std::vector<char> kind;
};

std::optional<PovEquivalent> FullRing(const std::string& name,
                                      ScanBuffers& buf) {
  const char* text = name.c_str();
  // Each pattern begins with literal text, which scanf matches exactly.
  if (std::strncmp(text, "rin", 3) != 0 && std::strncmp(text, "4-4rin", 6) != 0)
    return std::nullopt;
  char* t = buf.t.data();
  int n = 0;
  if (std::sscanf(text, "ring%d.da%[t]", &n, t) != 2 &&
      std::sscanf(text, "rin%d.da%[t]", &n, t) != 2 &&
      std::sscanf(text, "4-4ring%d.da%[t]", &n, t) != 2 &&
      std::sscanf(text, "4-4rin%d.da%[t]", &n, t) != 2)
    return std::nullopt;
  const long outer = n + 1L;
  const float r = static_cast<float>(outer);
  return Generated(name, {-r, 0, -r}, {r, 0, r},
                   Format("disc { <0,0,0>, <0,1,0>, %ld, %d }", outer, n));
}

/// The clipping of the generated ring sectors, by fraction of the circle.
struct SectorKind {
  int numerator, denominator;
  const char* clip;
};
constexpr SectorKind kSectors[] = {
    {1, 8,
     "\tclipped_by { plane { -z, 0 } plane { <-1,0,1>, 0 } }\n}"},
    {3, 8,
     "\tclipped_by { plane { -z, 0 } plane { <-1,0,-1>, 0 } }\n}"},
    {1, 4,
     "\tclipped_by { plane { -x, 0 } plane { -z, 0 } }\n}"},
    {2, 4,
     "\tclipped_by { plane { -z, 0 } }\n}"},
    {3, 4,
     "\tclipped_by { union { plane { x, 0 } plane { -z, 0 } } }\n}"},
};

std::optional<PovEquivalent> RingSector(const std::string& name,
                                        ScanBuffers& buf) {
  if (name.find("rin") == std::string::npos) return std::nullopt;
  int a = 0, b = 0, n = 0;
  if (std::sscanf(name.c_str(), "%d-%dring%d.da%[t]", &a, &b, &n,
                  buf.t.data()) != 4 &&
      std::sscanf(name.c_str(), "%d-%drin%d.da%[t]", &a, &b, &n,
                  buf.t.data()) != 4)
    return std::nullopt;
  const long outer_radius = n + 1L;  // no overflow for hostile numbers
  const float inner = static_cast<float>(n);
  const float outer = static_cast<float>(outer_radius);
  for (const SectorKind& sector : kSectors) {
    if (a != sector.numerator || b != sector.denominator) continue;
    Vector min{0, 0, 0}, max{outer, 0, outer};
    if (a == 1 && b == 8) {
      min.x = 0.7071f * inner;
      max.z = 0.7071f * outer;
    } else if (a == 3 && b == 8) {
      min.x = -0.7071f * outer;
    } else if (a == 2 && b == 4) {
      min.x = -outer;
    } else if (a == 3 && b == 4) {
      min.x = -outer;
      min.z = -outer;
    }
    return Generated(
        name, min, max,
        Format("disc {\n\t<0,0,0>, <0,1,0>, %ld, %d\n", outer_radius, n) + sector.clip);
  }
  return std::nullopt;
}

std::optional<PovEquivalent> Cone(const std::string& name, ScanBuffers& buf) {
  if (name.find("con") == std::string::npos) return std::nullopt;
  int a = 0, b = 0, n = 0;
  if (std::sscanf(name.c_str(), "%d-%dcon%d.da%[t]", &a, &b, &n,
                  buf.t.data()) != 4)
    return std::nullopt;
  const long outer = n + 1L;
  const float r = static_cast<float>(outer);
  if (a == 1 && b == 4)
    return Generated(name, {0, 0, 0}, {r, 1, r},
                     Format("cone {\n\t<0,0,0>, %ld, <0,1,0>, %d open\n"
                            "\tclipped_by { plane { -x, 0 } plane { -z, 0 } "
                            "}\n}",
                            outer, n));
  if (a == 4 && b == 4)
    return Generated(name, {-r, 0, -r}, {r, 1, r},
                     Format("cone { <0,0,0>, %ld, <0,1,0>, %d open }", outer, n));
  return std::nullopt;
}

std::optional<PovEquivalent> QuarterTorus(const std::string& name,
                                          ScanBuffers& buf) {
  if (name[0] != 't') return std::nullopt;
  int quarters = 0, d = 0;
  if (std::sscanf(name.c_str(), "t%d%[ioq]%d.da%[t]", &quarters,
                  buf.kind.data(), &d, buf.t.data()) != 4 ||
      quarters != 4)
    return std::nullopt;
  const float r = static_cast<float>(d) / 9999.0f;
  switch (buf.kind[0]) {
    case 'i':
      return Generated(name, {0, 0, 0}, {1, r, 1},
                       Format("torus {\n\t1, %d/9999\n\tclipped_by {\n"
                              "\t\tbox { <0,0,0>, <2,1,2> }\n"
                              "\t\tcylinder { <0,0,0>, <0,1,0>, 1 open }\n"
                              "\t}\n}",
                              d));
    case 'o':
      return Generated(name, {0, 0, 0}, {1 + r, r, 1 + r},
                       Format("torus {\n\t1, %d/9999\n\tclipped_by {\n"
                              "\t\tdifference {\n"
                              "\t\t\tbox { <0,0,0>, <2,1,2> }\n"
                              "\t\t\tcylinder { <0,0,0>, <0,1,0>, 1 open }\n"
                              "\t\t}\n\t}\n}",
                              d));
    default:
      return Generated(name, {0, -r, 0}, {1 + r, r, 1 + r},
                       Format("torus {\n\t1, %d/9999\n"
                              "\tclipped_by { box { <0,-1,0>, <2,1,2> } }\n}",
                              d));
  }
}

/// False for names that none of the generated families' patterns can
/// match: each has "rin" or "con" in it or starts with 't', and each ends
/// its last number with ".dat". Most names fail here, sparing the scan
/// buffers; each family then rules out names by its own literal text.
bool MayBeGeneratedFamily(const std::string& name) {
  if (name.find(".dat") == std::string::npos) return false;
  return name[0] == 't' || name.find("rin") != std::string::npos ||
         name.find("con") != std::string::npos;
}

std::optional<PovEquivalent> GeneratedFamily(const std::string& name) {
  if (!MayBeGeneratedFamily(name)) return std::nullopt;
  ScanBuffers buf(name.size());
  if (auto found = FullRing(name, buf)) return found;
  if (auto found = RingSector(name, buf)) return found;
  if (auto found = Cone(name, buf)) return found;
  return QuarterTorus(name, buf);
}

}  // namespace

std::optional<PovEquivalent> FindPovEquivalent(const std::string& name) {
  // High-resolution primitives live in numbered sub-directories ("48\")
  // and share the equivalents of their plain counterparts.
  size_t start = 0;
  for (;;) {
    const std::string current = name.substr(start);
    if (const PovRow* row = FindRow(current)) {
      // Aliases name a plain row; a chain is followed no further than the
      // table is long.
      for (int hops = 0; row != nullptr && row->code[0] == '=' &&
                         hops < kPovEquivalentRows;
           ++hops)
        row = FindRow(row->code + 1);
      if (row == nullptr || row->code[0] == '=') return std::nullopt;
      return FromRow(*row);
    }
    if (auto found = GeneratedFamily(current)) return found;
    size_t after = start;
    while (after < name.size() && name[after] >= '0' && name[after] <= '9')
      ++after;
    if (after >= name.size() || name[after] != '\\') return std::nullopt;
    start = after + 1;
  }
}

bool WritePovEquivalent(FILE* file, DatFile& record, bool is_model,
                        SceneWriterContext& ctx) {
  const std::optional<PovEquivalent> found = FindPovEquivalent(record.name);
  if (!found) return false;
  record.writeMark = 'P';
  WriteDeclarationGuard(file, record, is_model, true, ctx);
  std::fprintf(file, "#declare %s = ",
               MakeIdentifier(record.name, ctx.identifier_suffix).c_str());
  const bool lgeo_in_use = ctx.settings.OrderHas('L') ||
                           ctx.settings.OrderHas('A');
  if (lgeo_in_use) {
    for (const LgeoStud& stud : kLgeoStuds) {
      if (found->name != stud.row) continue;
      std::fprintf(file, "object {\n\t%s\n%s}\n", stud.lgeo_text,
                   "\ttransform R7LgeoToLDraw\n");
      ctx.stats.CountLgeoPrimitive();
      return true;
    }
  }
  std::fprintf(file, "%s\n", found->code.c_str());
  ctx.stats.CountPovEquivalent();
  return true;
}

void ListPovEquivalents(FILE* stream) {
  for (const PovRow& row : kPovRows) std::fprintf(stream, "%s\n", row.name);
  std::fputs(
      "rin[g]N.dat\n1-8rin[g]N.dat\n3-8rin[g]N.dat\n1-4rin[g]N.dat\n"
      "2-4rin[g]N.dat\n3-4rin[g]N.dat\n4-4rin[g]N.dat\n1-4conN.dat\n"
      "4-4conN.dat\nt04iFFFF.dat\nt04oFFFF.dat\nt04qFFFF.dat\n",
      stream);
}

Status WritePrimitiveComparison(FILE* file, const std::string& name,
                             SceneWriterContext& ctx) {
  const std::optional<PovEquivalent> found = FindPovEquivalent(name);
  if (!found) return Status::kFailed;
  const DatFile& model = ctx.scene.files.slot(0);
  constexpr int kComparisonColour = 46;
  WriteColourTexture(ctx.scene, file, kComparisonColour);
  std::fputs("//Primitive bbox: ", file);
  WriteVectorG(file, model.bbox.min);
  std::fputc(' ', file);
  WriteVectorG(file, model.bbox.max);
  std::fputs("\n//PovEquiv  bbox: ", file);
  WriteVectorG(file, found->box.min);
  std::fputc(' ', file);
  WriteVectorG(file, found->box.max);
  std::fprintf(file, "\nobject {\n%s\n", found->code.c_str());
  WriteSeamMatrix(file, model, "0.001", ctx.settings.SeamWidth);
  const float height = model.bbox.max.y - model.bbox.min.y;
  // A flat primitive would sit exactly in the plane of its LDraw triangles.
  if (height == 0) std::fputs("translate <0,-0.01,0>\n", file);
  std::fprintf(file, "%s\n}\n",
               MaterialText(kComparisonColour, false).c_str());
  if (!ctx.settings.Has(FloorYGiven))
    ctx.settings.FloorY =
        model.bbox.max.y + height / 10 + (height == 0 ? 0.1f : 0.0f);
  return Status::kOk;
}
