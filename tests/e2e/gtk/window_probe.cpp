// Test driver: a window of another program, for what vantile must do about
// other programs' windows.
//
//   window_probe drag URI X Y    a window at X, Y whose label drags URI (a
//                                link or a file) as text/uri-list
//   window_probe dock            a panel window (type dock) that its program
//                                shows and then withdraws
//   window_probe plain W H       an ordinary window "Plain Probe" of W x H
//
// Prints the X11 id of its window once it is there (withdrawn), then runs
// until killed.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
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
  if (mode == "drag" && argc == 5) {
    drag_uri = argv[2];
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
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
    PrintId(window);
  } else if (mode == "plain" && argc == 4) {
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(window), "Plain Probe");
    gtk_window_set_default_size(GTK_WINDOW(window), std::atoi(argv[2]), std::atoi(argv[3]));
    gtk_window_move(GTK_WINDOW(window), 10, 10);
    gtk_widget_show_all(window);
    PrintId(window);
  } else if (mode == "dock") {
    // Plain Xlib: a GTK window mapped behind its back unmaps itself again,
    // which would hide whether anyone mapped it.
    Display* display = gdk_x11_get_default_xdisplay();
    XSetWindowAttributes attributes{};
    attributes.background_pixel = 0xff6600;
    const Window dock = XCreateWindow(display, DefaultRootWindow(display), 0, 0, 300, 30, 0, CopyFromParent,
                                      InputOutput, CopyFromParent, CWBackPixel, &attributes);
    const Atom type = XInternAtom(display, "_NET_WM_WINDOW_TYPE", False);
    Atom dock_type = XInternAtom(display, "_NET_WM_WINDOW_TYPE_DOCK", False);
    XChangeProperty(display, dock, type, XA_ATOM, 32, PropModeReplace, reinterpret_cast<unsigned char*>(&dock_type), 1);
    XStoreName(display, dock, "Withdrawn Dock");
    // Shown, then withdrawn, as a panel its program hides.
    XMapWindow(display, dock);
    XSync(display, False);
    g_usleep(300000);
    XWithdrawWindow(display, dock, DefaultScreen(display));
    XSync(display, False);
    std::printf("%lu\n", static_cast<unsigned long>(dock));
    std::fflush(stdout);
  } else {
    std::fprintf(stderr, "usage: window_probe drag URI X Y | window_probe dock | window_probe plain W H\n");
    return 2;
  }
  gtk_main();
  return 0;
}
