// The names monitors' settings are kept under: the connector a monitor is
// plugged into ("HDMI-A-1", "DP-2"), which stays the same across restarts
// and when the same monitor is unplugged and plugged in again.
#pragma once

#include <gtk/gtk.h>

#include <string>
#include <vector>

#include "shell/monitor_layout.h"

namespace vantile {

// X11: the RandR output's name. Wayland: the name xdg-output gives, where
// the compositor offers it. Otherwise the maker and model, which at least
// stay the same for the same monitor.
std::string MonitorName(GdkMonitor* monitor);

// Every monitor of the display, in GDK's order, named and with the primary
// marked.
std::vector<MonitorInfo> DisplayMonitors(GdkDisplay* display);

}  // namespace vantile
