#include "shell/gtk/webkit/view_input_gtk.h"

namespace vantile {

ViewInputGtk::ViewInputGtk(WebKitWebView* view, BrowserEvents* const& events, DocumentTrust& trust)
    : view_(view), events_(events), trust_(trust) {
  // Before WebKit's own handlers, which hand the input to the web process.
  g_signal_connect(view_, "button-press-event", G_CALLBACK(OnInput), this);
  g_signal_connect(view_, "key-press-event", G_CALLBACK(OnInput), this);
  g_signal_connect(view_, "context-menu", G_CALLBACK(OnContextMenu), this);
}

ViewInputGtk::~ViewInputGtk() {
  if (menu_idle_) g_source_remove(menu_idle_);
  g_signal_handlers_disconnect_by_data(view_, this);
}

gboolean ViewInputGtk::OnInput(GtkWidget*, GdkEvent* event, gpointer data) {
  auto* self = static_cast<ViewInputGtk*>(data);
  self->trust_.Input();
  // The menu is the desktop's: it comes from the input event here, not from
  // the web process, which a page can keep busy for ever.
  if (event->type == GDK_BUTTON_PRESS && event->button.button == GDK_BUTTON_SECONDARY) {
    self->MenuAsked(event);
    return TRUE;
  }
  return FALSE;
}

gboolean ViewInputGtk::OnContextMenu(WebKitWebView*, WebKitContextMenu*, GdkEvent* event, WebKitHitTestResult*,
                                     gpointer data) {
  static_cast<ViewInputGtk*>(data)->MenuAsked(event);
  return TRUE;  // WebKit shows no menu of its own
}

void ViewInputGtk::MenuAsked(const GdkEvent* event) {
  // Our menu runs a nested loop; start it from the main loop rather than
  // inside the event's or WebKit's dispatch.
  pending_menu_event_.reset(event ? gdk_event_copy(event) : nullptr);
  if (!menu_idle_) menu_idle_ = g_idle_add(ShowMenuLater, this);
}

gboolean ViewInputGtk::ShowMenuLater(gpointer data) {
  auto* self = static_cast<ViewInputGtk*>(data);
  self->menu_idle_ = 0;
  if (!self->events_) return G_SOURCE_REMOVE;
  if (self->context_hook_) self->context_hook_(self->pending_menu_event_.get());
  self->pending_menu_event_.reset();
  self->events_->ShowContextMenu();
  return G_SOURCE_REMOVE;
}

}  // namespace vantile
