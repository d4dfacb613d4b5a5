// One entry of the colour table.
#ifndef R7P_COLOUR_COLOUR_H_
#define R7P_COLOUR_COLOUR_H_

#include <cstdint>
#include <string>

struct Colour {
  std::string name;     // as written, at most 79 characters
  int32_t code = 0;     // 0..16777215, never 16 or 24
  uint32_t value = 0;   // 0x00RRGGBB
  int32_t edge = 0;     // colour number or direct colour 0x2RRGGBB
  uint8_t alpha = 0;
  uint8_t luminance = 0;
  uint8_t flags = 0;    // bits 0-2 finish, 0x08 alpha, 0x10 luminance, 0x20 from file
};

#endif  // R7P_COLOUR_COLOUR_H_
