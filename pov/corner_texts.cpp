#include "pov/corner_texts.h"

#include <bit>
#include <cstring>

namespace {

constexpr int kSlotBits = 10;

uint32_t Bits(float value) { return std::bit_cast<uint32_t>(value); }

}  // namespace

CornerTexts::CornerTexts() : slots_(size_t{1} << kSlotBits) {}

int CornerTexts::Format(const Vector& corner, char* text) {
  const uint32_t bits[3] = {Bits(corner.x), Bits(corner.y), Bits(corner.z)};
  const uint32_t hash =
      bits[0] * 0x9E3779B1u + bits[1] * 0x85EBCA77u + bits[2] * 0xC2B2AE3Du;
  Slot& slot = slots_[hash >> (32 - kSlotBits)];
  if (slot.length == 0 || std::memcmp(slot.bits, bits, sizeof bits) != 0) {
    slot.length = FormatCorner(corner, slot.text);
    std::memcpy(slot.bits, bits, sizeof bits);
  }
  std::memcpy(text, slot.text, kCornerTextSize);
  return slot.length;
}

int FormatCorner(const Vector& corner, char* text, double* values) {
  return FormatGTriple(corner.x, corner.y, corner.z, ',', text, values);
}
