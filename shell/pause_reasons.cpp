#include "shell/pause_reasons.h"

#include "common/registry_store.h"
#include "shell/settings.h"

namespace vantile {
namespace {

// Reasons that only mean nobody can see the page.
constexpr PauseReasons kHidden = {PauseReason::Covered, PauseReason::Locked};

}  // namespace

PauseRules ReadPauseRules(RegistryStore& store) {
  PauseRules rules;
  rules.pause_when_hidden = SettingSwitchOn(store, "PauseWhenHidden");
  return rules;
}

PauseReasons ReasonsToWatch(const PauseRules& rules) {
  return rules.pause_when_hidden ? kHidden : PauseReasons{};
}

bool PagePaused(PauseReasons active, const PauseRules& rules) {
  return active.Overlaps(ReasonsToWatch(rules));
}

}  // namespace vantile
