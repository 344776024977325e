// Turning an icon into the RGBA picture the helper keeps, and placing that
// picture in the preview.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "imagehelper/icon_image.h"

namespace vantile {

// The icon's picture with alpha from its mask: 0 where the mask is white.
// A colour image that carries its own alpha keeps it (soft edges and
// shadows are the point of alpha artwork); elsewhere alpha is 255.
// Monochrome icons take their colour from the lower half of the mask
// bitmap. The icon is consumed; nullopt for no icon or inconsistent bitmaps.
std::optional<RgbaPicture> IconToRGBA(std::optional<Icon> icon);

inline constexpr std::int32_t kPreviewWidth = 68;
inline constexpr std::int32_t kPreviewHeight = 57;

// n / 2 rounded to the nearest integer, halves to the even neighbour.
std::int32_t HalfToEven(std::int32_t n);

struct PreviewPoint {
  std::int32_t x = 0;
  std::int32_t y = 0;
  bool operator==(const PreviewPoint&) const = default;
};

// Where a picture of this size sits in the preview (32 x 32 lands at 18, 12).
PreviewPoint PreviewOrigin(std::int32_t width, std::int32_t height);

// The preview's pixels: the picture at PreviewOrigin over a transparent
// background, as premultiplied ARGB words (the layout cairo paints),
// kPreviewWidth x kPreviewHeight, rows top first. Parts outside are clipped.
std::vector<std::uint32_t> RenderPreview(const RgbaPicture& picture);

}  // namespace vantile
