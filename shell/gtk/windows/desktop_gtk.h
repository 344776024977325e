// A desktop window: one borderless GtkWindow holding the web view, placed over
// the primary monitor (following it when another becomes primary) or over a
// monitor of its own, and the X11 panels beside it.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <memory>
#include <vector>

#include "common/gtk/glib_util.h"
#include "shell/gtk/watches/work_area_watch.h"
#include "shell/gtk/windows/desktop_surface.h"
#include "shell/panel_record.h"
#include "shell/platform.h"

namespace vantile {

class GtkDesktop : public Desktop {
 public:
  // `content` (the web view) becomes the main child of the window's only
  // child, an overlay, so GTK keeps it at 0, 0 and as large as the client
  // area on every size change.
  // `monitor` null: the primary monitor, whichever that is at the time.
  explicit GtkDesktop(GtkWidget* content, GdkMonitor* monitor = nullptr);
  ~GtkDesktop() override;
  GtkDesktop(const GtkDesktop&) = delete;
  GtkDesktop& operator=(const GtkDesktop&) = delete;

  GtkWindow* window() const { return window_; }
  // Holds the content as its main child; notes the window draws over the
  // page go on top of it.
  GtkOverlay* overlay() const { return overlay_; }
  // What Close() does: main() runs the shutdown from there.
  void SetCloseHandler(std::function<void()> handler) { close_handler_ = std::move(handler); }
  // Gives the window its icon, for the window manager's lists and for the
  // dialogs it owns. Called once the first page has loaded: reading the
  // icon theme and decoding the icon when the window is realized held up
  // showing the window, and so the first page, by about 30 ms.
  void ApplyIcon();

  // The monitor's work area.
  ScreenRect WorkArea() override;
  // X11: hiding unmaps every top-level window of type
  // _NET_WM_WINDOW_TYPE_DOCK that is mapped, and remembers them, also in the
  // runtime folder; showing maps those again and no others. The first call
  // also maps the panels a run that crashed left unmapped. Wayland: a client
  // cannot hide the panels; nothing happens (the maximised window covers them
  // there anyway).
  void ShowTaskbar(bool visible) override;
  // Maximised covers the whole primary monitor, whatever the window
  // manager's idea of the work area is while the panels are being unmapped:
  // X11 moves the desktop window onto the monitor (window managers do not
  // make desktop windows full screen), layer shell covers the output over
  // the panels, elsewhere the window goes full screen. Normal on layer shell
  // keeps clear of the panels' exclusive zones.
  void SetWindowState(WindowState state) override;
  // Layer shell: nothing, the compositor places the surface.
  void MoveWindow(int x, int y, int width, int height) override;
  void SetBusyCursor(bool busy) override;
  void Show() override;
  void Close() override;
  OwnerWindow WindowHandle() override;

 private:
  GdkMonitor* Monitor() const;

  GtkWindow* window_;  // a toplevel: GTK holds it, we destroy it
  GtkWidget* content_;
  GtkOverlay* overlay_;  // the window's child
  GObjectPtr<GdkMonitor> monitor_;  // null: the primary
  DesktopSurface surface_;
  std::function<void()> close_handler_;
  bool busy_ = false;
  // Puts the window back on the work area while mapped panels take their space.
  std::unique_ptr<WorkAreaWatch> work_area_watch_;
  // Panels we unmapped, to map again; whether the record of a run that
  // crashed has been looked at.
  std::vector<HiddenPanel> hidden_panels_;
  bool recovered_panels_ = false;
};

}  // namespace vantile
