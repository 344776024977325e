// Conversions between GTK's top-level windows and the logic's OwnerWindow.
#pragma once

#include <gtk/gtk.h>

#include "common/owner_window.h"

namespace vantile {

inline OwnerWindow ToOwnerWindow(GtkWindow* window) { return reinterpret_cast<OwnerWindow>(window); }
inline GtkWindow* FromOwnerWindow(OwnerWindow owner) { return reinterpret_cast<GtkWindow*>(owner); }

}  // namespace vantile
