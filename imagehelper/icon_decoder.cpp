#include "imagehelper/icon_decoder.h"

#include <array>
#include <bit>
#include <cstring>
#include <vector>

#include "imagehelper/byte_reader.h"
#include "imagehelper/png_codec.h"

namespace vantile {

namespace {

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiBitfields = 3;

struct Channel {
  std::uint32_t mask = 0;
  int shift = 0;
  std::uint32_t max = 0;

  explicit Channel(std::uint32_t m = 0) : mask(m) {
    if (m) {
      shift = std::countr_zero(m);
      max = m >> shift;
    }
  }
  std::uint8_t Scale(std::uint32_t pixel) const {
    if (!max) return 0;
    std::uint64_t v = (pixel & mask) >> shift;
    return static_cast<std::uint8_t>((v * 255 + max / 2) / max);
  }
};

struct DibHeader {
  std::uint32_t header_size = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;  // of the picture, not the XOR+AND total
  bool top_down = false;
  std::uint16_t bit_count = 0;
  std::uint32_t compression = 0;
  std::uint32_t colours_used = 0;
};

std::optional<Icon> Fail(std::string* error, const std::string& why) {
  if (error) *error = why;
  return std::nullopt;
}

}  // namespace

std::optional<Icon> DecodeIconImage(std::span<const std::uint8_t> data, std::string* error) {
  if (LooksLikePng(data)) {
    auto bitmap = DecodePng(data, error);
    if (!bitmap) return std::nullopt;
    Icon icon;
    icon.mask = Bitmap(bitmap->width, bitmap->height);
    for (std::size_t i = 3; i < icon.mask.pixels.size(); i += 4) icon.mask.pixels[i] = 255;
    icon.color = std::move(*bitmap);
    icon.color_has_alpha = true;
    return icon;
  }

  ByteReader in(data);
  DibHeader h;
  std::int32_t total_height = 0;
  if (!in.U32(0, h.header_size) || h.header_size < 40 || h.header_size > data.size()) {
    return Fail(error, "DIB: header size " + std::to_string(h.header_size) + " of " +
                           std::to_string(data.size()) + " bytes");
  }
  in.I32(4, h.width);
  in.I32(8, total_height);
  in.U16(14, h.bit_count);
  in.U32(16, h.compression);
  in.U32(32, h.colours_used);
  if (h.width <= 0 || h.width > kMaxIconSide) {
    return Fail(error, "DIB: width " + std::to_string(h.width));
  }
  // The height counts the colour rows and the mask rows together. Negating
  // INT32_MIN is undefined, so it is refused with the other absurd values.
  if (total_height == 0 || total_height == INT32_MIN) {
    return Fail(error, "DIB: height " + std::to_string(total_height));
  }
  h.top_down = total_height < 0;
  std::int64_t rows = total_height < 0 ? -static_cast<std::int64_t>(total_height) : total_height;
  if (rows / 2 < 1 || rows / 2 > kMaxIconSide) return Fail(error, "DIB: height " + std::to_string(total_height));
  h.height = static_cast<std::int32_t>(rows / 2);

  const std::uint16_t bits = h.bit_count;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) {
    return Fail(error, "DIB: bit count " + std::to_string(bits));
  }
  if (h.compression != kBiRgb && !(h.compression == kBiBitfields && (bits == 16 || bits == 32))) {
    return Fail(error, "DIB: compression " + std::to_string(h.compression) + " at " +
                           std::to_string(bits) + " bits");
  }

  // Palette: a count of 0 means the full table for the bit depth; more
  // entries than the depth can index is a broken header.
  std::size_t palette_size = 0;
  if (bits <= 8) {
    std::uint32_t limit = 1u << bits;
    if (h.colours_used > limit) {
      return Fail(error, "DIB: " + std::to_string(h.colours_used) + " palette entries at " +
                             std::to_string(bits) + " bits");
    }
    palette_size = h.colours_used ? h.colours_used : limit;
  } else if (h.colours_used > 256) {
    return Fail(error, "DIB: " + std::to_string(h.colours_used) + " palette entries");
  } else {
    palette_size = h.colours_used;  // an optional optimisation table, skipped
  }

  std::uint64_t offset = h.header_size;
  Channel red(0x7c00), green(0x03e0), blue(0x001f), alpha;
  if (bits == 32) {
    red = Channel(0x00ff0000);
    green = Channel(0x0000ff00);
    blue = Channel(0x000000ff);
    alpha = Channel(0xff000000);
  }
  if (h.compression == kBiBitfields) {
    // The masks follow a plain 40-byte header; larger headers hold them.
    std::uint32_t r = 0, g = 0, b = 0, a = 0;
    if (!in.U32(40, r) || !in.U32(44, g) || !in.U32(48, b)) return Fail(error, "DIB: truncated bit fields");
    if (h.header_size >= 56) in.U32(52, a);
    red = Channel(r);
    green = Channel(g);
    blue = Channel(b);
    alpha = Channel(a);
    if (h.header_size == 40) offset += 12;
  }

  std::vector<std::array<std::uint8_t, 3>> palette(palette_size);
  for (std::size_t i = 0; i < palette_size; ++i) {
    std::uint64_t at = offset + i * 4;
    if (!in.Has(at, 4)) return Fail(error, "DIB: palette truncated at entry " + std::to_string(i));
    palette[i] = {data[at + 2], data[at + 1], data[at]};
  }
  offset += static_cast<std::uint64_t>(palette_size) * 4;

  const std::uint64_t xor_stride = ((static_cast<std::uint64_t>(h.width) * bits + 31) / 32) * 4;
  const std::uint64_t and_stride = ((static_cast<std::uint64_t>(h.width) + 31) / 32) * 4;
  const std::uint64_t xor_offset = offset;
  const std::uint64_t and_offset = xor_offset + xor_stride * h.height;
  if (!in.Has(xor_offset, xor_stride * h.height)) {
    return Fail(error, "DIB: colour rows truncated (" + std::to_string(xor_stride * h.height) +
                           " bytes at offset " + std::to_string(xor_offset) + ")");
  }
  if (!in.Has(and_offset, and_stride * h.height)) {
    return Fail(error, "DIB: mask rows truncated (" + std::to_string(and_stride * h.height) +
                           " bytes at offset " + std::to_string(and_offset) + ")");
  }

  const std::int32_t w = h.width;
  const std::int32_t ht = h.height;
  Bitmap colour(w, ht);
  Bitmap mask(w, ht);
  bool any_alpha = false;
  for (std::int32_t y = 0; y < ht; ++y) {
    // Stored rows run bottom-up unless the height was negative.
    const std::int32_t src_row = h.top_down ? y : ht - 1 - y;
    const std::uint8_t* row = data.data() + xor_offset + xor_stride * src_row;
    const std::uint8_t* mrow = data.data() + and_offset + and_stride * src_row;
    std::uint8_t* out = colour.pixels.data() + static_cast<std::size_t>(y) * w * 4;
    std::uint8_t* mout = mask.pixels.data() + static_cast<std::size_t>(y) * w * 4;
    for (std::int32_t x = 0; x < w; ++x, out += 4, mout += 4) {
      std::uint8_t r = 0, g = 0, b = 0, a = 255;
      if (bits <= 8) {
        const std::uint32_t per_byte = 8 / bits;
        const std::uint8_t byte = row[x / per_byte];
        const std::uint32_t shift = 8 - bits * (x % per_byte + 1);
        const std::uint32_t index = (byte >> shift) & ((1u << bits) - 1);
        // An index past a short palette draws black, as the display would.
        if (index < palette.size()) {
          r = palette[index][0];
          g = palette[index][1];
          b = palette[index][2];
        }
      } else if (bits == 24) {
        b = row[x * 3];
        g = row[x * 3 + 1];
        r = row[x * 3 + 2];
      } else {
        std::uint32_t pixel = 0;
        if (bits == 16) {
          pixel = row[x * 2] | (row[x * 2 + 1] << 8);
        } else {
          std::memcpy(&pixel, row + x * 4, 4);
          if constexpr (std::endian::native == std::endian::big) pixel = __builtin_bswap32(pixel);
        }
        r = red.Scale(pixel);
        g = green.Scale(pixel);
        b = blue.Scale(pixel);
        if (alpha.max) {
          a = alpha.Scale(pixel);
          any_alpha = any_alpha || a != 0;
        }
      }
      out[0] = r;
      out[1] = g;
      out[2] = b;
      out[3] = a;
      const bool transparent = (mrow[x / 8] >> (7 - x % 8)) & 1;
      const std::uint8_t m = transparent ? 255 : 0;
      mout[0] = mout[1] = mout[2] = m;
      mout[3] = 255;
    }
  }

  Icon icon;
  const bool monochrome = bits == 1 && palette.size() == 2 &&
                          palette[0] == std::array<std::uint8_t, 3>{0, 0, 0} &&
                          palette[1] == std::array<std::uint8_t, 3>{255, 255, 255};
  if (monochrome) {
    // A black-and-white icon keeps the AND mask above the XOR image in one
    // bitmap, as the shell hands such icons over.
    icon.mask = Bitmap(w, ht * 2);
    std::memcpy(icon.mask.pixels.data(), mask.pixels.data(), mask.pixels.size());
    std::memcpy(icon.mask.pixels.data() + mask.pixels.size(), colour.pixels.data(), colour.pixels.size());
    return icon;
  }
  if (!any_alpha) {
    // A 32-bit image whose alpha bytes are all zero predates alpha icons:
    // the bytes are padding and the mask alone says what is transparent.
    for (std::size_t i = 3; i < colour.pixels.size(); i += 4) colour.pixels[i] = 255;
  }
  icon.color = std::move(colour);
  icon.mask = std::move(mask);
  icon.color_has_alpha = any_alpha;
  return icon;
}

}  // namespace vantile
