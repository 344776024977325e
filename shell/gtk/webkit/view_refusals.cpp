#include "shell/gtk/webkit/view_refusals.h"

#include <string>

#include "shell/gtk/webkit/browser_note.h"

namespace vantile {

namespace {

gboolean OnDragMotion(GtkWidget* widget, GdkDragContext* context, gint, gint, guint time, gpointer) {
  // A link or file dropped from another program would be loaded in the
  // desktop's place (a dropped HTML file would even become a local page,
  // with window.external).
  if (gtk_drag_get_source_widget(context) == widget) return FALSE;
  gdk_drag_status(context, static_cast<GdkDragAction>(0), time);
  return TRUE;
}

gboolean OnDragDrop(GtkWidget* widget, GdkDragContext* context, gint, gint, guint time, gpointer) {
  if (gtk_drag_get_source_widget(context) == widget) return FALSE;
  gtk_drag_finish(context, FALSE, FALSE, time);
  Note("refused a drop from another program: the desktop's page stays");
  return TRUE;
}

void OnDragLeave(GtkWidget* widget, GdkDragContext* context, guint, gpointer) {
  // WebKit never saw this drag enter.
  if (gtk_drag_get_source_widget(context) != widget) g_signal_stop_emission_by_name(widget, "drag-leave");
}

void OnDownloadStarted(WebKitWebContext*, WebKitDownload* download, gpointer) {
  // Nothing a page offers is saved without the user choosing to: there is
  // no download window to choose in, so none is saved.
  const char* uri = webkit_uri_request_get_uri(webkit_download_get_request(download));
  webkit_download_cancel(download);
  Note(std::string("cancelled a download the page started: ") + (uri ? uri : ""));
}

}  // namespace

void RefuseForeignDrops(WebKitWebView* view) {
  g_signal_connect(view, "drag-motion", G_CALLBACK(OnDragMotion), nullptr);
  g_signal_connect(view, "drag-drop", G_CALLBACK(OnDragDrop), nullptr);
  g_signal_connect(view, "drag-leave", G_CALLBACK(OnDragLeave), nullptr);
}

void CancelDownloads(WebKitWebContext* context) {
  static constexpr const char* kConnected = "vantile-cancels-downloads";
  if (g_object_get_data(G_OBJECT(context), kConnected)) return;
  g_object_set_data(G_OBJECT(context), kConnected, GINT_TO_POINTER(1));
  g_signal_connect(context, "download-started", G_CALLBACK(OnDownloadStarted), nullptr);
}

}  // namespace vantile
