#include "shell/file_uri.h"

#include <filesystem>
#include <system_error>

namespace vantile {

namespace {

bool IsAsciiAlpha(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }

// Characters a path segment may hold literally (unreserved, sub-delims, ":", "@"),
// and the "/" between segments.
bool KeptInPath(char c) {
  if (IsAsciiAlpha(c) || IsAsciiDigit(c)) return true;
  switch (c) {
    case '-': case '.': case '_': case '~': case '/':
    case '!': case '$': case '&': case '\'': case '(': case ')':
    case '*': case '+': case ',': case ';': case '=': case ':': case '@':
      return true;
    default:
      return false;
  }
}

}  // namespace

bool HasUriScheme(std::string_view address) {
  std::size_t colon = address.find(':');
  if (colon == std::string_view::npos || colon < 2) return false;
  if (!IsAsciiAlpha(address[0])) return false;
  for (std::size_t i = 1; i < colon; ++i) {
    char c = address[i];
    if (!IsAsciiAlpha(c) && !IsAsciiDigit(c) && c != '+' && c != '-' && c != '.') return false;
  }
  return true;
}

std::string FileUriFromPath(std::string_view path) {
  std::filesystem::path absolute{std::string(path)};
  if (!absolute.is_absolute()) {
    std::error_code ec;
    std::filesystem::path made = std::filesystem::absolute(absolute, ec);
    if (!ec) absolute = made;
  }
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string uri = "file://";
  for (unsigned char c : absolute.lexically_normal().string()) {
    if (KeptInPath(static_cast<char>(c))) {
      uri += static_cast<char>(c);
    } else {
      uri += '%';
      uri += kHex[c >> 4];
      uri += kHex[c & 0x0F];
    }
  }
  return uri;
}

std::string ReloadAddress(std::string_view current_address) {
  if (HasUriScheme(current_address)) return std::string(current_address);
  return FileUriFromPath(current_address);
}

}  // namespace vantile
