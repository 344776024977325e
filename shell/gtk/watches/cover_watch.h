// Follows whether other programs' windows cover the desktop window's whole
// monitor. On X11: the window manager's stacking list, each window's state,
// workspace and place, and the workspace shown, all by property and
// structure notifications (nothing is polled). On Wayland, where the
// compositor offers foreign-toplevel-management: a focused full-screen
// window on the desktop's output. Elsewhere it reports nothing and the page
// is never paused for being covered. It reports PauseReason::Covered.
#pragma once

#include <gtk/gtk.h>

#include <memory>
#include <set>

#include "shell/gtk/watches/foreign_toplevel_watch.h"
#include "shell/gtk/watches/pause_watch.h"

namespace vantile {

class CoverWatch : public PauseWatch {
 public:
  // `changed` hears every change of "covered", starting from not covered.
  CoverWatch(GtkWidget* window, PauseReport changed);
  ~CoverWatch() override;
  CoverWatch(const CoverWatch&) = delete;
  CoverWatch& operator=(const CoverWatch&) = delete;

 private:
  static GdkFilterReturn OnEvent(GdkXEvent* xevent, GdkEvent*, gpointer self);
  void JudgeSoon();
  void Judge();

  GtkWidget* window_;
  PauseReport changed_;
  GdkWindow* root_ = nullptr;
  std::set<unsigned long> watched_;  // client windows whose changes we hear
  guint idle_ = 0;
  bool covered_ = false;
  std::unique_ptr<ForeignToplevelWatch> wayland_;
};

}  // namespace vantile
