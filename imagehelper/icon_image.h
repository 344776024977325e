// The picture types the image helper passes between its stages: the icon as
// the platform hands it over (a colour bitmap and a mask, like an icon
// handle's two bitmaps) and the RGBA picture made from it.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace vantile {

// Icons larger than this on a side are refused before anything is allocated:
// real icons stop at 256 (PNG entries) and a hostile header could otherwise
// ask for gigabytes.
inline constexpr std::int32_t kMaxIconSide = 1024;

// A bitmap of R, G, B, A bytes, rows top first, no padding.
struct Bitmap {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<std::uint8_t> pixels;

  Bitmap() = default;
  Bitmap(std::int32_t w, std::int32_t h)
      : width(w), height(h), pixels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 4) {}
};

// An icon as the shell would hand it over.
// - Colour icon: `color` holds the picture, `mask` (same size) is white where
//   the icon is transparent and black where it is drawn.
// - Monochrome icon: no `color`; `mask` is twice as tall, the AND mask in its
//   upper half and the colour (XOR) image in its lower half.
// `color_has_alpha` says the colour bitmap carries an alpha channel of its
// own (32-bit and PNG images, themed icons); otherwise its alpha bytes are 255.
struct Icon {
  std::optional<Bitmap> color;
  Bitmap mask;
  bool color_has_alpha = false;
};

// R, G, B, A bytes, rows top first, no padding.
struct RgbaPicture {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<std::uint8_t> pixels;
};

}  // namespace vantile
