#include "shell/monitor_layout.h"

#include <algorithm>
#include <map>

namespace vantile {

std::vector<SecondaryMonitor> SecondaryMonitors(bool show_on_all, const std::vector<MonitorInfo>& monitors) {
  std::vector<SecondaryMonitor> secondaries;
  if (!show_on_all || monitors.empty()) return secondaries;
  auto marked = std::find_if(monitors.begin(), monitors.end(), [](const MonitorInfo& m) { return m.primary; });
  const std::size_t primary = marked == monitors.end() ? 0 : static_cast<std::size_t>(marked - monitors.begin());
  std::map<std::string, int> seen;
  for (std::size_t i = 0; i < monitors.size(); ++i) {
    const std::string base = monitors[i].name.empty() ? "Monitor" : monitors[i].name;
    const int count = ++seen[base];
    if (i == primary) continue;
    secondaries.push_back({i, count == 1 ? base : base + " (" + std::to_string(count) + ")"});
  }
  return secondaries;
}

}  // namespace vantile
