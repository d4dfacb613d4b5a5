#include "model/statistics.h"

#include <gtest/gtest.h>

#include <string>

#include "base/settings.h"
#include "model/dat_file.h"
#include "base/diagnostics.h"
#include "model/file_table.h"
#include "tests/test_support.h"

namespace {

using testing_support::MemoryFile;

DatFile& AddFile(FileTable& files, const char* name, uint32_t flags,
                 char mark) {
  DatFile& file = *files.GetOrAddFile(false, name);
  file.flags |= flags;
  file.writeMark = mark;
  return file;
}

DatFile PartFile() {
  DatFile file;
  file.flags = PART;
  return file;
}

DatFile PrimitiveFile() {
  DatFile file;
  file.flags = PRIMITIVE;
  return file;
}

class StatisticsTest : public testing::Test {
 protected:
  std::string Report(const char* prefix, int verbose = 0) {
    MemoryFile out;
    stats_.WriteStatistics(out.get(), prefix, files_, settings_, verbose);
    return out.text();
  }

  Diagnostics diag_;
  FileTable files_{diag_};
  Settings settings_;
  Statistics stats_;
};

TEST_F(StatisticsTest, DefaultOrderInScene) {
  DatFile& model = files_.SetMainModel("model.ldr");
  model.partCount = 3;
  model.studCount = 12;
  AddFile(files_, "3001.dat", PART, 'N');
  AddFile(files_, "3003.dat", PART, '3');
  AddFile(files_, "3004.dat", PART, 'N');
  for (int i = 0; i < 3; ++i) stats_.CountDeclaredFile(PartFile());
  stats_.CountR7pPartsPart();
  EXPECT_EQ(Report("// "),
            "//               PARTS             P         Total\n"
            "// DAT files:        3             0             4\n"
            "// POV Equivs:       -             0 (0%)\n"
            "// R7PPARTS:         1 (33%)       0 (0%)\n"
            "// Model has 3 parts (12 studs)\n");
  // The console report is the same without the prefix.
  EXPECT_EQ(Report(""),
            "              PARTS             P         Total\n"
            "DAT files:        3             0             4\n"
            "POV Equivs:       -             0 (0%)\n"
            "R7PPARTS:         1 (33%)       0 (0%)\n"
            "Model has 3 parts (12 studs)\n");
}

TEST_F(StatisticsTest, PercentagesRoundHalfUp) {
  files_.SetMainModel("model.ldr");
  settings_.SubstitutionOrder = "3";
  for (int i = 0; i < 3; ++i) stats_.CountDeclaredFile(PartFile());
  for (int i = 0; i < 8; ++i) stats_.CountDeclaredFile(PrimitiveFile());
  stats_.CountR7pPartsPart();
  stats_.CountR7pPartsPart();
  stats_.CountR7pPartsPrimitive();
  // 2 of 3 is 66.7 %, 1 of 8 is 12.5 %.
  EXPECT_NE(Report("").find("R7PPARTS:         2 (67%)       1 (13%)\n"),
            std::string::npos);
  stats_.CountR7pPartsPart();
  for (int i = 0; i < 7; ++i) stats_.CountR7pPartsPrimitive();
  EXPECT_NE(Report("").find("R7PPARTS:         3 (100%)      8 (100%)\n"),
            std::string::npos);

  // A file that is both part and primitive counts in both columns.
  Statistics both;
  DatFile file;
  file.flags = PART | PRIMITIVE;
  both.CountDeclaredFile(file);
  both.CountDeclaredFile(DatFile());
  EXPECT_EQ(both.parts(), 1);
  EXPECT_EQ(both.primitives(), 1);
  both.Reset();
  EXPECT_EQ(both.parts(), 0);
  EXPECT_EQ(both.primitives(), 0);
}

TEST_F(StatisticsTest, VerboseAndDebugListings) {
  DatFile& model = files_.SetMainModel("model.ldr");
  model.writeMark = 'N';
  model.partCount = 3;
  model.studCount = 2;
  model.elementCount = 5;
  model.flags |= HAS_BBOX;
  model.bbox.min = Vector{-20, -24, -10};
  model.bbox.max = Vector{20, 0, 10};
  DatFile& brick = AddFile(files_, "3001.dat", PART | HAS_BBOX, 'L');
  brick.studCount = 8;
  brick.bbox.min = Vector{-40, -24, -20};
  brick.bbox.max = Vector{40, 0, 20};
  AddFile(files_, "stud.dat", PRIMITIVE, 'P');
  AddFile(files_, "box5.dat", PRIMITIVE, ' ');
  AddFile(files_, "a-rather-long-part-name.dat", PART | PRIMITIVE, 0);
  AddFile(files_, "weird.dat", 0, 'X');
  // A freed slot is not listed and not counted.
  files_.FreeFile(AddFile(files_, "gone.dat", PART, 'N'));

  settings_.SubstitutionOrder = "LA3PX";
  settings_.DebugLevel = 1;
  for (int i = 0; i < 3; ++i) stats_.CountDeclaredFile(PartFile());
  for (int i = 0; i < 4; ++i) stats_.CountDeclaredFile(PrimitiveFile());
  stats_.CountLgeoPart();
  stats_.CountLgeoPart();
  stats_.CountLgeoPrimitive();
  stats_.CountR7pPartsPrimitive();
  stats_.CountPovEquivalent();
  stats_.CountPovEquivalent();
  EXPECT_EQ(Report("", 1),
            R"txt(DAT files printed:
     model.ldr Normal
      3001.dat LGEO part
      stud.dat PovEquiv primitive
      box5.dat Empty primitive
a-rather-long-part-name.dat part
     weird.dat

              PARTS             P         Total
DAT files:        3             4             6
LGEO:             2 (67%)       1 (25%)
AX:               0 (0%)        0 (0%)
R7PPARTS:         0 (0%)        1 (25%)
POV Equivs:       -             2 (50%)
Model has 3 parts (2 studs)
nPovObjects: 5
      DatName PARTS studs BBox
    model.ldr     0     2 1 <-20,-24,-10> <20,0,10>
     3001.dat     1     8 1 <-40,-24,-20> <40,0,20>
     stud.dat     0     1 0 <1e+16,1e+16,1e+16> <-1e+16,-1e+16,-1e+16>
     box5.dat     0     0 0 <1e+16,1e+16,1e+16> <-1e+16,-1e+16,-1e+16>
a-rather-long-part-name.dat     1     0 0 <1e+16,1e+16,1e+16> <-1e+16,-1e+16,-1e+16>
    weird.dat     0     0 0 <1e+16,1e+16,1e+16> <-1e+16,-1e+16,-1e+16>
)txt");
}

TEST_F(StatisticsTest, EmptyTable) {
  // No main model at all: the report still comes out, with zeros.
  settings_.SubstitutionOrder = "A";
  stats_.CountAxPart();
  EXPECT_EQ(Report("# "),
            "#               PARTS             P         Total\n"
            "# DAT files:        0             0             0\n"
            "# AX:               1 (0%)        0 (0%)\n"
            "# Model has 0 parts (0 studs)\n");
}

}  // namespace
