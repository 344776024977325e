// Which display system the desktop runs on. A desktop window needs what
// only some sessions give a client: on X11 the desktop window type, on
// Wayland the layer-shell protocol's background layer. GNOME's compositor
// (and others) offer no layer-shell, where a native Wayland window could
// only be an ordinary full-screen window over every program; through
// Xwayland the same window is a desktop window the compositor keeps below
// all others. So there, and only there, Vantile runs through X11.
#pragma once

#include <string_view>

namespace vantile {

struct DisplaySession {
  std::string_view gdk_backend;      // GDK_BACKEND as the user set it
  std::string_view wayland_display;  // WAYLAND_DISPLAY
  std::string_view x_display;        // DISPLAY: Xwayland (or an X server) is there
  bool layer_shell = false;          // the Wayland compositor offers layer-shell
};

// Whether to run through X11 rather than GDK's own choice. A GDK_BACKEND the
// user set always wins.
bool PreferX11(const DisplaySession& session);

}  // namespace vantile
