#include "shell/file_uri.h"

#include <filesystem>
#include <system_error>

#include "common/text.h"
#include "shell/page_loading.h"

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

std::string PercentDecode(std::string_view text) {
  const auto hex = HexDigitValue;
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && hex(text[i + 1]) >= 0 && hex(text[i + 2]) >= 0) {
      out += static_cast<char>(hex(text[i + 1]) * 16 + hex(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::optional<std::string> LocalPathOfFileAddress(std::string_view address) {
  if (!EqualsIgnoreCase(address.substr(0, 5), "file:")) return std::nullopt;
  std::string_view rest = address.substr(5);
  if (rest.starts_with("//")) {
    rest.remove_prefix(2);
    std::size_t slash = rest.find('/');
    std::string_view host = rest.substr(0, slash);
    if (!host.empty() && host != "localhost") return std::nullopt;
    if (slash == std::string_view::npos) return std::nullopt;
    rest.remove_prefix(slash);
  }
  if (!rest.starts_with('/')) return std::nullopt;
  std::string decoded = PercentDecode(rest);
  std::error_code ec;
  if (decoded != rest && !std::filesystem::exists(decoded, ec) && std::filesystem::exists(rest, ec)) {
    return std::string(rest);
  }
  return decoded;
}

std::string BrowserAddress(std::string_view address) {
  if (address.empty()) return {};
  if (!HasUriScheme(address)) {
    // A path, or a name that exists here, is a file; other text without a
    // scheme ("www.example.com" typed as the home page) is a web address.
    std::error_code ec;
    const bool path_like = address.front() == '/' || address.front() == '.' || address.front() == '~' ||
                           address.find('\\') != std::string_view::npos ||
                           (address.size() > 1 && address[1] == ':');
    if (path_like || std::filesystem::exists(std::string(address), ec)) return FileUriFromPath(address);
    return WebAddressOf(std::string(address));
  }
  if (std::optional<std::string> path = LocalPathOfFileAddress(address)) {
    std::error_code ec;
    if (std::filesystem::exists(*path, ec)) return FileUriFromPath(*path);
  }
  return std::string(address);
}

bool ShowsAddress(std::string_view shown, std::string_view address) {
  auto plain = [](std::string_view text) {
    std::string decoded = PercentDecode(text);
    if (decoded.ends_with('/')) decoded.pop_back();
    return decoded;
  };
  return !address.empty() && plain(shown) == plain(BrowserAddress(address));
}

std::string StoredAddressOf(std::string_view shown) {
  if (std::optional<std::string> path = LocalPathOfFileAddress(shown)) return "file://" + *path;
  return std::string(shown);
}

std::string ReloadAddress(std::string_view current_address) { return BrowserAddress(current_address); }

std::string CrashPageAddress(const std::filesystem::path& program_folder) {
  return FileUriFromPath((program_folder / "help" / "crashed.html").string());
}

}  // namespace vantile
