// The POV-Ray textures and materials of the colours a model uses.
#ifndef R7P_POV_COLOUR_TEXTURES_H_
#define R7P_POV_COLOUR_TEXTURES_H_

#include <cstdint>
#include <cstdio>
#include <string>

#include "pov/scene_state.h"
#include "pov/scene_text.h"

/// Number of finish kinds: 0 Opaque .. 5 Metal from the colour table's
/// finish keywords, 6 Transparent.
inline constexpr int kFinishKinds = 7;
inline constexpr int kFinishTransparent = 6;

/// The scene's finish name of kind 0..6 ("Opaque", "Chrome", "Pearlescent",
/// "Rubber", "Matte_metallic", "Metal", "Transparent"); "Opaque" for any
/// other kind. The same name completes R7Finish%s and R7Texture%sRGB.
const char* PovFinishName(int kind);

/// "material { R7Color<c> }", or with `slope` "material { R7Color<c>_slope }",
/// where <c> is the colour as identifier text (decimal below 0x1000000,
/// "0x%08lX" from there on).
std::string MaterialText(int32_t colour, bool slope);

/// Adds MaterialText(colour, slope) to `text`.
void AddMaterial(SceneText& text, int32_t colour, bool slope);

/// Writes the texture macro call of a colour with components `rgb` (0..1)
/// and the colour table's attribute word `flags` (finish kind bits 0-2,
/// 0x08 transparent, 0x10 luminous, alpha bits 8-15, luminance bits 16-23),
/// followed by "\n". True when the colour needs the transparent material
/// (R7MaterialT).
bool WriteTextureCall(FILE* file, const float rgb[3], uint32_t flags);

/// Writes the section of one colour: the texture, its slope variant and the
/// two materials, each guarded by #ifndef. With LGEO colours on, a colour
/// in lg_color.inc takes LGEO's texture; a table colour missing there gets
/// a note in the scene and "*** Color %s not defined in lg_color.inc\n" on
/// ctx.diag.remark_stream (standard output). A number the colour table
/// cannot interpret is written as opaque grey.
void WriteColourTexture(SceneContext& ctx, FILE* file, int32_t colour);

/// Writes WriteColourTexture for every entry of ctx.files.used_colours not
/// written yet, in list order, and marks each one written (bit 0 of
/// writerFlags). Called before every object declaration.
void FlushColourTextures(SceneContext& ctx, FILE* file);

#endif  // R7P_POV_COLOUR_TEXTURES_H_
