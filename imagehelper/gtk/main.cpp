// vantile-image-helper: with no arguments the window; with SOURCE OUTPUT.png
// the same conversion without a window, for batch work.
#include <gtk/gtk.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "common/registry_store.h"
#include "common/text.h"
#include "imagehelper/gtk/gtk_icon_platform.h"
#include "imagehelper/gtk/helper_window_gtk.h"
#include "imagehelper/helper_window.h"
#include "imagehelper/icon_convert.h"

namespace {

constexpr const char* kUsage =
    "Usage:\n"
    "  vantile-image-helper\n"
    "      Opens the Vantile Image Helper window: Select a program or file,\n"
    "      see its icon with its transparency, and Save it as an 8-bit\n"
    "      palette PNG whose palette carries alpha.\n"
    "  vantile-image-helper SOURCE OUTPUT.png\n"
    "      Converts the icon of SOURCE (a Windows program or library, an .ico\n"
    "      file, a .desktop file, a Linux program or any other file) into\n"
    "      OUTPUT.png without opening a window. Errors go to standard error and\n"
    "      the exit status is non-zero.\n"
    "  vantile-image-helper --help\n"
    "      Shows this text.\n";

void Report(const std::string& where, const std::string& text, const std::string& detail) {
  std::fprintf(stderr, "vantile-image-helper: %s: %s\n", where.c_str(),
               vantile::ReplaceAll(text, "\r\n", " ").c_str());
  if (!detail.empty()) std::fprintf(stderr, "  (%s)\n", detail.c_str());
}

// The icon theme is only needed for some sources; GTK is brought up for
// those alone, so converting .ico and PE files stays quick.
class LazyIconPlatform : public vantile::IconPlatform {
 public:
  std::optional<vantile::Bitmap> LoadThemedIcon(const std::vector<std::string>& names, int size) override {
    return Get().LoadThemedIcon(names, size);
  }
  std::optional<vantile::Bitmap> LoadImageFile(const std::filesystem::path& path, int size) override {
    return Get().LoadImageFile(path, size);
  }
  std::vector<std::string> ContentTypeIconNames(const std::filesystem::path& path) override {
    return Get().ContentTypeIconNames(path);
  }

 private:
  vantile::GtkIconPlatform& Get() {
    if (!platform_) {
      // Without a display GTK stays uninitialised; the platform then uses
      // an icon theme of its own.
      gtk_init_check(nullptr, nullptr);
      platform_.emplace();
    }
    return *platform_;
  }
  std::optional<vantile::GtkIconPlatform> platform_;
};

int Convert(const std::string& source, const std::string& output) {
  LazyIconPlatform platform;
  std::string detail;
  auto icon = vantile::ExtractAssociatedIcon(source, platform, {}, &detail);
  if (!icon) {
    Report(source, vantile::kMsgNoImage, detail);
    return 1;
  }
  auto picture = vantile::IconToRGBA(std::move(icon));
  if (!picture) {
    Report(source, vantile::kMsgConvertFailed, "");
    return 1;
  }
  vantile::SaveOutcome outcome = vantile::WritePalettePng(*picture, output);
  if (!outcome.ok()) {
    Report(output, outcome.title + ": " + outcome.message, "");
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (argc == 3) return Convert(argv[1], argv[2]);
  if (argc != 1) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  if (!gtk_init_check(&argc, &argv)) {
    std::fputs("vantile-image-helper: cannot open the display (see --help for the command line)\n", stderr);
    return 1;
  }
  vantile::RegistryStore store(vantile::RegistryStore::DefaultPaths());
  vantile::HelperWindowGtk window(store);
  window.Run();
  return 0;
}
