// Which icon a file gets: PE and .ico files by their own icons, desktop
// entries and programs through the icon theme, other files by content type.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "imagehelper/desktop_entry.h"
#include "imagehelper/icon_convert.h"
#include "imagehelper/icon_source.h"
#include "tests/imagehelper/test_support.h"
#include "tests/ordinary_user.h"

namespace vantile {
namespace {

void WriteText(const std::filesystem::path& path, const std::string& text, bool executable = false) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path) << text;
  if (executable) ::chmod(path.c_str(), 0755);
}

class IconSourceTest : public ::testing::Test {
 protected:
  IconLookupOptions Options() { return {{dir_.path() / "applications"}}; }
  testing::TempDir dir_;
  testing::StrictIconPlatform icons_;
};

TEST_F(IconSourceTest, DesktopFileUsesItsThemedIconOrIconFile) {
  icons_.themed["accessories-text-editor"] = testing::SolidBitmap(32, 1, 2, 3, 200);
  WriteText(dir_.path() / "editor.desktop",
            "# comment\n[Desktop Action new]\nIcon=wrong\n[Desktop Entry]\nName=Editor\nIcon=accessories-text-editor.png\n");
  auto picture = IconToRGBA(ExtractAssociatedIcon(dir_.path() / "editor.desktop", icons_, Options()));
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->pixels[3], 200);  // themed icons keep their alpha
  EXPECT_EQ(icons_.themed_requests, (std::vector<std::vector<std::string>>{{"accessories-text-editor"}}));

  const std::string file = (dir_.path() / "art.svg").string();
  icons_.files[file] = testing::SolidBitmap(32, 9, 9, 9, 255);
  WriteText(dir_.path() / "art.desktop", "[Desktop Entry]\nIcon=" + file + "\n");
  EXPECT_TRUE(ExtractAssociatedIcon(dir_.path() / "art.desktop", icons_, Options()));

  WriteText(dir_.path() / "ico.desktop", "[Desktop Entry]\nIcon=" + testing::DataPath("ico/sizes.ico").string() + "\n");
  auto ico = ExtractAssociatedIcon(dir_.path() / "ico.desktop", icons_, Options());
  ASSERT_TRUE(ico);
  EXPECT_EQ(ico->color->width, 32);

  WriteText(dir_.path() / "none.desktop", "[Desktop Entry]\nName=No icon\n");
  std::string why;
  EXPECT_FALSE(ExtractAssociatedIcon(dir_.path() / "none.desktop", icons_, Options(), &why));
  EXPECT_NE(why.find("Icon"), std::string::npos);
}

TEST_F(IconSourceTest, ProgramTakesTheIconOfTheEntryThatStartsIt) {
  const auto program = dir_.path() / "bin" / "frobnicate";
  WriteText(program, "#!/bin/sh\n", true);
  WriteText(dir_.path() / "applications" / "other.desktop", "[Desktop Entry]\nExec=/usr/bin/true %U\nIcon=other\n");
  WriteText(dir_.path() / "applications" / "sub" / "frob.desktop",
            "[Desktop Entry]\nExec=\"" + program.string() + "\" --new-window %F\nIcon=frob-icon\n");
  icons_.themed["frob-icon"] = testing::SolidBitmap(32, 0, 255, 0, 255);
  ASSERT_TRUE(ExtractAssociatedIcon(program, icons_, Options()));
  EXPECT_EQ(icons_.themed_requests.back(), (std::vector<std::string>{"frob-icon"}));
}

TEST_F(IconSourceTest, TryExecMatchesToo) {
  const auto program = dir_.path() / "bin" / "tool";
  WriteText(program, "#!/bin/sh\n", true);
  WriteText(dir_.path() / "applications" / "tool.desktop",
            "[Desktop Entry]\nExec=launcher --run tool\nTryExec=" + program.string() + "\nIcon=tool-icon\n");
  icons_.themed["tool-icon"] = testing::SolidBitmap(32, 0, 0, 255, 255);
  ASSERT_TRUE(ExtractAssociatedIcon(program, icons_, Options()));
}

TEST_F(IconSourceTest, ProgramWithoutEntryFallsBackToItsNameThenTheGenericIcon) {
  const auto program = dir_.path() / "bin" / "lonely";
  WriteText(program, "#!/bin/sh\n", true);
  icons_.themed[kGenericExecutableIcon] = testing::SolidBitmap(32, 5, 5, 5, 255);
  ASSERT_TRUE(ExtractAssociatedIcon(program, icons_, Options()));
  EXPECT_EQ(icons_.themed_requests.back(), (std::vector<std::string>{"lonely", kGenericExecutableIcon}));
}

TEST_F(IconSourceTest, OtherFilesUseTheirContentTypeIcon) {
  WriteText(dir_.path() / "notes.txt", "hello\n");
  icons_.allow_content_type = true;
  icons_.content_type_names = {"text-plain", "text-x-generic"};
  icons_.themed["text-x-generic"] = testing::SolidBitmap(32, 200, 200, 200, 255);
  ASSERT_TRUE(ExtractAssociatedIcon(dir_.path() / "notes.txt", icons_, Options()));
  EXPECT_EQ(icons_.themed_requests.back(), icons_.content_type_names);
}

TEST_F(IconSourceTest, TheKindOfFileIsToldFromItsFirstBytes) {
  // A video far larger than any icon file, and a program header on a file
  // over the size cap: neither is read whole; both get their content type's
  // icon (the files are sparse, so they cost no disk).
  const std::pair<const char*, std::string> large[] = {{"video.mp4", std::string("\0\0\0\x20" "ftypisom", 12)},
                                                       {"huge.exe", "MZ"}};
  for (const auto& [name, head] : large) {
    const auto file = dir_.path() / name;
    WriteText(file, head);
    std::filesystem::resize_file(file, name == std::string("huge.exe") ? kMaxSourceBytes + 1 : 300u << 20);
    testing::StrictIconPlatform icons;
    icons.allow_content_type = true;
    icons.content_type_names = {"video-x-generic"};
    icons.themed["video-x-generic"] = testing::SolidBitmap(32, 1, 1, 1, 255);
    EXPECT_TRUE(ExtractAssociatedIcon(file, icons, Options())) << name;
  }
  // A file that cannot be read gets the reason, not an icon.
  WriteText(dir_.path() / "secret.ico", "not for you");
  ::chmod((dir_.path() / "secret.ico").c_str(), 0);
  EXPECT_EQ(testing::AsOrdinaryUser(dir_.path(), [&] {
              std::string why;
              return !ExtractAssociatedIcon(dir_.path() / "secret.ico", icons_, Options(), &why) &&
                     why == (dir_.path() / "secret.ico").string() + ": Permission denied";
            }),
            0);
}

TEST_F(IconSourceTest, MissingFileAndUnknownThemeGiveNoIcon) {
  std::string why;
  EXPECT_FALSE(ExtractAssociatedIcon(dir_.path() / "absent", icons_, Options(), &why));
  EXPECT_NE(why.find("no such file"), std::string::npos);
  WriteText(dir_.path() / "blob.bin", "x");
  icons_.allow_content_type = true;
  icons_.content_type_names = {};
  icons_.themed["something-else"] = testing::SolidBitmap(32, 0, 0, 0, 255);
  EXPECT_FALSE(ExtractAssociatedIcon(dir_.path() / "blob.bin", icons_, Options()));
}

TEST_F(IconSourceTest, WindowsFilesNeverReachTheIconTheme) {
  // A strict platform with nothing scripted: any theme call would fail.
  EXPECT_TRUE(ExtractAssociatedIcon(testing::DataPath("pe/icons.exe"), icons_, Options()));
  // An .ico file is read by content whatever its name.
  std::filesystem::copy_file(testing::DataPath("ico/sizes.ico"), dir_.path() / "renamed.dat");
  EXPECT_TRUE(ExtractAssociatedIcon(dir_.path() / "renamed.dat", icons_, Options()));
}

TEST(DesktopEntries, ParsingKeepsOnlyTheMainGroupAndUnescapes) {
  auto entry = ParseDesktopEntry("[Desktop Entry]\r\nExec=my\\sprog %f\r\nIcon = icon\\\\name \r\n[Other]\nIcon=x\n");
  ASSERT_TRUE(entry);
  EXPECT_EQ(entry->exec, "my prog %f");
  EXPECT_EQ(entry->icon, "icon\\name");
  EXPECT_FALSE(ParseDesktopEntry("Icon=x\n"));
}

}  // namespace
}  // namespace vantile
