// Icon to RGBA, preview placement, quantising and the written PNG.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cmath>
#include <fstream>
#include <set>

#include "imagehelper/helper_window.h"
#include "imagehelper/icon_convert.h"
#include "imagehelper/image_errors.h"
#include "imagehelper/png_codec.h"
#include "imagehelper/quantize.h"
#include "tests/imagehelper/test_support.h"

namespace vantile {
namespace {

Icon ColourIcon(int side, std::uint8_t alpha, bool has_alpha) {
  Icon icon;
  icon.color = testing::SolidBitmap(side, 10, 20, 30, alpha);
  icon.mask = testing::SolidBitmap(side, 0, 0, 0, 255);
  icon.color_has_alpha = has_alpha;
  return icon;
}

void SetMask(Icon& icon, int x, int y) {
  std::uint8_t* p = &icon.mask.pixels[(static_cast<std::size_t>(y) * icon.mask.width + x) * 4];
  p[0] = p[1] = p[2] = 255;
}

std::uint8_t AlphaAt(const RgbaPicture& p, int x, int y) {
  return p.pixels[(static_cast<std::size_t>(y) * p.width + x) * 4 + 3];
}

TEST(IconToRGBA, WhiteMaskCornersBecomeTransparentAndTheRestOpaque) {
  Icon icon = ColourIcon(32, 255, false);
  for (auto [x, y] : {std::pair{0, 0}, {31, 0}, {0, 31}, {31, 31}}) SetMask(icon, x, y);
  auto picture = IconToRGBA(std::move(icon));
  ASSERT_TRUE(picture);
  int transparent = 0;
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      const bool corner = (x == 0 || x == 31) && (y == 0 || y == 31);
      EXPECT_EQ(AlphaAt(*picture, x, y), corner ? 0 : 255);
      transparent += AlphaAt(*picture, x, y) == 0;
    }
  }
  EXPECT_EQ(transparent, 4);
  EXPECT_EQ(PreviewOrigin(32, 32), (PreviewPoint{18, 12}));
}

TEST(IconToRGBA, OwnAlphaIsKeptExceptUnderAWhiteMask) {
  Icon icon = ColourIcon(4, 90, true);
  SetMask(icon, 1, 1);
  auto picture = IconToRGBA(std::move(icon));
  ASSERT_TRUE(picture);
  EXPECT_EQ(AlphaAt(*picture, 0, 0), 90);
  EXPECT_EQ(AlphaAt(*picture, 1, 1), 0);
  // Without an alpha channel of its own the colour bitmap's bytes do not count.
  auto flat = IconToRGBA(ColourIcon(4, 90, false));
  EXPECT_EQ(AlphaAt(*flat, 0, 0), 255);
}

TEST(IconToRGBA, MonochromeIconTakesColourFromTheLowerHalf) {
  Icon icon;
  icon.mask = Bitmap(32, 64);
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 32; ++x) {
      std::uint8_t* p = &icon.mask.pixels[(static_cast<std::size_t>(y) * 32 + x) * 4];
      const std::uint8_t v = y < 32 ? (x < 4 ? 255 : 0) : static_cast<std::uint8_t>(y);
      p[0] = p[1] = p[2] = v;
      p[3] = 255;
    }
  }
  auto picture = IconToRGBA(std::move(icon));
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->width, 32);
  EXPECT_EQ(picture->height, 32);
  EXPECT_EQ(picture->pixels[(5 * 32 + 10) * 4], 37);  // row 5 of the lower half
  EXPECT_EQ(AlphaAt(*picture, 2, 5), 0);
  EXPECT_EQ(AlphaAt(*picture, 10, 5), 255);
}

TEST(IconToRGBA, OddMaskHeightHalvesToEvenAndBadIconsGiveNothing) {
  Icon odd;
  odd.mask = Bitmap(4, 5);  // 2.5 rows -> 2
  auto picture = IconToRGBA(std::move(odd));
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->height, 2);
  // 3.5 rows -> 4: mask rows 0-3, colour rows 4-6, and the last row of the
  // picture has no colour row at all; it is left transparent, not read from
  // past the bitmap.
  Icon short_colour;
  short_colour.mask = Bitmap(4, 7);  // black mask: drawn everywhere
  std::fill(short_colour.mask.pixels.begin() + 4 * 4 * 4, short_colour.mask.pixels.end(), 90);
  picture = IconToRGBA(std::move(short_colour));
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->height, 4);
  EXPECT_EQ(AlphaAt(*picture, 3, 2), 255);
  EXPECT_EQ(picture->pixels[(2 * 4 + 3) * 4], 90);
  EXPECT_EQ(AlphaAt(*picture, 3, 3), 0);
  EXPECT_FALSE(IconToRGBA(std::nullopt));
  Icon mismatched = ColourIcon(4, 255, false);
  mismatched.mask = Bitmap(5, 5);
  EXPECT_FALSE(IconToRGBA(std::move(mismatched)));
}

TEST(Preview, PicturesAreCentredWithHalvesRoundedToEven) {
  EXPECT_EQ(PreviewOrigin(16, 16), (PreviewPoint{26, 20}));  // 20.5 -> 20
  EXPECT_EQ(PreviewOrigin(33, 33), (PreviewPoint{18, 12}));  // 17.5 -> 18
  EXPECT_EQ(PreviewOrigin(31, 31), (PreviewPoint{18, 13}));  // 18.5 -> 18
  EXPECT_EQ(PreviewOrigin(69, 58), (PreviewPoint{0, 0}));    // -0.5 -> 0
  EXPECT_EQ(PreviewOrigin(71, 60), (PreviewPoint{-2, -2}));  // -1.5 -> -2
  RgbaPicture picture{32, 32, std::vector<std::uint8_t>(32 * 32 * 4, 0)};
  picture.pixels[3] = 255;  // only the top-left pixel, opaque black
  picture.pixels[(31 * 32 + 31) * 4 + 0] = 255;  // bottom-right, invisible red
  auto pixels = RenderPreview(picture);
  ASSERT_EQ(pixels.size(), 68u * 57u);
  EXPECT_EQ(pixels[12 * 68 + 18], 0xff000000u);
  EXPECT_EQ(pixels[43 * 68 + 49], 0u);
  EXPECT_EQ(pixels[12 * 68 + 17], 0u);
}

RgbaPicture Picture(int w, int h, int colours) {
  RgbaPicture p{w, h, std::vector<std::uint8_t>(static_cast<std::size_t>(w) * h * 4)};
  for (int i = 0; i < w * h; ++i) {
    const int c = i % colours;
    p.pixels[i * 4] = static_cast<std::uint8_t>(c * 7);
    p.pixels[i * 4 + 1] = static_cast<std::uint8_t>(c * 13 + i / w);
    p.pixels[i * 4 + 2] = static_cast<std::uint8_t>(c * 31);
    p.pixels[i * 4 + 3] = static_cast<std::uint8_t>(c % 5 == 0 ? 0 : 255 - c % 200);
  }
  return p;
}

std::size_t DistinctColours(const RgbaPicture& p) {
  std::set<std::uint32_t> seen;
  for (std::size_t i = 0; i < p.pixels.size(); i += 4) {
    seen.insert(p.pixels[i] | p.pixels[i + 1] << 8 | p.pixels[i + 2] << 16 | std::uint32_t(p.pixels[i + 3]) << 24);
  }
  return seen.size();
}

TEST(PaletteOutput, UpTo256ColoursAreWrittenLosslessly) {
  testing::TempDir dir;
  RgbaPicture picture = Picture(32, 32, 8);
  ASSERT_LE(DistinctColours(picture), 256u);
  const auto file = dir.path() / "exact.png";
  ASSERT_TRUE(WritePalettePng(picture, file).ok());
  auto png = testing::DecodePngIndependently(testing::ReadFile(file));
  ASSERT_TRUE(png);
  EXPECT_EQ(png->colour_type, 3);
  EXPECT_EQ(png->bit_depth, 8);
  EXPECT_EQ(png->palette.size(), 256u);
  EXPECT_EQ(png->transparency.size(), 256u);
  EXPECT_EQ(png->rgba, picture.pixels);  // every pixel, alpha included
}

TEST(PaletteOutput, InvisiblePixelsOfManyColoursStillFitAnExactPalette) {
  RgbaPicture picture{32, 32, std::vector<std::uint8_t>(32 * 32 * 4)};
  for (int i = 0; i < 32 * 32; ++i) {  // 100 visible colours
    picture.pixels[i * 4] = static_cast<std::uint8_t>(i % 100);
    picture.pixels[i * 4 + 3] = 255;
  }
  for (int i = 0; i < 32 * 32; i += 3) {  // and 300+ distinct fully transparent ones
    picture.pixels[i * 4] = static_cast<std::uint8_t>(i);
    picture.pixels[i * 4 + 1] = static_cast<std::uint8_t>(i >> 8);
    picture.pixels[i * 4 + 3] = 0;
  }
  ASSERT_GT(DistinctColours(picture), 256u);
  auto result = QuantizeRGBATo8Bit(picture);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->method, QuantizeMethod::Exact);
  EXPECT_EQ(PremultipliedMse(picture.pixels.data(), ExpandIndexed(result->picture).data(), 32 * 32), 0.0);
}

TEST(PaletteOutput, MoreColoursGoThroughTheQuantiserWithSmallError) {
  testing::TempDir dir;
  RgbaPicture picture{48, 48, std::vector<std::uint8_t>(48 * 48 * 4)};
  for (int y = 0; y < 48; ++y) {
    for (int x = 0; x < 48; ++x) {
      std::uint8_t* p = &picture.pixels[(y * 48 + x) * 4];
      p[0] = static_cast<std::uint8_t>(x * 5);
      p[1] = static_cast<std::uint8_t>(y * 5);
      p[2] = static_cast<std::uint8_t>((x * y) & 255);
      p[3] = static_cast<std::uint8_t>(255 - (x + y));
    }
  }
  ASSERT_GT(DistinctColours(picture), 256u);
  auto result = QuantizeRGBATo8Bit(picture);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->method, QuantizeMethod::Quantized);
  const double mse = PremultipliedMse(picture.pixels.data(), ExpandIndexed(result->picture).data(), 48 * 48);
  EXPECT_GT(10 * std::log10(255.0 * 255.0 / mse), 30.0);  // PSNR in dB

  const auto file = dir.path() / "quantized.png";
  ASSERT_TRUE(WritePalettePng(picture, file).ok());
  auto png = testing::DecodePngIndependently(testing::ReadFile(file));
  ASSERT_TRUE(png);
  EXPECT_EQ(png->palette.size(), 256u);
  EXPECT_EQ(png->rgba, ExpandIndexed(result->picture));
}

TEST(PaletteOutput, UnopenableDestinationReportsTheOpenFileError) {
  testing::TempDir dir;
  RgbaPicture picture = Picture(8, 8, 3);
  SaveOutcome missing_folder = WritePalettePng(picture, dir.path() / "no" / "such" / "x.png");
  EXPECT_EQ(missing_folder.message, "Error on file open.");
  EXPECT_EQ(missing_folder.title, "Open File Error");

  const auto read_only = dir.path() / "locked.png";
  { std::ofstream(read_only) << "old"; }
  ::chmod(read_only.c_str(), 0444);
  EXPECT_EQ(WritePalettePng(picture, read_only).title, "Open File Error");
  EXPECT_EQ(testing::ReadFile(read_only), (testing::Bytes{'o', 'l', 'd'}));

  ::chmod(dir.path().c_str(), 0555);
  EXPECT_EQ(WritePalettePng(picture, dir.path() / "new.png").message, "Error on file open.");
  ::chmod(dir.path().c_str(), 0755);
  // Nothing half-written is left behind by any of these.
  std::size_t files = 0;
  for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir.path())) ++files;
  EXPECT_EQ(files, 1u);
}

TEST(PaletteOutput, EmptyPictureCannotBeQuantised) {
  EXPECT_FALSE(QuantizeRGBATo8Bit(RgbaPicture{}));
  EXPECT_EQ(WritePalettePng(RgbaPicture{}, "/tmp/never.png").message,
            "Unable to convert the image into an 8-bit with Alpha transparency.");
}

TEST(ImageErrorText, RowsReservedCodesAndOutOfRange) {
  const std::vector<std::pair<int, std::string>> rows = {
      {0, "No Error"},
      {1, "Out of memory."},
      {2, "Error on file open."},
      {4, "Error on file write."},
      {7, "Some RLE variations are not supported."},
      {8, "Reserved value."},
      {12, "Reserved value."},
      {13, "Resource not found."},
      {34, "Reserved value."},
      {37, "A call to SelectObject has failed (DC does not support this operation?)"},
      {52, "Invalid TLA file. may indicate incorrect password."},
      {55, "ImgSource was not able to allocate thread-local storage. this is a severe low-memory condition."},
      {-1, ""},
      {56, ""},
      {1000, ""},
  };
  for (const auto& [code, text] : rows) EXPECT_EQ(ImageErrorText(code), text) << code;
  int reserved = 0;
  for (int code = 0; code <= 55; ++code) {
    EXPECT_FALSE(ImageErrorText(code).empty()) << code;
    reserved += ImageErrorText(code) == "Reserved value.";
  }
  EXPECT_EQ(reserved, 3);
}

}  // namespace
}  // namespace vantile
