// The tab strip to assistive technology. The strip is drawn by hand, so
// GTK knows nothing of its tabs; this widget type tells ATK (and through it
// AT-SPI) what GtkNotebook would: a page-tab list whose children are page
// tabs named by their captions, the active one selected, each with the
// bounds the strip draws it at.
#pragma once

#include <gtk/gtk.h>

#include "dialogs/light_tab.h"

namespace vantile {

// A drawing area whose accessible object reads `control`, which must
// outlive the widget's accessible use of it.
GtkWidget* NewAccessibleTabStrip(const LightTab& control);

// Tells assistive technology that the active tab changed.
void AnnounceTabChange(GtkWidget* strip, int previous, int active);

}  // namespace vantile
