// The icon associated with a file, as the helper's Select command shows it:
//  - a Windows program or library (PE file): its first group icon;
//  - an .ico file: its icon;
//  - a .desktop file: its Icon;
//  - a Linux program: the Icon of the desktop entry that starts it, else a
//    themed icon named after it, else the generic executable icon;
//  - anything else: its content type's icon from the icon theme.
// The icon theme and image loading are the platform's (IconPlatform).
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "imagehelper/icon_image.h"

namespace vantile {

class IconPlatform {
 public:
  virtual ~IconPlatform() = default;
  // The first of `names` that the icon theme has, rendered at `size` x
  // `size` pixels (scalable icons drawn at that size), as RGBA.
  virtual std::optional<Bitmap> LoadThemedIcon(const std::vector<std::string>& names, int size) = 0;
  // An image file (PNG, SVG, XPM ...) scaled to fit `size` x `size`.
  virtual std::optional<Bitmap> LoadImageFile(const std::filesystem::path& path, int size) = 0;
  // The icon names of the file's content type, most specific first.
  virtual std::vector<std::string> ContentTypeIconNames(const std::filesystem::path& path) = 0;
};

inline constexpr const char* kGenericExecutableIcon = "application-x-executable";
// Larger files are never read in full, whatever their kind: they get their
// content type's icon. No icon file or program resource section needs more.
inline constexpr std::uintmax_t kMaxSourceBytes = 256u << 20;

struct IconLookupOptions {
  // Where desktop entries are searched; ApplicationDirs() when empty.
  std::vector<std::filesystem::path> application_dirs;
};

// nullopt when the file has no icon (or cannot be read); `error` then says why.
// The kind of file is told from its first bytes and its name, so only .ico,
// PE and desktop-entry files are read whole.
std::optional<Icon> ExtractAssociatedIcon(const std::filesystem::path& path, IconPlatform& platform,
                                          const IconLookupOptions& options = {},
                                          std::string* error = nullptr);

// An icon made from a picture that carries its own alpha (no mask).
Icon IconFromBitmap(Bitmap bitmap);

}  // namespace vantile
