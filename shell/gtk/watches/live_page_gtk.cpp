#include "shell/gtk/watches/live_page_gtk.h"

#include <chrono>
#include <cstdio>
#include <initializer_list>

namespace vantile {

LivePageMonitor::LivePageMonitor(WebKitWebView* view, Browser& browser) : view_(view), browser_(browser) {
  g_signal_connect(view_, "load-changed", G_CALLBACK(OnLoadChanged), this);
}

LivePageMonitor::~LivePageMonitor() {
  if (timer_) g_source_remove(timer_);
  g_signal_handlers_disconnect_by_data(view_, this);
  if (monitor_) {
    g_signal_handlers_disconnect_by_data(monitor_.get(), this);
    g_file_monitor_cancel(monitor_.get());
  }
}

void LivePageMonitor::OnLoadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer self) {
  if (event == WEBKIT_LOAD_COMMITTED) static_cast<LivePageMonitor*>(self)->Follow();
}

void LivePageMonitor::Follow() {
  const std::string folder = live_.Watch(browser_.LocationURL());
  if (folder == watched_) return;
  if (monitor_) {
    g_signal_handlers_disconnect_by_data(monitor_.get(), this);
    g_file_monitor_cancel(monitor_.get());
    monitor_.reset();
  }
  watched_ = folder;
  if (folder.empty()) return;
  auto file = GObjectPtr<GFile>(g_file_new_for_path(folder.c_str()));
  GError* raw = nullptr;
  // With WATCH_MOVES a file renamed over the page arrives as one event
  // naming both files, rather than a deletion and a creation.
  monitor_ = GObjectPtr<GFileMonitor>(g_file_monitor_directory(file.get(), G_FILE_MONITOR_WATCH_MOVES, nullptr, &raw));
  if (!monitor_) {
    GErrorPtr error(raw);
    std::fprintf(stderr, "vantile: cannot watch %s for changes: %s\n", folder.c_str(), ErrorText(error).c_str());
    return;
  }
  g_signal_connect(monitor_.get(), "changed", G_CALLBACK(OnFolderChanged), this);
}

void LivePageMonitor::OnFolderChanged(GFileMonitor*, GFile* file, GFile* other, GFileMonitorEvent event,
                                      gpointer data) {
  auto* self = static_cast<LivePageMonitor*>(data);
  // Attribute changes alone (permissions, times) are no save; mounts going
  // away are no edit.
  if (event == G_FILE_MONITOR_EVENT_ATTRIBUTE_CHANGED || event == G_FILE_MONITOR_EVENT_PRE_UNMOUNT ||
      event == G_FILE_MONITOR_EVENT_UNMOUNTED) {
    return;
  }
  const auto now = LivePage::Clock::now();
  bool concerns = false;
  for (GFile* changed : {file, other}) {
    if (!changed) continue;
    GCharPtr path(g_file_get_path(changed));
    if (path && self->live_.Changed(path.get(), now)) concerns = true;
  }
  if (concerns) self->StartTimer();
}

void LivePageMonitor::StartTimer() {
  // A timer already running looks again when it fires: later changes only
  // move the moment the reload is due.
  if (timer_) return;
  const auto remaining = live_.Remaining(LivePage::Clock::now());
  if (!remaining) return;
  const auto ms = std::chrono::ceil<std::chrono::milliseconds>(*remaining).count();
  timer_ = g_timeout_add(static_cast<guint>(ms), OnTimer, this);
}

gboolean LivePageMonitor::OnTimer(gpointer data) {
  auto* self = static_cast<LivePageMonitor*>(data);
  self->timer_ = 0;
  if (self->live_.TakeDue(LivePage::Clock::now(), self->browser_.ReadyState() != READYSTATE_COMPLETE)) {
    self->browser_.Refresh();
  } else {
    self->StartTimer();
  }
  return G_SOURCE_REMOVE;
}

}  // namespace vantile
