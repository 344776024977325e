#include "imagehelper/icon_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "common/text.h"
#include "imagehelper/desktop_entry.h"
#include "imagehelper/icon_directory.h"

namespace vantile {

namespace {

// Enough to tell a PE or an .ico file by its header.
constexpr std::size_t kSniffBytes = 64;

std::optional<Icon> Fail(std::string* error, const std::string& why) {
  if (error) *error = why;
  return std::nullopt;
}

// Reads at most `limit` bytes from the start of the file and tells its size.
// False with the system's reason in `why` when it cannot be opened or read.
bool ReadHead(const std::filesystem::path& path, std::size_t limit, std::vector<std::uint8_t>& bytes,
              std::uintmax_t& size, std::string& why) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat st {};
  if (fd < 0 || ::fstat(fd, &st) != 0) {
    why = std::strerror(errno);
    if (fd >= 0) ::close(fd);
    return false;
  }
  size = static_cast<std::uintmax_t>(st.st_size);
  bytes.resize(static_cast<std::size_t>(std::min<std::uintmax_t>(limit, size)));
  std::size_t got = 0;
  while (got < bytes.size()) {
    const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      why = std::strerror(errno);
      ::close(fd);
      return false;
    }
    if (n == 0) break;  // shorter than it said: what is there counts
    got += static_cast<std::size_t>(n);
  }
  bytes.resize(got);
  ::close(fd);
  return true;
}

// The whole file, for the kinds read in full; files over the cap are not.
bool ReadWhole(const std::filesystem::path& path, std::vector<std::uint8_t>& bytes, std::string& why) {
  std::uintmax_t size = 0;
  if (!ReadHead(path, kMaxSourceBytes, bytes, size, why)) return false;
  if (size > kMaxSourceBytes) {
    why = "larger than " + std::to_string(kMaxSourceBytes >> 20) + " MB";
    return false;
  }
  return true;
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
      std::string why;
      if (!ReadWhole(as_path, bytes, why)) return Fail(error, key + ": " + why);
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
  // What kind of file this is shows in its first bytes (and its name); only
  // the kinds that carry their icon inside are read in full. A video of
  // gigabytes is never read, and a file over the cap gets its content
  // type's icon like any other file.
  std::vector<std::uint8_t> head;
  std::uintmax_t size = 0;
  std::string why;
  if (!ReadHead(path, kSniffBytes, head, size, why)) return Fail(error, path.string() + ": " + why);
  const std::string ext = AsciiLower(path.extension().string());
  const bool pe = LooksLikePe(head);
  const bool ico = !pe && (ext == ".ico" || LooksLikeIco(head));
  const bool desktop = !pe && !ico && ext == ".desktop";
  if ((pe || ico || desktop) && size <= kMaxSourceBytes) {
    std::vector<std::uint8_t> bytes;
    if (!ReadWhole(path, bytes, why)) return Fail(error, path.string() + ": " + why);
    if (pe) return ReadPeIcon(bytes, error);
    if (ico) return ReadIcoFile(bytes, error);
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
