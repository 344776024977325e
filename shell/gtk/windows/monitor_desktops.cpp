#include "shell/gtk/windows/monitor_desktops.h"

#include <utility>

#include "shell/gtk/windows/monitor_names.h"
#include "shell/monitor_layout.h"

namespace vantile {

MonitorDesktops::MonitorDesktops(DesktopWindow& primary, RegistryStore& registry,
                                 std::function<void()> close_program)
    : primary_(primary),
      registry_(registry),
      close_program_(std::move(close_program)),
      screen_(gtk_widget_get_screen(primary.window())) {
  // Plugging, unplugging, a new primary, a new size or scale.
  g_signal_connect(screen_, "monitors-changed", G_CALLBACK(OnMonitorsChanged), this);
  primary_.form().SetSettingsSavedHandler([this] {
    for (auto& [name, entry] : windows_) entry.window->form().ReloadSettings();
    Update();  // places every window, with the new ShowTaskbar rule
  });
}

MonitorDesktops::~MonitorDesktops() {
  g_signal_handlers_disconnect_by_data(screen_, this);
  primary_.form().SetSettingsSavedHandler(nullptr);
  if (retire_timer_) g_source_remove(retire_timer_);
  if (update_idle_) g_source_remove(update_idle_);
  Shutdown();
  // The main loop has ended: nothing of theirs is on the stack any more.
  windows_.clear();
  retired_.clear();
}

void MonitorDesktops::OnMonitorsChanged(GdkScreen*, gpointer data) {
  // A monitor plugged in comes as a burst of changes (it appears, then its
  // name, position and scale): one update once they have arrived.
  auto* self = static_cast<MonitorDesktops*>(data);
  if (self->update_idle_) return;
  self->update_idle_ = g_idle_add(+[](gpointer data) -> gboolean {
    auto* self = static_cast<MonitorDesktops*>(data);
    self->update_idle_ = 0;
    self->Update();
    return G_SOURCE_REMOVE;
  }, self);
}

std::unique_ptr<DesktopWindow> MonitorDesktops::Make(GdkMonitor* monitor, const std::string& name) {
  MonitorRole role{name, [this](OwnerWindow owner) { primary_.form().ShowOptions(owner); }};
  auto window = std::make_unique<DesktopWindow>(DesktopWindowSetup{
      registry_, monitor, WEBKIT_WEB_VIEW(primary_.browser().widget()), std::move(role), close_program_});
  window->form().Form_Load("");
  window->ShowFirstRunNoteIfHomeless();
  window->ShowAndActivate();
  window->StartWatches();
  return window;
}

void MonitorDesktops::Update() {
  if (updating_) {
    update_again_ = true;
    return;
  }
  updating_ = true;
  do {
    update_again_ = false;
    UpdateNow();
  } while (update_again_ && !shut_down_);
  updating_ = false;
}

void MonitorDesktops::UpdateNow() {
  if (shut_down_) return;
  GdkDisplay* display = gdk_screen_get_display(screen_);
  // With the setting off the monitors' names are not even asked for: that
  // costs the display server round trips while the first page loads.
  const bool show_on_all = primary_.form().state().ShowOnAllMonitors;
  const std::vector<SecondaryMonitor> wanted =
      show_on_all ? SecondaryMonitors(true, DisplayMonitors(display)) : std::vector<SecondaryMonitor>{};
  std::map<std::string, Entry> kept;
  for (const SecondaryMonitor& slot : wanted) {
    GdkMonitor* monitor = gdk_display_get_monitor(display, static_cast<int>(slot.index));
    auto found = windows_.find(slot.name);
    if (found != windows_.end() && found->second.monitor == monitor) {
      kept.emplace(slot.name, std::move(found->second));
      windows_.erase(found);
      kept.at(slot.name).window->form().PositionWindow();
    } else {
      primary_.form().LogNote("Monitors:Window Added - " + slot.name);
      kept.emplace(slot.name, Entry{monitor, Make(monitor, slot.name)});
    }
  }
  // What is left lost its monitor, or the setting went off.
  for (auto& [name, entry] : windows_) {
    primary_.form().LogNote("Monitors:Window Removed - " + name);
    Retire(std::move(entry.window));
  }
  windows_ = std::move(kept);
  // A new primary monitor, or a new size: the main desktop follows.
  primary_.form().PositionWindow();
}

void MonitorDesktops::Retire(std::unique_ptr<DesktopWindow> window) {
  window->Shutdown();
  retired_.push_back(std::move(window));
  if (!retire_timer_) retire_timer_ = g_timeout_add(100, DestroyRetired, this);
}

gboolean MonitorDesktops::DestroyRetired(gpointer data) {
  auto* self = static_cast<MonitorDesktops*>(data);
  // Called from inside a nested loop (a wait, a box, the menu) of some
  // window, ours may still be on the stack below: try again later.
  if (g_main_depth() > 1) return G_SOURCE_CONTINUE;
  self->retire_timer_ = 0;
  self->retired_.clear();
  return G_SOURCE_REMOVE;
}

void MonitorDesktops::Shutdown() {
  if (shut_down_) return;
  shut_down_ = true;
  for (auto& [name, entry] : windows_) entry.window->Shutdown();
}

}  // namespace vantile
