/* The reference for the start-up benchmark: the least a WebKitGTK program
 * needs to show one page on the whole monitor. Each choice that start-up
 * time depends on is an environment variable, so the benchmark can try them
 * one at a time and hold vantile to the fastest:
 *
 *   MINIMAL_WINDOW=placed      undecorated, sized and placed on the primary
 *                              monitor before it is shown (the default)
 *   MINIMAL_WINDOW=fullscreen  full screen asked of the window manager
 *   MINIMAL_NO_ACCELERATION=1  acceleration policy "never" in the view's
 *                              settings (WEBKIT_DISABLE_COMPOSITING_MODE=1 in
 *                              the environment is the other way, and the
 *                              benchmark sets it there)
 *   MINIMAL_SMALL_CACHES=1     document-viewer cache model, no page cache
 *
 * With VANTILE_STARTUP_TRACE=1 it marks its start-up stages as vantile
 * does, for comparison. */
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

static gboolean flag(const char *name) {
  const char *value = getenv(name);
  return value && strcmp(value, "1") == 0;
}

static void on_load_changed(WebKitWebView *view, WebKitLoadEvent event, gpointer data) {
  if (event == WEBKIT_LOAD_COMMITTED) mark("load-committed");
}

int main(int argc, char **argv) {
  mark("main");
  gtk_init(&argc, &argv);
  mark("gtk-init");
  if (argc < 2) return 2;
  const char *window_choice = getenv("MINIMAL_WINDOW");
  const gboolean fullscreen = window_choice && strcmp(window_choice, "fullscreen") == 0;
  if (flag("MINIMAL_SMALL_CACHES")) {
    webkit_web_context_set_cache_model(webkit_web_context_get_default(), WEBKIT_CACHE_MODEL_DOCUMENT_VIEWER);
  }
  mark("context");
  GtkWidget *window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  GtkWidget *view = webkit_web_view_new();
  WebKitSettings *settings = webkit_web_view_get_settings(WEBKIT_WEB_VIEW(view));
  if (flag("MINIMAL_NO_ACCELERATION")) {
    webkit_settings_set_hardware_acceleration_policy(settings, WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
  }
  if (flag("MINIMAL_SMALL_CACHES")) webkit_settings_set_enable_page_cache(settings, FALSE);
  g_signal_connect(view, "load-changed", G_CALLBACK(on_load_changed), NULL);
  gtk_container_add(GTK_CONTAINER(window), view);
  g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), NULL);
  if (fullscreen) {
    gtk_window_fullscreen(GTK_WINDOW(window));
  } else {
    GdkDisplay *display = gdk_display_get_default();
    GdkMonitor *monitor = gdk_display_get_primary_monitor(display);
    if (!monitor) monitor = gdk_display_get_monitor(display, 0);
    GdkRectangle area = {0, 0, 800, 600};
    if (monitor) gdk_monitor_get_geometry(monitor, &area);
    gtk_window_set_decorated(GTK_WINDOW(window), FALSE);
    gtk_window_move(GTK_WINDOW(window), area.x, area.y);
    gtk_window_set_default_size(GTK_WINDOW(window), area.width, area.height);
  }
  mark("navigate");
  webkit_web_view_load_uri(WEBKIT_WEB_VIEW(view), argv[1]);
  gtk_widget_show_all(window);
  mark("shown");
  gtk_main();
  return 0;
}
