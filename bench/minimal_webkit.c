/* The reference for the start-up benchmark: the least a WebKitGTK program
 * needs to show one page full screen, with WebKit's default settings.
 * MINIMAL_NO_ACCELERATION=1 gives it the WebKit settings Vantile runs with:
 * hardware acceleration (compositing) off, the document-viewer cache model
 * and no page cache. With VANTILE_STARTUP_TRACE=1 it marks its start-up
 * stages as vantile does, for comparison. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

static void mark(const char *stage) {
  const char *trace = getenv("VANTILE_STARTUP_TRACE");
  if (!trace || strcmp(trace, "1") != 0) return;
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  fprintf(stderr, "vantile-trace %s %.6f\n", stage, (double)now.tv_sec + now.tv_nsec / 1e9);
}

static void on_load_changed(WebKitWebView *view, WebKitLoadEvent event, gpointer data) {
  if (event == WEBKIT_LOAD_COMMITTED) mark("load-committed");
}

int main(int argc, char **argv) {
  mark("main");
  gtk_init(&argc, &argv);
  if (argc < 2) return 2;
  const char *no_accel = getenv("MINIMAL_NO_ACCELERATION");
  const gboolean vantile_settings = no_accel && strcmp(no_accel, "1") == 0;
  if (vantile_settings) {
    webkit_web_context_set_cache_model(webkit_web_context_get_default(), WEBKIT_CACHE_MODEL_DOCUMENT_VIEWER);
    mark("context");
  }
  GtkWidget *window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  GtkWidget *view = webkit_web_view_new();
  if (vantile_settings) {
    WebKitSettings *settings = webkit_web_view_get_settings(WEBKIT_WEB_VIEW(view));
    webkit_settings_set_hardware_acceleration_policy(settings, WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
    webkit_settings_set_enable_page_cache(settings, FALSE);
  }
  g_signal_connect(view, "load-changed", G_CALLBACK(on_load_changed), NULL);
  gtk_container_add(GTK_CONTAINER(window), view);
  g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), NULL);
  gtk_window_fullscreen(GTK_WINDOW(window));
  mark("navigate");
  webkit_web_view_load_uri(WEBKIT_WEB_VIEW(view), argv[1]);
  gtk_widget_show_all(window);
  mark("shown");
  gtk_main();
  return 0;
}
