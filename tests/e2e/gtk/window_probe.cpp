// Test driver: a window of another program, for what vantile must do about
// other programs' windows.
//
//   window_probe drag URI X Y    a window at X, Y whose label drags URI (a
//                                link or a file) as text/uri-list
//   window_probe dock            a panel window (type dock) that its program
//                                keeps withdrawn (never mapped)
//
// Prints the X11 id of its window once it exists, then runs until killed.
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const char* drag_uri = nullptr;

void OnDragDataGet(GtkWidget*, GdkDragContext*, GtkSelectionData* data, guint, guint, gpointer) {
  char* uris[] = {const_cast<char*>(drag_uri), nullptr};
  gtk_selection_data_set_uris(data, uris);
}

void PrintId(GtkWidget* window) {
  std::printf("%lu\n", static_cast<unsigned long>(GDK_WINDOW_XID(gtk_widget_get_window(window))));
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  gtk_init(&argc, &argv);
  const std::string mode = argc > 1 ? argv[1] : "";
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  if (mode == "drag" && argc == 5) {
    drag_uri = argv[2];
    GtkWidget* box = gtk_event_box_new();
    gtk_container_add(GTK_CONTAINER(box), gtk_label_new("drag me"));
    gtk_container_add(GTK_CONTAINER(window), box);
    gtk_window_set_title(GTK_WINDOW(window), "Drag Probe");
    gtk_window_set_default_size(GTK_WINDOW(window), 160, 100);
    gtk_window_move(GTK_WINDOW(window), std::atoi(argv[3]), std::atoi(argv[4]));
    gtk_drag_source_set(box, GDK_BUTTON1_MASK, nullptr, 0, static_cast<GdkDragAction>(GDK_ACTION_COPY | GDK_ACTION_LINK));
    gtk_drag_source_add_uri_targets(box);
    g_signal_connect(box, "drag-data-get", G_CALLBACK(OnDragDataGet), nullptr);
    gtk_widget_show_all(window);
  } else if (mode == "dock") {
    gtk_window_set_type_hint(GTK_WINDOW(window), GDK_WINDOW_TYPE_HINT_DOCK);
    gtk_window_set_title(GTK_WINDOW(window), "Withdrawn Dock");
    gtk_widget_realize(window);
  } else {
    std::fprintf(stderr, "usage: window_probe drag URI X Y | window_probe dock\n");
    return 2;
  }
  PrintId(window);
  gtk_main();
  return 0;
}
