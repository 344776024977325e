#include "shell/gtk/windows/desktop_surface.h"

#include <gdk/gdkx.h>
#include <gtk-layer-shell.h>

#include <initializer_list>

namespace vantile {

DesktopSurface::DesktopSurface(GtkWindow* window) : window_(window) {
  GdkDisplay* display = gtk_widget_get_display(GTK_WIDGET(window));
  if (GDK_IS_X11_DISPLAY(display)) {
    kind_ = Kind::X11Desktop;
    gtk_window_set_type_hint(window, GDK_WINDOW_TYPE_HINT_DESKTOP);
    // The window type says all of this to a window manager that follows the
    // desktop standards; panels and pagers that only read the state hints
    // learn it from these.
    gtk_window_set_skip_taskbar_hint(window, TRUE);
    gtk_window_set_skip_pager_hint(window, TRUE);
    gtk_window_stick(window);
    return;
  }
  if (gtk_layer_is_supported()) {
    kind_ = Kind::LayerShellBackground;
    gtk_layer_init_for_window(window);
    gtk_layer_set_namespace(window, "vantile");
    gtk_layer_set_layer(window, GTK_LAYER_SHELL_LAYER_BACKGROUND);
    // The shortcuts and the page's own fields need the keyboard, but a
    // background surface must not hold on to it when another window wants it.
    gtk_layer_set_keyboard_mode(window, GTK_LAYER_SHELL_KEYBOARD_MODE_ON_DEMAND);
    for (GtkLayerShellEdge edge : {GTK_LAYER_SHELL_EDGE_LEFT, GTK_LAYER_SHELL_EDGE_RIGHT,
                                   GTK_LAYER_SHELL_EDGE_TOP, GTK_LAYER_SHELL_EDGE_BOTTOM}) {
      gtk_layer_set_anchor(window, edge, TRUE);
    }
  }
}

void DesktopSurface::PlaceOnLayer(GdkMonitor* monitor, bool over_panels) {
  if (kind_ != Kind::LayerShellBackground) return;
  gtk_layer_set_monitor(window_, monitor);
  // -1: the surface ignores other surfaces' exclusive zones and covers the
  // whole output; 0: the compositor keeps it inside what the panels leave.
  gtk_layer_set_exclusive_zone(window_, over_panels ? -1 : 0);
}

}  // namespace vantile
