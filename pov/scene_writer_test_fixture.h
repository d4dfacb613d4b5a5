// Test fixture for the declaration writers: the run objects they need, and
// helpers that build small LDraw files in memory.
#ifndef R7P_POV_SCENE_WRITER_TEST_FIXTURE_H_
#define R7P_POV_SCENE_WRITER_TEST_FIXTURE_H_

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "colour/colour_table.h"
#include "colour/lgeo_lists.h"
#include "base/settings.h"
#include "model/statistics.h"
#include "model/dat_file.h"
#include "base/diagnostics.h"
#include "model/file_table.h"
#include "platform/path_finder.h"
#include "platform/platform.h"
#include "pov/declarations.h"
#include "pov/scene_frame.h"
#include "pov/scene_state.h"
#include "tests/test_support.h"

class SceneWriterTest : public ::testing::Test {
 protected:
  SceneWriterTest()
      : files(diag),
        scene{state, settings, files, colours, lgeo, diag, finder},
        ctx{scene, settings, stats, "", ""} {
    colours.AddDefaultColours();
    diag.message_stream = messages.get();
    diag.remark_stream = remarks.get();
    // Unit tests look at the declarations alone; scene tests clear this.
    state.HeaderWritten = true;
    // Slot 0 belongs to the main model; tests name it when they need it.
    files.SetMainModel("");
  }

  /// A file record with `flags` (PART, PRIMITIVE, ...).
  DatFile& File(const std::string& name, uint32_t flags = 0) {
    DatFile* record = files.GetOrAddFile(false, name);
    record->flags |= flags;
    return *record;
  }
  /// A stand-in for a file that is already declared.
  DatFile& Declared(const std::string& name, uint32_t flags, int objects,
                    int solid_objects) {
    DatFile& record = File(name, flags);
    record.writeMark = 'N';
    record.elementCount = objects;
    record.solidElementCount = solid_objects;
    return record;
  }
  static void SetBox(DatFile& record, Vector min, Vector max) {
    record.bbox.min = min;
    record.bbox.max = max;
    record.flags |= HAS_BBOX;
  }
  static DatLine& Add(DatFile& file, int type, int colour) {
    file.lines.emplace_back();
    DatLine& line = file.lines.back();
    line.type = type;
    line.colour = colour;
    return line;
  }
  static DatLine& Ref(DatFile& file, int colour, DatFile& target,
                      Vector at = {}, uint32_t flags = 0) {
    DatLine& line = Add(file, 1, colour);
    line.file = &target;
    line.matrix.at(0, 3) = at.x;
    line.matrix.at(1, 3) = at.y;
    line.matrix.at(2, 3) = at.z;
    line.flags = flags;
    return line;
  }
  static DatLine& Polygon(DatFile& file, int colour,
                          std::vector<Vector> vertices) {
    DatLine& line = Add(file, static_cast<int>(vertices.size()), colour);
    for (size_t k = 0; k < vertices.size(); ++k)
      line.matrix.SetRow(static_cast<int>(k), vertices[k]);
    return line;
  }
  static DatLine& Meta(DatFile& file, const std::string& text,
                       uint32_t flags = META) {
    DatLine& line = Add(file, 0, 0);
    line.text = text;
    line.flags = flags;
    return line;
  }
  static void Square(DatFile& file, int colour) {
    Polygon(file, colour, {{0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}});
  }

  /// What WriteDeclaration writes for `record`.
  std::string Declare(DatFile& record, bool is_model = false) {
    testing_support::MemoryFile out;
    WriteDeclaration(out.get(), record, is_model, ctx);
    return out.text();
  }

  /// Writes a whole scene: header and definitions, `body`'s declarations,
  /// a camera, a light and `tail`; returns POV-Ray's exit status and puts
  /// its messages into `log`.
  /// With `library_path`, POV-Ray also looks there for include files, as a
  /// user's POV-Ray finds the R7PPARTS directory.
  int Render(const testing_support::TempDir& dir,
             const std::function<void(FILE*)>& body, const std::string& tail,
             std::string* log, const std::string& library_path = "") {
    const std::string path = dir.path() + "/scene.pov";
    FILE* file = std::fopen(path.c_str(), "w");
    state.HeaderWritten = false;
    WriteSceneHeader(scene, file);
    body(file);
    std::fprintf(file,
                 "camera { location <0,-150,-300> look_at <0,0,0> }\n"
                 "light_source { <0,-500,-500> color rgb 1 }\n%s\n",
                 tail.c_str());
    std::fclose(file);
    return testing_support::RenderWithPovray(
        path, log,
        library_path.empty()
            ? ""
            : testing_support::PovrayPathOption("+L", library_path));
  }

  Settings settings;
  Diagnostics diag;
  FileTable files;
  ColourTable colours;
  LgeoLists lgeo;
  SceneState state;
  platform::PathFinder finder;
  Statistics stats;
  SceneContext scene;
  SceneWriterContext ctx;
  testing_support::MemoryFile messages;
  testing_support::MemoryFile remarks;
};

#define R7P_REQUIRE_POVRAY()                                 \
  do {                                                       \
    if (!testing_support::HavePovray())                      \
      GTEST_SKIP() << "needs povray on PATH; skipped";       \
  } while (0)

#endif  // R7P_POV_SCENE_WRITER_TEST_FIXTURE_H_
