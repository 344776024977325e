// Themed icons from the system's icon themes through GTK, without a display
// (as the command line uses them).
#include <gtest/gtest.h>

#include <fstream>

#include "imagehelper/gtk/gtk_icon_platform.h"
#include "imagehelper/icon_convert.h"
#include "imagehelper/icon_source.h"
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
  const std::filesystem::path svg = "/usr/share/icons/hicolor/scalable/apps/vantile-test-never.svg";
  testing::TempDir dir;
  const auto file = dir.path() / "square.svg";
  std::ofstream(file) << "<svg xmlns='http://www.w3.org/2000/svg' width='128' height='128'>"
                         "<circle cx='64' cy='64' r='60' fill='#3070c0'/></svg>";
  auto icon = platform.LoadImageFile(file, 32);
  ASSERT_TRUE(icon);
  EXPECT_EQ(icon->width, 32);
  EXPECT_TRUE(SomePixelIsSoft(*icon));
  EXPECT_FALSE(std::filesystem::exists(svg));
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
