#include "shell/gtk/windows/page_pause.h"

namespace vantile {

PagePause::PagePause(GtkOverlay* overlay, GtkWidget* view) : overlay_(overlay), view_(view) {
  g_signal_connect_after(view_, "draw", G_CALLBACK(OnViewDrawn), this);
}

PagePause::~PagePause() {
  g_signal_handlers_disconnect_by_data(view_, this);
  if (paused_) Resume();
}

void PagePause::SetPaused(bool paused) {
  if (paused == paused_) return;
  if (paused) {
    Pause();
  } else {
    Resume();
  }
}

void PagePause::Pause() {
  paused_ = true;
  // The last picture, from what the view shows now (its own backing store,
  // so a busy web process cannot hold this up).
  const int width = gtk_widget_get_allocated_width(view_), height = gtk_widget_get_allocated_height(view_);
  if (!picture_ && width > 0 && height > 0) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    cairo_t* cr = cairo_create(surface);
    gtk_widget_draw(view_, cr);
    cairo_destroy(cr);
    picture_ = gtk_image_new_from_surface(surface);
    cairo_surface_destroy(surface);
    gtk_overlay_add_overlay(overlay_, picture_);
    gtk_widget_show(picture_);
  }
  // Unmapped but still allocated: WebKit sees a hidden page of the same size.
  gtk_widget_set_child_visible(view_, FALSE);
}

void PagePause::Resume() {
  paused_ = false;
  gtk_widget_set_child_visible(view_, TRUE);
  gtk_widget_queue_draw(view_);
}

gboolean PagePause::OnViewDrawn(GtkWidget*, cairo_t*, gpointer self) {
  auto* pause = static_cast<PagePause*>(self);
  // The view shows the page again: the picture over it can go.
  if (!pause->paused_ && pause->picture_) {
    gtk_widget_destroy(pause->picture_);
    pause->picture_ = nullptr;
  }
  return FALSE;
}

}  // namespace vantile
