#include "shell/live_page.h"

#include "common/text.h"
#include "shell/file_uri.h"
#include "shell/settings.h"

namespace vantile {

namespace {

// Where the last "/" splits a path into folder and name; the root keeps its "/".
std::pair<std::string_view, std::string_view> SplitPath(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return {std::string_view(), path};
  return {path.substr(0, slash == 0 ? 1 : slash), path.substr(slash + 1)};
}

// What a page draws on, by the names people give such files: pages and
// frames, stylesheets, scripts and their data, pictures, fonts. Anything
// else in the folder (notes, logs, documents programs write there) and
// hidden files (editors' swap and lock files, temporary files they rename
// over the page) is no part of the page.
bool IsPageResource(std::string_view name) {
  static constexpr std::string_view kExtensions[] = {
      "html", "htm", "xhtml", "css", "js", "mjs", "json", "svg", "png", "jpg", "jpeg",
      "gif", "webp", "avif", "bmp", "ico", "woff", "woff2", "ttf", "otf"};
  const std::size_t dot = name.rfind('.');
  if (name.empty() || name.front() == '.' || dot == std::string_view::npos) return false;
  const std::string_view extension = name.substr(dot + 1);
  for (std::string_view known : kExtensions) {
    if (EqualsIgnoreCase(extension, known)) return true;
  }
  return false;
}

}  // namespace

std::string LocalPathFromFileUri(std::string_view uri) {
  if (uri.size() < 5 || !EqualsIgnoreCase(uri.substr(0, 5), "file:")) return {};
  std::string_view rest = uri.substr(5);
  rest = rest.substr(0, rest.find_first_of("?#"));
  if (rest.substr(0, 2) == "//") {
    rest.remove_prefix(2);
    const std::size_t slash = rest.find('/');
    if (slash == std::string_view::npos) return {};
    const std::string_view host = rest.substr(0, slash);
    if (!host.empty() && !EqualsIgnoreCase(host, "localhost")) return {};
    rest.remove_prefix(slash);
  }
  if (rest.empty() || rest.front() != '/') return {};
  std::string path = PercentDecode(rest);
  // An escaped NUL would cut the path short wherever it is handed on.
  return path.find('\0') == std::string::npos ? path : std::string();
}

const std::string& LivePage::Watch(std::string_view location_url) {
  const std::string path = LocalPathFromFileUri(location_url);
  const auto [folder, name] = SplitPath(path);
  if (folder != folder_) due_.reset();
  folder_ = std::string(folder);
  page_name_ = std::string(name);
  return folder_;
}

bool LivePage::Changed(std::string_view path, Clock::time_point now) {
  if (folder_.empty()) return false;
  const auto [folder, name] = SplitPath(path);
  if (folder != folder_) return false;
  if (name != page_name_ && !IsPageResource(name)) return false;
  due_ = now + kSettle;
  return true;
}

std::optional<LivePage::Clock::duration> LivePage::Remaining(Clock::time_point now) const {
  if (!due_) return std::nullopt;
  return *due_ > now ? *due_ - now : Clock::duration::zero();
}

bool LivePage::TakeDue(Clock::time_point now, bool page_loading) {
  if (!due_ || now < *due_) return false;
  if (page_loading) {
    due_ = now + kSettle;
    return false;
  }
  due_.reset();
  return true;
}

bool LivePageEnabled(RegistryStore& store) { return SettingSwitchOn(store, "LiveReload"); }

}  // namespace vantile
