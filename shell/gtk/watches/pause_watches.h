// The glue between the watches and the page's pause: it makes one watch for
// each reason the rules heed, keeps the set of reasons they report, and
// pauses or resumes the page as PagePaused decides.
#pragma once

#include <gtk/gtk.h>

#include <memory>
#include <vector>

#include "shell/gtk/windows/page_pause.h"
#include "shell/gtk/watches/pause_watch.h"
#include "shell/pause_reasons.h"

namespace vantile {

class PauseWatches {
 public:
  // `window` is the desktop window whose monitor the cover watch judges.
  PauseWatches(GtkWidget* window, GtkOverlay* overlay, GtkWidget* view, PauseRules rules);
  PauseWatches(const PauseWatches&) = delete;
  PauseWatches& operator=(const PauseWatches&) = delete;

 private:
  void Report(PauseReason reason, bool active);

  PauseRules rules_;
  PauseReasons active_;
  PagePause pause_;
  // After pause_, so they end first and never report to a page gone.
  std::vector<std::unique_ptr<PauseWatch>> watches_;
};

}  // namespace vantile
