#include "shell/gtk/watches/work_area_watch.h"

#include <gdk/gdkx.h>
#include <X11/Xlib.h>

namespace vantile {
namespace {

// Long enough for a busy window manager to take in the panels' struts.
constexpr guint kFollowSeconds = 10;

}  // namespace

WorkAreaWatch::WorkAreaWatch(GtkWidget* window, std::function<void()> place)
    : window_(window), place_(std::move(place)) {
  g_signal_connect(window_, "window-state-event", G_CALLBACK(OnWindowState), this);
}

WorkAreaWatch::~WorkAreaWatch() {
  Stop();
  g_signal_handlers_disconnect_by_data(window_, this);
}

void WorkAreaWatch::Follow() {
  GdkDisplay* display = gtk_widget_get_display(window_);
  if (!GDK_IS_X11_DISPLAY(display)) return;
  if (!root_) {
    root_ = gdk_screen_get_root_window(gtk_widget_get_screen(window_));
    gdk_window_set_events(root_, static_cast<GdkEventMask>(gdk_window_get_events(root_) | GDK_PROPERTY_CHANGE_MASK));
    gdk_window_add_filter(root_, OnRootEvent, this);
  }
  if (deadline_) g_source_remove(deadline_);
  deadline_ = g_timeout_add_seconds(kFollowSeconds, +[](gpointer self) -> gboolean {
    auto* watch = static_cast<WorkAreaWatch*>(self);
    watch->deadline_ = 0;
    watch->Stop();
    return G_SOURCE_REMOVE;
  }, this);
}

void WorkAreaWatch::Stop() {
  if (root_) gdk_window_remove_filter(root_, OnRootEvent, this);
  root_ = nullptr;
  if (deadline_) g_source_remove(deadline_);
  deadline_ = 0;
  if (idle_) g_source_remove(idle_);
  idle_ = 0;
}

GdkFilterReturn WorkAreaWatch::OnRootEvent(GdkXEvent* xevent, GdkEvent*, gpointer self) {
  auto* watch = static_cast<WorkAreaWatch*>(self);
  const auto* event = static_cast<const XEvent*>(xevent);
  if (event->type != PropertyNotify) return GDK_FILTER_CONTINUE;
  static Atom workarea = None;
  if (workarea == None) workarea = XInternAtom(event->xproperty.display, "_NET_WORKAREA", False);
  if (event->xproperty.atom == workarea) watch->PlaceSoon();
  return GDK_FILTER_CONTINUE;
}

gboolean WorkAreaWatch::OnWindowState(GtkWidget*, GdkEventWindowState* event, gpointer self) {
  auto* watch = static_cast<WorkAreaWatch*>(self);
  const bool left_full_screen = (event->changed_mask & GDK_WINDOW_STATE_FULLSCREEN) &&
                                !(event->new_window_state & GDK_WINDOW_STATE_FULLSCREEN);
  if (watch->root_ && left_full_screen) watch->PlaceSoon();
  return FALSE;
}

void WorkAreaWatch::PlaceSoon() {
  if (idle_) return;
  // Once GDK has handled the event too, so that it reads the new state.
  idle_ = g_idle_add(+[](gpointer data) -> gboolean {
    auto* watch = static_cast<WorkAreaWatch*>(data);
    watch->idle_ = 0;
    watch->place_();
    return G_SOURCE_REMOVE;
  }, this);
}

}  // namespace vantile
