#include "shell/panel_record.h"

#include <charconv>

#include "common/instance_lock.h"

namespace vantile {

std::string FormatPanelRecord(const std::vector<HiddenPanel>& panels) {
  std::string text;
  for (const HiddenPanel& panel : panels) {
    text += std::to_string(panel.window) + " " + std::to_string(panel.pid) + "\n";
  }
  return text;
}

std::vector<HiddenPanel> ParsePanelRecord(std::string_view text) {
  std::vector<HiddenPanel> panels;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    HiddenPanel panel;
    const char* last = line.data() + line.size();
    auto [after_window, window_error] = std::from_chars(line.data(), last, panel.window);
    if (window_error != std::errc() || after_window == last || *after_window != ' ') continue;
    auto [after_pid, pid_error] = std::from_chars(after_window + 1, last, panel.pid);
    if (pid_error != std::errc() || after_pid != last || panel.window == 0) continue;
    panels.push_back(panel);
  }
  return panels;
}

std::filesystem::path PanelRecordPath(std::string_view display_name) {
  // A display name such as ":0" or "host:10.0" becomes part of a file name.
  std::string name = "hidden-panels-";
  for (char c : display_name) name += (c == '/' ? '_' : c);
  return InstanceLock::LockFolder() / name;
}

}  // namespace vantile
