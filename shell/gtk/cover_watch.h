// Follows, on X11, whether other programs' windows cover the desktop
// window's whole monitor: the window manager's stacking list, each window's
// state, workspace and place, and the workspace shown, all by property and
// structure notifications (nothing is polled). Elsewhere it reports nothing
// and the page is never paused for being covered.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <set>

namespace vantile {

class CoverWatch {
 public:
  // `changed` hears every change of "covered", starting from not covered.
  CoverWatch(GtkWidget* window, std::function<void(bool covered)> changed);
  ~CoverWatch();
  CoverWatch(const CoverWatch&) = delete;
  CoverWatch& operator=(const CoverWatch&) = delete;

 private:
  static GdkFilterReturn OnEvent(GdkXEvent* xevent, GdkEvent*, gpointer self);
  void JudgeSoon();
  void Judge();

  GtkWidget* window_;
  std::function<void(bool)> changed_;
  GdkWindow* root_ = nullptr;
  std::set<unsigned long> watched_;  // client windows whose changes we hear
  guint idle_ = 0;
  bool covered_ = false;
};

}  // namespace vantile
