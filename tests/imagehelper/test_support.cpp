#include "tests/imagehelper/test_support.h"

#include <zlib.h>

#include <cstdlib>

namespace vantile::testing {

namespace {

std::uint32_t Be32(const Bytes& b, std::size_t at) {
  return (static_cast<std::uint32_t>(b[at]) << 24) | (b[at + 1] << 16) | (b[at + 2] << 8) | b[at + 3];
}

int Paeth(int a, int b, int c) {
  int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  if (pa <= pb && pa <= pc) return a;
  return pb <= pc ? b : c;
}

}  // namespace

std::optional<DecodedPng> DecodePngIndependently(const Bytes& file) {
  static const std::uint8_t kSig[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  if (file.size() < 8 || !std::equal(kSig, kSig + 8, file.begin())) {
    ADD_FAILURE() << "not a PNG signature";
    return std::nullopt;
  }
  DecodedPng png;
  Bytes idat;
  std::size_t at = 8;
  bool ended = false;
  while (at + 12 <= file.size() && !ended) {
    const std::uint32_t length = Be32(file, at);
    const std::string type(file.begin() + at + 4, file.begin() + at + 8);
    if (at + 12 + length > file.size()) break;
    const std::uint8_t* data = file.data() + at + 8;
    const std::uint32_t crc = Be32(file, at + 8 + length);
    if (crc != crc32(0, file.data() + at + 4, length + 4)) {
      ADD_FAILURE() << "bad CRC in " << type;
      return std::nullopt;
    }
    if (type == "IHDR") {
      Bytes h(data, data + 13);
      png.width = Be32(h, 0);
      png.height = Be32(h, 4);
      png.bit_depth = h[8];
      png.colour_type = h[9];
      if (h[12] != 0) {
        ADD_FAILURE() << "interlaced";
        return std::nullopt;
      }
    } else if (type == "PLTE") {
      for (std::uint32_t i = 0; i + 2 < length; i += 3) png.palette.push_back({data[i], data[i + 1], data[i + 2]});
    } else if (type == "tRNS") {
      png.transparency.assign(data, data + length);
    } else if (type == "IDAT") {
      idat.insert(idat.end(), data, data + length);
    } else if (type == "IEND") {
      ended = true;
    }
    at += 12 + length;
  }
  if (!ended || png.bit_depth != 8 || (png.colour_type != 3 && png.colour_type != 6)) {
    ADD_FAILURE() << "unsupported or truncated PNG (depth " << png.bit_depth << ", type " << png.colour_type << ")";
    return std::nullopt;
  }
  const std::size_t bpp = png.colour_type == 3 ? 1 : 4;
  const std::size_t stride = png.width * bpp;
  Bytes raw((stride + 1) * png.height);
  uLongf raw_size = raw.size();
  if (uncompress(raw.data(), &raw_size, idat.data(), idat.size()) != Z_OK || raw_size != raw.size()) {
    ADD_FAILURE() << "IDAT does not inflate to " << raw.size() << " bytes";
    return std::nullopt;
  }
  Bytes pixels(stride * png.height);
  for (std::uint32_t y = 0; y < png.height; ++y) {
    const std::uint8_t filter = raw[y * (stride + 1)];
    const std::uint8_t* in = raw.data() + y * (stride + 1) + 1;
    std::uint8_t* out = pixels.data() + y * stride;
    const std::uint8_t* up = y ? out - stride : nullptr;
    for (std::size_t x = 0; x < stride; ++x) {
      int a = x >= bpp ? out[x - bpp] : 0, b = up ? up[x] : 0, c = (up && x >= bpp) ? up[x - bpp] : 0;
      int v = in[x];
      switch (filter) {
        case 0: break;
        case 1: v += a; break;
        case 2: v += b; break;
        case 3: v += (a + b) / 2; break;
        case 4: v += Paeth(a, b, c); break;
        default: ADD_FAILURE() << "filter " << int(filter); return std::nullopt;
      }
      out[x] = static_cast<std::uint8_t>(v);
    }
  }
  if (png.colour_type == 6) {
    png.rgba = std::move(pixels);
    return png;
  }
  png.rgba.resize(pixels.size() * 4);
  for (std::size_t i = 0; i < pixels.size(); ++i) {
    const std::uint8_t index = pixels[i];
    if (index >= png.palette.size()) {
      ADD_FAILURE() << "index " << int(index) << " past a palette of " << png.palette.size();
      return std::nullopt;
    }
    png.rgba[i * 4] = png.palette[index][0];
    png.rgba[i * 4 + 1] = png.palette[index][1];
    png.rgba[i * 4 + 2] = png.palette[index][2];
    png.rgba[i * 4 + 3] = index < png.transparency.size() ? png.transparency[index] : 255;
  }
  return png;
}

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "vantile-img-XXXXXX").string();
  path_ = ::mkdtemp(pattern.data());
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ignored);
  std::filesystem::remove_all(path_, ignored);
}

std::optional<Bitmap> StrictIconPlatform::LoadThemedIcon(const std::vector<std::string>& names, int size) {
  EXPECT_EQ(size, 32);
  themed_requests.push_back(names);
  for (const auto& n : names) {
    if (auto it = themed.find(n); it != themed.end()) return it->second;
  }
  if (themed.empty()) ADD_FAILURE() << "unexpected themed icon lookup: " << (names.empty() ? "" : names[0]);
  return std::nullopt;
}

std::optional<Bitmap> StrictIconPlatform::LoadImageFile(const std::filesystem::path& path, int size) {
  EXPECT_EQ(size, 32);
  auto it = files.find(path.string());
  if (it == files.end()) {
    ADD_FAILURE() << "unexpected image file load: " << path;
    return std::nullopt;
  }
  return it->second;
}

std::vector<std::string> StrictIconPlatform::ContentTypeIconNames(const std::filesystem::path& path) {
  if (!allow_content_type) ADD_FAILURE() << "unexpected content type lookup: " << path;
  return content_type_names;
}

Bitmap SolidBitmap(int side, std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a) {
  Bitmap bitmap(side, side);
  for (std::size_t i = 0; i < bitmap.pixels.size(); i += 4) {
    bitmap.pixels[i] = r;
    bitmap.pixels[i + 1] = g;
    bitmap.pixels[i + 2] = b;
    bitmap.pixels[i + 3] = a;
  }
  return bitmap;
}

}  // namespace vantile::testing
