#include "platform/path_finder.h"
#include "pov/scene_frame.h"

#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "pov/scene_test_fixture.h"

namespace {

constexpr const char* kVersionGuard =
    "\n"
    "#if (version < 3.1)\n"
    "\t#error \"This POV code requires at least version 3.1\\n\"\n"
    "#end\n";

constexpr const char* kSettingsFormat =
    "\n"
    "#declare R7Version = 1.4;\n"
    "\n"
    "#declare R7Quality = %d;  // Quality level, 0=BBox, 1=no refr, 2=normal, 3=studlogo, 4=stud2logo\n"
    "\n"
    "#declare R7SW = %g;  // Width of seam between two bricks\n"
    "\n"
    "#declare R7Studs = %d;  // 1=on 0=off\n"
    "\n"
    "#declare R7Bumps = %d;  // 1=on 0=off\n"
    "\n"
    "\n";

constexpr const char* kConstants =
    "#declare R7Ambient = 0.4;\n"
    "#declare R7Diffuse = 0.4;\n"
    "#declare R7Ior     = 1.25;\n"
    "#declare R7NormalBumps = normal { bumps 0.01 scale 20 }\n"
    "#declare R7NormalSlope = normal { bumps 0.3 scale 0.5 }\n"
    "\n"
    "\n"
    "#declare R7SWT = (R7SW ? R7SW : 0.001);  // At least a small seam when transparent\n"
    "\n";

constexpr const char* kLogo =
    "#declare R7Logo = union {\n"
    "\tsphere {<-59,0,-96>,6}\n"
    "\tcylinder {<-59,0,-96>,<59,0,-122>,6 open}\n"
    "\tsphere {<59,0,-122>,6}\n"
    "\tcylinder {<59,0,-122>,<59,0,-84>,6 open}\n"
    "\tsphere {<59,0,-84>,6}\n"
    "\n"
    "\tsphere {<-59,0,-36>,6}\n"
    "\tcylinder {<-59,0,-36>,<-59,0,1>,6 open}\n"
    "\tsphere {<-59,0,1>,6}\n"
    "\tcylinder {<0,0,-49>,<0,0,-25>,6 open}\n"
    "\tsphere {<0,0,-25>,6}\n"
    "\tsphere {<59,0,-62>,6}\n"
    "\tcylinder {<59,0,-62>,<59,0,-24>,6 open}\n"
    "\tsphere {<59,0,-24>,6}\n"
    "\tcylinder {<-59,0,-36>,<59,0,-62>,6 open}\n"
    "\n"
    "\tsphere {<-35.95,0,57>,6}\n"
    "\ttorus {18.45,6 clipped_by{plane{<40,0,-9>,0}} translate<-40,0,39>}\n"
    "\tcylinder {<-44.05,0,21>,<35.95,0,3>,6 open}\n"
    "\ttorus {18.45,6 clipped_by{plane{<-40,0,9>,0}} translate<40,0,21>}\n"
    "\tcylinder {<44.05,0,39>,<0,0,49>,6 open}\n"
    "\tsphere {<0,0,49>,6}\n"
    "\tcylinder {<0,0,49>,<0,0,34>,6 open}\n"
    "\tsphere {<0,0,34>,6}\n"
    "\n"
    "\ttorus {18.45,6 clipped_by{plane{<40,0,-9>,0}} translate<-40,0,99>}\n"
    "\tcylinder {<-44.05,0,81>,<35.95,0,63>,6 open}\n"
    "\ttorus {18.45,6 clipped_by{plane{<-40,0,9>,0}} translate<40,0,81>}\n"
    "\tcylinder {<44.05,0,99>,<-35.95,0,117>,6 open}\n"
    "\n"
    "\tscale 4.5/128\n"
    "}\n"
    "\n";

constexpr const char* kLgeoSettings =
    "\n"
    "#declare lg_quality = R7Quality;\n"
    "#declare lg_studs = R7Studs;\n"
    "\n";

constexpr const char* kLgeoTransforms =
    "\n"
    "#declare R7LDrawToLgeo = transform { matrix <0,-LG_BRICK_WIDTH/20,0, 0,0,-LG_BRICK_HEIGHT/24, -LG_BRICK_WIDTH/20,0,0, 0,0,4*LG_BRICK_HEIGHT/24> }\n"
    "#declare R7LgeoToLDraw = transform { matrix <0,0,-20/LG_BRICK_WIDTH, -20/LG_BRICK_WIDTH,0,0, 0,-24/LG_BRICK_HEIGHT,0, 0,0,0> }\n"
    "\n";

constexpr const char* kRgbMacroFormat =
    "#ifndef (R7Texture%sRGB)\n"
    "#macro R7Texture%sRGB(r,g,b)\n"
    "texture {\n"
    "\tpigment { rgb <r/255,g/255,b/255> }\n"
    "\tfinish { R7Finish%s }\n"
    "\t#if (R7Bumps & (R7Quality > 1)) normal { R7NormalBumps } #end\n"
    "}\n"
    "#end\n"
    "#end\n"
    "\n";

constexpr const char* kTransparentMacro =
    "#ifndef (R7TextureTransparentRGBA)\n"
    "#macro R7TextureTransparentRGBA(r,g,b,a)\n"
    "// Alpha -> Filter: 255 -> 1.00, 128 -> 0.85, 0 -> 0\n"
    "#local f = (a >= 128 ? 0.85 + (a-128) * 0.15 / (255-128) : a * 0.85 / 255);\n"
    "texture {\n"
    "\tpigment { rgb <r/255,g/255,b/255> #if (R7Quality > 1) filter f #end }\n"
    "\tfinish { R7FinishTransparent }\n"
    "\t#if (R7Bumps & (R7Quality > 1)) normal { R7NormalBumps } #end\n"
    "}\n"
    "#end\n"
    "#end\n"
    "\n";

constexpr const char* kSlopeMaterialFormat =
    "#ifndef (R7TextureSlope)\n"
    "#macro R7TextureSlope(tex)\n"
    "texture {\n"
    "\ttex\n"
    "\t#if (R7Quality > 1) normal { R7NormalSlope } #end\n"
    "}\n"
    "#end\n"
    "#end\n"
    "\n"
    "#ifndef (R7Material)\n"
    "#macro R7Material(tex)\n"
    "material {\n"
    "\ttexture { tex }\n"
    "}\n"
    "#end\n"
    "#end\n"
    "\n"
    "#ifndef (R7MaterialT)\n"
    "#macro R7MaterialT(tex)\n"
    "material {\n"
    "\ttexture { tex }\n"
    "\t#if (R7Quality > 1)\n"
    "\t\tinterior { %s }\n"
    "\t#end\n"
    "}\n"
    "#end\n"
    "#end\n"
    "\n"
    "\n";

constexpr const char* kMegaPovFormat =
    "#version unofficial megapov %s;\n"
    "// The above line of POV code must be included in every include file as well,\n"
    "// not just the main POV file.\n"
    "\n";

constexpr const char* kPlainFinishes =
    "#ifndef (R7FinishOpaque)\n"
    "#declare R7FinishOpaque = finish {\n"
    "\tambient R7Ambient\n"
    "\tdiffuse R7Diffuse\n"
    "\t#if (R7Quality >= 2)\n"
    "\t\tphong 0.5\n"
    "\t\tphong_size 40\n"
    "\t\treflection 0.08\n"
    "\t#end\n"
    "}\n#end\n\n"
    "#ifndef (R7FinishChrome)\n"
    "#declare R7FinishChrome = finish {\n"
    "\tambient 0.25\n"
    "\tdiffuse 0.6\n"
    "\t#if (R7Quality >= 2)\n"
    "\t\tbrilliance 5\n"
    "\t\tmetallic\n"
    "\t\tspecular 0.80\n"
    "\t\troughness 1/100\n"
    "\t\treflection 0.65\n"
    "\t#end\n"
    "}\n#end\n\n"
    "#ifndef (R7FinishPearlescent)\n"
    "//Not supported yet, using Opaque\n"
    "#declare R7FinishPearlescent = finish { R7FinishOpaque }\n#end\n\n"
    "#ifndef (R7FinishRubber)\n"
    "#declare R7FinishRubber = finish {\n"
    "\tambient R7Ambient\n"
    "\tdiffuse R7Diffuse\n"
    "\t#if (R7Quality >= 2)\n"
    "\t\tphong 0.1\n"
    "\t\tphong_size 10\n"
    "\t\treflection 0\n"
    "\t#end\n"
    "}\n#end\n\n"
    "#ifndef (R7FinishMatte_metallic)\n"
    "//Not supported yet, using Opaque\n"
    "#declare R7FinishMatte_metallic = finish { R7FinishOpaque }\n#end\n\n"
    "#ifndef (R7FinishMetal)\n"
    "//Not supported yet, using Opaque\n"
    "#declare R7FinishMetal = finish { R7FinishOpaque }\n#end\n\n"
    "#ifndef (R7FinishTransparent)\n"
    "#declare R7FinishTransparent = finish {\n"
    "\tambient R7Ambient\n"
    "\tdiffuse R7Diffuse\n"
    "\t#if (R7Quality >= 2)\n"
    "\t\tphong 0.5\n"
    "\t\tphong_size 40\n"
    "\t\treflection 0.2\n"
    "\t#end\n"
    "}\n#end\n\n";

constexpr const char* kLgeoFinishes =
    "#ifndef (R7FinishOpaque)\n"
    "#declare R7FinishOpaque = finish { lg_solid_finish }\n#end\n\n"
    "#ifndef (R7FinishChrome)\n"
    "#declare R7FinishChrome = finish { lg_chrome_finish }\n#end\n\n"
    "#ifndef (R7FinishPearlescent)\n"
    "//Not supported yet, using Opaque\n"
    "#declare R7FinishPearlescent = finish { lg_pearl_finish }\n#end\n\n"
    "#ifndef (R7FinishRubber)\n"
    "//Not supported in LGEO, using Opaque\n"
    "#declare R7FinishRubber = finish { R7FinishOpaque }\n#end\n\n"
    "#ifndef (R7FinishMatte_metallic)\n"
    "//Not supported in LGEO, using Opaque\n"
    "#declare R7FinishMatte_metallic = finish { R7FinishOpaque }\n#end\n\n"
    "#ifndef (R7FinishMetal)\n"
    "//Not supported in LGEO, using Opaque\n"
    "#declare R7FinishMetal = finish { R7FinishOpaque }\n#end\n\n"
    "#ifndef (R7FinishTransparent)\n"
    "#declare R7FinishTransparent = finish { lg_transparent_finish }\n"
    "#end\n\n";

// The default for colours that are luminous or transparent with a finish.
constexpr const char* kOtherMacro =
    "#ifndef (R7TextureOtherRGBFAL)\n"
    "#macro R7TextureOtherRGBFAL(r,g,b,f,a,l)\n"
    "// f: finish kind 0..5, a: alpha 0..255 or -1, l: luminance 0..255 or -1\n"
    "#local flt = (a < 0 ? 0 : (a >= 128 ? 0.85 + (a-128) * 0.15 / (255-128) : "
    "a * 0.85 / 255));\n"
    "texture {\n"
    "\tpigment { rgb <r/255,g/255,b/255> #if ((a >= 0) & (R7Quality > 1)) "
    "filter flt #end }\n"
    "\tfinish {\n"
    "\t\t#switch (f)\n"
    "\t\t\t#case (1) R7FinishChrome #break\n"
    "\t\t\t#case (2) R7FinishPearlescent #break\n"
    "\t\t\t#case (3) R7FinishRubber #break\n"
    "\t\t\t#case (4) R7FinishMatte_metallic #break\n"
    "\t\t\t#case (5) R7FinishMetal #break\n"
    "\t\t\t#else #if (a >= 0) R7FinishTransparent #else R7FinishOpaque #end\n"
    "\t\t#end\n"
    "\t\t#if (l >= 0) ambient R7Ambient + (1 - R7Ambient) * l / 255 #end\n"
    "\t}\n"
    "\t#if (R7Bumps & (R7Quality > 1)) normal { R7NormalBumps } #end\n"
    "}\n"
    "#end\n"
    "#end\n\n";

[[gnu::format(printf, 1, 2)]] std::string Format(const char* format, ...);
std::string Format(const char* format, ...) {
  char buffer[4096];
  va_list args;
  va_start(args, format);
  vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  return buffer;
}

std::string Macros(const char* interior) {
  std::string text = "\n//// Macros\n";
  for (const char* name :
       {"Opaque", "Chrome", "Pearlescent", "Rubber", "Matte_metallic", "Metal"})
    text += Format(kRgbMacroFormat, name, name, name);
  return text + kTransparentMacro + kOtherMacro +
         Format(kSlopeMaterialFormat, interior);
}

std::string DefinesBlock(int quality, double seam, int studs, int bumps) {
  return "\n//// Defines\n" + Format(kSettingsFormat, quality, seam, studs, bumps) +
         kConstants + kLogo;
}

std::string FinishesBlock(const char* finishes) {
  return std::string("\n\n\n//// Finishes\n") + finishes + "\n";
}

std::string Written(SceneContext& ctx,
                    void (*write)(SceneContext&, FILE*)) {
  testing_support::MemoryFile out;
  write(ctx, out.get());
  return out.text();
}

using SceneFrame = SceneFixture;

}  // namespace

TEST_F(SceneFrame, HeaderCommentBlockComesFirstAndOnce) {
  state.header.banner = "R7P v1.4 BETA 20080930 (Linux)  test build";
  state.header.model_path = "/m/car.ldr";
  state.header.model_dir = "/m";
  state.header.ldraw_dir = "/lib/ldraw";
  state.header.ldraw_dir_source = "LDRAWDIR";
  state.header.search_text = "<MODELDIR>;<LDRAWDIR>\\P";
  state.header.search_dirs = {{"/m", 0x10}, {"/lib/ldraw/p", 0x8}};
  state.header.lgeo_dir = "/lib/lgeo";
  state.header.lgeo_dir_source = "LGEODIR";
  files.title = "Red car";
  files.author = "A. Builder";
  state.header_lines = "// driver lines\n";
  std::string head =
      "// Generated by R7P v1.4 BETA 20080930 (Linux)  test build\n"
      "// R7P web page: https://github.com/r7p/r7p\n"
      "// LDraw parts library: https://www.ldraw.org/\n"
      "// Date:         Sun Sep 09 01:46:40 2001\n"
      "// Input file:   /m/car.ldr\n"
      "// Title:        Red car\n"
      "// Author:       A. Builder\n"
      "// ModelDir:     /m\n"
      "// WorkDir:      " + platform::CurrentDirectory() + "\n"
      "// LDRAWDIR:     /lib/ldraw (LDRAWDIR)\n"
      "// SearchDirs:   (<MODELDIR>;<LDRAWDIR>\\P)\n"
      "// SearchDir1:   /m (0x10)\n"
      "// SearchDir2:   /lib/ldraw/p (0x8)\n";

  testing_support::MemoryFile out;
  WriteSceneHeader(ctx, out.get());
  std::string text = out.text();
  // Without LGEO in the substitution order the LGEO directory is not named.
  // The driver's lines belong to the header that an error block keeps.
  ASSERT_EQ(static_cast<long>(head.size() + 16), state.DefinesStart);
  EXPECT_EQ(head + "// driver lines\n", text.substr(0, head.size() + 16));
  EXPECT_EQ(kVersionGuard, text.substr(head.size() + 16, strlen(kVersionGuard)));
  EXPECT_TRUE(state.HeaderWritten);
  WriteSceneHeader(ctx, out.get());
  EXPECT_EQ(text, out.text());

  // Untitled model by nobody, with LGEO in use: no Title and Author lines,
  // and the LGEO directory follows the search directories.
  state.StartScene();
  files.title.clear();
  files.author.clear();
  settings.SubstitutionOrder = "P3L";
  state.header.search_dirs.clear();
  testing_support::MemoryFile second;
  WriteSceneHeader(ctx, second.get());
  std::string expected =
      "// Generated by R7P v1.4 BETA 20080930 (Linux)  test build\n"
      "// R7P web page: https://github.com/r7p/r7p\n"
      "// LDraw parts library: https://www.ldraw.org/\n"
      "// Date:         Sun Sep 09 01:46:40 2001\n"
      "// Input file:   /m/car.ldr\n"
      "// ModelDir:     /m\n"
      "// WorkDir:      " + platform::CurrentDirectory() + "\n"
      "// LDRAWDIR:     /lib/ldraw (LDRAWDIR)\n"
      "// SearchDirs:   (<MODELDIR>;<LDRAWDIR>\\P)\n"
      "// LGEODIR:      /lib/lgeo (LGEODIR)\n"
      "// driver lines\n";
  EXPECT_EQ(expected, second.text().substr(0, expected.size()));
}

TEST_F(SceneFrame, DefinesWithDefaultSettings) {
  std::string expected = std::string(kVersionGuard) +
                         DefinesBlock(2, 0.5, 1, 0) +
                         FinishesBlock(kPlainFinishes) + Macros("ior R7Ior");
  testing_support::MemoryFile out;
  fputs("// header\n", out.get());
  WriteSceneDefines(ctx, out.get());
  EXPECT_EQ(10, state.DefinesStart);
  EXPECT_EQ("// header\n" + expected, out.text());
}

TEST_F(SceneFrame, SettingsBlockAndMegaPov) {
  settings.Quality = 0;
  settings.SeamWidth = 0;
  settings.SettingsFlags &= ~StudsOn;
  settings.SettingsFlags |= Bumps;
  std::string text = Written(ctx, WriteSceneDefines);
  std::string lowest = std::string(kVersionGuard) + DefinesBlock(0, 0, 0, 1) +
                       FinishesBlock(kPlainFinishes) + Macros("ior R7Ior");
  EXPECT_EQ(lowest, text);

  // A seam width is written as the single-precision value it is.
  settings.SeamWidth = 0.1f;
  settings.Quality = 4;
  settings.MegaPovVersion = "1.2.1";
  text = Written(ctx, WriteSceneDefines);
  std::string start = std::string(kVersionGuard) + "\n//// MegaPOV\n" +
                      Format(kMegaPovFormat, "1.2.1") +
                      DefinesBlock(4, 0.1f, 0, 1);
  EXPECT_EQ(start, text.substr(0, start.size()));
}

TEST_F(SceneFrame, LgeoBlockFinishesAndPatternTextures) {
  testing_support::TempDir dir;
  dir.Write("lg_elements.lst", "3001 brick2x4 L\n");
  dir.Write("lg_colors.lst",
            "4 lg_red\n999 lg_unknown\n36 lg_tr_red\n4 lg_red2\n");
  ASSERT_EQ(Status::kOk, lgeo.LoadLgeoLists(dir.path(), 0, finder, diag));
  AddColour(4, "Red", 0xFF0000);
  AddColour(36, "Trans_Red", 0xC91A09, 0x08, 128);
  settings.SubstitutionOrder = "P3L";

  // -nolgcf: LGEO's definitions but neither its colours nor its finishes.
  std::string lgeo_block =
      std::string(kLgeoSettings) + "#include \"lg_defs.inc\"\n" + kLgeoTransforms;
  std::string patterned =
      "\n//// Textures for LGEO patterned parts\n"
      "#declare lg_red = R7TextureOpaqueRGB(255,0,0)\n"
      "#declare lg_tr_red = R7TextureTransparentRGBA(201,26,9,128)\n"
      "#declare lg_red2 = R7TextureOpaqueRGB(255,0,0)\n"
      "\n";
  EXPECT_EQ(std::string(kVersionGuard) + DefinesBlock(2, 0.5, 1, 0) +
                lgeo_block + FinishesBlock(kPlainFinishes) +
                Macros("ior R7Ior") + patterned,
            Written(ctx, WriteSceneDefines));

  // -nolgc: LGEO's finishes and lg_color, still the patterned textures.
  settings.SettingsFlags |= LgeoFinishes;
  lgeo_block = std::string(kLgeoSettings) + "#include \"lg_defs.inc\"\n" +
               "#include \"lg_color.inc\"\n" + kLgeoTransforms;
  EXPECT_EQ(std::string(kVersionGuard) + DefinesBlock(2, 0.5, 1, 0) +
                lgeo_block + FinishesBlock(kLgeoFinishes) + Macros("lg_ior") +
                patterned,
            Written(ctx, WriteSceneDefines));

  // LGEO colours on: lg_color.inc brings the textures itself.
  settings.SettingsFlags |= LgeoColors;
  EXPECT_EQ(std::string(kVersionGuard) + DefinesBlock(2, 0.5, 1, 0) +
                lgeo_block + FinishesBlock(kLgeoFinishes) + Macros("lg_ior"),
            Written(ctx, WriteSceneDefines));

  // Only the AX set: LGEO's definitions, but no patterned parts of LGEO.
  settings.SubstitutionOrder = "A";
  settings.SettingsFlags &= ~(LgeoColors | LgeoFinishes);
  lgeo_block =
      std::string(kLgeoSettings) + "#include \"lg_defs.inc\"\n" + kLgeoTransforms;
  EXPECT_EQ(std::string(kVersionGuard) + DefinesBlock(2, 0.5, 1, 0) +
                lgeo_block + FinishesBlock(kPlainFinishes) + Macros("ior R7Ior"),
            Written(ctx, WriteSceneDefines));
}

TEST_F(SceneFrame, IncludeSections) {
  testing_support::TempDir dir;
  dir.Write("R7pParts/r7begin.INC", "// begin\n");
  state.r7pparts_dir = dir.path() + "/R7PPARTS";
  settings.IncludeAtBeginning = "/my includes/start here.inc";
  std::string includes =
      "\n//// IncludeFile r7begin.INC\n#include \"r7begin.INC\"\n"
      "\n//// IncludeFile AtBeginning\n"
      "#include \"/my includes/start here.inc\"\n";
  std::string before = std::string(kVersionGuard) + DefinesBlock(2, 0.5, 1, 0);
  std::string text = Written(ctx, WriteSceneDefines);
  std::string start = before + includes + "\n\n\n//// Finishes\n";
  EXPECT_EQ(start, text.substr(0, start.size()));

  // -i3b- drops R7Begin.inc; an option without a file writes nothing.
  settings.IncludeBeginFile = 0;
  settings.IncludeAtBeginning = "";
  text = Written(ctx, WriteSceneDefines);
  std::string next = before + "\n\n\n//// Finishes\n";
  EXPECT_EQ(next, text.substr(0, next.size()));

  testing_support::MemoryFile out;
  WriteIncludeSection(ctx, out.get(), IncludeKind::R7End);
  WriteIncludeSection(ctx, out.get(), IncludeKind::Camera, std::nullopt);
  WriteIncludeSection(ctx, out.get(), IncludeKind::Lights, "lights.inc");
  WriteIncludeSection(ctx, out.get(), IncludeKind::AtEnd, "end.inc");
  dir.Write("R7pParts/R7End.inc", "// end\n");
  platform::PathFinder fresh;
  SceneContext other{state, settings, files, colours, lgeo, diag, fresh};
  WriteIncludeSection(other, out.get(), IncludeKind::R7End);
  WriteIncludeLine(out.get(), 0, "lg_defs");
  WriteIncludeLine(out.get(), 2, "lg_3001");
  WriteIncludeLine(out.get(), 12, "deep");
  WriteSectionTitle(out.get(), "Color %d%s", 4, " Red");
  EXPECT_EQ(
      "\n//// IncludeFile Lights\n#include \"lights.inc\"\n"
      "\n//// IncludeFile AtEnd\n#include \"end.inc\"\n"
      "\n//// IncludeFile R7End.inc\n#include \"R7End.inc\"\n"
      "#include \"lg_defs.inc\"\n"
      "\t\t#include \"lg_3001.inc\"\n"
      "\t\t\t\t\t\t\t\t#include \"deep.inc\"\n"
      "\n//// Color 4 Red\n",
      out.text());
}

namespace {

std::string ReadFile(const std::string& path) {
  std::string text;
  FILE* f = fopen(path.c_str(), "rb");
  if (f == nullptr) return text;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
  fclose(f);
  return text;
}

}  // namespace

TEST_F(SceneFrame, ErrorBlockOverwritesEverythingAfterTheHeader) {
  testing_support::TempDir dir;
  std::string path = dir.path() + "/scene.pov";
  const std::string error_line =
      "// Error occurred" + std::string(74 - 14, ' ') + "!\n";
  const std::string empty_line =
      "// Empty model" + std::string(74 - 11, ' ') + "!\n";
  ASSERT_EQ(79u, error_line.size());
  ASSERT_EQ(79u, empty_line.size());

  FILE* f = fopen(path.c_str(), "w+b");
  ASSERT_NE(nullptr, f);
  fputs("// header\n", f);
  state.DefinesStart = ftell(f);
  fputs(std::string(200, 'x').c_str(), f);
  WriteErrorBlock(ctx, f, ErrorBlock::kError);
  fclose(f);
  // 200 bytes need three whole lines; the last one runs past them.
  EXPECT_EQ("// header\n" + error_line + error_line + error_line, ReadFile(path));

  f = fopen(path.c_str(), "w+b");
  fputs("// header\n", f);
  fputs(std::string(158, 'x').c_str(), f);
  WriteErrorBlock(ctx, f, ErrorBlock::kEmptyModel);
  fclose(f);
  EXPECT_EQ("// header\n" + empty_line + empty_line, ReadFile(path));

  // Failure before the first declaration: no header, one line at least.
  state.StartScene();
  f = fopen(path.c_str(), "w+b");
  WriteErrorBlock(ctx, f, ErrorBlock::kError);
  fclose(f);
  EXPECT_EQ(error_line, ReadFile(path));
}
