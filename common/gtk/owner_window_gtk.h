// Conversions between GTK's top-level windows and the logic's OwnerWindow.
#pragma once

#include <gtk/gtk.h>

#include "common/owner_window.h"

namespace vantile {

inline OwnerWindow ToOwnerWindow(GtkWindow* window) { return reinterpret_cast<OwnerWindow>(window); }
inline GtkWindow* FromOwnerWindow(OwnerWindow owner) { return reinterpret_cast<GtkWindow*>(owner); }

// Gives the keyboard back to the window a modal dialog was over, once the
// dialog has gone. Window managers hand the focus back to an ordinary
// parent by themselves, but not to a desktop window (ours is one), which
// would leave the shortcuts dead until the user clicks the page.
inline void ReturnFocusTo(GtkWindow* window) {
  if (window && gtk_widget_get_mapped(GTK_WIDGET(window))) gtk_window_present(window);
}

}  // namespace vantile
