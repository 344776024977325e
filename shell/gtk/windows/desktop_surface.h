// How the main window takes the desktop's place on the display system it
// runs on:
// - X11: a window of type _NET_WM_WINDOW_TYPE_DESKTOP. The window manager
//   keeps it below every other window, on every workspace, and out of task
//   lists, pagers and Alt+Tab; a click focuses it without raising it.
// - Wayland with the layer-shell protocol (wlroots compositors, KDE): a
//   surface on the background layer of the primary output, taking the
//   keyboard on demand.
// - Any other Wayland compositor: a plain borderless window, full screen
//   or on the work area.
#pragma once

#include <gtk/gtk.h>

namespace vantile {

class DesktopSurface {
 public:
  enum class Kind { X11Desktop, LayerShellBackground, PlainWindow };

  // Runs before the window is realized: both the window type and the layer
  // surface are fixed when the window is created on the display.
  explicit DesktopSurface(GtkWindow* window);

  Kind kind() const { return kind_; }

  // Layer shell: anchors the surface to every edge of `monitor`, over the
  // panels' exclusive zones (`over_panels`) or inside them. The compositor
  // then sizes the surface itself; nothing else places it.
  void PlaceOnLayer(GdkMonitor* monitor, bool over_panels);

 private:
  GtkWindow* window_;
  Kind kind_ = Kind::PlainWindow;
};

}  // namespace vantile
