// Reading icons out of DIBs, embedded PNGs, .ico files and PE resources.
#include <gtest/gtest.h>

#include "imagehelper/icon_convert.h"
#include "imagehelper/icon_decoder.h"
#include "imagehelper/icon_directory.h"
#include "imagehelper/icon_source.h"
#include "imagehelper/png_codec.h"
#include "tests/imagehelper/test_support.h"

namespace vantile {
namespace {

using testing::Bytes;

const std::uint8_t* Pixel(const RgbaPicture& p, int x, int y) {
  return &p.pixels[(static_cast<std::size_t>(y) * p.width + x) * 4];
}

Bytes Gradient(int w, int h, std::uint8_t alpha) {
  Bytes rgba(static_cast<std::size_t>(w) * h * 4);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      std::uint8_t* p = &rgba[(static_cast<std::size_t>(y) * w + x) * 4];
      p[0] = static_cast<std::uint8_t>(x * 8);
      p[1] = static_cast<std::uint8_t>(y * 8);
      p[2] = 77;
      p[3] = alpha;
    }
  }
  return rgba;
}

TEST(DibDecoding, ThirtyTwoBitImageKeepsItsAlphaAndTheMaskStillClears) {
  Bytes rgba = Gradient(32, 32, 200);
  Bytes dib = testing::Dib32(32, 32, rgba, [](int x, int y) { return x == 0 && y == 0; });
  auto picture = IconToRGBA(DecodeIconImage(dib));
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->width, 32);
  EXPECT_EQ(picture->height, 32);
  EXPECT_EQ(Pixel(*picture, 0, 0)[3], 0);
  EXPECT_EQ(Pixel(*picture, 5, 9)[3], 200);
  EXPECT_EQ(Pixel(*picture, 5, 9)[0], 40);  // top row first
  EXPECT_EQ(Pixel(*picture, 5, 9)[1], 72);
}

TEST(DibDecoding, ThirtyTwoBitImageWithAllZeroAlphaTakesAlphaFromTheMask) {
  Bytes rgba = Gradient(32, 32, 0);
  Bytes dib = testing::Dib32(32, 32, rgba, [](int x, int) { return x >= 30; });
  auto picture = IconToRGBA(DecodeIconImage(dib));
  ASSERT_TRUE(picture);
  EXPECT_EQ(Pixel(*picture, 3, 3)[3], 255);
  EXPECT_EQ(Pixel(*picture, 31, 3)[3], 0);
}

TEST(DibDecoding, IndexedDepthsUseTheirPaletteAndACountOfZeroMeansAFullTable) {
  for (std::uint16_t bits : {4, 8}) {
    const std::uint32_t entries = 1u << bits;
    Bytes dib = testing::DibHeader(8, 8, bits, 0, 0);
    for (std::uint32_t i = 0; i < entries; ++i) dib.insert(dib.end(), {std::uint8_t(i), 0, std::uint8_t(255 - i), 0});
    const int stride = ((8 * bits + 31) / 32) * 4;
    Bytes rows(static_cast<std::size_t>(stride) * 8, 0);
    // Bottom row (stored first) gets index entries-1 in its first pixel.
    rows[0] = static_cast<std::uint8_t>(bits == 8 ? entries - 1 : (entries - 1) << 4);
    dib.insert(dib.end(), rows.begin(), rows.end());
    dib.insert(dib.end(), 4 * 8, 0);
    auto picture = IconToRGBA(DecodeIconImage(dib));
    ASSERT_TRUE(picture) << bits;
    // Entry i is red 255 - i, blue i.
    EXPECT_EQ(Pixel(*picture, 0, 7)[0], 255 - (entries - 1)) << bits;
    EXPECT_EQ(Pixel(*picture, 0, 7)[2], entries - 1) << bits;
    EXPECT_EQ(Pixel(*picture, 0, 0)[0], 255) << bits;   // index 0: B=0 G=0 R=255
    EXPECT_EQ(Pixel(*picture, 0, 0)[3], 255);
  }
}

TEST(DibDecoding, SixteenBitFieldsAndTopDownRows) {
  // 5-6-5 with explicit masks, stored top-down (negative height).
  Bytes dib = testing::DibHeader(2, 2, 16, 3);
  testing::Put32(dib, 8, static_cast<std::uint32_t>(-4));
  for (std::uint32_t m : {0xf800u, 0x07e0u, 0x001fu}) {
    Bytes word(4);
    testing::Put32(word, 0, m);
    dib.insert(dib.end(), word.begin(), word.end());
  }
  // Row 0: pure red, pure green; row 1: pure blue, white.
  dib.insert(dib.end(), {0x00, 0xf8, 0xe0, 0x07, 0x1f, 0x00, 0xff, 0xff});
  dib.insert(dib.end(), 8, 0);
  auto picture = IconToRGBA(DecodeIconImage(dib));
  ASSERT_TRUE(picture);
  EXPECT_EQ(std::vector<int>(Pixel(*picture, 0, 0), Pixel(*picture, 0, 0) + 4), (std::vector<int>{255, 0, 0, 255}));
  EXPECT_EQ(std::vector<int>(Pixel(*picture, 1, 0), Pixel(*picture, 1, 0) + 4), (std::vector<int>{0, 255, 0, 255}));
  EXPECT_EQ(std::vector<int>(Pixel(*picture, 0, 1), Pixel(*picture, 0, 1) + 4), (std::vector<int>{0, 0, 255, 255}));
  EXPECT_EQ(std::vector<int>(Pixel(*picture, 1, 1), Pixel(*picture, 1, 1) + 4), (std::vector<int>{255, 255, 255, 255}));
}

TEST(DibDecoding, BlackAndWhiteOneBitImageBecomesAMonochromeIcon) {
  auto mono = ReadIcoFile(testing::ReadFile(testing::DataPath("ico/mono.ico")));
  ASSERT_TRUE(mono);
  EXPECT_FALSE(mono->color);
  EXPECT_EQ(mono->mask.width, 32);
  EXPECT_EQ(mono->mask.height, 64);
  auto picture = IconToRGBA(std::move(mono));
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->height, 32);
  // The sample is a 4-pixel checkerboard, white where (x/4 + y/4) is odd.
  EXPECT_EQ(Pixel(*picture, 0, 0)[0], 0);
  EXPECT_EQ(Pixel(*picture, 4, 0)[0], 255);
  EXPECT_EQ(Pixel(*picture, 4, 4)[0], 0);
}

TEST(PngEntries, EmbeddedPngKeepsItsAlpha) {
  auto from_png = ReadIcoFile(testing::ReadFile(testing::DataPath("ico/png32.ico")));
  auto from_dib = ReadIcoFile(testing::ReadFile(testing::DataPath("ico/only48.ico")));
  ASSERT_TRUE(from_png);
  ASSERT_TRUE(from_dib);
  EXPECT_TRUE(from_png->color_has_alpha);
  auto picture = IconToRGBA(std::move(from_png));
  ASSERT_TRUE(picture);
  EXPECT_EQ(Pixel(*picture, 0, 0)[3], 0);     // transparent corner
  EXPECT_EQ(Pixel(*picture, 16, 10)[3], 128);  // the half-transparent column
  EXPECT_EQ(Pixel(*picture, 10, 10)[3], 255);
}

TEST(PngEntries, SamplesAreTakenAsStoredWhatever16BitsOrGammaSay) {
  // The same picture as png32.ico, stored at 16 bits, and at 8 with a gAMA
  // chunk: neither may come out lighter than the plain one.
  auto plain = IconToRGBA(ReadIcoFile(testing::ReadFile(testing::DataPath("ico/png32.ico"))));
  ASSERT_TRUE(plain);
  for (const char* name : {"ico/png16.ico", "ico/png_gamma.ico"}) {
    auto picture = IconToRGBA(ReadIcoFile(testing::ReadFile(testing::DataPath(name))));
    ASSERT_TRUE(picture) << name;
    EXPECT_EQ(Pixel(*picture, 16, 10)[0], Pixel(*plain, 16, 10)[0]) << name;  // a red of 131, not 188
    EXPECT_TRUE(picture->pixels == plain->pixels) << name;
  }
}

int decodes = 0;
std::optional<Icon> CountingDecode(std::span<const std::uint8_t> data, std::string* error) {
  ++decodes;
  return DecodeIconImage(data, error);
}

TEST(IconDirectories, EntriesNamingOneImageDecodeItOnce) {
  // 512 entries, all naming one large PNG that fails late.
  for (const char* name : {"bad/ico_512_entries_one_truncated_png.ico", "bad/pe_512_entries_one_truncated_png.exe"}) {
    const Bytes bytes = testing::ReadFile(testing::DataPath(name));
    decodes = 0;
    std::string why;
    EXPECT_FALSE(LooksLikePe(bytes) ? ReadPeIcon(bytes, &why, CountingDecode) : ReadIcoFile(bytes, &why, CountingDecode));
    EXPECT_EQ(decodes, 1) << name;
    EXPECT_NE(why.find("PNG data"), std::string::npos) << why;
  }
}

TEST(IconDirectories, ThirtyTwoIsPreferredThenTheNearestSizeThenTheDeepestColour) {
  std::vector<IconDirEntry> entries = {{16, 16, 32}, {48, 48, 32}, {32, 32, 8}, {32, 32, 32}, {24, 24, 4}, {24, 24, 32}};
  auto order = RankIconEntries(entries);
  EXPECT_EQ(order, (std::vector<std::size_t>{3, 2, 5, 4, 0, 1}));
  // 0 in the directory means 256.
  EXPECT_EQ(RankIconEntries({{256, 256, 32}, {64, 64, 4}}), (std::vector<std::size_t>{1, 0}));
}

TEST(IconDirectories, IcoFileGivesIts32By32Image) {
  auto icon = ReadIcoFile(testing::ReadFile(testing::DataPath("ico/sizes.ico")));
  ASSERT_TRUE(icon);
  ASSERT_TRUE(icon->color);
  EXPECT_EQ(icon->color->width, 32);
  EXPECT_TRUE(icon->color_has_alpha);
}

TEST(IconDirectories, WithoutA32By32ImageTheNearestSizeIsUsed) {
  auto icon = ReadIcoFile(testing::ReadFile(testing::DataPath("ico/only48.ico")));
  ASSERT_TRUE(icon);
  EXPECT_EQ(icon->color->width, 48);
  auto picture = IconToRGBA(std::move(icon));
  EXPECT_EQ(PreviewOrigin(picture->width, picture->height), (PreviewPoint{10, 4}));
}

TEST(IconDirectories, DamagedBestImageFallsBackToTheNextOne) {
  Bytes good = testing::Dib32(16, 16, Gradient(16, 16, 255), [](int, int) { return false; });
  Bytes broken = testing::DibHeader(32, 32, 32);  // header only, no rows
  auto icon = ReadIcoFile(testing::IcoFile({{32, broken}, {16, good}}));
  ASSERT_TRUE(icon);
  EXPECT_EQ(icon->color->width, 16);
}

// Real icons: icotool built these from Adwaita's PNGs. Where the icon's
// mask is clear the decoded pixel is the PNG's, alpha included; icotool sets
// the mask where the PNG's alpha is below half, and there alpha becomes 0.
TEST(RealIcons, IcotoolIconsMatchTheirSourcePngs) {
  for (auto [ico, png] : {std::pair{"ico/adwaita_folder.ico", "ico/adwaita_folder_32.png"},
                          std::pair{"ico/adwaita_trash_raw_png.ico", "ico/adwaita_trash_32.png"}}) {
    auto picture = IconToRGBA(ReadIcoFile(testing::ReadFile(testing::DataPath(ico))));
    auto source = DecodePng(testing::ReadFile(testing::DataPath(png)));
    ASSERT_TRUE(picture) << ico;
    ASSERT_TRUE(source) << png;
    ASSERT_EQ(picture->width, 32);
    int soft = 0;
    for (std::size_t i = 0; i < picture->pixels.size(); i += 4) {
      if (picture->pixels[i + 3] == 0) {
        ASSERT_LT(source->pixels[i + 3], 128) << ico << " pixel " << i / 4;
        continue;
      }
      soft += picture->pixels[i + 3] < 255;
      for (int c = 0; c < 4; ++c) ASSERT_EQ(picture->pixels[i + c], source->pixels[i + c]) << ico << " pixel " << i / 4;
    }
    EXPECT_GT(soft, 10) << ico;  // soft edges kept, not flattened to opaque
  }
}

TEST(PeResources, FirstGroupIconIsTakenAtThirtyTwoPixels) {
  for (const char* name : {"pe/icons.exe", "pe/icons64.dll"}) {
    auto pe_icon = ReadPeIcon(testing::ReadFile(testing::DataPath(name)));
    auto ico_icon = ReadIcoFile(testing::ReadFile(testing::DataPath("ico/sizes.ico")));
    ASSERT_TRUE(pe_icon) << name;
    auto a = IconToRGBA(std::move(pe_icon));
    auto b = IconToRGBA(std::move(ico_icon));
    EXPECT_EQ(a->width, 32) << name;
    EXPECT_EQ(a->pixels, b->pixels) << name;  // same images in both containers
  }
}

TEST(PeResources, OnlyTheFirstOfSeveralGroupsCounts) {
  auto picture = IconToRGBA(ReadPeIcon(testing::ReadFile(testing::DataPath("pe/two_groups.dll"))));
  ASSERT_TRUE(picture);
  EXPECT_EQ(Pixel(*picture, 10, 10)[0], 220);  // red: group 5, not blue group 9
  EXPECT_EQ(Pixel(*picture, 10, 10)[2], 30);
}

TEST(PeResources, MonochromePngAndOversizedGroupCountsAllRead) {
  auto mono = ReadPeIcon(testing::ReadFile(testing::DataPath("pe/mono.dll")));
  ASSERT_TRUE(mono);
  EXPECT_FALSE(mono->color);
  auto png = ReadPeIcon(testing::ReadFile(testing::DataPath("pe/png_icon.exe")));
  ASSERT_TRUE(png);
  EXPECT_TRUE(png->color_has_alpha);
  // The group's byte count is a hint; the RT_ICON's own size bounds the image.
  EXPECT_TRUE(ReadPeIcon(testing::ReadFile(testing::DataPath("pe/group_size_hint_too_large.exe"))));
}

// Every malformed sample is refused cleanly: no icon, no crash, and the
// source lookup never falls through to the icon theme.
class BadSample : public ::testing::TestWithParam<std::string> {};

TEST_P(BadSample, IsRefusedWithAReason) {
  const auto path = testing::DataPath("bad/" + GetParam());
  testing::StrictIconPlatform platform;
  std::string error;
  auto icon = ExtractAssociatedIcon(path, platform, {}, &error);
  EXPECT_FALSE(icon) << GetParam();
  EXPECT_FALSE(error.empty());
}

std::vector<std::string> BadSamples() {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(testing::DataPath("bad"))) {
    const std::string ext = entry.path().extension().string();
    if (entry.is_regular_file() && (ext == ".exe" || ext == ".dll" || ext == ".ico")) {
      names.push_back(entry.path().filename().string());
    }
  }
  std::sort(names.begin(), names.end());
  return names;
}

INSTANTIATE_TEST_SUITE_P(Corpus, BadSample, ::testing::ValuesIn(BadSamples()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           std::string name = info.param;
                           for (char& c : name) {
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           }
                           return name;
                         });

}  // namespace
}  // namespace vantile
