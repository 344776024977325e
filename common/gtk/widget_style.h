// Styling a group of widgets with a style sheet of our own.
#pragma once

#include <gtk/gtk.h>

namespace vantile {

// Applies `css` to `root` and to every widget inside it, GTK's internal
// children included, above the theme. GTK 3 gives a widget's style
// providers to that widget only, so a sheet meant for a whole dialog or
// note has to be added to each widget in it.
void StyleWidgetTree(GtkWidget* root, const char* css);

}  // namespace vantile
