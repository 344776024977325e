// Pauses the page: the web view is unmapped, which WebKit takes as a hidden
// page (document.visibilityState "hidden", visibilitychange, no animation
// frames, CSS animations stopped, timers throttled), and the last picture of
// the page stays in its place for whatever may glimpse it. Resuming maps the
// view again at once, unchanged: no reload, no resize, and the picture goes
// only once the view has drawn. When to pause is not decided here (see
// PauseWatches).
#pragma once

#include <gtk/gtk.h>

namespace vantile {

class PagePause {
 public:
  PagePause(GtkOverlay* overlay, GtkWidget* view);
  // A paused page is resumed.
  ~PagePause();
  PagePause(const PagePause&) = delete;
  PagePause& operator=(const PagePause&) = delete;

  // Pauses or resumes; asking for the state it is in changes nothing.
  void SetPaused(bool paused);

 private:
  void Pause();
  void Resume();
  static gboolean OnViewDrawn(GtkWidget*, cairo_t*, gpointer self);

  GtkOverlay* overlay_;
  GtkWidget* view_;
  GtkWidget* picture_ = nullptr;
  bool paused_ = false;
};

}  // namespace vantile
