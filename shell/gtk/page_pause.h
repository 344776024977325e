// Pauses the page while nobody can see it (its monitor covered, the screen
// locked or blanked): the web view is unmapped, which WebKit takes as a
// hidden page (document.visibilityState "hidden", visibilitychange, no
// animation frames, CSS animations stopped, timers throttled), and the last
// picture of the page stays in its place for whatever may glimpse it. When
// it can be seen again the view is mapped again at once, unchanged: no
// reload, no resize, and the picture goes only once the view has drawn.
#pragma once

#include <gtk/gtk.h>

#include <memory>

#include "shell/gtk/cover_watch.h"
#include "shell/gtk/lock_watch.h"

namespace vantile {

class PagePause {
 public:
  // Starts following covering windows (over `window`) and the screen lock.
  PagePause(GtkWidget* window, GtkOverlay* overlay, GtkWidget* view);
  ~PagePause();
  PagePause(const PagePause&) = delete;
  PagePause& operator=(const PagePause&) = delete;

 private:
  void Apply();
  void Pause();
  void Resume();
  static gboolean OnViewDrawn(GtkWidget*, cairo_t*, gpointer self);

  GtkOverlay* overlay_;
  GtkWidget* view_;
  std::unique_ptr<CoverWatch> cover_;
  std::unique_ptr<LockWatch> lock_;
  GtkWidget* picture_ = nullptr;
  bool covered_ = false;
  bool locked_ = false;
  bool paused_ = false;
};

}  // namespace vantile
