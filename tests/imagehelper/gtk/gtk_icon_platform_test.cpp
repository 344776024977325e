// Themed icons from the system's icon themes through GTK, without a display
// (as the command line uses them).
#include <gtest/gtest.h>

#include <fstream>

#include "imagehelper/gtk/gtk_icon_platform.h"
#include "imagehelper/icon_convert.h"
#include "imagehelper/icon_source.h"
#include "imagehelper/png_codec.h"
#include "tests/imagehelper/test_support.h"

namespace vantile {
namespace {

bool SomePixelIsSoft(const Bitmap& b) {
  for (std::size_t i = 3; i < b.pixels.size(); i += 4) {
    if (b.pixels[i] != 0 && b.pixels[i] != 255) return true;
  }
  return false;
}

TEST(GtkIconPlatform, ThemedIconsComeAtThirtyTwoPixelsWithTheirAlpha) {
  GtkIconPlatform platform;
  for (const char* name : {"folder", "user-trash", "application-x-executable"}) {
    auto icon = platform.LoadThemedIcon({"no-such-icon-anywhere", name}, 32);
    ASSERT_TRUE(icon) << name;
    EXPECT_EQ(icon->width, 32) << name;
    EXPECT_EQ(icon->height, 32) << name;
    EXPECT_TRUE(SomePixelIsSoft(*icon)) << name;  // anti-aliased edges survive
  }
  EXPECT_FALSE(platform.LoadThemedIcon({"no-such-icon-anywhere"}, 32));
}

TEST(GtkIconPlatform, ScalableIconsAreRenderedAtThirtyTwo) {
  GtkIconPlatform platform;
  testing::TempDir dir;
  const auto file = dir.path() / "circle.svg";
  std::ofstream(file) << "<svg xmlns='http://www.w3.org/2000/svg' width='128' height='128'>"
                         "<circle cx='64' cy='64' r='60' fill='#3070c0'/></svg>";
  auto icon = platform.LoadImageFile(file, 32);
  ASSERT_TRUE(icon);
  EXPECT_EQ(icon->width, 32);
  EXPECT_TRUE(SomePixelIsSoft(*icon));
  const std::uint8_t* centre = &icon->pixels[(16 * 32 + 16) * 4];
  EXPECT_EQ((std::vector<int>{centre[0], centre[1], centre[2], centre[3]}), (std::vector<int>{0x30, 0x70, 0xc0, 255}));
  EXPECT_EQ(icon->pixels[3], 0) << "outside the circle";
}

TEST(GtkIconPlatform, PngsComeOutAsOurOwnDecoderReadsThemInsideIcons) {
  // What a desktop entry's Icon=file.png shows and what the same PNG inside
  // an .ico shows must be the same pixels, 16-bit and gAMA files included.
  GtkIconPlatform platform;
  for (const char* name : {"ico/png16.png", "ico/png_gamma.png", "ico/adwaita_folder_32.png"}) {
    auto themed = platform.LoadImageFile(testing::DataPath(name), 32);
    auto ours = DecodePng(testing::ReadFile(testing::DataPath(name)));
    ASSERT_TRUE(themed && ours) << name;
    EXPECT_EQ(themed->pixels, ours->pixels) << name;
  }
}

TEST(GtkIconPlatform, TextFilesGetATextIconThroughTheirContentType) {
  GtkIconPlatform platform;
  testing::TempDir dir;
  std::ofstream(dir.path() / "notes.txt") << "plain words\n";
  auto names = platform.ContentTypeIconNames(dir.path() / "notes.txt");
  ASSERT_FALSE(names.empty());
  EXPECT_EQ(names[0], "text-plain");
  auto picture = IconToRGBA(ExtractAssociatedIcon(dir.path() / "notes.txt", platform));
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->width, 32);
}

}  // namespace
}  // namespace vantile
