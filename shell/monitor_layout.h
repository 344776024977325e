// Which monitors get a desktop window of their own besides the primary's.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace vantile {

struct MonitorInfo {
  // Stays the same across restarts and re-plugging where the display system
  // gives a connector name ("HDMI-A-1"); may repeat when it gives none.
  std::string name;
  bool primary = false;
};

struct SecondaryMonitor {
  std::size_t index;  // into the monitor list
  std::string name;   // unique among the list: the key its settings are kept under
  bool operator==(const SecondaryMonitor&) const = default;
};

// With the setting on, every monitor except the primary (the first one when
// none is marked primary); with it off, none. Names that repeat get " (2)",
// " (3)" ... in list order, so two monitors never share a home page.
std::vector<SecondaryMonitor> SecondaryMonitors(bool show_on_all, const std::vector<MonitorInfo>& monitors);

}  // namespace vantile
