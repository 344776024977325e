// Reducing an RGBA picture to 256 palette colours with alpha.
#pragma once

#include <cstdint>
#include <optional>

#include "imagehelper/icon_image.h"
#include "imagehelper/png_codec.h"

namespace vantile {

enum class QuantizeMethod { Exact, Quantized };

struct QuantizeResult {
  IndexedPicture picture;
  QuantizeMethod method = QuantizeMethod::Exact;
};

// A picture of at most 256 distinct RGBA colours gets exactly those colours
// as its palette (lossless; fully transparent pixels count as one colour
// when that is what brings the count to 256). Otherwise libimagequant picks
// a palette that Lloyd rounds then fit to the picture's own pixels; for
// pictures larger than icons, of the plain and the dithered mapping the one
// closer to the source is kept. Unused entries are opaque black.
// nullopt for an empty picture or when the quantiser fails.
std::optional<QuantizeResult> QuantizeRGBATo8Bit(const RgbaPicture& picture);

// Mean squared error per channel between two RGBA pixel blocks of the same
// size, on alpha-premultiplied values (so the colour of an invisible pixel
// does not count).
double PremultipliedMse(const std::uint8_t* a, const std::uint8_t* b, std::size_t pixel_count);

// The RGBA pixels an indexed picture stands for.
std::vector<std::uint8_t> ExpandIndexed(const IndexedPicture& picture);

}  // namespace vantile
