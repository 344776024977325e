// Helpers shared by the image helper's tests: byte builders for DIBs and
// .ico files, a PNG reader independent of libpng, and strict fakes.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "imagehelper/icon_source.h"

namespace vantile::testing {

using Bytes = std::vector<std::uint8_t>;

inline void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline void Put16(Bytes& b, std::size_t at, std::uint16_t v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

// A BITMAPINFOHEADER for an icon image (height doubled for the mask).
inline Bytes DibHeader(std::int32_t w, std::int32_t h, std::uint16_t bits, std::uint32_t compression = 0,
                       std::uint32_t colours_used = 0) {
  Bytes b(40, 0);
  Put32(b, 0, 40);
  Put32(b, 4, static_cast<std::uint32_t>(w));
  Put32(b, 8, static_cast<std::uint32_t>(h * 2));
  Put16(b, 12, 1);
  Put16(b, 14, bits);
  Put32(b, 16, compression);
  Put32(b, 32, colours_used);
  return b;
}

// AND mask rows (bottom-up) from a top-down predicate "transparent at x, y".
template <typename Transparent>
Bytes MaskRows(int w, int h, Transparent transparent) {
  const int stride = ((w + 31) / 32) * 4;
  Bytes rows(static_cast<std::size_t>(stride) * h, 0);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      if (transparent(x, y)) rows[static_cast<std::size_t>(h - 1 - y) * stride + x / 8] |= 0x80 >> (x % 8);
    }
  }
  return rows;
}

// A 32-bit DIB icon image from top-down RGBA pixels.
template <typename Transparent>
Bytes Dib32(int w, int h, const Bytes& rgba, Transparent transparent) {
  Bytes b = DibHeader(w, h, 32);
  for (int y = h - 1; y >= 0; --y) {
    for (int x = 0; x < w; ++x) {
      const std::uint8_t* p = &rgba[(static_cast<std::size_t>(y) * w + x) * 4];
      b.insert(b.end(), {p[2], p[1], p[0], p[3]});
    }
  }
  Bytes mask = MaskRows(w, h, transparent);
  b.insert(b.end(), mask.begin(), mask.end());
  return b;
}

inline Bytes IcoFile(const std::vector<std::pair<int, Bytes>>& images /* (side, data) */, int bits = 32) {
  Bytes b(6 + 16 * images.size(), 0);
  Put16(b, 2, 1);
  Put16(b, 4, static_cast<std::uint16_t>(images.size()));
  std::size_t offset = b.size();
  for (std::size_t i = 0; i < images.size(); ++i) {
    const std::size_t e = 6 + 16 * i;
    b[e] = static_cast<std::uint8_t>(images[i].first);
    b[e + 1] = static_cast<std::uint8_t>(images[i].first);
    Put16(b, e + 6, static_cast<std::uint16_t>(bits));
    Put32(b, e + 8, static_cast<std::uint32_t>(images[i].second.size()));
    Put32(b, e + 12, static_cast<std::uint32_t>(offset));
    offset += images[i].second.size();
  }
  for (const auto& image : images) b.insert(b.end(), image.second.begin(), image.second.end());
  return b;
}

inline Bytes ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline std::filesystem::path DataPath(const std::string& relative) {
  return std::filesystem::path(VANTILE_TEST_DATA) / relative;
}

// A PNG as a second decoder (zlib only, no libpng) reads it.
struct DecodedPng {
  std::uint32_t width = 0, height = 0;
  int bit_depth = 0, colour_type = 0;
  std::vector<std::array<std::uint8_t, 3>> palette;
  std::vector<std::uint8_t> transparency;  // tRNS entries
  std::vector<std::uint8_t> rgba;          // expanded pixels
};
// Reads colour types 3 and 6 at bit depth 8; std::nullopt with a failure
// recorded for anything else.
std::optional<DecodedPng> DecodePngIndependently(const Bytes& file);

// A temporary folder removed at the end of the test.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// IconPlatform that fails the test on any call not scripted.
class StrictIconPlatform : public IconPlatform {
 public:
  std::map<std::string, Bitmap> themed;      // name -> picture
  std::map<std::string, Bitmap> files;       // path -> picture
  std::vector<std::string> content_type_names;
  bool allow_content_type = false;
  std::vector<std::vector<std::string>> themed_requests;

  std::optional<Bitmap> LoadThemedIcon(const std::vector<std::string>& names, int size) override;
  std::optional<Bitmap> LoadImageFile(const std::filesystem::path& path, int size) override;
  std::vector<std::string> ContentTypeIconNames(const std::filesystem::path& path) override;
};

// A solid square picture.
Bitmap SolidBitmap(int side, std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a);

}  // namespace vantile::testing
