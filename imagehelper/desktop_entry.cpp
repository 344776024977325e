#include "imagehelper/desktop_entry.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "common/text.h"

namespace vantile {

namespace {

constexpr std::size_t kMaxEntryBytes = 1 << 20;
constexpr std::size_t kMaxEntriesScanned = 20000;

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

// Desktop entry values escape \s \n \t \r \\ .
std::string Unescape(std::string_view value) {
  std::string out;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\\' && i + 1 < value.size()) {
      char next = value[++i];
      switch (next) {
        case 's': out += ' '; break;
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case 'r': out += '\r'; break;
        default: out += next; break;
      }
    } else {
      out += value[i];
    }
  }
  return out;
}

std::filesystem::path Canonical(const std::filesystem::path& p) {
  std::error_code ec;
  auto c = std::filesystem::weakly_canonical(p, ec);
  return ec ? p : c;
}

bool Runs(const std::string& command_line, const std::filesystem::path& program) {
  auto words = SplitCommandLine(command_line);
  if (!words || words->empty()) return false;
  auto resolved = ResolveCommand((*words)[0]);
  return !resolved.empty() && Canonical(resolved) == program;
}

}  // namespace

std::optional<DesktopEntry> ParseDesktopEntry(std::string_view text) {
  DesktopEntry entry;
  bool in_group = false, seen_group = false;
  std::size_t pos = 0;
  while (pos <= text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = Trim(text.substr(pos, end - pos));
    pos = end + 1;
    if (line.empty() || line[0] == '#') continue;
    if (line[0] == '[') {
      in_group = line == "[Desktop Entry]";
      seen_group = seen_group || in_group;
      continue;
    }
    if (!in_group) continue;
    std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    std::string_view key = Trim(line.substr(0, eq));
    std::string value = Unescape(Trim(line.substr(eq + 1)));
    if (key == "Exec") entry.exec = value;
    else if (key == "TryExec") entry.try_exec = value;
    else if (key == "Icon") entry.icon = value;
  }
  if (!seen_group) return std::nullopt;
  return entry;
}

std::vector<std::filesystem::path> ApplicationDirs() {
  std::vector<std::filesystem::path> dirs;
  const char* data_home = std::getenv("XDG_DATA_HOME");
  const char* home = std::getenv("HOME");
  if (data_home && *data_home) {
    dirs.emplace_back(std::filesystem::path(data_home) / "applications");
  } else if (home && *home) {
    dirs.emplace_back(std::filesystem::path(home) / ".local/share/applications");
  }
  const char* data_dirs = std::getenv("XDG_DATA_DIRS");
  std::string list = (data_dirs && *data_dirs) ? data_dirs : "/usr/local/share:/usr/share";
  std::stringstream in(list);
  std::string dir;
  while (std::getline(in, dir, ':')) {
    if (!dir.empty()) dirs.emplace_back(std::filesystem::path(dir) / "applications");
  }
  return dirs;
}

std::filesystem::path ResolveCommand(const std::string& command) {
  if (command.empty()) return {};
  if (command.find('/') != std::string::npos) return command;
  const char* path = std::getenv("PATH");
  std::stringstream in(path ? path : "/usr/local/bin:/usr/bin:/bin");
  std::string dir;
  while (std::getline(in, dir, ':')) {
    if (dir.empty()) continue;
    std::filesystem::path candidate = std::filesystem::path(dir) / command;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return {};
}

std::optional<std::string> FindIconOfProgram(const std::filesystem::path& program,
                                             const std::vector<std::filesystem::path>& dirs) {
  const std::filesystem::path target = Canonical(program);
  std::size_t scanned = 0;
  for (const auto& dir : dirs) {
    std::error_code ec;
    std::filesystem::recursive_directory_iterator it(dir, std::filesystem::directory_options::skip_permission_denied, ec);
    for (; !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
      if (++scanned > kMaxEntriesScanned) return std::nullopt;
      if (it.depth() > 4) it.disable_recursion_pending();
      const auto& p = it->path();
      std::error_code size_ec;
      if (p.extension() != ".desktop" || !it->is_regular_file(size_ec) ||
          it->file_size(size_ec) > kMaxEntryBytes || size_ec) {
        continue;
      }
      std::ifstream file(p, std::ios::binary);
      std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
      auto entry = ParseDesktopEntry(text);
      if (!entry || entry->icon.empty()) continue;
      if (Runs(entry->exec, target) || (!entry->try_exec.empty() && Runs(QuoteArgument(entry->try_exec), target))) {
        return entry->icon;
      }
    }
  }
  return std::nullopt;
}

}  // namespace vantile
