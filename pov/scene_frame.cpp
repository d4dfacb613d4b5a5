#include "pov/scene_frame.h"
#include "platform/path_finder.h"

#include <cstdarg>
#include <string>

#include "colour/colour_table.h"
#include "colour/lgeo_lists.h"
#include "base/settings.h"
#include "model/file_table.h"
#include "platform/platform.h"
#include "pov/colour_textures.h"

namespace {

// Where the header sends readers for the program and the part library.
constexpr const char* kProgramPageLine =
    "// R7P web page: https://github.com/r7p/r7p\n";
constexpr const char* kLibraryPageLine =
    "// LDraw parts library: https://www.ldraw.org/\n";

constexpr const char* kVersionGuard =
    "\n#if (version < 3.1)\n"
    "\t#error \"This POV code requires at least version 3.1\\n\"\n"
    "#end\n";

constexpr const char* kSettingsBlock =
    "\n#declare R7Version = 1.4;\n\n"
    "#declare R7Quality = %d;  // Quality level, 0=BBox, 1=no refr, 2=normal, "
    "3=studlogo, 4=stud2logo\n\n"
    "#declare R7SW = %g;  // Width of seam between two bricks\n\n"
    "#declare R7Studs = %d;  // 1=on 0=off\n\n"
    "#declare R7Bumps = %d;  // 1=on 0=off\n\n\n";

constexpr const char* kConstantsBlock =
    "#declare R7Ambient = 0.4;\n"
    "#declare R7Diffuse = 0.4;\n"
    "#declare R7Ior     = 1.25;\n"
    "#declare R7NormalBumps = normal { bumps 0.01 scale 20 }\n"
    "#declare R7NormalSlope = normal { bumps 0.3 scale 0.5 }\n\n\n"
    "#declare R7SWT = (R7SW ? R7SW : 0.001);  // At least a small seam when "
    "transparent\n\n";

// The brick logo drawn on studs at the higher quality levels: tubes of
// radius 6 in a 256-unit design space, scaled down to the stud.
constexpr const char* kLogo =
    "#declare R7Logo = union {\n"
    "\tsphere {<-59,0,-96>,6}\n"
    "\tcylinder {<-59,0,-96>,<59,0,-122>,6 open}\n"
    "\tsphere {<59,0,-122>,6}\n"
    "\tcylinder {<59,0,-122>,<59,0,-84>,6 open}\n"
    "\tsphere {<59,0,-84>,6}\n\n"
    "\tsphere {<-59,0,-36>,6}\n"
    "\tcylinder {<-59,0,-36>,<-59,0,1>,6 open}\n"
    "\tsphere {<-59,0,1>,6}\n"
    "\tcylinder {<0,0,-49>,<0,0,-25>,6 open}\n"
    "\tsphere {<0,0,-25>,6}\n"
    "\tsphere {<59,0,-62>,6}\n"
    "\tcylinder {<59,0,-62>,<59,0,-24>,6 open}\n"
    "\tsphere {<59,0,-24>,6}\n"
    "\tcylinder {<-59,0,-36>,<59,0,-62>,6 open}\n\n"
    "\tsphere {<-35.95,0,57>,6}\n"
    "\ttorus {18.45,6 clipped_by{plane{<40,0,-9>,0}} translate<-40,0,39>}\n"
    "\tcylinder {<-44.05,0,21>,<35.95,0,3>,6 open}\n"
    "\ttorus {18.45,6 clipped_by{plane{<-40,0,9>,0}} translate<40,0,21>}\n"
    "\tcylinder {<44.05,0,39>,<0,0,49>,6 open}\n"
    "\tsphere {<0,0,49>,6}\n"
    "\tcylinder {<0,0,49>,<0,0,34>,6 open}\n"
    "\tsphere {<0,0,34>,6}\n\n"
    "\ttorus {18.45,6 clipped_by{plane{<40,0,-9>,0}} translate<-40,0,99>}\n"
    "\tcylinder {<-44.05,0,81>,<35.95,0,63>,6 open}\n"
    "\ttorus {18.45,6 clipped_by{plane{<-40,0,9>,0}} translate<40,0,81>}\n"
    "\tcylinder {<44.05,0,99>,<-35.95,0,117>,6 open}\n\n"
    "\tscale 4.5/128\n"
    "}\n\n";

// LDraw's brick is 20 units wide and 24 high; LGEO measures in its own
// brick constants and with other axes.
constexpr const char* kLgeoTransforms =
    "\n#declare R7LDrawToLgeo = transform { matrix <0,-LG_BRICK_WIDTH/20,0, "
    "0,0,-LG_BRICK_HEIGHT/24, -LG_BRICK_WIDTH/20,0,0, "
    "0,0,4*LG_BRICK_HEIGHT/24> }\n"
    "#declare R7LgeoToLDraw = transform { matrix <0,0,-20/LG_BRICK_WIDTH, "
    "-20/LG_BRICK_WIDTH,0,0, 0,-24/LG_BRICK_HEIGHT,0, 0,0,0> }\n\n";

// Finish bodies without LGEO finishes: the lighting text and the part that
// only pays off at quality 2 and above (null when none).
struct PlainFinish {
  const char* note;
  const char* lighting;
  const char* quality;
};
constexpr PlainFinish kPlainFinishes[kFinishKinds] = {
    {"", "\n\tambient R7Ambient\n\tdiffuse R7Diffuse\n",
     "\t\tphong 0.5\n\t\tphong_size 40\n\t\treflection 0.08\n"},
    {"", "\n\tambient 0.25\n\tdiffuse 0.6\n",
     "\t\tbrilliance 5\n\t\tmetallic\n\t\tspecular 0.80\n"
     "\t\troughness 1/100\n\t\treflection 0.65\n"},
    {"//Not supported yet, using Opaque\n", " R7FinishOpaque ", nullptr},
    {"", "\n\tambient R7Ambient\n\tdiffuse R7Diffuse\n",
     "\t\tphong 0.1\n\t\tphong_size 10\n\t\treflection 0\n"},
    {"//Not supported yet, using Opaque\n", " R7FinishOpaque ", nullptr},
    {"//Not supported yet, using Opaque\n", " R7FinishOpaque ", nullptr},
    {"", "\n\tambient R7Ambient\n\tdiffuse R7Diffuse\n",
     "\t\tphong 0.5\n\t\tphong_size 40\n\t\treflection 0.2\n"},
};

// LGEO's own finish per kind; null where LGEO has none.
constexpr const char* kLgeoFinishes[kFinishKinds] = {
    "lg_solid_finish", "lg_chrome_finish", "lg_pearl_finish", nullptr,
    nullptr,           nullptr,            "lg_transparent_finish"};

constexpr const char* kTransparentMacro =
    "#ifndef (R7TextureTransparentRGBA)\n"
    "#macro R7TextureTransparentRGBA(r,g,b,a)\n"
    "// Alpha -> Filter: 255 -> 1.00, 128 -> 0.85, 0 -> 0\n"
    "#local f = (a >= 128 ? 0.85 + (a-128) * 0.15 / (255-128) : a * 0.85 / "
    "255);\n"
    "texture {\n"
    "\tpigment { rgb <r/255,g/255,b/255> #if (R7Quality > 1) filter f #end }\n"
    "\tfinish { R7FinishTransparent }\n"
    "\t#if (R7Bumps & (R7Quality > 1)) normal { R7NormalBumps } #end\n"
    "}\n"
    "#end\n"
    "#end\n\n";

// Luminous colours and transparent colours with a finish of their own call
// this macro. Include files may bring their own; this default keeps such a
// scene renderable: the filter follows the alpha as for plain transparent
// colours, the finish is the colour's kind, and luminance raises the
// ambient term so that the colour glows.
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

constexpr const char* kSlopeAndMaterialMacros =
    "#ifndef (R7TextureSlope)\n"
    "#macro R7TextureSlope(tex)\n"
    "texture {\n"
    "\ttex\n"
    "\t#if (R7Quality > 1) normal { R7NormalSlope } #end\n"
    "}\n"
    "#end\n"
    "#end\n\n"
    "#ifndef (R7Material)\n"
    "#macro R7Material(tex)\n"
    "material {\n"
    "\ttexture { tex }\n"
    "}\n"
    "#end\n"
    "#end\n\n"
    "#ifndef (R7MaterialT)\n"
    "#macro R7MaterialT(tex)\n"
    "material {\n"
    "\ttexture { tex }\n"
    "\t#if (R7Quality > 1)\n"
    "\t\tinterior { %s }\n"
    "\t#end\n"
    "}\n"
    "#end\n"
    "#end\n\n\n";

bool LgeoInUse(const Settings& settings) {
  return settings.OrderHas('L') || settings.OrderHas('A');
}

void WriteHeaderComments(SceneContext& ctx, FILE* file) {
  const SceneHeaderInfo& header = ctx.state.header;
  fprintf(file, "// Generated by %s\n", header.banner.c_str());
  fputs(kProgramPageLine, file);
  fputs(kLibraryPageLine, file);
  fprintf(file, "// Date:         %s\n", platform::SceneDate().c_str());
  fprintf(file, "// Input file:   %s\n", header.model_path.c_str());
  if (!ctx.files.title.empty())
    fprintf(file, "// Title:        %s\n", ctx.files.title.c_str());
  if (!ctx.files.author.empty())
    fprintf(file, "// Author:       %s\n", ctx.files.author.c_str());
  fprintf(file, "// ModelDir:     %s\n", header.model_dir.c_str());
  std::string work_dir = platform::CurrentDirectory();
  if (!work_dir.empty()) fprintf(file, "// WorkDir:      %s\n", work_dir.c_str());
  fprintf(file, "// LDRAWDIR:     %s (%s)\n", header.ldraw_dir.c_str(),
          header.ldraw_dir_source.c_str());
  fprintf(file, "// SearchDirs:   (%s)\n", header.search_text.c_str());
  int index = 0;
  for (const SceneSearchDir& dir : header.search_dirs)
    fprintf(file, "// SearchDir%d:   %s (0x%x)\n", ++index, dir.dir.c_str(),
            dir.flags);
  if (LgeoInUse(ctx.settings) && !header.lgeo_dir.empty())
    fprintf(file, "// LGEODIR:      %s (%s)\n", header.lgeo_dir.c_str(),
            header.lgeo_dir_source.c_str());
}

void WriteDefinesSection(const Settings& settings, FILE* file) {
  WriteSectionTitle(file, "Defines");
  fprintf(file, kSettingsBlock, settings.Quality,
          static_cast<double>(settings.SeamWidth),
          settings.Has(StudsOn) ? 1 : 0, settings.Has(Bumps) ? 1 : 0);
  fputs(kConstantsBlock, file);
  fputs(kLogo, file);
}

void WriteLgeoBlock(const Settings& settings, FILE* file) {
  fputs("\n#declare lg_quality = R7Quality;\n#declare lg_studs = R7Studs;\n\n",
        file);
  WriteIncludeLine(file, 0, "lg_defs");
  if (settings.Has(LgeoFinishes)) WriteIncludeLine(file, 0, "lg_color");
  fputs(kLgeoTransforms, file);
}

void WriteFinishes(const Settings& settings, FILE* file) {
  bool lgeo = settings.Has(LgeoFinishes);
  for (int kind = 0; kind < kFinishKinds; ++kind) {
    const char* name = PovFinishName(kind);
    const PlainFinish& plain = kPlainFinishes[kind];
    const char* lgeo_name = kLgeoFinishes[kind];
    const char* note = plain.note;
    if (lgeo && lgeo_name == nullptr)
      note = "//Not supported in LGEO, using Opaque\n";
    fprintf(file, "#ifndef (R7Finish%s)\n%s#declare R7Finish%s = finish {",
            name, note, name);
    if (lgeo) {
      fprintf(file, " %s ", lgeo_name != nullptr ? lgeo_name : "R7FinishOpaque");
    } else {
      fputs(plain.lighting, file);
      if (plain.quality != nullptr)
        fprintf(file, "\t#if (R7Quality >= 2)\n%s\t#end\n", plain.quality);
    }
    fputs("}\n#end\n\n", file);
  }
}

void WriteMacros(const Settings& settings, FILE* file) {
  WriteSectionTitle(file, "Macros");
  for (int kind = 0; kind < kFinishTransparent; ++kind) {
    const char* name = PovFinishName(kind);
    fprintf(file,
            "#ifndef (R7Texture%sRGB)\n"
            "#macro R7Texture%sRGB(r,g,b)\n"
            "texture {\n"
            "\tpigment { rgb <r/255,g/255,b/255> }\n"
            "\tfinish { R7Finish%s }\n"
            "\t#if (R7Bumps & (R7Quality > 1)) normal { R7NormalBumps } #end\n"
            "}\n"
            "#end\n"
            "#end\n\n",
            name, name, name);
  }
  fputs(kTransparentMacro, file);
  fputs(kOtherMacro, file);
  fprintf(file, kSlopeAndMaterialMacros,
          settings.Has(LgeoFinishes) ? "lg_ior" : "ior R7Ior");
}

// LGEO's patterned elements name LGEO's colour textures; without lg_color
// those names must come from here.
void WriteLgeoPatternTextures(SceneContext& ctx, FILE* file) {
  WriteSectionTitle(file, "Textures for LGEO patterned parts");
  for (const LgeoColour& entry : ctx.lgeo.colours()) {
    float rgb[3];
    uint32_t flags = 0;
    if (ctx.colours.ColourToRgb(entry.code, rgb, &flags) != 0) continue;
    fprintf(file, "#declare %s = ", entry.name.c_str());
    WriteTextureCall(file, rgb, flags);
  }
  fputs("\n", file);
}

const char* IncludeKindName(IncludeKind which) {
  switch (which) {
    case IncludeKind::R7Begin: return "R7Begin.inc";
    case IncludeKind::R7End: return "R7End.inc";
    case IncludeKind::AtBeginning: return "AtBeginning";
    case IncludeKind::AtEnd: return "AtEnd";
    case IncludeKind::Camera: return "Camera";
    case IncludeKind::Lights: return "Lights";
  }
  return "";
}

std::string BaseName(const std::string& path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

void WriteSectionTitle(FILE* file, const char* format, ...) {
  fputs("\n//// ", file);
  va_list args;
  va_start(args, format);
  vfprintf(file, format, args);
  va_end(args);
  fputs("\n", file);
}

void WriteSceneHeader(SceneContext& ctx, FILE* file) {
  if (ctx.state.HeaderWritten) return;
  ctx.state.HeaderWritten = true;
  WriteHeaderComments(ctx, file);
  fputs(ctx.state.header_lines.c_str(), file);
  WriteSceneDefines(ctx, file);
}

void WriteSceneDefines(SceneContext& ctx, FILE* file) {
  const Settings& settings = ctx.settings;
  long position = ftell(file);
  ctx.state.DefinesStart = position < 0 ? 0 : position;
  fputs(kVersionGuard, file);
  if (settings.MegaPovVersion.has_value()) {
    WriteSectionTitle(file, "MegaPOV");
    fprintf(file,
            "#version unofficial megapov %s;\n"
            "// The above line of POV code must be included in every include "
            "file as well,\n"
            "// not just the main POV file.\n\n",
            settings.MegaPovVersion->c_str());
  }
  WriteDefinesSection(settings, file);
  if (LgeoInUse(settings) || settings.Has(LgeoTest))
    WriteLgeoBlock(settings, file);
  if (settings.IncludeBeginFile)
    WriteIncludeSection(ctx, file, IncludeKind::R7Begin);
  WriteIncludeSection(ctx, file, IncludeKind::AtBeginning,
                      settings.IncludeAtBeginning);
  fputs("\n\n", file);
  WriteSectionTitle(file, "Finishes");
  WriteFinishes(settings, file);
  fputs("\n", file);
  WriteMacros(settings, file);
  if (settings.OrderHas('L') && !settings.Has(LgeoColors))
    WriteLgeoPatternTextures(ctx, file);
}

void WriteIncludeSection(SceneContext& ctx, FILE* file, IncludeKind which,
                         const std::optional<std::string>& path) {
  const char* name = IncludeKindName(which);
  if (which == IncludeKind::R7Begin || which == IncludeKind::R7End) {
    if (ctx.state.r7pparts_dir.empty()) return;
    std::optional<std::string> found =
        ctx.finder.Find(ctx.state.r7pparts_dir + "/" + name);
    if (!found || !platform::IsRegularFile(*found)) return;
    // POV-Ray opens include files with the case they have on disk.
    std::string disk_name = BaseName(*found);
    WriteSectionTitle(file, "IncludeFile %s", disk_name.c_str());
    fprintf(file, "#include \"%s\"\n", disk_name.c_str());
    return;
  }
  if (!path.has_value() || path->empty()) return;
  WriteSectionTitle(file, "IncludeFile %s", name);
  fprintf(file, "#include \"%s\"\n", path->c_str());
}

void WriteIncludeLine(FILE* file, int indent, const char* name) {
  if (indent < 0) indent = 0;
  if (indent > 8) indent = 8;
  fprintf(file, "%.*s#include \"%s.inc\"\n", indent, "\t\t\t\t\t\t\t\t", name);
}

void WriteErrorBlock(SceneContext& ctx, FILE* file, ErrorBlock kind) {
  const char* text = kind == ErrorBlock::kEmptyModel ? "Empty model" : "Error occurred";
  fflush(file);
  long end = ftell(file);
  fseek(file, ctx.state.DefinesStart, SEEK_SET);
  // Every line is written whole, so the last one may run past the old end;
  // what lies beyond it stays as it was.
  do {
    fprintf(file, "// %-74s!\n", text);
  } while (ftell(file) < end);
  fflush(file);
}
