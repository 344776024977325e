#include "shell/gtk/watches/foreign_toplevel_watch.h"

#include <gdk/gdkwayland.h>

#include <cstring>
#include <vector>

#include "shell/visibility.h"
#include "wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"

namespace vantile {
namespace {

using Watch = ForeignToplevelWatch;
using Handle = zwlr_foreign_toplevel_handle_v1;

void OnTitle(void*, Handle*, const char*) {}
void OnAppId(void*, Handle*, const char*) {}

void OnOutputEnter(void* data, Handle* handle, wl_output* output) {
  if (auto* window = static_cast<Watch*>(data)->Find(handle)) window->outputs.insert(output);
}

void OnOutputLeave(void* data, Handle* handle, wl_output* output) {
  if (auto* window = static_cast<Watch*>(data)->Find(handle)) window->outputs.erase(output);
}

void OnState(void* data, Handle* handle, wl_array* states) {
  auto* window = static_cast<Watch*>(data)->Find(handle);
  if (!window) return;
  window->next_fullscreen = window->next_activated = window->next_minimized = false;
  const auto* items = static_cast<const uint32_t*>(states->data);
  for (std::size_t i = 0; i < states->size / sizeof(uint32_t); ++i) {
    window->next_fullscreen |= items[i] == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_FULLSCREEN;
    window->next_activated |= items[i] == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED;
    window->next_minimized |= items[i] == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_MINIMIZED;
  }
}

void OnDone(void* data, Handle* handle) {
  auto* watch = static_cast<Watch*>(data);
  if (auto* window = watch->Find(handle)) {
    window->fullscreen = window->next_fullscreen;
    window->activated = window->next_activated;
    window->minimized = window->next_minimized;
  }
  watch->Judge();
}

void OnClosed(void* data, Handle* handle) { static_cast<Watch*>(data)->Remove(handle); }
void OnParent(void*, Handle*, Handle*) {}

const zwlr_foreign_toplevel_handle_v1_listener kWindowListener = {
    OnTitle, OnAppId, OnOutputEnter, OnOutputLeave, OnState, OnDone, OnClosed, OnParent};

void OnToplevel(void* data, zwlr_foreign_toplevel_manager_v1*, Handle* handle) {
  static_cast<Watch*>(data)->Add(handle);
}
void OnFinished(void*, zwlr_foreign_toplevel_manager_v1*) {}
const zwlr_foreign_toplevel_manager_v1_listener kManagerListener = {OnToplevel, OnFinished};

void OnGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version) {
  if (std::strcmp(interface, zwlr_foreign_toplevel_manager_v1_interface.name) == 0) {
    static_cast<Watch*>(data)->Bind(registry, name, version);
  }
}
void OnGlobalRemove(void*, wl_registry*, uint32_t) {}
const wl_registry_listener kRegistryListener = {OnGlobal, OnGlobalRemove};

}  // namespace

bool ForeignToplevelWatch::Possible(GtkWidget* window) {
  return GDK_IS_WAYLAND_DISPLAY(gtk_widget_get_display(window));
}

ForeignToplevelWatch::ForeignToplevelWatch(GtkWidget* window, std::function<void(bool)> changed)
    : window_(window), changed_(std::move(changed)) {
  // On GTK's own connection, so that the outputs the compositor names are
  // GTK's monitors; the events arrive through GTK's own dispatching.
  wl_display* display = gdk_wayland_display_get_wl_display(gtk_widget_get_display(window_));
  registry_ = wl_display_get_registry(display);
  wl_registry_add_listener(registry_, &kRegistryListener, this);
}

ForeignToplevelWatch::~ForeignToplevelWatch() {
  for (auto& [handle, window] : windows_) zwlr_foreign_toplevel_handle_v1_destroy(handle);
  if (manager_) zwlr_foreign_toplevel_manager_v1_stop(manager_);
  if (registry_) wl_registry_destroy(registry_);
}

void ForeignToplevelWatch::Bind(wl_registry* registry, unsigned name, unsigned version) {
  if (manager_) return;
  // Version 2 has the full-screen state; later versions add nothing needed.
  manager_ = static_cast<zwlr_foreign_toplevel_manager_v1*>(
      wl_registry_bind(registry, name, &zwlr_foreign_toplevel_manager_v1_interface, version < 2 ? version : 2));
  zwlr_foreign_toplevel_manager_v1_add_listener(manager_, &kManagerListener, this);
}

void ForeignToplevelWatch::Add(Handle* handle) {
  windows_[handle] = Window{};
  zwlr_foreign_toplevel_handle_v1_add_listener(handle, &kWindowListener, this);
}

void ForeignToplevelWatch::Remove(Handle* handle) {
  if (windows_.erase(handle)) zwlr_foreign_toplevel_handle_v1_destroy(handle);
  Judge();
}

ForeignToplevelWatch::Window* ForeignToplevelWatch::Find(Handle* handle) {
  const auto found = windows_.find(handle);
  return found == windows_.end() ? nullptr : &found->second;
}

void ForeignToplevelWatch::Judge() {
  GdkWindow* own = gtk_widget_get_window(window_);
  GdkDisplay* display = gtk_widget_get_display(window_);
  GdkMonitor* monitor = own ? gdk_display_get_monitor_at_window(display, own) : nullptr;
  wl_output* output = monitor ? gdk_wayland_monitor_get_wl_output(monitor) : nullptr;
  std::vector<ForeignWindow> windows;
  for (const auto& [handle, window] : windows_) {
    windows.push_back({window.outputs.count(output) > 0, window.fullscreen, window.activated, window.minimized});
  }
  const bool covered = output && OutputCovered(windows);
  if (covered == covered_) return;
  covered_ = covered;
  changed_(covered);
}

}  // namespace vantile
