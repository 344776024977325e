// The layout unit of the programs' forms: positions and sizes are kept in
// twips, as the settings files store window positions, and 15 twips make
// one pixel.
#pragma once

#include <cstdint>

namespace vantile {

inline constexpr int kTwipsPerPixel = 15;

// To the nearest pixel (halves up for positive values).
constexpr std::int32_t TwipsToPixels(std::int64_t twips) {
  return static_cast<std::int32_t>((twips + kTwipsPerPixel / 2) / kTwipsPerPixel);
}

}  // namespace vantile
