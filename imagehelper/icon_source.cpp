#include "imagehelper/icon_source.h"

#include <unistd.h>

#include <fstream>

#include "common/text.h"
#include "imagehelper/desktop_entry.h"
#include "imagehelper/icon_directory.h"

namespace vantile {

namespace {

std::optional<Icon> Fail(std::string* error, const std::string& why) {
  if (error) *error = why;
  return std::nullopt;
}

bool ReadFileBounded(const std::filesystem::path& path, std::vector<std::uint8_t>& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  in.seekg(0, std::ios::end);
  std::streamoff size = in.tellg();
  if (size < 0 || static_cast<std::uintmax_t>(size) > kMaxSourceBytes) return false;
  in.seekg(0);
  bytes.resize(static_cast<std::size_t>(size));
  return static_cast<bool>(in.read(reinterpret_cast<char*>(bytes.data()), size)) || size == 0;
}

std::optional<Icon> Themed(IconPlatform& platform, const std::vector<std::string>& names,
                           std::string* error) {
  if (auto bitmap = platform.LoadThemedIcon(names, kPreferredIconSize)) return IconFromBitmap(std::move(*bitmap));
  std::string list;
  for (const auto& n : names) list += (list.empty() ? "" : ", ") + n;
  return Fail(error, "no themed icon among: " + list);
}

// An entry's Icon is either a themed icon name or a file path.
std::optional<Icon> FromIconKey(const std::string& key, IconPlatform& platform, std::string* error) {
  if (key.empty()) return Fail(error, "desktop entry has no Icon");
  std::filesystem::path as_path(key);
  if (as_path.is_absolute()) {
    if (EqualsIgnoreCase(as_path.extension().string(), ".ico")) {
      std::vector<std::uint8_t> bytes;
      if (!ReadFileBounded(as_path, bytes)) return Fail(error, key + ": cannot be read");
      return ReadIcoFile(bytes, error);
    }
    if (auto bitmap = platform.LoadImageFile(as_path, kPreferredIconSize)) return IconFromBitmap(std::move(*bitmap));
    return Fail(error, key + ": not a readable image");
  }
  // Some entries name the theme icon with its file extension.
  std::string name = key;
  for (const char* ext : {".png", ".svg", ".xpm"}) {
    if (name.size() > 4 && EqualsIgnoreCase(name.substr(name.size() - 4), ext)) name.resize(name.size() - 4);
  }
  return Themed(platform, {name}, error);
}

}  // namespace

Icon IconFromBitmap(Bitmap bitmap) {
  Icon icon;
  icon.mask = Bitmap(bitmap.width, bitmap.height);
  for (std::size_t i = 3; i < icon.mask.pixels.size(); i += 4) icon.mask.pixels[i] = 255;
  icon.color = std::move(bitmap);
  icon.color_has_alpha = true;
  return icon;
}

std::optional<Icon> ExtractAssociatedIcon(const std::filesystem::path& path, IconPlatform& platform,
                                          const IconLookupOptions& options, std::string* error) {
  std::error_code ec;
  auto status = std::filesystem::status(path, ec);
  if (ec || !std::filesystem::exists(status)) return Fail(error, path.string() + ": no such file");
  if (!std::filesystem::is_regular_file(status)) {
    return Themed(platform, platform.ContentTypeIconNames(path), error);
  }
  std::vector<std::uint8_t> bytes;
  if (!ReadFileBounded(path, bytes)) return Fail(error, path.string() + ": cannot be read");

  const std::string ext = AsciiLower(path.extension().string());
  if (LooksLikePe(bytes)) return ReadPeIcon(bytes, error);
  if (ext == ".ico" || LooksLikeIco(bytes)) return ReadIcoFile(bytes, error);
  if (ext == ".desktop") {
    auto entry = ParseDesktopEntry(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    if (!entry) return Fail(error, path.string() + ": no [Desktop Entry] group");
    return FromIconKey(entry->icon, platform, error);
  }
  if (::access(path.c_str(), X_OK) == 0) {
    const auto& dirs = options.application_dirs.empty() ? ApplicationDirs() : options.application_dirs;
    if (auto key = FindIconOfProgram(path, dirs)) {
      if (auto icon = FromIconKey(*key, platform, nullptr)) return icon;
    }
    return Themed(platform, {path.filename().string(), kGenericExecutableIcon}, error);
  }
  return Themed(platform, platform.ContentTypeIconNames(path), error);
}

}  // namespace vantile
