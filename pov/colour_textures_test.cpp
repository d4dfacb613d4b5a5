#include "pov/colour_textures.h"

#include <gtest/gtest.h>

#include <string>

#include "pov/scene_test_fixture.h"

namespace {

using ColourTextures = SceneFixture;

std::string TextureCall(const float rgb[3], uint32_t flags, int* result) {
  testing_support::MemoryFile out;
  *result = WriteTextureCall(out.get(), rgb, flags);
  return out.text();
}

// The slope texture and the two materials every colour section ends with.
std::string SectionEnd(const std::string& id, const char* material) {
  std::string m = material;
  return "#ifndef (R7Texture" + id + "_slope)\n#declare R7Texture" + id +
         "_slope = R7TextureSlope(R7Texture" + id + ")\n#end\n" +
         "#ifndef (R7Color" + id + ")\n#declare R7Color" + id + " = R7Material" +
         m + "(R7Texture" + id + ")\n#end\n" + "#ifndef (R7Color" + id +
         "_slope)\n#declare R7Color" + id + "_slope = R7Material" + m +
         "(R7Texture" + id + "_slope)\n#end\n\n";
}

}  // namespace

TEST_F(ColourTextures, TextureCallFollowsTransparencyLuminanceAndFinish) {
  const float red[3] = {1, 0, 0};
  const float grey[3] = {0.5f, 0.5f, 0.5f};
  const float orange[3] = {1, 128 / 255.0f, 0};
  int result = -1;
  EXPECT_EQ("R7TextureOpaqueRGB(255,0,0)\n", TextureCall(red, 0, &result));
  EXPECT_EQ(0, result);
  EXPECT_EQ("R7TextureOpaqueRGB(127.5,127.5,127.5)\n",
            TextureCall(grey, 0, &result));
  EXPECT_EQ("R7TextureRubberRGB(255,128,0)\n", TextureCall(orange, 3, &result));
  EXPECT_EQ(0, result);
  EXPECT_EQ("R7TextureMetalRGB(255,0,0)\n", TextureCall(red, 5, &result));
  // Kinds the colour table never gives fall back to the opaque macro.
  EXPECT_EQ("R7TextureOpaqueRGB(255,0,0)\n", TextureCall(red, 6, &result));
  EXPECT_EQ("R7TextureOpaqueRGB(255,0,0)\n", TextureCall(red, 7, &result));

  EXPECT_EQ("R7TextureTransparentRGBA(255,0,0,128)\n",
            TextureCall(red, 0x8008, &result));
  EXPECT_EQ(1, result);
  // Transparent with a finish: finish kind, alpha, no luminance.
  EXPECT_EQ("R7TextureOtherRGBFAL(127.5,127.5,127.5,1,200,-1)\n",
            TextureCall(grey, 0xC809, &result));
  EXPECT_EQ(1, result);
  // Luminous opaque: no alpha, luminance.
  EXPECT_EQ("R7TextureOtherRGBFAL(255,0,0,0,-1,15)\n",
            TextureCall(red, 0x0F0010, &result));
  EXPECT_EQ(1, result);
  EXPECT_EQ("R7TextureOtherRGBFAL(255,128,0,0,250,255)\n",
            TextureCall(orange, 0xFFFA18, &result));
  EXPECT_EQ(1, result);

  EXPECT_EQ("material { R7Color4 }", MaterialText(4, false));
  EXPECT_EQ("material { R7Color4_slope }", MaterialText(4, true));
  EXPECT_EQ("material { R7Color0x02FF8000 }", MaterialText(0x2FF8000, false));
  EXPECT_EQ("material { R7Color511_slope }", MaterialText(511, true));
  EXPECT_STREQ("Opaque", PovFinishName(0));
  EXPECT_STREQ("Matte_metallic", PovFinishName(4));
  EXPECT_STREQ("Transparent", PovFinishName(6));
  EXPECT_STREQ("Opaque", PovFinishName(9));
}

TEST_F(ColourTextures, DeclarationsOfOneColour) {
  AddColour(4, "Red", 0xFF0000);
  AddColour(36, "Trans_Red", 0xFF0000, 0x08, 128);
  AddColour(21, "Glow_In_Dark", 0xE0FFB0, 0x10 | 0x20, 0, 15);
  AddColour(334, "Chrome_Gold", 0xFF8000, 0x01 | 0x20);
  testing_support::MemoryFile out;
  WriteColourTexture(ctx, out.get(), 4);
  EXPECT_EQ(
      "\n//// Color 4 Red\n"
      "#ifndef (R7Texture4)\n"
      "#declare R7Texture4 = R7TextureOpaqueRGB(255,0,0)\n"
      "#end\n"
      "#ifndef (R7Texture4_slope)\n"
      "#declare R7Texture4_slope = R7TextureSlope(R7Texture4)\n"
      "#end\n"
      "#ifndef (R7Color4)\n"
      "#declare R7Color4 = R7Material(R7Texture4)\n"
      "#end\n"
      "#ifndef (R7Color4_slope)\n"
      "#declare R7Color4_slope = R7Material(R7Texture4_slope)\n"
      "#end\n"
      "\n",
      out.text());

  testing_support::MemoryFile more;
  WriteColourTexture(ctx, more.get(), 36);
  WriteColourTexture(ctx, more.get(), 21);
  WriteColourTexture(ctx, more.get(), 334);
  WriteColourTexture(ctx, more.get(), 0x2FF8000);
  WriteColourTexture(ctx, more.get(), 0x3FF8000);
  WriteColourTexture(ctx, more.get(), 1000);  // no colour at all
  EXPECT_EQ(
      "\n//// Color 36 Trans_Red\n#ifndef (R7Texture36)\n"
      "#declare R7Texture36 = R7TextureTransparentRGBA(255,0,0,128)\n#end\n" +
          SectionEnd("36", "T") +
          "\n//// Color 21 Glow_In_Dark (from ldconfig.ldr)\n"
          "#ifndef (R7Texture21)\n"
          "#declare R7Texture21 = R7TextureOtherRGBFAL(224,255,176,0,-1,15)\n"
          "#end\n" +
          SectionEnd("21", "T") +
          "\n//// Color 334 Chrome_Gold (from ldconfig.ldr)\n"
          "#ifndef (R7Texture334)\n"
          "#declare R7Texture334 = R7TextureChromeRGB(255,128,0)\n#end\n" +
          SectionEnd("334", "") +
          "\n//// Color 0x02FF8000\n#ifndef (R7Texture0x02FF8000)\n"
          "#declare R7Texture0x02FF8000 = R7TextureOpaqueRGB(255,128,0)\n"
          "#end\n" +
          SectionEnd("0x02FF8000", "") +
          "\n//// Color 0x03FF8000\n#ifndef (R7Texture0x03FF8000)\n"
          "#declare R7Texture0x03FF8000 = "
          "R7TextureTransparentRGBA(255,128,0,128)\n#end\n" +
          SectionEnd("0x03FF8000", "T") +
          "\n//// Color 1000\n#ifndef (R7Texture1000)\n"
          "#declare R7Texture1000 = R7TextureOpaqueRGB(127.5,127.5,127.5)\n"
          "#end\n" +
          SectionEnd("1000", ""),
      more.text());
  EXPECT_EQ("", remarks.text());
}

TEST_F(ColourTextures, LgeoColoursTakeLgeoTexturesOrNoteTheirAbsence) {
  testing_support::TempDir dir;
  dir.Write("lg_elements.lst", "3001 brick2x4 L\n");
  dir.Write("lg_colors.lst", "4 lg_red\n36 lg_tr_red\n4 lg_red_new\n");
  ASSERT_EQ(Status::kOk, lgeo.LoadLgeoLists(dir.path(), 0, finder, diag));
  AddColour(4, "Red", 0xFF0000, 0x20);
  AddColour(14, "Yellow", 0xFFFF00);
  AddColour(36, "Trans_Red", 0xFF0000, 0x08, 128);
  settings.SubstitutionOrder = "LP3";
  settings.SettingsFlags |= LgeoColors | LgeoFinishes;

  testing_support::MemoryFile out;
  WriteColourTexture(ctx, out.get(), 4);
  WriteColourTexture(ctx, out.get(), 36);
  WriteColourTexture(ctx, out.get(), 14);
  WriteColourTexture(ctx, out.get(), 0x2FF8000);
  EXPECT_EQ(
      "\n//// Color 4 Red (from lg_color.inc)\n#ifndef (R7Texture4)\n"
      "#declare R7Texture4 = texture { lg_red_new }\n#end\n" +
          SectionEnd("4", "") +
          "\n//// Color 36 Trans_Red (from lg_color.inc)\n#ifndef (R7Texture36)\n"
          "#declare R7Texture36 = texture { lg_tr_red }\n#end\n" +
          SectionEnd("36", "T") +
          "\n//// Color 14 Yellow\n#ifndef (R7Texture14)\n"
          "// Color not in lg_color.inc; however use same texture\n"
          "#declare R7Texture14 = R7TextureOpaqueRGB(255,255,0)\n#end\n" +
          SectionEnd("14", "") +
          "\n//// Color 0x02FF8000\n#ifndef (R7Texture0x02FF8000)\n"
          "#declare R7Texture0x02FF8000 = R7TextureOpaqueRGB(255,128,0)\n"
          "#end\n" +
          SectionEnd("0x02FF8000", ""),
      out.text());
  EXPECT_EQ("*** Color 14 not defined in lg_color.inc\n", remarks.text());

  // -nolgc: the list is loaded but its colours are not used.
  settings.SettingsFlags &= ~LgeoColors;
  testing_support::MemoryFile plain;
  WriteColourTexture(ctx, plain.get(), 4);
  EXPECT_EQ(
      "\n//// Color 4 Red (from ldconfig.ldr)\n#ifndef (R7Texture4)\n"
      "#declare R7Texture4 = R7TextureOpaqueRGB(255,0,0)\n#end\n" +
          SectionEnd("4", ""),
      plain.text());
}

TEST_F(ColourTextures, FlushWritesEachRegisteredColourOnceInOrder) {
  AddColour(4, "Red", 0xFF0000);
  AddColour(1, "Blue", 0x0000FF);
  files.AddUsedColour(4);
  files.AddUsedColour(1);
  testing_support::MemoryFile out;
  FlushColourTextures(ctx, out.get());
  std::string first = out.text();
  EXPECT_EQ(0u, first.find("\n//// Color 4 Red\n"));
  EXPECT_NE(std::string::npos, first.find("\n//// Color 1 Blue\n"));
  EXPECT_LT(first.find("Color 4 Red"), first.find("Color 1 Blue"));

  // Nothing new: nothing written. A colour met later is written alone.
  FlushColourTextures(ctx, out.get());
  EXPECT_EQ(first, out.text());
  files.AddUsedColour(0x2000000);
  files.AddUsedColour(4);
  FlushColourTextures(ctx, out.get());
  EXPECT_EQ(
      first + "\n//// Color 0x02000000\n#ifndef (R7Texture0x02000000)\n"
              "#declare R7Texture0x02000000 = R7TextureOpaqueRGB(0,0,0)\n#end\n" +
          SectionEnd("0x02000000", ""),
      out.text());
  for (const UsedColour& used : files.used_colours)
    EXPECT_EQ(1, used.writerFlags & 1) << used.colour;
}
