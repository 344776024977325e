#include "shell/gtk/windows/desktop_gtk.h"

#include <gdk/gdkx.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "common/file_util.h"
#include "common/gtk/glib_util.h"
#include "common/gtk/owner_window_gtk.h"
#include "shell/gtk/glue/startup_trace.h"
#include "shell/panel_record.h"

namespace vantile {

namespace {

struct XFreeDeleter {
  void operator()(void* p) const {
    if (p) XFree(p);
  }
};

bool IsDock(Display* display, Window window, Atom type_atom, Atom dock_atom) {
  Atom actual_type = None;
  int actual_format = 0;
  unsigned long count = 0, remaining = 0;
  unsigned char* raw = nullptr;
  if (XGetWindowProperty(display, window, type_atom, 0, 32, False, XA_ATOM, &actual_type, &actual_format,
                         &count, &remaining, &raw) != Success) {
    return false;
  }
  std::unique_ptr<unsigned char, XFreeDeleter> data(raw);
  if (!data || actual_format != 32) return false;
  const auto* atoms = reinterpret_cast<const Atom*>(data.get());
  return std::find(atoms, atoms + count, dock_atom) != atoms + count;
}

// Every top-level window that is a dock: the root's children (unmanaged and
// withdrawn panels) and the window manager's client list (panels it framed).
std::vector<Window> DockWindows(Display* display) {
  const Window root = DefaultRootWindow(display);
  std::vector<Window> candidates;
  Window root_return = 0, parent_return = 0;
  Window* children = nullptr;
  unsigned int child_count = 0;
  if (XQueryTree(display, root, &root_return, &parent_return, &children, &child_count)) {
    std::unique_ptr<Window, XFreeDeleter> owned(children);
    candidates.assign(children, children + child_count);
  }
  Atom actual_type = None;
  int actual_format = 0;
  unsigned long count = 0, remaining = 0;
  unsigned char* raw = nullptr;
  if (XGetWindowProperty(display, root, XInternAtom(display, "_NET_CLIENT_LIST", False), 0, 4096, False,
                         XA_WINDOW, &actual_type, &actual_format, &count, &remaining, &raw) == Success) {
    std::unique_ptr<unsigned char, XFreeDeleter> data(raw);
    if (data && actual_format == 32) {
      const auto* clients = reinterpret_cast<const Window*>(data.get());
      candidates.insert(candidates.end(), clients, clients + count);
    }
  }
  std::sort(candidates.begin(), candidates.end());
  candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());

  const Atom type_atom = XInternAtom(display, "_NET_WM_WINDOW_TYPE", False);
  const Atom dock_atom = XInternAtom(display, "_NET_WM_WINDOW_TYPE_DOCK", False);
  std::vector<Window> docks;
  for (Window w : candidates) {
    if (IsDock(display, w, type_atom, dock_atom)) docks.push_back(w);
  }
  return docks;
}

std::int64_t WindowPid(Display* display, Window window) {
  Atom actual_type = None;
  int actual_format = 0;
  unsigned long count = 0, remaining = 0;
  unsigned char* raw = nullptr;
  if (XGetWindowProperty(display, window, XInternAtom(display, "_NET_WM_PID", False), 0, 1, False, XA_CARDINAL,
                         &actual_type, &actual_format, &count, &remaining, &raw) != Success) {
    return 0;
  }
  std::unique_ptr<unsigned char, XFreeDeleter> data(raw);
  if (!data || actual_format != 32 || count != 1) return 0;
  return static_cast<std::int64_t>(*reinterpret_cast<const unsigned long*>(data.get()));
}

bool IsMapped(Display* display, Window window) {
  XWindowAttributes attributes{};
  return XGetWindowAttributes(display, window, &attributes) && attributes.map_state != IsUnmapped;
}

// Whether the panel we unmapped is still that window: a window id can be
// reused by another program's window once the panel is gone.
bool IsSamePanel(Display* display, const HiddenPanel& panel) {
  const auto window = static_cast<Window>(panel.window);
  return IsDock(display, window, XInternAtom(display, "_NET_WM_WINDOW_TYPE", False),
                XInternAtom(display, "_NET_WM_WINDOW_TYPE_DOCK", False)) &&
         WindowPid(display, window) == panel.pid;
}

}  // namespace

GtkDesktop::GtkDesktop(GtkWidget* content, GdkMonitor* monitor)
    : window_(GTK_WINDOW(gtk_window_new(GTK_WINDOW_TOPLEVEL))),
      content_(content),
      overlay_(GTK_OVERLAY(gtk_overlay_new())),
      monitor_(monitor ? GDK_MONITOR(g_object_ref(monitor)) : nullptr),
      surface_(window_) {
  gtk_window_set_title(window_, "Vantile");
  gtk_window_set_decorated(window_, FALSE);
  gtk_container_add(GTK_CONTAINER(overlay_), content_);
  gtk_container_add(GTK_CONTAINER(window_), GTK_WIDGET(overlay_));
  g_signal_connect(window_, "delete-event", G_CALLBACK(+[](GtkWidget*, GdkEvent*, gpointer self) -> gboolean {
                     static_cast<GtkDesktop*>(self)->Close();
                     return TRUE;  // the close runs the shutdown, which ends the program
                   }),
                   this);
  work_area_watch_ = std::make_unique<WorkAreaWatch>(GTK_WIDGET(window_), [this] {
    ScreenRect area = WorkArea();
    MoveWindow(area.left, area.top, area.right - area.left, area.bottom - area.top);
  });
}

GtkDesktop::~GtkDesktop() {
  // The watch lets go of the window's signals while the window still exists.
  work_area_watch_.reset();
  gtk_widget_destroy(GTK_WIDGET(window_));
}

GdkMonitor* GtkDesktop::Monitor() const {
  if (monitor_) return monitor_.get();
  GdkDisplay* display = gtk_widget_get_display(GTK_WIDGET(window_));
  GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
  return monitor ? monitor : gdk_display_get_monitor(display, 0);
}

ScreenRect GtkDesktop::WorkArea() {
  StartupMark("placement");
  GdkMonitor* monitor = Monitor();
  if (!monitor) return {};
  GdkRectangle area{};
  gdk_monitor_get_workarea(monitor, &area);
  return ScreenRect{area.x, area.y, area.x + area.width, area.y + area.height};
}

void GtkDesktop::ShowTaskbar(bool visible) {
  GdkDisplay* gdk_display = gtk_widget_get_display(GTK_WIDGET(window_));
  if (!GDK_IS_X11_DISPLAY(gdk_display)) return;
  Display* display = gdk_x11_display_get_xdisplay(gdk_display);
  const std::filesystem::path record = PanelRecordPath(gdk_display_get_name(gdk_display));
  // Listen for the work area before the panels come back: the window
  // manager shrinks it as soon as it sees their struts, and a change that
  // comes before we listen would never be seen.
  if (visible) work_area_watch_->Follow();
  // A panel may go away between the listing and the call; that is no error.
  gdk_x11_display_error_trap_push(gdk_display);
  if (!recovered_panels_) {
    // Panels a run that crashed left unmapped come back first.
    recovered_panels_ = true;
    std::string text;
    if (ReadWholeFile(record, text)) {
      for (const HiddenPanel& panel : ParsePanelRecord(text)) {
        if (IsSamePanel(display, panel)) XMapWindow(display, static_cast<Window>(panel.window));
      }
    }
  }
  if (visible) {
    for (const HiddenPanel& panel : hidden_panels_) {
      if (IsSamePanel(display, panel)) XMapWindow(display, static_cast<Window>(panel.window));
    }
    hidden_panels_.clear();
  } else {
    for (Window dock : DockWindows(display)) {
      // Only panels that show now: one its own program withdrew stays so.
      if (!IsMapped(display, dock)) continue;
      XUnmapWindow(display, dock);
      hidden_panels_.push_back({dock, WindowPid(display, dock)});
    }
  }
  XSync(display, False);
  gdk_x11_display_error_trap_pop_ignored(gdk_display);
  if (!visible) work_area_watch_->Stop();
  std::error_code ec;
  if (hidden_panels_.empty()) {
    std::filesystem::remove(record, ec);
  } else {
    std::filesystem::create_directories(record.parent_path(), ec);
    ReplaceFileAtomically(record, FormatPanelRecord(hidden_panels_));
  }
}

void GtkDesktop::SetWindowState(WindowState state) {
  const bool whole_monitor = state == WindowState::Maximized;
  if (whole_monitor) work_area_watch_->Stop();
  if (surface_.kind() == DesktopSurface::Kind::LayerShellBackground) {
    surface_.PlaceOnLayer(Monitor(), whole_monitor);
    return;
  }
  if (whole_monitor && surface_.kind() == DesktopSurface::Kind::X11Desktop) {
    GdkRectangle area{};
    if (GdkMonitor* monitor = Monitor()) gdk_monitor_get_geometry(monitor, &area);
    MoveWindow(area.x, area.y, area.width, area.height);
    return;
  }
  if (whole_monitor) {
    GdkMonitor* monitor = Monitor();
    GdkDisplay* display = gtk_widget_get_display(GTK_WIDGET(window_));
    int index = 0;
    for (int i = 0; i < gdk_display_get_n_monitors(display); ++i) {
      if (gdk_display_get_monitor(display, i) == monitor) index = i;
    }
    gtk_window_fullscreen_on_monitor(window_, gtk_widget_get_screen(GTK_WIDGET(window_)), index);
  } else {
    gtk_window_unfullscreen(window_);
    gtk_window_unmaximize(window_);
  }
}

void GtkDesktop::MoveWindow(int x, int y, int width, int height) {
  if (surface_.kind() == DesktopSurface::Kind::LayerShellBackground) return;
  gtk_window_move(window_, x, y);
  if (width > 0 && height > 0) {
    if (!gtk_widget_get_mapped(GTK_WIDGET(window_))) gtk_window_set_default_size(window_, width, height);
    gtk_window_resize(window_, width, height);
  }
}

void GtkDesktop::SetBusyCursor(bool busy) {
  busy_ = busy;
  GdkWindow* gdk_window = gtk_widget_get_window(GTK_WIDGET(window_));
  if (!gdk_window) return;
  GObjectPtr<GdkCursor> cursor;
  if (busy) {
    cursor = GObjectPtr<GdkCursor>(gdk_cursor_new_from_name(gdk_window_get_display(gdk_window), "wait"));
  }
  gdk_window_set_cursor(gdk_window, cursor.get());
  // The web view draws its own cursor over its area; give it the same one
  // until the page sets another.
  if (GdkWindow* content_window = gtk_widget_get_window(content_)) {
    if (content_window != gdk_window) gdk_window_set_cursor(content_window, cursor.get());
  }
}

void GtkDesktop::Show() {
  StartupMark("show");
  gtk_widget_show_all(GTK_WIDGET(window_));
  StartupMark("shown");
  gtk_window_present(window_);
}

void GtkDesktop::ApplyIcon() {
  // Vantile's own icon where it is installed, else the theme's desktop
  // icon; at the few small sizes window lists and title bars draw. By name,
  // GTK would load and keep the icon at every size the theme has, up to 512
  // pixels: about 2 MB for a window that is rarely listed.
  GtkIconTheme* theme = gtk_icon_theme_get_for_screen(gtk_widget_get_screen(GTK_WIDGET(window_)));
  static const char* kNames[] = {"vantile", "user-desktop", nullptr};
  GList* icons = nullptr;
  for (int size : {16, 32, 48}) {
    GObjectPtr<GtkIconInfo> info(gtk_icon_theme_choose_icon(theme, kNames, size,
                                                            GTK_ICON_LOOKUP_FORCE_SIZE));
    if (!info) continue;
    if (GdkPixbuf* icon = gtk_icon_info_load_icon(info.get(), nullptr)) icons = g_list_append(icons, icon);
  }
  gtk_window_set_icon_list(window_, icons);
  g_list_free_full(icons, g_object_unref);
}

void GtkDesktop::Close() {
  if (close_handler_) close_handler_();
}

OwnerWindow GtkDesktop::WindowHandle() { return ToOwnerWindow(window_); }

}  // namespace vantile
