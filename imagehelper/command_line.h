// The helper's command line: `vantile-image-helper SOURCE OUTPUT.png`
// converts without a window, using the same code as the window's Save.
#pragma once

#include <iosfwd>
#include <string>

#include "imagehelper/icon_source.h"

namespace vantile {

extern const char* const kCommandLineUsage;

// Converts SOURCE's icon into OUTPUT. Errors are written to `err` with the
// window's message texts; returns the exit status (0 on success).
int ConvertForCommandLine(const std::string& source, const std::string& output, IconPlatform& icons,
                          std::ostream& err);

// An IconPlatform for a process without the icon theme: it answers nothing
// and remembers that the theme was asked for, so the caller can hand the
// work to the process that has it.
class NoThemeIconPlatform : public IconPlatform {
 public:
  std::optional<Bitmap> LoadThemedIcon(const std::vector<std::string>&, int) override;
  std::optional<Bitmap> LoadImageFile(const std::filesystem::path&, int) override;
  std::vector<std::string> ContentTypeIconNames(const std::filesystem::path&) override;
  bool theme_needed() const { return theme_needed_; }

 private:
  bool theme_needed_ = false;
};

}  // namespace vantile
