#include "shell/page_api/icon_address.h"

#include "common/text.h"

namespace vantile {

namespace {

bool Unreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
         c == '_' || c == '~' || c == '/';
}

}  // namespace

std::string IconAddress(std::string_view path, std::int64_t modified) {
  std::string address = std::string(kIconScheme) + "://";
  static constexpr char kDigits[] = "0123456789ABCDEF";
  for (unsigned char c : path) {
    if (Unreserved(c)) {
      address.push_back(static_cast<char>(c));
    } else {
      address += '%';
      address += kDigits[c >> 4];
      address += kDigits[c & 15];
    }
  }
  return address + "?v=" + std::to_string(modified);
}

std::optional<std::string> IconPath(std::string_view address) {
  const std::string prefix = std::string(kIconScheme) + "://";
  if (!StartsWithIgnoreCase(address, prefix)) return std::nullopt;
  std::string_view escaped = address.substr(prefix.size());
  escaped = escaped.substr(0, escaped.find_first_of("?#"));
  const std::optional<std::string> decoded = PercentDecoded(escaped);
  if (!decoded) return std::nullopt;
  const std::string& path = *decoded;
  if (path.empty() || path.front() != '/') return std::nullopt;
  if (path.find("/../") != std::string::npos || path.ends_with("/..")) return std::nullopt;
  return path;
}

}  // namespace vantile
