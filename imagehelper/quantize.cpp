#include "imagehelper/quantize.h"

#include <libimagequant.h>

#include <cstring>
#include <memory>
#include <unordered_map>

namespace vantile {

namespace {

struct LiqAttrFree {
  void operator()(liq_attr* p) const { liq_attr_destroy(p); }
};
struct LiqImageFree {
  void operator()(liq_image* p) const { liq_image_destroy(p); }
};
struct LiqResultFree {
  void operator()(liq_result* p) const { liq_result_destroy(p); }
};

std::uint32_t Key(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// Builds the exact palette when the colours fit; false otherwise.
bool ExactPalette(const RgbaPicture& picture, bool merge_transparent, IndexedPicture& out) {
  std::unordered_map<std::uint32_t, std::uint8_t> index_of;
  index_of.reserve(512);
  const std::size_t count = static_cast<std::size_t>(picture.width) * picture.height;
  out.indices.resize(count);
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t* p = picture.pixels.data() + i * 4;
    std::uint32_t key = (merge_transparent && p[3] == 0) ? 0 : Key(p);
    auto it = index_of.find(key);
    if (it == index_of.end()) {
      if (index_of.size() == 256) return false;
      const auto index = static_cast<std::uint8_t>(index_of.size());
      it = index_of.emplace(key, index).first;
      out.palette[index] = {static_cast<std::uint8_t>(key), static_cast<std::uint8_t>(key >> 8),
                            static_cast<std::uint8_t>(key >> 16), static_cast<std::uint8_t>(key >> 24)};
    }
    out.indices[i] = it->second;
  }
  return true;
}

std::optional<IndexedPicture> LiqQuantize(const RgbaPicture& picture, float dither) {
  std::unique_ptr<liq_attr, LiqAttrFree> attr(liq_attr_create());
  if (!attr) return std::nullopt;
  liq_set_speed(attr.get(), 1);
  liq_set_quality(attr.get(), 0, 100);
  liq_set_max_colors(attr.get(), 256);
  std::unique_ptr<liq_image, LiqImageFree> image(
      liq_image_create_rgba(attr.get(), picture.pixels.data(), picture.width, picture.height, 0));
  if (!image) return std::nullopt;
  liq_result* raw = nullptr;
  if (liq_image_quantize(image.get(), attr.get(), &raw) != LIQ_OK || !raw) return std::nullopt;
  std::unique_ptr<liq_result, LiqResultFree> result(raw);
  liq_set_dithering_level(result.get(), dither);
  IndexedPicture out;
  out.width = picture.width;
  out.height = picture.height;
  out.indices.resize(static_cast<std::size_t>(picture.width) * picture.height);
  if (liq_write_remapped_image(result.get(), image.get(), out.indices.data(), out.indices.size()) != LIQ_OK) {
    return std::nullopt;
  }
  // The palette is read after remapping, which may refine it.
  const liq_palette* palette = liq_get_palette(result.get());
  if (!palette) return std::nullopt;
  for (unsigned i = 0; i < palette->count && i < 256; ++i) {
    out.palette[i] = {palette->entries[i].r, palette->entries[i].g, palette->entries[i].b,
                      palette->entries[i].a};
  }
  return out;
}

}  // namespace

double PremultipliedMse(const std::uint8_t* a, const std::uint8_t* b, std::size_t pixel_count) {
  if (pixel_count == 0) return 0;
  double sum = 0;
  for (std::size_t i = 0; i < pixel_count; ++i, a += 4, b += 4) {
    const double aa = a[3] / 255.0, ba = b[3] / 255.0;
    for (int c = 0; c < 3; ++c) {
      const double d = a[c] * aa - b[c] * ba;
      sum += d * d;
    }
    const double d = static_cast<double>(a[3]) - b[3];
    sum += d * d;
  }
  return sum / (static_cast<double>(pixel_count) * 4);
}

std::vector<std::uint8_t> ExpandIndexed(const IndexedPicture& picture) {
  std::vector<std::uint8_t> rgba(picture.indices.size() * 4);
  for (std::size_t i = 0; i < picture.indices.size(); ++i) {
    const PaletteEntry& e = picture.palette[picture.indices[i]];
    rgba[i * 4] = e.r;
    rgba[i * 4 + 1] = e.g;
    rgba[i * 4 + 2] = e.b;
    rgba[i * 4 + 3] = e.a;
  }
  return rgba;
}

std::optional<QuantizeResult> QuantizeRGBATo8Bit(const RgbaPicture& picture) {
  if (picture.width <= 0 || picture.height <= 0 ||
      picture.pixels.size() != static_cast<std::size_t>(picture.width) * picture.height * 4) {
    return std::nullopt;
  }
  QuantizeResult exact;
  exact.picture.width = picture.width;
  exact.picture.height = picture.height;
  if (ExactPalette(picture, false, exact.picture)) return exact;
  exact.picture.palette = {};
  if (ExactPalette(picture, true, exact.picture)) return exact;

  const std::size_t count = static_cast<std::size_t>(picture.width) * picture.height;
  std::optional<IndexedPicture> best;
  double best_error = 0;
  for (float dither : {0.0f, 1.0f}) {
    auto candidate = LiqQuantize(picture, dither);
    if (!candidate) continue;
    const double error = PremultipliedMse(picture.pixels.data(), ExpandIndexed(*candidate).data(), count);
    if (!best || error < best_error) {
      best = std::move(candidate);
      best_error = error;
    }
  }
  if (!best) return std::nullopt;
  return QuantizeResult{std::move(*best), QuantizeMethod::Quantized};
}

}  // namespace vantile
