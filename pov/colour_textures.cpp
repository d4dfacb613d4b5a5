#include "pov/colour_textures.h"

#include "colour/colour_table.h"
#include "colour/lgeo_lists.h"
#include "base/settings.h"
#include "base/diagnostics.h"
#include "model/file_table.h"
#include "pov/scene_frame.h"

namespace {

constexpr const char* kPovFinishNames[kFinishKinds] = {
    "Opaque", "Chrome", "Pearlescent", "Rubber",
    "Matte_metallic", "Metal", "Transparent"};

// Bits of the colour table's attribute word.
constexpr uint32_t kTransparentBit = 0x08;
constexpr uint32_t kLuminousBit = 0x10;
constexpr uint32_t kFromLdconfigBit = 0x20;

// Bit of UsedColour::writerFlags: the colour's textures are in the scene.
constexpr int32_t kColourWritten = 0x01;

// LGEO's texture name for the colour when LGEO colours are in force.
const char* LgeoTextureName(SceneContext& ctx, int32_t colour) {
  if (!ctx.settings.Has(LgeoColors)) return nullptr;
  return ctx.lgeo.FindLgeoColour(colour);
}

}  // namespace

const char* PovFinishName(int kind) {
  if (kind < 0 || kind >= kFinishKinds) return kPovFinishNames[0];
  return kPovFinishNames[kind];
}

std::string MaterialText(int32_t colour, bool slope) {
  SceneText text;
  AddMaterial(text, colour, slope);
  return std::string(text.text());
}

void AddMaterial(SceneText& text, int32_t colour, bool slope) {
  text.Add("material { R7Color");
  text.AddColour(colour);
  text.Add(slope ? "_slope }" : " }");
}

bool WriteTextureCall(FILE* file, const float rgb[3], uint32_t flags) {
  int finish = static_cast<int>(flags & 0x07);
  // The colour table only knows kinds 0..5; anything else would name a
  // macro that does not exist.
  if (finish >= kFinishTransparent) finish = 0;
  int alpha = static_cast<int>((flags >> 8) & 0xFF);
  int luminance = static_cast<int>((flags >> 16) & 0xFF);
  bool transparent = (flags & kTransparentBit) != 0;
  bool luminous = (flags & kLuminousBit) != 0;
  char components[96];
  snprintf(components, sizeof components, "%g,%g,%g",
           static_cast<double>(rgb[0] * 255.0f),
           static_cast<double>(rgb[1] * 255.0f),
           static_cast<double>(rgb[2] * 255.0f));
  if (!transparent && !luminous) {
    fprintf(file, "R7Texture%sRGB(%s)\n", PovFinishName(finish), components);
    return false;
  }
  if (!luminous && finish == 0) {
    fprintf(file, "R7TextureTransparentRGBA(%s,%d)\n", components, alpha);
    return true;
  }
  fprintf(file, "R7TextureOtherRGBFAL(%s,%d,%d,%d)\n", components, finish,
          transparent ? alpha : -1, luminous ? luminance : -1);
  return true;
}

void WriteColourTexture(SceneContext& ctx, FILE* file, int32_t colour) {
  std::string text = ColourText(colour);
  const char* id = text.c_str();
  float rgb[3] = {0.5f, 0.5f, 0.5f};
  uint32_t flags = 0;
  if (ctx.colours.ColourToRgb(colour, rgb, &flags) != 0) {
    rgb[0] = rgb[1] = rgb[2] = 0.5f;
    flags = 0;
  }
  const Colour* entry = ctx.colours.FindColourByCode(colour);
  const char* lgeo_name = LgeoTextureName(ctx, colour);
  const char* source = "";
  if (lgeo_name != nullptr)
    source = " (from lg_color.inc)";
  else if ((flags & kFromLdconfigBit) != 0)
    source = " (from ldconfig.ldr)";
  WriteSectionTitle(file, "Color %s%s%s%s", id, entry != nullptr ? " " : "",
                    entry != nullptr ? entry->name.c_str() : "", source);
  fprintf(file, "#ifndef (R7Texture%s)\n", id);
  // LGEO's list covers the LDraw table colours and their dithers; a direct
  // colour is never expected there.
  const bool lgeo_should_know = colour < 512 || entry != nullptr;
  if (ctx.settings.Has(LgeoColors) && lgeo_name == nullptr && lgeo_should_know) {
    fputs("// Color not in lg_color.inc; however use same texture\n", file);
    fprintf(ctx.diag.remark_stream, "*** Color %s not defined in lg_color.inc\n",
            id);
  }
  fprintf(file, "#declare R7Texture%s = ", id);
  bool transparent_material;
  if (lgeo_name != nullptr) {
    fprintf(file, "texture { %s }\n", lgeo_name);
    transparent_material = (flags & kTransparentBit) != 0;
  } else {
    transparent_material = WriteTextureCall(file, rgb, flags);
  }
  fputs("#end\n", file);
  fprintf(file,
          "#ifndef (R7Texture%s_slope)\n"
          "#declare R7Texture%s_slope = R7TextureSlope(R7Texture%s)\n"
          "#end\n",
          id, id, id);
  const char* material = transparent_material ? "T" : "";
  for (const char* suffix : {"", "_slope"}) {
    fprintf(file,
            "#ifndef (R7Color%s%s)\n"
            "#declare R7Color%s%s = R7Material%s(R7Texture%s%s)\n"
            "#end\n",
            id, suffix, id, suffix, material, id, suffix);
  }
  fputs("\n", file);
}

void FlushColourTextures(SceneContext& ctx, FILE* file) {
  std::vector<UsedColour>& used = ctx.files.used_colours;
  for (size_t i = 0; i < used.size(); ++i) {
    if ((used[i].writerFlags & kColourWritten) != 0) continue;
    WriteColourTexture(ctx, file, used[i].colour);
    used[i].writerFlags |= kColourWritten;
  }
}
