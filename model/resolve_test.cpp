#include "model/resolve.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "colour/colour_table.h"
#include "searchdirs/library_dirs.h"
#include "base/settings.h"
#include "base/diagnostics.h"
#include "model/file_table.h"
#include "model/parser.h"
#include "platform/path_finder.h"
#include "platform/platform.h"
#include "tests/library_env.h"
#include "tests/small_library_fixture.h"
#include "tests/test_support.h"

namespace {

using testing_support::LibraryEnv;
using testing_support::MemoryFile;
using testing_support::TempDir;

constexpr char kIdentity[] = "0 0 0 1 0 0 0 1 0 0 0 1";

std::string Ref(const std::string& name, const char* placement = kIdentity) {
  return std::string("1 16 ") + placement + " " + name + "\n";
}

// Records what the loader declares and offers to the camera; one POV-Ray
// equivalent and one prepared part may be named.
class RecordingListener : public ResolveListener {
 public:
  void WriteDeclaration(DatFile& file, bool is_main) override {
    if (!declare) return;
    written.push_back(file.name + (is_main ? "*" : ""));
    file.writeMark = 'w';
  }
  void CameraAddPoint(const Vector& p) override { points.push_back(p); }
  std::optional<BBox> PovEquivalentBox(const std::string& name) override {
    if (name != pov_equivalent) return std::nullopt;
    return BBox{{-1, 0, -1}, {1, 1, 1}};
  }
  bool HasLgeoElement(const std::string&) override { return false; }
  bool HasPreparedPart(const std::string& name) override {
    return name == prepared_part;
  }

  bool declare = true;
  std::string pov_equivalent;
  std::string prepared_part;
  std::vector<std::string> written;
  std::vector<Vector> points;
};

class ResolveTest : public testing_support::SmallLibraryFixture {
 protected:
  ResolveTest() { SetUpLibrary(); }

  ModelLoader& Loader() {
    finder_ = platform::PathFinder();  // its listings are cached
    loader_ = std::make_unique<ModelLoader>(reader_, library_, finder_, &listener_);
    return *loader_;
  }

  // Starts and loads the model at `path`; returns LoadModel's result, or
  // -2 when the model cannot be started.
  int Load(const std::string& path) {
    if (!loader_) Loader();
    // The tests write models between loads; the finder reads each folder
    // once, so it starts afresh (the loader's own state is kept).
    finder_ = platform::PathFinder();
    if (loader_->StartModel(path) != Status::kOk) return -2;
    return loader_->LoadModel() == Status::kOk ? 0 : -1;
  }

  DatFile* File(const std::string& name) { return files_.LookupFile(name); }

  TempDir models_;
  RecordingListener listener_;
  std::unique_ptr<ModelLoader> loader_;
  std::vector<std::string>& written_ = listener_.written;
  std::vector<Vector>& points_ = listener_.points;
};

TEST_F(ResolveTest, PostOrderHandOverAndCounts) {
  lib_.Write("p/stud.dat", "0 stud\n4 16 -6 0 -6 6 0 -6 6 -4 6 -6 -4 6\n");
  lib_.Write("parts/3001.dat", "0 Brick\n" + Ref("stud.dat") + Ref("STUD.DAT") +
                                   "3 16 -40 0 -20 40 24 -20 40 24 20\n");
  lib_.Write("models/sub.ldr", Ref("3001.dat") + Ref("3001.dat"));
  std::string model = "0 Car\n" + Ref("sub.ldr") + Ref("3001.dat");
  for (int i = 0; i < 100; ++i) model += Ref("3001.dat");
  std::string path = models_.Write("car.ldr", model + Ref("sub.ldr"));
  switches_.Verbose = 1;
  ASSERT_EQ(Load(path), 0);
  EXPECT_EQ(written_, (std::vector<std::string>{"stud.dat", "3001.dat",
                                                "sub.ldr", "car.ldr*"}));
  DatFile& main = files_.slot(0);
  EXPECT_EQ(main.name, "car.ldr");
  EXPECT_EQ(main.studCount, 101 * 2 + 2 * 4);
  EXPECT_EQ(main.partCount, 101 + 2 * 2);
  EXPECT_EQ(File("3001.dat")->studCount, 2);
  EXPECT_EQ(File("3001.dat")->partCount, 0);
  EXPECT_EQ(File("3001.dat")->flags & (PART | PRIMITIVE | LIBRARY),
            PART | LIBRARY);
  EXPECT_EQ(File("stud.dat")->flags & (PART | PRIMITIVE | LIBRARY | STUD),
            PRIMITIVE | LIBRARY | STUD);
  EXPECT_EQ(File("sub.ldr")->flags & (PART | PRIMITIVE | LIBRARY), LIBRARY);
  EXPECT_TRUE(main.Has(DONE) && main.Has(HAS_BBOX) && !main.Has(VISITING));
  EXPECT_TRUE(File("3001.dat")->Has(INHERITS_COLOUR));
  EXPECT_TRUE(main.Has(INHERITS_COLOUR));
  // Written files lose their lines; boxes stay.
  EXPECT_TRUE(File("3001.dat")->lines.empty());
  EXPECT_EQ(File("3001.dat")->bbox.max.y, 24.0f);
  // Each file is read once, whatever the number of references.
  std::string log = messages_.text();
  size_t reads = 0;
  for (size_t at = log.find("Reading "); at != std::string::npos;
       at = log.find("Reading ", at + 1))
    ++reads;
  EXPECT_EQ(reads, 4u) << log;  // car.ldr, sub.ldr, 3001.dat, stud.dat
  EXPECT_NE(log.find("Reading " + lib_.path() + "/parts/3001.dat\n"),
            std::string::npos);
  EXPECT_EQ(remarks_.text(), "");
}

TEST_F(ResolveTest, FindingFiles) {
  lib_.Write("parts/brick.dat", "3 16 0 0 0 1 0 0 0 0 1\n");
  lib_.Write("models/Town.LDR", Ref("brick") + Ref("brick.dat"));
  switches_.Verbose = 1;
  ModelLoader& loader = Loader();
  int flags = -1;
  // The main model: current directory first, extensions tried in order.
  FILE* found = loader.FindLibraryFile("town", true, &flags);
  ASSERT_NE(found, nullptr);
  fclose(found);
  EXPECT_EQ(flags, 0x10);
  EXPECT_EQ(loader.LastOpenedPath(), lib_.path() + "/models/Town.LDR");
  const std::string& root = lib_.path();
  EXPECT_EQ(messages_.text(),
            "Trying cur dir 'town' '' '.ldr' '.dat' '.mpd'\n"
            "Trying SearchDirs[0] 19 '" + root + "/p/' 'town' '' '.ldr' '.dat' '.mpd'\n"
            "Trying SearchDirs[1] 14 '" + root + "/parts/' 'town' '' '.ldr' '.dat' '.mpd'\n"
            "Trying SearchDirs[2] 10 '" + root + "/models/' 'town' '' '.ldr' GOT IT!\n");
  // Referenced files: search directories only, the name exactly as written.
  ASSERT_EQ(Load(loader.LastOpenedPath()), 0);
  EXPECT_EQ(files_.slot(0).name, "Town.LDR");
  std::string log = messages_.text();
  EXPECT_NE(log.find("Could not find brick Referenced by Town.LDR\n"),
            std::string::npos);
  EXPECT_NE(log.find("Trying SearchDirs[0] 10 '" + root + "/models/' 'brick' ''\n"
                     "Trying SearchDirs[1] 09 '" + root + "/p/' 'brick' ''\n"),
            std::string::npos);
  EXPECT_TRUE(File("brick")->Has(NOT_FOUND) && File("brick")->Has(DONE));
  EXPECT_TRUE(File("brick.dat")->Has(PART));
  EXPECT_EQ(written_, (std::vector<std::string>{"brick.dat", "Town.LDR*"}));

  // A missing main model fails the load with "*" as referrer.
  written_.clear();
  ASSERT_EQ(Load(models_.path() + "/gone.ldr"), -1);
  EXPECT_NE(messages_.text().find("Could not find gone.ldr Referenced by *\n"),
            std::string::npos);
  EXPECT_TRUE(written_.empty());
  EXPECT_EQ(loader.FindLibraryFile("gone.ldr", false, nullptr), nullptr);
  EXPECT_EQ(loader.OpenWithExtensions("brick", root + "/parts/", false), nullptr);
}

TEST_F(ResolveTest, LibraryLookupsMatchCaseAndFollowLinks) {
  namespace fs = std::filesystem;
  const std::string& root = lib_.path();
  lib_.Write("p/Stud.DAT", "0 stud\n");
  lib_.Write("parts/twin.dat", "0 lower\n");
  lib_.Write("parts/Twin.dat", "0 upper\n");
  lib_.Write("parts/a..b.dat", "0 dots\n");
  TempDir elsewhere;
  elsewhere.Write("Sub/3001s01.dat", "0 sub\n");
  fs::create_symlink(root + "/p/Stud.DAT", root + "/parts/linked.dat");
  fs::create_directory_symlink(elsewhere.path() + "/Sub", root + "/parts/S");
  fs::create_symlink(root + "/gone.dat", root + "/parts/dangling.dat");
  switches_.Verbose = 1;
  ModelLoader& loader = Loader();
  struct Case {
    const char* name;
    std::string found;  // empty: not found
    bool in_p;          // found in the first search directory
  };
  const std::string p = "Trying SearchDirs[0] 09 '" + root + "/p/' ";
  const std::string parts = "Trying SearchDirs[1] 04 '" + root + "/parts/' ";
  const std::string models = "Trying SearchDirs[2] 00 '" + root + "/models/' ";
  for (int round = 0; round < 2; ++round) {
    for (const Case& c : std::vector<Case>{
             {"stud.dat", root + "/p/Stud.DAT", true},
             {"TWIN.DAT", root + "/parts/twin.dat", false},
             {"twin.dat", root + "/parts/twin.dat", false},
             {"Twin.dat", root + "/parts/Twin.dat", false},
             {"LINKED.dat", root + "/parts/linked.dat", false},
             {"s\\3001S01.DAT", root + "/parts/S/3001s01.dat", false},
             {"A..B.dat", root + "/parts/a..b.dat", false},
             {"dangling.dat", "", false},
             // ".." after a linked folder leads out of the link's target.
             {"s\\..\\twin.dat", "", false},
             {"..\\p\\stud.dat", root + "/p/../p/Stud.DAT", true},
             {"nothing\\x.dat", "", false}}) {
      messages_.NewText();
      FILE* file = loader.FindLibraryFile(c.name, false, nullptr);
      EXPECT_EQ(file != nullptr, !c.found.empty()) << c.name;
      if (file != nullptr) {
        fclose(file);
        EXPECT_EQ(loader.LastOpenedPath(), c.found) << c.name;
      }
      // Every search is shown, each directory on a line of its own.
      const std::string name = std::string("'") + c.name + "' ''";
      const std::string log = messages_.NewText();
      if (c.found.empty()) {
        EXPECT_EQ(log, p + name + "\n" + parts + name + "\n" + models + name + "\n");
      } else if (c.in_p) {
        EXPECT_EQ(log, p + name + " GOT IT!\n");
      } else {
        EXPECT_EQ(log, p + name + "\n" + parts + name + " GOT IT!\n") << c.name;
      }
    }
  }
  // Without -v the answers come from the loader's cache the second time.
  switches_.Verbose = 0;
  for (int round = 0; round < 2; ++round) {
    FILE* file = loader.FindLibraryFile("TWIN.dat", false, nullptr);
    ASSERT_NE(file, nullptr);
    fclose(file);
    EXPECT_EQ(loader.LastOpenedPath(), root + "/parts/twin.dat");
    EXPECT_EQ(loader.FindLibraryFile("Missing.dat", false, nullptr), nullptr);
  }
}

TEST_F(ResolveTest, LibraryFilesStayKnownAcrossModels) {
  lib_.Write("parts/1.dat", "3 16 0 0 0 1 0 0 0 0 1\n");
  std::string own = models_.Write("own.ldr", Ref("1.dat"));
  std::string a = models_.Write("a.ldr", Ref("own.ldr") + Ref("missing.dat"));
  std::string b = models_.Write("b.ldr", Ref("own.ldr") + Ref("missing.dat"));
  ASSERT_EQ(Load(a), 0);
  EXPECT_EQ(written_, (std::vector<std::string>{"1.dat", "own.ldr", "a.ldr*"}));
  written_.clear();
  ASSERT_EQ(Load(b), 0);
  // The part is neither read nor written again; the model's own file is.
  EXPECT_EQ(written_, (std::vector<std::string>{"own.ldr", "b.ldr*"}));
  EXPECT_EQ(File("own.ldr")->partCount, 1);
  std::string log = messages_.text();
  EXPECT_NE(log.find("Could not find missing.dat Referenced by b.ldr"),
            std::string::npos);
}

TEST_F(ResolveTest, Recursion) {
  std::string m = models_.Write("m.ldr", "0 top\n" + Ref("a.ldr"));
  models_.Write("a.ldr", "0 a\n\n" + Ref("b.ldr"));
  models_.Write("b.ldr", Ref("a.ldr"));
  EXPECT_EQ(Load(m), -1);
  EXPECT_EQ(remarks_.text(),
            "Recursive references: a.ldr\n"
            "referenced by b.ldr line 1\n"
            "referenced by a.ldr line 3\n"
            "referenced by m.ldr line 2\n");
  EXPECT_TRUE(written_.empty());

  // A file referencing itself, and a ring of 1,000 files.
  std::string self = models_.Write("self.ldr", Ref("self.ldr"));
  EXPECT_EQ(Load(self), -1);
  EXPECT_NE(remarks_.text().find("Recursive references: self.ldr\n"
                                 "referenced by self.ldr line 1\n"),
            std::string::npos);
  std::string ring;
  for (int i = 0; i < 1000; ++i)
    ring += "0 FILE f" + std::to_string(i) + ".ldr\n" +
            Ref("f" + std::to_string((i + 1) % 1000) + ".ldr");
  std::string path = models_.Write("f0.ldr", ring);
  remarks_.text();
  size_t before = remarks_.text().size();
  EXPECT_EQ(Load(path), -1);
  std::string tail = remarks_.text().substr(before);
  EXPECT_EQ(tail.rfind("Recursive references: f0.ldr\n", 0), 0u) << tail.substr(0, 200);
  EXPECT_EQ(std::count(tail.begin(), tail.end(), '\n'), 1001);
  EXPECT_NE(tail.find("referenced by f999.ldr line 2000\nreferenced by f998.ldr"),
            std::string::npos);
}

TEST_F(ResolveTest, DeepChains) {
  const int kDepth = 10000;
  std::string mpd = "0 FILE deep.ldr\n" + Ref("s0.ldr");
  for (int i = 0; i < kDepth; ++i) {
    mpd += "0 FILE s" + std::to_string(i) + ".ldr\n";
    mpd += i + 1 < kDepth ? Ref("s" + std::to_string(i + 1) + ".ldr",
                                "0 1 0 1 0 0 0 1 0 0 0 1")
                          : "3 16 0 0 0 1 0 0 0 0 1\n";
  }
  ASSERT_EQ(Load(models_.Write("deep.mpd", mpd)), 0);
  ASSERT_EQ(written_.size(), static_cast<size_t>(kDepth + 1));
  EXPECT_EQ(written_.front(), "s9999.ldr");
  EXPECT_EQ(written_.back(), "deep.mpd*");
  EXPECT_EQ(files_.slot(0).bbox.max.y, static_cast<float>(kDepth - 1));

  // The same depth of nested transform blocks inside one file.
  written_.clear();
  std::string blocks;
  for (int i = 0; i < kDepth; ++i) blocks += "0 TRANSLATE 0 1 0\n";
  blocks += "3 16 0 0 0 1 0 0 0 0 1\n";
  for (int i = 0; i < kDepth; ++i) blocks += "0 TRANSLATE END\n";
  ASSERT_EQ(Load(models_.Write("blocks.ldr", blocks)), 0);
  EXPECT_EQ(remarks_.text(), "");
  ASSERT_EQ(written_.size(), static_cast<size_t>(kDepth + 1));
  EXPECT_EQ(written_.back(), "blocks.ldr*");
  EXPECT_EQ(written_.front().back(), '*');  // blocks belong to the main model
  EXPECT_EQ(files_.slot(0).bbox.min.y, static_cast<float>(kDepth));
}

TEST_F(ResolveTest, SkippedAndReplacedFiles) {
  lib_.Write("parts/3001.dat", Ref("stud.dat") + "3 16 0 0 0 1 0 0 0 0 1\n");
  lib_.Write("p/stud.dat", "3 16 0 0 0 1 0 0 0 0 1\n");
  std::string model = Ref("4-4edge.dat") + Ref("4-4cyli.dat") + Ref("3001.dat");
  std::string path = models_.Write("m.ldr", model);
  listener_.pov_equivalent = "4-4cyli.dat";
  listener_.prepared_part = "3001.dat";
  Loader();
  ASSERT_EQ(Load(path), 0);
  // The edge-only file is neither read nor written; the equivalent is not
  // read but written; the prepared part's sub-files are not written.
  EXPECT_EQ(written_, (std::vector<std::string>{"4-4cyli.dat", "3001.dat", "m.ldr*"}));
  EXPECT_EQ(messages_.text(), "");
  EXPECT_EQ(File("4-4edge.dat")->flags & (READ | DONE | PRIMITIVE | NOT_FOUND),
            READ | DONE | PRIMITIVE);
  DatFile* cyli = File("4-4cyli.dat");
  EXPECT_TRUE(cyli->Has(HAS_BBOX) && cyli->Has(INHERITS_COLOUR) && cyli->Has(PRIMITIVE));
  EXPECT_EQ(cyli->bbox.max.y, 1.0f);
  EXPECT_TRUE(File("3001.dat")->Has(INHERITS_COLOUR));
  EXPECT_EQ(File("3001.dat")->studCount, 1);
  EXPECT_TRUE(File("stud.dat")->Has(DONE));

  // Without P and 3 in the order, and with edge lines drawn, all are sought.
  settings_.SubstitutionOrder = "L";
  settings_.EdgeWidth = 1;
  written_.clear();
  ASSERT_EQ(Load(models_.Write("n.ldr", model)), 0);
  EXPECT_NE(messages_.text().find("Could not find 4-4edge.dat Referenced by n.ldr\n"
                                  "Could not find 4-4cyli.dat Referenced by n.ldr\n"),
            std::string::npos);
  EXPECT_EQ(written_, (std::vector<std::string>{"n.ldr*"}));  // 3001 is DONE
}

TEST_F(ResolveTest, ExtentStickersAndRigidPlacement) {
  lib_.Write("parts/s1.dat", "0 Sticker thin\n4 16 0 -0.25 0 1 -0.25 0 1 0 1 0 0 1\n");
  lib_.Write("parts/s2.dat", "0 Sticker thick\n4 16 0 -0.5 0 1 -0.5 0 1 0 1 0 0 1\n");
  lib_.Write("parts/s3.dat", "0 CATEGORY Sticker\n0 thin\n3 16 0 -0.25 0 1 0 0 0 0 1\n");
  lib_.Write("parts/b.dat", "3 16 -1 -1 -1 1 1 1 0 0 1\n");
  std::string path = models_.Write(
      "m.ldr", Ref("s1.dat") + Ref("s2.dat") + Ref("s3.dat") +
                   Ref("b.dat", "10 0 0 -1 0 0 0 1 0 0 0 1") +
                   Ref("b.dat", "0 0 0 2 0 0 0 1 0 0 0 1") +
                   "1 16 0 0 0 1 0 0 0 1 0 0 0 1 light.dat\n"
                   "5 24 0 0 0 0 9 0 0 99 0 99 0 0\n");
  settings_.SettingsFlags |= LightDatLights;
  reader_.line_type_mask = kAllLineTypes;
  lib_.Write("parts/light.dat", "3 16 50 50 50 51 50 50 50 51 50\n");
  Loader();
  ASSERT_EQ(Load(path), 0);
  EXPECT_TRUE(File("s1.dat")->Has(STICKER));
  EXPECT_FALSE(File("s2.dat")->Has(STICKER));
  EXPECT_TRUE(File("s3.dat")->Has(STICKER));
  DatFile& main = files_.slot(0);
  ASSERT_EQ(main.lines.size(), 0u);  // written and freed
  // Recompute from a fresh read without writing to look at the lines.
  listener_.declare = false;
  written_.clear();
  points_.clear();
  std::string again = models_.Write("again.ldr", Ref("b.dat", "10 0 0 -1 0 0 0 1 0 0 0 1") +
                                                     Ref("b.dat", "0 0 0 2 0 0 0 1 0 0 0 1") +
                                                     "1 16 0 0 0 1 0 0 0 1 0 0 0 1 light.dat\n" +
                                                     "5 24 0 0 0 0 9 0 0 99 0 99 0 0\n");
  Loader();
  ASSERT_EQ(Load(again), 0);
  DatFile& model = files_.slot(0);
  ASSERT_EQ(model.lines.size(), 4u);
  EXPECT_EQ(model.lines[0].flags & (RIGID | MIRRORED), RIGID | MIRRORED);
  EXPECT_EQ(model.lines[1].flags & RIGID, 0u);
  EXPECT_EQ(model.lines[2].flags & (RIGID | LIGHT), static_cast<uint32_t>(LIGHT));
  // The light's box grows the model's box but gives the camera nothing;
  // the control points of the optional line count nowhere.
  EXPECT_EQ(points_.size(), 8u + 8u + 2u);
  EXPECT_EQ(model.bbox.max.x, 51.0f);
  EXPECT_EQ(model.bbox.min.x, -2.0f);
  EXPECT_EQ(model.bbox.max.z, 50.0f);
  EXPECT_EQ(model.bbox.max.y, 51.0f);

  // Check mode: no boxes, no writing, no substitution.
  switches_.CheckMode = true;
  listener_.declare = true;
  Loader();
  ASSERT_EQ(Load(models_.Write("c.ldr", Ref("b.dat") + "3 16 0 0 0 1 0 0 0 0 1\n")), 0);
  EXPECT_TRUE(written_.empty());
  EXPECT_FALSE(files_.slot(0).Has(HAS_BBOX));
}

TEST_F(ResolveTest, StartModel) {
  RunSwitches switches;
  LibraryDirs unset(switches, diag_, colours_, finder_);
  ModelLoader without_library(reader_, unset, finder_, &listener_);
  EXPECT_EQ(without_library.StartModel("x.ldr"), Status::kFailed);

  settings_.DefaultColor = 4;
  ASSERT_EQ(Loader().StartModel("dir\\sub/Model.LDR"), Status::kOk);
  EXPECT_EQ(files_.slot(0).name, "Model.LDR");
  EXPECT_EQ(*library_.record()->ModelDir, "dir\\sub");
  ASSERT_FALSE(files_.used_colours.empty());
  EXPECT_EQ(files_.used_colours.back().colour, 4);
  // The MPD sub-model referenced before its FILE section needs no search.
  switches_.Verbose = 1;
  std::string path = models_.Write(
      "m.mpd", "0 FILE main.ldr\n" + Ref("part2.ldr") +
                   "0 FILE part2.ldr\n3 16 0 0 0 1 0 0 0 0 1\n");
  ASSERT_EQ(Load(path), 0);
  EXPECT_EQ(messages_.text().find("Trying"), std::string::npos);
  EXPECT_EQ(written_, (std::vector<std::string>{"part2.ldr", "m.mpd*"}));
}

// Every file of the real library's example models that lies in a search
// directory is found and read.
TEST(ResolveSharedLibrary, RealModelsResolve) {
  R7P_REQUIRE_SHARED_LIBRARY();
  LibraryEnv env;
  const std::string root = testing_support::SharedLibrary();
  env.Set("LDRAWDIR", root);
  MemoryFile messages, remarks;
  Diagnostics diag;
  diag.message_stream = messages.get();
  diag.remark_stream = remarks.get();
  Settings settings;
  RunSwitches switches;
  ColourTable colours;
  FileTable files(diag);
  ReaderContext reader{diag, settings, switches, files, kConversionLineTypes, {}, {}};
  platform::PathFinder finder;
  LibraryDirs library(switches, diag, colours, finder);
  library.SetUpLibrary();
  reader.colours = &colours;
  ModelLoader loader(reader, library, finder, nullptr);
  int models = 0;
  for (const auto& entry : std::filesystem::directory_iterator(root + "/models")) {
    const std::string path = entry.path().string();
    ASSERT_EQ(loader.StartModel(path), Status::kOk);
    EXPECT_EQ(loader.LoadModel(), Status::kOk) << path;
    ++models;
    for (int i = 0; i < files.count(); ++i) {
      DatFile& file = files.slot(i);
      if (file.name.empty() || !file.Has(NOT_FOUND)) continue;
      platform::PathFinder fresh;
      for (const SearchDir& dir : library.record()->SearchDirs) {
        std::string name = file.name;
        std::replace(name.begin(), name.end(), '\\', '/');
        EXPECT_FALSE(fresh.Find(dir.Dir + name)) << file.name << " in " << path;
      }
    }
  }
  EXPECT_GE(models, 1);
  EXPECT_EQ(messages.text().find("Recursive"), std::string::npos);
}

}  // namespace
