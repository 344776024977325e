// Test driver: runs the image helper's window as vantile-image-helper-gtk
// does and reports its first frame: when GTK asks the X server to show the
// window, "SHOWN save=0|1" (whether Save is enabled); when the window
// manager has mapped it, "MAPPED x y" (where its frame is). Then it closes the window the way Exit does. A window that is
// placed or set up only after it is shown gives itself away here, where
// polling from outside could miss it.
#include <gtk/gtk.h>

#include <cstdio>
#include <cstring>

#include "common/registry_store.h"
#include "imagehelper/gtk/helper_window_gtk.h"
#include "imagehelper/helper_window.h"

namespace {

GtkWidget* FindByName(GtkWidget* widget, const char* name) {
  if (std::strcmp(gtk_widget_get_name(widget), name) == 0) return widget;
  if (!GTK_IS_CONTAINER(widget)) return nullptr;
  GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
  GtkWidget* found = nullptr;
  for (GList* item = children; item && !found; item = item->next) found = FindByName(GTK_WIDGET(item->data), name);
  g_list_free(children);
  return found;
}

bool SaveEnabled(GtkWidget* window) { return gtk_widget_get_sensitive(FindByName(window, "cmdSave")); }

void OnShown(GtkWidget* window, gpointer) { std::printf("SHOWN save=%d\n", SaveEnabled(window) ? 1 : 0); }

gboolean OnMapped(GtkWidget* window, GdkEvent*, gpointer) {
  GdkRectangle frame{};
  gdk_window_get_frame_extents(gtk_widget_get_window(window), &frame);
  std::printf("MAPPED %d %d\n", frame.x, frame.y);
  std::fflush(stdout);
  g_idle_add(+[](gpointer w) -> gboolean {
    gtk_window_close(GTK_WINDOW(w));
    return G_SOURCE_REMOVE;
  }, window);
  return FALSE;
}

}  // namespace

int main(int argc, char** argv) {
  gtk_init(&argc, &argv);
  vantile::RegistryStore store(vantile::RegistryStore::DefaultPaths());
  vantile::HelperWindowGtk helper(store);
  GList* toplevels = gtk_window_list_toplevels();
  for (GList* item = toplevels; item; item = item->next) {
    if (g_strcmp0(gtk_window_get_title(GTK_WINDOW(item->data)), vantile::kHelperCaption) == 0) {
      g_signal_connect(item->data, "map", G_CALLBACK(OnShown), nullptr);
      g_signal_connect(item->data, "map-event", G_CALLBACK(OnMapped), nullptr);
    }
  }
  g_list_free(toplevels);
  helper.Run();
  return 0;
}
