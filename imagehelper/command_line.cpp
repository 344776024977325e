#include "imagehelper/command_line.h"

#include <ostream>

#include "common/text.h"
#include "imagehelper/conversion.h"

namespace vantile {

const char* const kCommandLineUsage =
    "Usage:\n"
    "  vantile-image-helper\n"
    "      Opens the Vantile Image Helper window: Select a program or file,\n"
    "      see its icon with its transparency, and Save it as an 8-bit\n"
    "      palette PNG whose palette carries alpha.\n"
    "  vantile-image-helper FILE\n"
    "      Opens the window showing the icon of FILE, as if it had been\n"
    "      selected (this is what \"Open With\" in a file manager does).\n"
    "  vantile-image-helper SOURCE OUTPUT.png\n"
    "      Converts the icon of SOURCE (a Windows program or library, an .ico\n"
    "      file, a .desktop file, a Linux program or any other file) into\n"
    "      OUTPUT.png without opening a window, exactly as Save would. Errors\n"
    "      go to standard error and the exit status is non-zero.\n"
    "  vantile-image-helper --help | --version\n"
    "      Shows this text, or the version.\n";

namespace {

void Report(std::ostream& err, const std::string& where, const std::string& text, const std::string& detail) {
  err << "vantile-image-helper: " << where << ": " << ReplaceAll(text, "\r\n", " ") << "\n";
  if (!detail.empty()) err << "  (" << detail << ")\n";
}

}  // namespace

int ConvertForCommandLine(const std::string& source, const std::string& output, IconPlatform& icons,
                          std::ostream& err) {
  std::string detail;
  SaveOutcome failure;
  std::optional<RgbaPicture> picture = LoadIconPicture(source, icons, {}, failure, &detail);
  if (!picture) {
    Report(err, source, failure.message, detail);
    return 1;
  }
  SaveOutcome outcome = WritePalettePng(*picture, output);
  if (!outcome.ok()) {
    Report(err, output, outcome.title + ": " + outcome.message, "");
    return 1;
  }
  return 0;
}

std::optional<Bitmap> NoThemeIconPlatform::LoadThemedIcon(const std::vector<std::string>&, int) {
  theme_needed_ = true;
  return std::nullopt;
}

std::optional<Bitmap> NoThemeIconPlatform::LoadImageFile(const std::filesystem::path&, int) {
  theme_needed_ = true;
  return std::nullopt;
}

std::vector<std::string> NoThemeIconPlatform::ContentTypeIconNames(const std::filesystem::path&) {
  theme_needed_ = true;
  return {};
}

}  // namespace vantile
