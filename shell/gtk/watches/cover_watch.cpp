#include "shell/gtk/watches/cover_watch.h"

#include <vector>

// Before Xlib, whose macros (None ...) would rename what it declares.
#include "shell/visibility.h"

#include <gdk/gdkx.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace vantile {
namespace {

std::vector<unsigned long> Cardinals(Display* display, Window window, const char* name, Atom type) {
  Atom actual = None;
  int format = 0;
  unsigned long count = 0, left = 0;
  unsigned char* data = nullptr;
  std::vector<unsigned long> values;
  if (XGetWindowProperty(display, window, XInternAtom(display, name, False), 0, 4096, False, type, &actual, &format,
                         &count, &left, &data) == Success && data && format == 32) {
    const auto* items = reinterpret_cast<const unsigned long*>(data);
    values.assign(items, items + count);
  }
  if (data) XFree(data);
  return values;
}

}  // namespace

CoverWatch::CoverWatch(GtkWidget* window, PauseReport changed)
    : window_(window), changed_(std::move(changed)) {
  GdkDisplay* display = gtk_widget_get_display(window_);
  if (ForeignToplevelWatch::Possible(window_)) {
    wayland_ = std::make_unique<ForeignToplevelWatch>(
        window_, [this](bool covered) { changed_(PauseReason::Covered, covered); });
    return;
  }
  if (!GDK_IS_X11_DISPLAY(display)) return;
  root_ = gdk_screen_get_root_window(gtk_widget_get_screen(window_));
  gdk_window_set_events(root_, static_cast<GdkEventMask>(gdk_window_get_events(root_) | GDK_PROPERTY_CHANGE_MASK));
  // Events of windows GDK does not know (other programs') reach filters
  // added for all windows.
  gdk_window_add_filter(nullptr, OnEvent, this);
  JudgeSoon();
}

CoverWatch::~CoverWatch() {
  if (root_) gdk_window_remove_filter(nullptr, OnEvent, this);
  if (idle_) g_source_remove(idle_);
}

GdkFilterReturn CoverWatch::OnEvent(GdkXEvent* xevent, GdkEvent*, gpointer self) {
  auto* watch = static_cast<CoverWatch*>(self);
  const auto* event = static_cast<const XEvent*>(xevent);
  switch (event->type) {
    case PropertyNotify: {
      const char* name = nullptr;
      // Only the properties the judgement reads; a clock's title changing
      // every second wakes nothing.
      static Atom atoms[5] = {};
      static const char* const kNames[5] = {"_NET_CLIENT_LIST_STACKING", "_NET_CURRENT_DESKTOP", "_NET_WM_STATE",
                                            "_NET_WM_DESKTOP", "WM_STATE"};
      for (int i = 0; i < 5; ++i) {
        if (!atoms[i]) atoms[i] = XInternAtom(event->xproperty.display, kNames[i], False);
        if (event->xproperty.atom == atoms[i]) name = kNames[i];
      }
      if (name) watch->JudgeSoon();
      break;
    }
    case DestroyNotify:
      if (watch->watched_.erase(event->xdestroywindow.window)) watch->JudgeSoon();
      break;
    case ConfigureNotify:
    case MapNotify:
    case UnmapNotify:
      if (watch->watched_.count(event->xany.window)) watch->JudgeSoon();
      break;
    default:
      break;
  }
  return GDK_FILTER_CONTINUE;
}

void CoverWatch::JudgeSoon() {
  if (idle_) return;
  idle_ = g_idle_add(+[](gpointer data) -> gboolean {
    auto* watch = static_cast<CoverWatch*>(data);
    watch->idle_ = 0;
    watch->Judge();
    return G_SOURCE_REMOVE;
  }, this);
}

void CoverWatch::Judge() {
  GdkWindow* own = gtk_widget_get_window(window_);
  if (!own || !root_) return;
  GdkDisplay* gdk_display = gtk_widget_get_display(window_);
  Display* display = GDK_DISPLAY_XDISPLAY(gdk_display);
  const Window root = GDK_WINDOW_XID(root_);
  const Window self = GDK_WINDOW_XID(own);

  GdkMonitor* monitor = gdk_display_get_monitor_at_window(gdk_display, own);
  if (!monitor) return;
  GdkRectangle area;
  gdk_monitor_get_geometry(monitor, &area);
  const int scale = gdk_monitor_get_scale_factor(monitor);
  const ScreenRect screen{area.x * scale, area.y * scale, (area.x + area.width) * scale,
                          (area.y + area.height) * scale};

  const auto current = Cardinals(display, root, "_NET_CURRENT_DESKTOP", XA_CARDINAL);
  const Atom fullscreen = XInternAtom(display, "_NET_WM_STATE_FULLSCREEN", False);
  const Atom vertical = XInternAtom(display, "_NET_WM_STATE_MAXIMIZED_VERT", False);
  const Atom horizontal = XInternAtom(display, "_NET_WM_STATE_MAXIMIZED_HORZ", False);
  const Atom minimised = XInternAtom(display, "_NET_WM_STATE_HIDDEN", False);

  std::vector<OtherWindow> others;
  gdk_x11_display_error_trap_push(gdk_display);  // a window may go while we look
  for (unsigned long client : Cardinals(display, root, "_NET_CLIENT_LIST_STACKING", XA_WINDOW)) {
    if (client == self) continue;
    // Our own dialogs are GDK's: their events are selected already, and
    // XSelectInput would replace that selection.
    const bool ours = gdk_x11_window_lookup_for_display(gdk_display, client) != nullptr;
    if (!ours && watched_.insert(client).second) XSelectInput(display, client, PropertyChangeMask | StructureNotifyMask);
    XWindowAttributes attributes;
    Window child = None;
    int x = 0, y = 0;
    if (!XGetWindowAttributes(display, client, &attributes) ||
        !XTranslateCoordinates(display, client, root, 0, 0, &x, &y, &child)) {
      continue;
    }
    OtherWindow window;
    window.rect = {x, y, x + attributes.width, y + attributes.height};
    window.hidden = attributes.map_state != IsViewable;
    bool vert = false, horz = false;
    for (unsigned long state : Cardinals(display, client, "_NET_WM_STATE", XA_ATOM)) {
      window.fullscreen |= state == fullscreen;
      vert |= state == vertical;
      horz |= state == horizontal;
      window.hidden |= state == minimised;
    }
    window.maximized = vert && horz;
    const auto desktop = Cardinals(display, client, "_NET_WM_DESKTOP", XA_CARDINAL);
    window.on_current_desktop = desktop.empty() || current.empty() || desktop[0] == 0xFFFFFFFFul ||
                                desktop[0] == current[0];
    others.push_back(window);
  }
  gdk_x11_display_error_trap_pop_ignored(gdk_display);

  const bool covered = MonitorCovered(screen, others);
  if (covered == covered_) return;
  covered_ = covered;
  changed_(PauseReason::Covered, covered);
}

}  // namespace vantile
