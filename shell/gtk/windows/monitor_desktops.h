// The desktop windows of the monitors besides the primary, while the
// "ShowOnAllMonitors" setting is on: one for every such monitor, made when a
// monitor is plugged in or the setting is turned on, gone when the monitor
// is unplugged or the setting turned off. Every window shares the primary
// window's web process.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/registry_store.h"
#include "shell/gtk/windows/desktop_window.h"

namespace vantile {

class MonitorDesktops {
 public:
  // Follows the display's monitors from now on; `primary` outlives this.
  MonitorDesktops(DesktopWindow& primary, RegistryStore& registry, std::function<void()> close_program);
  ~MonitorDesktops();
  MonitorDesktops(const MonitorDesktops&) = delete;
  MonitorDesktops& operator=(const MonitorDesktops&) = delete;

  // Brings the windows in line with the monitors and the setting, and puts
  // every window (the primary's too) on its monitor again.
  void Update();
  // The program ends: every window's shutdown runs.
  void Shutdown();
  std::size_t size() const { return windows_.size(); }

 private:
  struct Entry {
    GdkMonitor* monitor;
    std::unique_ptr<DesktopWindow> window;
  };
  static void OnMonitorsChanged(GdkScreen*, gpointer self);
  void UpdateNow();
  std::unique_ptr<DesktopWindow> Make(GdkMonitor* monitor, const std::string& name);
  // A window whose monitor went: shut down and hidden at once, destroyed
  // once no loop of its (a page wait, a box, the menu) is on the stack.
  void Retire(std::unique_ptr<DesktopWindow> window);
  static gboolean DestroyRetired(gpointer self);

  DesktopWindow& primary_;
  RegistryStore& registry_;
  std::function<void()> close_program_;
  GdkScreen* screen_;
  std::map<std::string, Entry> windows_;
  std::vector<std::unique_ptr<DesktopWindow>> retired_;
  guint retire_timer_ = 0;
  guint update_idle_ = 0;
  // Showing a new window may dispatch the display's events, and with them
  // another change of the monitors: that update runs after this one.
  bool updating_ = false;
  bool update_again_ = false;
  bool shut_down_ = false;
};

}  // namespace vantile
