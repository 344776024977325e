/* The reference for the start-up benchmark: the least a WebKitGTK program
 * needs to show one page full screen, with WebKit's default settings.
 * MINIMAL_NO_ACCELERATION=1 turns hardware acceleration off, for comparison. */
#include <stdlib.h>
#include <string.h>
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

int main(int argc, char **argv) {
  gtk_init(&argc, &argv);
  if (argc < 2) return 2;
  GtkWidget *window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  GtkWidget *view = webkit_web_view_new();
  const char *no_accel = getenv("MINIMAL_NO_ACCELERATION");
  if (no_accel && strcmp(no_accel, "1") == 0) {
    webkit_settings_set_hardware_acceleration_policy(webkit_web_view_get_settings(WEBKIT_WEB_VIEW(view)),
                                                     WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
  }
  gtk_container_add(GTK_CONTAINER(window), view);
  g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), NULL);
  gtk_window_fullscreen(GTK_WINDOW(window));
  webkit_web_view_load_uri(WEBKIT_WEB_VIEW(view), argv[1]);
  gtk_widget_show_all(window);
  gtk_main();
  return 0;
}
