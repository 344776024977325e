// Keeps the main window on the work area while the panels come back.
//
// Under X11 the work area shrinks only after the window manager has seen
// the struts of panels that were mapped again, a moment after the map, and a
// window leaving full screen gets its old size back from the window manager
// some time after it asked to leave. Placed at once, the window would end on
// the whole screen or at its old size. After Follow(), every change of the
// work area in the next few seconds, and the end of full screen, put the
// window back exactly on the work area. Elsewhere it does nothing.
#pragma once

#include <gtk/gtk.h>

#include <functional>

#include "shell/platform.h"

namespace vantile {

class WorkAreaWatch {
 public:
  // `place` puts the window on the work area it reads itself.
  explicit WorkAreaWatch(GtkWidget* window, std::function<void()> place);
  ~WorkAreaWatch();
  WorkAreaWatch(const WorkAreaWatch&) = delete;
  WorkAreaWatch& operator=(const WorkAreaWatch&) = delete;

  // Follow the work area for the next few seconds.
  void Follow();
  // Stop following (the window covers the screen now).
  void Stop();

 private:
  static GdkFilterReturn OnRootEvent(GdkXEvent* xevent, GdkEvent* event, gpointer self);
  static gboolean OnWindowState(GtkWidget*, GdkEventWindowState* event, gpointer self);
  void PlaceSoon();

  GtkWidget* window_;
  std::function<void()> place_;
  GdkWindow* root_ = nullptr;  // while the filter is installed
  guint deadline_ = 0;
  guint idle_ = 0;
};

}  // namespace vantile
