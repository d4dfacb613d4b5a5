#include "model/line_validation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "base/settings.h"
#include "colour/colour_table.h"
#include "geometry/vector_ops.h"
#include "base/diagnostics.h"
#include "tests/diagnostics_fixture.h"
#include "tests/test_support.h"

namespace {

// Reads the geometric part of an LDraw line ("type colour numbers... [name]")
// the way the reader stores it.
DatLine MakeLine(const std::string& text, std::string* name) {
  DatLine line;
  float v[12] = {};
  long colour = 0;
  int used = 0;
  sscanf(text.c_str(), "%d %li %f %f %f %f %f %f %f %f %f %f %f %f%n",
         &line.type, &colour, &v[0], &v[1], &v[2], &v[3], &v[4], &v[5],
         &v[6], &v[7], &v[8], &v[9], &v[10], &v[11], &used);
  line.colour = static_cast<int32_t>(colour);
  if (line.type == 1) {
    // x y z a b c d e f g h i -> rows (a b c x) (d e f y) (g h i z)
    for (int r = 0; r < 3; ++r) {
      for (int c = 0; c < 3; ++c) line.matrix.at(r, c) = v[3 + r * 3 + c];
      line.matrix.at(r, 3) = v[r];
    }
    *name = text.substr(static_cast<size_t>(used) + 1);
  } else {
    for (int k = 0; k < 4; ++k)
      line.matrix.SetRow(k, Vector{v[k * 3], v[k * 3 + 1], v[k * 3 + 2]});
    name->clear();
  }
  return line;
}

// One physical file being read: numbers its lines, validates them and,
// when asked to, stores what the checks keep, as the reader does.
class LineValidationTest : public testing_support::DiagnosticsFixture {
 protected:
  LineValidationTest() {
    diag_.current_file = "test.dat";
    diag_.warning_level = 3;
    // The built-in colours: 99 is none of them, 256 is one of the dithers.
    colours_.AddDefaultColours();
    validator_ = std::make_unique<LineValidator>(diag_, switches_, &colours_);
  }

  // Validates `text` as the next line of the file; stores it when kept.
  int Check(const std::string& text, DatFile* file = nullptr) {
    DatFile& target = file != nullptr ? *file : model_;
    std::string name;
    DatLine line = MakeLine(text, &name);
    line.lineNumber = ++diag_.current_line;
    diag_.line_buffer = text;
    const int result =
        validator_->ValidateLine(line, name, target) == LineVerdict::kDrop ? 1 : 0;
    last_.matrix = line.matrix;
    last_.colour = line.colour;
    if (result == 0 && store_) {
      if (line.type == 1) line.file = Target(name);
      target.lines.push_back(std::move(line));
    }
    return result;
  }

  DatFile* Target(const std::string& name) {
    std::unique_ptr<DatFile>& slot = targets_[name];
    if (!slot) {
      slot = std::make_unique<DatFile>();
      slot->name = name;
    }
    return slot.get();
  }

  // "WARNING "test.dat" Line <n>: <message>: <line>" for the last line.
  std::string Warning(const std::string& message) const {
    return Remark("WARNING", message);
  }
  std::string Skipping(const std::string& message) const {
    return Remark("SKIPPING", message);
  }
  std::string Remark(const char* label, const std::string& message) const {
    return std::string(label) + " \"" + diag_.current_file + "\" Line " +
           std::to_string(diag_.current_line) + ": " + message + ": " +
           diag_.line_buffer + "\n";
  }

  RunSwitches switches_;
  ColourTable colours_;
  std::unique_ptr<LineValidator> validator_;
  bool store_ = false;  // keep accepted lines, as for duplicate checks
  DatFile model_;
  std::map<std::string, std::unique_ptr<DatFile>> targets_;
  struct {
    Matrix matrix;
    int32_t colour = 0;
  } last_;  // the last checked line as the checks left it
};

TEST(CollinearityMeasure, HeightOverLongestSide) {
  EXPECT_FLOAT_EQ(0.5f, CollinearityMeasure({0, 0, 0}, {2, 0, 0}, {1, 1, 0}));
  EXPECT_FLOAT_EQ(0.5f, CollinearityMeasure({1, 1, 0}, {0, 0, 0}, {2, 0, 0}));
  EXPECT_EQ(0.0f, CollinearityMeasure({0, 0, 0}, {1, 2, 3}, {2, 4, 6}));
  EXPECT_EQ(0.0f, CollinearityMeasure({5, 5, 5}, {5, 5, 5}, {5, 5, 5}));
  // Nearly straight triangles never yield a NaN from rounding.
  float m = CollinearityMeasure({0.1f, 0.2f, 0.3f}, {0.3f, 0.6f, 0.9f},
                                {0.7f, 1.4f, 2.1f});
  EXPECT_FALSE(std::isnan(m));
  EXPECT_LT(m, 1e-6f);
}

TEST_F(LineValidationTest, TypeZeroAndUnknownTypesPassUntouched) {
  for (int type : {0, 6, -1}) {
    DatLine line;
    line.type = type;
    line.colour = 24;
    for (float& v : line.matrix.m) v = 0;
    EXPECT_EQ(LineVerdict::kStore, validator_->ValidateLine(line, "", model_));
    EXPECT_EQ(24, line.colour);
  }
  EXPECT_EQ("", Remarks());
}

TEST_F(LineValidationTest, SingularPlacementOfFlatPrimitiveIsRepaired) {
  // A zero middle row: e becomes 1.
  EXPECT_EQ(0, Check("1 16 0 0 0 1 0 0 0 0 0 0 0 1 4-4disc.dat"));
  EXPECT_EQ(Warning("Row 1 all zeros"), Remarks());
  EXPECT_EQ(1.0f, last_.matrix.at(1, 1));
  // Primitives in numeric sub-directories count as flat too; row 2 here.
  EXPECT_EQ(0, Check("1 16 0 0 0 1 0 0 0 0 1 0 0 0 48\\4-4disc.dat"));
  EXPECT_EQ(Warning("Row 2 all zeros"), Remarks());
  EXPECT_EQ(1.0f, last_.matrix.at(2, 1));
  // No zero row, but an empty Y column: b = 1 is still singular, e = 1 not.
  EXPECT_EQ(0, Check("1 16 0 0 0 1 0 0 0 0 1 0 0 1 ring10.dat"));
  EXPECT_EQ(Warning("Y column all zeros"), Remarks());
  EXPECT_EQ(1.0f, last_.matrix.at(0, 1));
  EXPECT_EQ(1.0f, last_.matrix.at(1, 1));
  EXPECT_EQ(0.0f, last_.matrix.at(2, 1));
  // Repairs are remarks of level 2 only.
  diag_.warning_level = 1;
  EXPECT_EQ(0, Check("1 16 0 0 0 1 0 0 0 0 0 0 0 1 1-8ndis.dat"));
  EXPECT_EQ("", Remarks());
  EXPECT_EQ(1.0f, last_.matrix.at(1, 1));
}

TEST_F(LineValidationTest, SingularPlacementIsDroppedOtherwise) {
  diag_.warning_level = 0;
  EXPECT_EQ(1, Check("1 16 0 0 0 1 0 0 0 0 0 0 0 1 3001.dat"));
  EXPECT_EQ(Skipping("Singular matrix"), Remarks());
  EXPECT_EQ(1, Check("1 16 0 0 0 1 0 0 0 0 0 0 0 1 4-4cyli.dat"));
  EXPECT_EQ(Skipping("Singular matrix"), Remarks());
  // All zeros: every row gets its 1 in the Y column and stays singular.
  EXPECT_EQ(1, Check("1 16 0 0 0 0 0 0 0 0 0 0 0 0 4-4disc.dat"));
  EXPECT_EQ(Skipping("Singular matrix (unfixable)"), Remarks());
  // Three equal rows cannot be mended by the Y column.
  EXPECT_EQ(1, Check("1 16 0 0 0 1 0 0 1 0 0 1 0 0 rect.dat"));
  EXPECT_EQ(Skipping("Singular matrix (unfixable)"), Remarks());
  // A regular placement, mirrored or not, says nothing.
  EXPECT_EQ(0, Check("1 16 0 0 0 -1 0 0 0 1 0 0 0 1 3001.dat"));
  EXPECT_EQ("", Remarks());
}

TEST_F(LineValidationTest, IdenticalVerticesOfLinesAndOptionalLines) {
  Check("2 24 1 2 3 1 2 3");
  EXPECT_EQ(Warning("Identical vertices"), Remarks());
  Check("2 24 1 2 3 1 2 4");
  EXPECT_EQ("", Remarks());
  Check("5 24 0 0 0 1 0 0 5 5 5 5 5 5");
  EXPECT_EQ(Warning("Identical vertices"), Remarks());
  Check("5 24 7 7 7 7 7 7 0 1 0 0 -1 0");
  EXPECT_EQ(Warning("Identical vertices"), Remarks());
  Check("5 24 0 0 0 1 0 0 0 1 0 0 -1 0");
  EXPECT_EQ("", Remarks());
  // -0 and 0 are the same coordinate.
  Check("2 24 -0 0 0 0 -0 0");
  EXPECT_EQ(Warning("Identical vertices"), Remarks());
  // Level 1 only.
  diag_.warning_level = 0;
  Check("2 24 9 9 9 9 9 9");
  EXPECT_EQ("", Remarks());
}

TEST_F(LineValidationTest, TriangleChecks) {
  // Equal vertices hide the collinearity that they imply.
  Check("3 16 0 0 0 0 0 0 1 0 0");
  EXPECT_EQ(Warning("Identical vertices"), Remarks());
  Check("3 16 0 0 0 1 0 0 0 0 0");
  EXPECT_EQ(Warning("Identical vertices"), Remarks());
  Check("3 16 0 0 0 1 0 0 1 0 0");
  EXPECT_EQ(Warning("Identical vertices"), Remarks());
  Check("3 16 0 0 0 10 0 0 20 0 0");
  EXPECT_EQ(Warning("Collinear vertices (0)"), Remarks());
  Check("3 16 0 0 0 10 0 0 5 0.001 0");
  EXPECT_EQ(Warning("Collinear vertices (0.0001)"), Remarks());
  Check("3 16 0 0 0 10 0 0 5 0.1 0");
  EXPECT_EQ("", Remarks());
  diag_.warning_level = 0;
  Check("3 16 0 0 0 10 0 0 20 0 0");
  EXPECT_EQ("", Remarks());
}

TEST_F(LineValidationTest, QuadrilateralDegenerateCorners) {
  for (const char* text : {"4 16 0 0 0 0 0 0 1 0 0 1 1 0",
                           "4 16 0 0 0 1 0 0 1 1 0 1 0 0",
                           "4 16 0 0 0 1 0 0 1 1 0 0 0 0"}) {
    Check(text);
    EXPECT_EQ(Warning("Identical vertices"), Remarks()) << text;
  }
  // P3 P0 P1 in a row: corner 013 is flat and P0 has no normal.
  Check("4 16 0 0 0 1 0 0 1 1 0 -1 0 0");
  EXPECT_EQ(Warning("Collinear vertices 013 (0)") +
                Warning("Zero normals (1) Cannot check angle"),
            Remarks());
  // A triangle with a fourth point on one edge; reordered 0132, the new
  // P3 sits between P0 and P2 and has no normal.
  Check("4 16 0 0 0 1 -1 0 1 0 0 2 0 0");
  EXPECT_EQ(Warning("Collinear vertices 023 (0)") +
                Warning("Bad vertex sequence, 0132 used") +
                Warning("Zero normals (2) Cannot check angle"),
            Remarks());
  // All four corner triples are tested and reported on their own.
  Check("4 16 0 0 0 1 0 0 2 0 0 3 0 0");
  std::string out = Remarks();
  EXPECT_EQ(0u, out.find(Warning("Collinear vertices 012 (0)") +
                         Warning("Collinear vertices 013 (0)") +
                         Warning("Collinear vertices 023 (0)") +
                         Warning("Collinear vertices 123 (0)")))
      << out;
}

TEST_F(LineValidationTest, QuadrilateralVertexOrder) {
  auto vertices = [this]() {
    std::string text;
    for (int k = 0; k < 4; ++k) {
      char buffer[64];
      snprintf(buffer, sizeof buffer, "%s%g %g %g", k > 0 ? " / " : "",
               static_cast<double>(last_.matrix.at(k, 0)),
               static_cast<double>(last_.matrix.at(k, 1)),
               static_cast<double>(last_.matrix.at(k, 2)));
      text += buffer;
    }
    return text;
  };
  // Convex, in either winding: unchanged.
  Check("4 16 0 0 0 1 0 0 1 1 0 0 1 0");
  EXPECT_EQ("", Remarks());
  EXPECT_EQ("0 0 0 / 1 0 0 / 1 1 0 / 0 1 0", vertices());
  Check("4 16 0 1 0 1 1 0 1 0 0 0 0 0");
  EXPECT_EQ("", Remarks());
  EXPECT_EQ("0 1 0 / 1 1 0 / 1 0 0 / 0 0 0", vertices());
  // Bow ties: the crossing edges are uncrossed.
  Check("4 16 0 0 0 1 1 0 1 0 0 0 1 0");
  EXPECT_EQ(Warning("Bad vertex sequence, 0312 used"), Remarks());
  EXPECT_EQ("0 0 0 / 0 1 0 / 1 1 0 / 1 0 0", vertices());
  Check("4 16 0 0 0 1 0 0 0 1 0 1 1 0");
  EXPECT_EQ(Warning("Bad vertex sequence, 0132 used"), Remarks());
  EXPECT_EQ("0 0 0 / 1 0 0 / 1 1 0 / 0 1 0", vertices());
  // Concave at P1 (and at P3): silently started at the next corner, so
  // that it splits along the inner diagonal. The corner normals of a dart
  // point opposite ways, which the coplanarity check reports.
  Check("4 16 0 0 0 1 1 0 2 0 0 1 3 0");
  EXPECT_EQ(Warning("Vertices not coplanar (180)"), Remarks());
  EXPECT_EQ("1 1 0 / 2 0 0 / 1 3 0 / 0 0 0", vertices());
  Check("4 16 0 0 0 1 3 0 2 0 0 1 1 0");
  EXPECT_EQ(Warning("Vertices not coplanar (180)"), Remarks());
  EXPECT_EQ("1 3 0 / 2 0 0 / 1 1 0 / 0 0 0", vertices());
  // Concave at P0: already split along the inner diagonal.
  Check("4 16 1 1 0 2 0 0 1 3 0 0 0 0");
  EXPECT_EQ(Warning("Vertices not coplanar (180)"), Remarks());
  EXPECT_EQ("1 1 0 / 2 0 0 / 1 3 0 / 0 0 0", vertices());
  // The stored line keeps the corrected order (moved whole, w included).
  store_ = true;
  Check("4 16 0 0 0 1 0 0 0 1 0 1 1 0");
  Remarks();
  EXPECT_EQ(1.0f, model_.lines.back().matrix.at(2, 1));
  EXPECT_EQ(1.0f, model_.lines.back().matrix.at(2, 3));
  EXPECT_EQ(1.0f, model_.lines.back().matrix.at(3, 1));
  EXPECT_EQ(0.0f, model_.lines.back().matrix.at(3, 0));
  // Below warning level 1 nothing is said, but the order is corrected all
  // the same; identical corners still leave it alone.
  store_ = false;
  diag_.warning_level = 0;
  Check("4 16 0 0 0 1 1 0 1 0 0 0 1 0");
  EXPECT_EQ("", Remarks());
  EXPECT_EQ("0 0 0 / 0 1 0 / 1 1 0 / 1 0 0", vertices());
  Check("4 16 0 0 0 1 1 0 2 0 0 1 3 0");
  EXPECT_EQ("", Remarks());
  EXPECT_EQ("1 1 0 / 2 0 0 / 1 3 0 / 0 0 0", vertices());
  Check("4 16 0 0 0 1 1 0 0 0 0 0 1 0");
  EXPECT_EQ("", Remarks());
  EXPECT_EQ("0 0 0 / 1 1 0 / 0 0 0 / 0 1 0", vertices());
}

// A unit square folded by `degrees` about its diagonal P0-P2.
std::string BentQuad(double degrees) {
  double a = degrees * 3.141592653589793 / 180;
  char text[200];
  snprintf(text, sizeof text, "4 16 0 0 0 1 0 1 2 0 0 1 %.9g %.9g", std::sin(a),
           -std::cos(a));
  return text;
}

TEST_F(LineValidationTest, CoplanarityDependsOnModeAndAngle) {
  struct Case {
    bool check_mode;
    float cpa;
    float threshold_degrees;
    bool reported;
  } cases[] = {{false, 0, 3, false}, {true, 0, 1, true},
               {false, 5, 5, false}, {true, 5, 5, false},
               {false, 1.5f, 1.5f, true}};
  for (const Case& c : cases) {
    RunSwitches switches;
    switches.CheckMode = c.check_mode;
    switches.CoplanarAngle = c.cpa;
    LineValidator validator(diag_, switches);
    std::string name;
    diag_.line_buffer = BentQuad(2);
    DatLine line = MakeLine(diag_.line_buffer, &name);
    EXPECT_EQ(LineVerdict::kStore, validator.ValidateLine(line, name, model_));
    EXPECT_EQ(static_cast<float>(std::cos(c.threshold_degrees *
                                          3.141592653589793 / 180)),
              validator.coplanar_threshold());
    std::string out = Remarks();
    if (c.reported)
      EXPECT_EQ(Warning("Vertices not coplanar (2)"), out);
    else
      EXPECT_EQ("", out);
    // The threshold is fixed by the first line of the run.
    switches.CoplanarAngle = 20;
    EXPECT_EQ(LineVerdict::kStore, validator.ValidateLine(line, name, model_));
    EXPECT_EQ(out, Remarks());
  }
  // A quadrilateral folded flat onto itself reports a real angle.
  Check("4 16 0 0 0 1 0 1 2 0 0 0.5 0 1");
  std::string out = Remarks();
  EXPECT_EQ(std::string::npos, out.find("nan")) << out;
}

TEST_F(LineValidationTest, ColourRules) {
  Check("3 24 0 0 0 1 0 0 0 1 0");
  EXPECT_EQ(Warning("Color 24 illegal for this line type, using 16"),
            Remarks());
  EXPECT_EQ(16, last_.colour);
  Check("1 24 0 0 0 1 0 0 0 1 0 0 0 1 3001.dat");
  EXPECT_EQ(Warning("Color 24 illegal for this line type, using 16"),
            Remarks());
  EXPECT_EQ(16, last_.colour);
  Check("2 24 0 0 0 1 0 0");
  EXPECT_EQ("", Remarks());
  EXPECT_EQ(24, last_.colour);
  Check("2 16 0 0 0 2 0 0");
  EXPECT_EQ(Warning("Lines should not use color 16"), Remarks());
  EXPECT_EQ(16, last_.colour);
  Check("5 16 0 0 0 3 0 0 0 1 0 0 -1 0");
  EXPECT_EQ(Warning("Lines should not use color 16"), Remarks());
  Check("4 16 0 0 0 1 0 0 1 1 0 0 1 0");
  EXPECT_EQ("", Remarks());
  // Numbers without a colour become 7; dithered and direct colours are kept.
  for (const char* text : {"3 99 0 0 0 5 0 0 0 5 0", "2 -1 0 0 0 6 0 0",
                           "1 0x8000000 0 0 0 1 0 0 0 1 0 0 0 1 a.dat"}) {
    Check(text);
    EXPECT_EQ(Warning("Unknown color, using 7"), Remarks()) << text;
    EXPECT_EQ(7, last_.colour) << text;
  }
  for (const char* text : {"3 256 0 0 0 7 0 0 0 7 0",
                           "3 0x2FF0000 0 0 0 8 0 0 0 8 0"}) {
    Check(text);
    EXPECT_EQ("", Remarks()) << text;
  }
  // Colour remarks follow the geometric ones; level 0 still shows them.
  diag_.warning_level = 0;
  Check("3 24 0 0 0 0 0 0 1 0 0");
  EXPECT_EQ(Warning("Color 24 illegal for this line type, using 16"),
            Remarks());
  Check("2 16 0 0 0 9 0 0");
  EXPECT_EQ("", Remarks());
  diag_.warning_level = 1;
  Check("2 99 4 4 4 4 4 4");
  EXPECT_EQ(Warning("Identical vertices") + Warning("Unknown color, using 7"),
            Remarks());
}

TEST_F(LineValidationTest, DuplicateLines) {
  store_ = true;
  // Same placement and target, other colour.
  Check("1 4 10 0 0 1 0 0 0 1 0 0 0 1 3001.dat");
  Check("1 1 10 0 0 1 0 0 0 1 0 0 0 1 3001.dat");
  EXPECT_EQ(Warning("Identical to line 1"), Remarks());
  // Another target or another number is no duplicate.
  Check("1 4 10 0 0 1 0 0 0 1 0 0 0 1 3002.dat");
  Check("1 4 10 0 0 1 0 0 0 1 0 0 0 -1 3001.dat");
  EXPECT_EQ("", Remarks());
  // Every earlier equal line is named, in file order.
  Check("1 2 10 0 0 1 0 0 0 1 0 0 0 1 3001.dat");
  EXPECT_EQ(Warning("Identical to line 1") + Warning("Identical to line 2"),
            Remarks());
  // Vertices in any order; the type must match.
  Check("3 16 0 0 0 1 0 0 0 1 0");
  Check("3 16 0 1 0 1 0 0 0 0 0");
  EXPECT_EQ(Warning("Identical to line 6"), Remarks());
  Check("2 24 0 0 0 1 0 0");
  Check("2 24 1 0 0 -0 0 0");
  EXPECT_EQ(Warning("Identical to line 8"), Remarks());
  Check("4 16 0 0 0 2 0 0 2 2 0 0 2 0");
  Check("4 16 2 2 0 0 2 0 0 0 0 2 0 0");
  EXPECT_EQ(Warning("Identical to line 10"), Remarks());
  // A repeated vertex does not make two vertex sets equal.
  Check("3 16 5 0 0 5 0 0 6 0 0");
  Remarks();
  Check("3 16 5 0 0 6 0 0 6 0 0");
  EXPECT_EQ(Warning("Identical vertices"), Remarks());
  // Optional lines: end points and control points are separate pairs.
  Check("5 24 0 0 0 1 0 0 0 1 0 0 -1 0");
  Check("5 24 1 0 0 0 0 0 0 -1 0 0 1 0");
  EXPECT_EQ(Warning("Identical to line 14"), Remarks());
  Check("5 24 0 1 0 0 -1 0 0 0 0 1 0 0");
  EXPECT_EQ("", Remarks());
  // NaN coordinates equal nothing, not even themselves.
  Check("2 24 nan 0 0 3 3 3");
  Check("2 24 nan 0 0 3 3 3");
  EXPECT_EQ("", Remarks());
}

TEST_F(LineValidationTest, DuplicatesOnlyAmongStoredLinesOfTheSameRecord) {
  store_ = true;
  Check("3 16 0 0 0 1 0 0 0 1 0");
  // A line the reader did not store (type not in its mask) is not found.
  diag_.current_line++;
  // A transform block's record is compared with its own lines only.
  DatFile block;
  block.name = "R7Transf0";
  Check("3 16 0 0 0 1 0 0 0 1 0", &block);
  EXPECT_EQ("", Remarks());
  Check("3 16 1 0 0 0 0 0 0 1 0", &block);
  EXPECT_EQ(Warning("Identical to line 3"), Remarks());
  Check("3 16 1 0 0 0 1 0 0 0 0");
  EXPECT_EQ(Warning("Identical to line 1"), Remarks());
  // Below warning level 1 nothing is compared.
  diag_.warning_level = 0;
  Check("3 16 1 0 0 0 1 0 0 0 0");
  EXPECT_EQ("", Remarks());
  diag_.warning_level = 1;
  Check("3 16 1 0 0 0 1 0 0 0 0");
  EXPECT_EQ(Warning("Identical to line 1") + Warning("Identical to line 5") +
                Warning("Identical to line 6"),
            Remarks());
  // A record whose lines were freed and read again starts afresh.
  model_.lines.clear();
  Check("3 16 7 0 0 0 7 0 0 0 0");
  Check("3 16 1 0 0 0 1 0 0 0 0");
  EXPECT_EQ("", Remarks());
  // The next physical file may reuse the record: nothing carries over, even
  // when the lines are refilled without validation first.
  diag_.current_file = "other.dat";
  diag_.current_line = 0;
  model_.lines.clear();
  std::string unused;
  model_.lines.push_back(MakeLine("3 16 9 0 0 0 9 0 0 0 9", &unused));
  model_.lines.push_back(MakeLine("3 16 8 0 0 0 8 0 0 0 8", &unused));
  model_.lines[0].lineNumber = 40;
  model_.lines[1].lineNumber = 41;
  Check("3 16 7 0 0 0 7 0 0 0 0");
  Check("3 16 0 0 9 9 0 0 0 9 0");
  EXPECT_EQ(Warning("Identical to line 40"), Remarks());
}

// The vertex order and flatness checks of a quadrilateral, computed with
// the vector operations of geometry/vector_ops: the messages they give.
std::vector<std::string> ReferenceQuadMessages(Matrix m, float threshold) {
  auto edge = [&m](int from, int to) {
    Vector e;
    VecSub(e, m.Row(to), m.Row(from));
    return e;
  };
  auto cross = [](const Vector& a, const Vector& b) {
    Vector c;
    VecCross(c, a, b);
    return c;
  };
  auto reorder = [&m](const std::vector<int>& order) {
    Matrix old = m;
    for (int k = 0; k < 4; ++k)
      for (int c = 0; c < 4; ++c) m.at(k, c) = old.at(order[static_cast<size_t>(k)], c);
  };
  std::vector<std::string> messages;
  Vector e01 = edge(0, 1), e02 = edge(0, 2), e03 = edge(0, 3);
  Vector e12 = edge(1, 2), e13 = edge(1, 3), e23 = edge(2, 3);
  if (!(VecDot(cross(e01, e02), cross(e02, e03)) > 0)) {
    double j = VecDot(cross(e12, e01), cross(e01, e13));
    double k = -VecDot(cross(e02, e12), cross(e12, e23));
    if (j > 0 && k <= 0) {
      messages.push_back("Bad vertex sequence, 0312 used");
      reorder({0, 3, 1, 2});
    } else if (j <= 0 && k > 0) {
      messages.push_back("Bad vertex sequence, 0132 used");
      reorder({0, 1, 3, 2});
    } else {
      reorder({1, 2, 3, 0});
    }
  }
  e01 = edge(0, 1), e03 = edge(0, 3), e12 = edge(1, 2), e23 = edge(2, 3);
  Vector n0 = cross(e01, e03), n2 = cross(e12, e23);
  Vector n1 = cross(e01, e12), n3 = cross(e03, e23);
  double lengths_a = VecLength(n0) * VecLength(n2);
  if (lengths_a == 0) {
    messages.push_back("Zero normals (1) Cannot check angle");
    return messages;
  }
  double cos_a = VecDot(n0, n2) / lengths_a;
  double lengths_b = VecLength(n1) * VecLength(n3);
  if (lengths_b == 0) {
    messages.push_back("Zero normals (2) Cannot check angle");
    return messages;
  }
  double cos_min = std::min(cos_a, VecDot(n1, n3) / lengths_b);
  if (threshold > cos_min) {
    char text[80];
    snprintf(text, sizeof text, "Vertices not coplanar (%g)",
             std::acos(std::max(cos_min, -1.0)) * 180 / 3.141592653589793);
    messages.push_back(text);
  }
  return messages;
}

// The message part of each remark, without the collinearity ones (which
// the quadrilateral test leaves to the tests above).
std::vector<std::string> RemarkMessages(const std::string& remarks,
                                        const std::string& line) {
  std::vector<std::string> messages;
  size_t start = 0;
  for (size_t end = remarks.find('\n'); end != std::string::npos;
       start = end + 1, end = remarks.find('\n', start)) {
    std::string remark = remarks.substr(start, end - start);
    size_t from = remark.find(": ") + 2;
    std::string message = remark.substr(from, remark.size() - from - line.size() - 2);
    if (message.rfind("Collinear vertices", 0) != 0) messages.push_back(message);
  }
  return messages;
}

TEST_F(LineValidationTest, QuadrilateralChecksAgreeWithTheVectorOperations) {
  // Flat, folded, concave and crossed quadrilaterals at every scale, with
  // the coordinates authors write and random ones.
  std::mt19937 rng(3);
  auto pick = [&rng](int n) { return std::uniform_int_distribution<int>(0, n)(rng); };
  auto coordinate = [&]() {
    switch (pick(3)) {
      case 0: return static_cast<float>(pick(20) - 10);
      case 1: return static_cast<float>(pick(2000) - 1000) / 64.0f;
      case 2: return std::uniform_real_distribution<float>(-1e3f, 1e3f)(rng);
      default: return std::uniform_real_distribution<float>(-1.0f, 1.0f)(rng) * 1e-3f;
    }
  };
  int checked = 0;
  for (int n = 0; n < 20000; ++n) {
    float v[4][3];
    for (auto& vertex : v)
      for (float& c : vertex) c = coordinate();
    if (pick(1) == 0) {
      // Nearly or exactly flat: the last vertex in the plane of the others,
      // moved a little off it.
      for (int c = 0; c < 3; ++c)
        v[3][c] = v[0][c] + v[2][c] - v[1][c] + (pick(2) == 0 ? coordinate() * 1e-3f : 0.0f);
      if (pick(2) == 0) std::swap(v[pick(3)], v[pick(3)]);
    }
    char text[300];
    snprintf(text, sizeof text, "4 16 %.9g %.9g %.9g %.9g %.9g %.9g %.9g %.9g %.9g %.9g %.9g %.9g",
             double{v[0][0]}, double{v[0][1]}, double{v[0][2]}, double{v[1][0]},
             double{v[1][1]}, double{v[1][2]}, double{v[2][0]}, double{v[2][1]},
             double{v[2][2]}, double{v[3][0]}, double{v[3][1]}, double{v[3][2]});
    std::string name;
    const Matrix before = MakeLine(text, &name).matrix;
    Check(text);
    const std::vector<std::string> got = RemarkMessages(Remarks(), text);
    if (!got.empty() && got[0] == "Identical vertices") continue;
    ++checked;
    ASSERT_EQ(got, ReferenceQuadMessages(before, validator_->coplanar_threshold()))
        << text;
  }
  EXPECT_GT(checked, 15000);
}

// The duplicate check by its definition: every earlier stored line of the
// same type with the same numbers (vertices in any order, optional lines'
// end and control points as separate pairs) and target, compared as floats.
bool SameRows(const Matrix& a, const Matrix& b, int first, int count) {
  int order[4] = {0, 1, 2, 3};
  do {
    bool same = true;
    for (int k = 0; k < count && same; ++k)
      for (int c = 0; c < 3; ++c)
        if (a.at(first + k, c) != b.at(first + order[k], c)) same = false;
    if (same) return true;
  } while (std::next_permutation(order, order + count));
  return false;
}

bool EqualByDefinition(const DatLine& earlier, const DatLine& line,
                       const std::string& name) {
  if (earlier.type != line.type) return false;
  switch (line.type) {
    case 1:
      for (int i = 0; i < 12; ++i)
        if (earlier.matrix.m[i] != line.matrix.m[i]) return false;
      return earlier.file->name == name;
    case 5:
      return SameRows(line.matrix, earlier.matrix, 0, 2) &&
             SameRows(line.matrix, earlier.matrix, 2, 2);
    default:
      return SameRows(line.matrix, earlier.matrix, 0, line.type);
  }
}

// The line numbers named by "Identical to line" remarks, in their order.
std::vector<uint32_t> NamedDuplicates(const std::string& remarks) {
  std::vector<uint32_t> numbers;
  const std::string marker = ": Identical to line ";
  for (size_t at = remarks.find(marker); at != std::string::npos;
       at = remarks.find(marker, at + 1))
    numbers.push_back(static_cast<uint32_t>(
        std::stoul(remarks.substr(at + marker.size()))));
  return numbers;
}

TEST_F(LineValidationTest, DuplicatesAgreeWithAPairwiseComparison) {
  // Few distinct numbers, so that lines repeat often, in every vertex
  // order, with -0 for 0 and the odd NaN that equals nothing.
  store_ = true;
  diag_.warning_level = 1;
  std::mt19937 rng(5);
  auto pick = [&rng](int n) { return std::uniform_int_distribution<int>(0, n)(rng); };
  const char* const kNumbers[] = {"0", "-0", "1", "2", "-1", "0.5", "nan"};
  auto number = [&]() { return std::string(kNumbers[pick(20) == 0 ? 6 : pick(5)]); };
  const char* const kPlacements[] = {"1 0 0 0 1 0 0 0 1", "-1 0 0 0 1 0 0 0 1",
                                     "0 0 1 0 1 0 -1 0 0", "1 0 0 0 -0 1 0 1 0"};
  for (int n = 0; n < 3000; ++n) {
    const int type = 1 + pick(4);
    std::string text = std::to_string(type) + " 16";
    if (type == 1) {
      for (int i = 0; i < 3; ++i) text += " " + number();
      text += std::string(" ") + kPlacements[pick(3)];
      text += pick(1) == 0 ? " a.dat" : " b.dat";
    } else {
      const int vertices = type == 2 ? 2 : type == 3 ? 3 : 4;
      for (int k = 0; k < vertices; ++k)
        for (int c = 0; c < 3; ++c) text += " " + number();
    }
    const std::vector<DatLine>& stored = model_.lines;
    const size_t before = stored.size();
    Check(text);
    std::string name;
    DatLine checked = MakeLine(text, &name);
    checked.matrix = last_.matrix;
    std::vector<uint32_t> want;
    for (size_t i = 0; i < before; ++i)
      if (EqualByDefinition(stored[i], checked, name)) want.push_back(stored[i].lineNumber);
    ASSERT_EQ(NamedDuplicates(Remarks()), want) << text;
  }
}

TEST_F(LineValidationTest, LargeFileDuplicateCheck) {
  // 20,000 distinct triangles and quadrilaterals with a repeat at the end of
  // every thousand; the duplicate index keeps this linear.
  diag_.warning_level = 1;
  store_ = true;
  std::string expected;
  char text[200];
  for (int n = 1; n <= 20000; ++n) {
    int base = n % 1000 == 0 ? n - 501 : n % 1000 == 500 ? n - 250 : n;
    double x = base * 3.0;
    if (base % 2 == 0) {
      snprintf(text, sizeof text, "3 16 %g 0 0 %g 0 10 %g 10 0", x, x + 1,
               x + 2);
    } else {
      snprintf(text, sizeof text, "4 16 %g 0 0 %g 0 0 %g 10 0 %g 10 0", x,
               x + 2, x + 2, x);
    }
    if (base != n && base % 2 != 0) {
      // A quadrilateral repeated with its corners rotated.
      snprintf(text, sizeof text, "4 16 %g 0 0 %g 10 0 %g 10 0 %g 0 0", x + 2,
               x + 2, x, x);
    }
    Check(text);
    if (base != n) expected += Warning("Identical to line " + std::to_string(base));
  }
  EXPECT_EQ(20000u, model_.lines.size());
  EXPECT_EQ(expected, Remarks());
}

}  // namespace
