#include "imagehelper/quantize.h"

#include <libimagequant.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
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

struct PremultipliedColour {
  float c[4];
};

PremultipliedColour Premultiply(const std::uint8_t* p) {
  const float a = p[3] / 255.0f;
  return {{p[0] * a, p[1] * a, p[2] * a, static_cast<float>(p[3])}};
}

PremultipliedColour Premultiply(const PaletteEntry& e) {
  const std::uint8_t p[4] = {e.r, e.g, e.b, e.a};
  return Premultiply(p);
}

float Distance(const PremultipliedColour& a, const PremultipliedColour& b) {
  float d = 0;
  for (int i = 0; i < 4; ++i) d += (a.c[i] - b.c[i]) * (a.c[i] - b.c[i]);
  return d;
}

std::uint8_t ToByte(double v) { return static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L)); }

// Maps every pixel to its nearest palette entry. Entries are searched in
// order of the sum of their components, outwards from the pixel's own sum:
// the squared distance is at least a quarter of the squared difference of
// the sums, so the search stops once that bound passes the best found.
void MapToNearest(const std::vector<PremultipliedColour>& pixels, const IndexedPicture& in, unsigned used,
                  std::vector<std::uint8_t>& indices) {
  struct Entry {
    float sum;
    PremultipliedColour colour;
    std::uint8_t index;
  };
  std::vector<Entry> palette(used);
  for (unsigned k = 0; k < used; ++k) {
    const PremultipliedColour c = Premultiply(in.palette[k]);
    palette[k] = {c.c[0] + c.c[1] + c.c[2] + c.c[3], c, static_cast<std::uint8_t>(k)};
  }
  std::sort(palette.begin(), palette.end(), [](const Entry& a, const Entry& b) { return a.sum < b.sum; });
  for (std::size_t i = 0; i < pixels.size(); ++i) {
    const PremultipliedColour& p = pixels[i];
    const float sum = p.c[0] + p.c[1] + p.c[2] + p.c[3];
    const auto start = std::lower_bound(palette.begin(), palette.end(), sum,
                                        [](const Entry& e, float v) { return e.sum < v; }) - palette.begin();
    float best = std::numeric_limits<float>::max();
    std::uint8_t best_index = palette[0].index;
    std::ptrdiff_t up = start, down = start - 1;
    const std::ptrdiff_t n = static_cast<std::ptrdiff_t>(palette.size());
    while (up < n || down >= 0) {
      if (up < n) {
        const float gap = palette[up].sum - sum;
        if (gap * gap >= 4 * best) {
          up = n;
        } else {
          const float d = Distance(p, palette[up].colour);
          if (d < best) {
            best = d;
            best_index = palette[up].index;
          }
          ++up;
        }
      }
      if (down >= 0) {
        const float gap = sum - palette[down].sum;
        if (gap * gap >= 4 * best) {
          down = -1;
        } else {
          const float d = Distance(p, palette[down].colour);
          if (d < best) {
            best = d;
            best_index = palette[down].index;
          }
          --down;
        }
      }
    }
    indices[i] = best_index;
  }
}

// Lloyd rounds in premultiplied RGBA, the space the error is measured in:
// each entry moves to the mean of its pixels, then every pixel goes to its
// nearest entry. The quantiser's own palette is the start; a round that
// does not lower the error ends the refinement.
IndexedPicture RefinePalette(const RgbaPicture& picture, IndexedPicture start, unsigned used) {
  const std::size_t count = start.indices.size();
  std::vector<PremultipliedColour> pixels(count);
  for (std::size_t i = 0; i < count; ++i) pixels[i] = Premultiply(picture.pixels.data() + i * 4);
  double best_error = PremultipliedMse(picture.pixels.data(), ExpandIndexed(start).data(), count);
  IndexedPicture best = start;
  for (int round = 0; round < 6 && best_error > 0; ++round) {
    IndexedPicture next = best;
    std::vector<std::array<double, 4>> sums(used, {0, 0, 0, 0});
    std::vector<std::size_t> members(used, 0);
    for (std::size_t i = 0; i < count; ++i) {
      const unsigned k = next.indices[i];
      for (int c = 0; c < 4; ++c) sums[k][c] += pixels[i].c[c];
      ++members[k];
    }
    for (unsigned k = 0; k < used; ++k) {
      if (!members[k]) continue;
      const double a = sums[k][3] / members[k];
      const std::uint8_t a8 = ToByte(a);
      if (a8 == 0) {
        next.palette[k] = {0, 0, 0, 0};
        continue;
      }
      const double scale = 255.0 / a8 / members[k];
      next.palette[k] = {ToByte(sums[k][0] * scale), ToByte(sums[k][1] * scale), ToByte(sums[k][2] * scale), a8};
    }
    MapToNearest(pixels, next, used, next.indices);
    const double error = PremultipliedMse(picture.pixels.data(), ExpandIndexed(next).data(), count);
    if (error >= best_error) break;
    best_error = error;
    best = std::move(next);
  }
  return best;
}

// libimagequant's speed. Its palette is only the start of RefinePalette's
// rounds: on 1,866 icons (the icon themes' full-colour and symbolic PNGs and
// Windows programs' icons) speed 7 ends, after refinement, within 1 % of the
// error of its slowest speed and below pngquant's default output on every
// icon, in a seventh of the time (about 1 ms against 7 ms for a 48-pixel
// icon). From 8 on it skips the rounds of its own that keep the refinement
// out of poorer local minima, and a hundred of those icons came out worse.
constexpr int kQuantizerSpeed = 7;

// Up to this many pixels a side, the dithered mapping is not tried: on icons
// it has never come out closer to the source than the refined plain one,
// whose palette was fitted to exactly these pixels. Larger pictures, with
// smooth gradients over many pixels, still get both.
constexpr std::int32_t kPlainOnlySide = 64;

// The quantiser's palette and the mappings of the picture to it: plain
// (then refined) and, for larger pictures, dithered. Whichever is closer to
// the source wins.
std::optional<IndexedPicture> LiqQuantize(const RgbaPicture& picture) {
  std::unique_ptr<liq_attr, LiqAttrFree> attr(liq_attr_create());
  if (!attr) return std::nullopt;
  liq_set_speed(attr.get(), kQuantizerSpeed);
  liq_set_quality(attr.get(), 0, 100);
  liq_set_max_colors(attr.get(), 256);
  std::unique_ptr<liq_image, LiqImageFree> image(
      liq_image_create_rgba(attr.get(), picture.pixels.data(), picture.width, picture.height, 0));
  if (!image) return std::nullopt;
  liq_result* raw = nullptr;
  if (liq_image_quantize(image.get(), attr.get(), &raw) != LIQ_OK || !raw) return std::nullopt;
  std::unique_ptr<liq_result, LiqResultFree> result(raw);

  const std::size_t count = static_cast<std::size_t>(picture.width) * picture.height;
  std::optional<IndexedPicture> best;
  double best_error = 0;
  const bool plain_only = picture.width <= kPlainOnlySide && picture.height <= kPlainOnlySide;
  for (float dither : {0.0f, 1.0f}) {
    if (dither != 0.0f && plain_only) break;
    liq_set_dithering_level(result.get(), dither);
    IndexedPicture out;
    out.width = picture.width;
    out.height = picture.height;
    out.indices.resize(count);
    if (liq_write_remapped_image(result.get(), image.get(), out.indices.data(), out.indices.size()) != LIQ_OK) {
      continue;
    }
    // The palette is read after remapping, which may refine it.
    const liq_palette* palette = liq_get_palette(result.get());
    if (!palette || palette->count == 0) continue;
    const unsigned used = std::min(palette->count, 256u);
    for (unsigned i = 0; i < used; ++i) {
      out.palette[i] = {palette->entries[i].r, palette->entries[i].g, palette->entries[i].b, palette->entries[i].a};
    }
    if (dither == 0.0f) out = RefinePalette(picture, std::move(out), used);
    const double error = PremultipliedMse(picture.pixels.data(), ExpandIndexed(out).data(), count);
    if (!best || error < best_error) {
      best = std::move(out);
      best_error = error;
    }
  }
  return best;
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

  auto best = LiqQuantize(picture);
  if (!best) return std::nullopt;
  return QuantizeResult{std::move(*best), QuantizeMethod::Quantized};
}

}  // namespace vantile
