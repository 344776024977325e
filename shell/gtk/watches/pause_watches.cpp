#include "shell/gtk/watches/pause_watches.h"

#include <utility>

#include "shell/gtk/watches/cover_watch.h"
#include "shell/gtk/watches/lock_watch.h"

namespace vantile {
namespace {

std::unique_ptr<PauseWatch> WatchFor(PauseReason reason, GtkWidget* window, PauseReport report) {
  switch (reason) {
    case PauseReason::Covered: return std::make_unique<CoverWatch>(window, std::move(report));
    case PauseReason::Locked: return std::make_unique<LockWatch>(std::move(report));
    case PauseReason::kCount: break;
  }
  return nullptr;
}

}  // namespace

PauseWatches::PauseWatches(GtkWidget* window, GtkOverlay* overlay, GtkWidget* view, PauseRules rules)
    : rules_(rules), pause_(overlay, view) {
  const PauseReasons watched = ReasonsToWatch(rules_);
  for (int i = 0; i < static_cast<int>(PauseReason::kCount); ++i) {
    if (!watched.Has(static_cast<PauseReason>(i))) continue;
    watches_.push_back(WatchFor(static_cast<PauseReason>(i), window,
                                [this](PauseReason reason, bool active) { Report(reason, active); }));
  }
}

void PauseWatches::Report(PauseReason reason, bool active) {
  active_.Set(reason, active);
  pause_.SetPaused(PagePaused(active_, rules_));
}

}  // namespace vantile
