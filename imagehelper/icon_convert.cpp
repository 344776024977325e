#include "imagehelper/icon_convert.h"

#include <algorithm>
#include <cstring>

namespace vantile {

std::optional<RgbaPicture> IconToRGBA(std::optional<Icon> icon) {
  if (!icon) return std::nullopt;
  const Bitmap& mask = icon->mask;
  if (mask.width <= 0 || mask.height <= 0 ||
      mask.pixels.size() != static_cast<std::size_t>(mask.width) * mask.height * 4) {
    return std::nullopt;
  }
  RgbaPicture result;
  if (icon->color) {
    Bitmap& colour = *icon->color;
    if (colour.width != mask.width || colour.height != mask.height ||
        colour.pixels.size() != mask.pixels.size()) {
      return std::nullopt;
    }
    result.width = colour.width;
    result.height = colour.height;
    result.pixels = std::move(colour.pixels);
    const std::size_t count = result.pixels.size() / 4;
    for (std::size_t i = 0; i < count; ++i) {
      std::uint8_t& alpha = result.pixels[i * 4 + 3];
      if (mask.pixels[i * 4 + 2] == 255) {
        alpha = 0;
      } else if (!icon->color_has_alpha) {
        alpha = 255;
      }
    }
    return result;
  }
  // Monochrome: AND mask in the upper half, colour in the lower half. When
  // the bitmap's height is 3 mod 4 its half rounds up, and the colour half
  // is one row short: that row has no colour and stays transparent.
  const std::int32_t w = mask.width;
  const std::int32_t h = HalfToEven(mask.height);
  if (h <= 0) return std::nullopt;
  const std::size_t count = static_cast<std::size_t>(w) * h;
  const std::size_t coloured = std::min(count, mask.pixels.size() / 4 - count);
  result.width = w;
  result.height = h;
  result.pixels.assign(count * 4, 0);
  std::copy_n(mask.pixels.begin() + static_cast<std::ptrdiff_t>(count * 4), coloured * 4, result.pixels.begin());
  for (std::size_t i = 0; i < coloured; ++i) {
    result.pixels[i * 4 + 3] = mask.pixels[i * 4 + 2] == 255 ? 0 : 255;
  }
  return result;
}

std::int32_t HalfToEven(std::int32_t n) {
  const std::int32_t floor_half = n >> 1;  // floor, also for negative n
  if ((n & 1) == 0) return floor_half;
  return (floor_half & 1) == 0 ? floor_half : floor_half + 1;
}

PreviewPoint PreviewOrigin(std::int32_t width, std::int32_t height) {
  return {HalfToEven(kPreviewWidth - width), HalfToEven(kPreviewHeight - height)};
}

std::vector<std::uint32_t> RenderPreview(const RgbaPicture& picture) {
  std::vector<std::uint32_t> out(static_cast<std::size_t>(kPreviewWidth) * kPreviewHeight, 0);
  const PreviewPoint at = PreviewOrigin(picture.width, picture.height);
  for (std::int32_t y = 0; y < picture.height; ++y) {
    const std::int32_t py = at.y + y;
    if (py < 0 || py >= kPreviewHeight) continue;
    for (std::int32_t x = 0; x < picture.width; ++x) {
      const std::int32_t px = at.x + x;
      if (px < 0 || px >= kPreviewWidth) continue;
      const std::uint8_t* p = picture.pixels.data() + (static_cast<std::size_t>(y) * picture.width + x) * 4;
      const std::uint32_t a = p[3];
      auto pre = [a](std::uint32_t c) { return (c * a + 127) / 255; };
      out[static_cast<std::size_t>(py) * kPreviewWidth + px] = (a << 24) | (pre(p[0]) << 16) | (pre(p[1]) << 8) | pre(p[2]);
    }
  }
  return out;
}

}  // namespace vantile
