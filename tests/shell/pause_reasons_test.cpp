// Whether the page is paused, from the reasons the watches report and the
// settings, and which reasons are watched at all.
#include "shell/pause_reasons.h"

#include <gtest/gtest.h>

#include "common/registry_store.h"
#include "temp_dir.h"

namespace vantile {
namespace {

using testing::TempDir;
using testing::WriteFile;

constexpr PauseReason kCovered = PauseReason::Covered;
constexpr PauseReason kLocked = PauseReason::Locked;

TEST(PauseReasons, AHiddenPagePausesUnlessTheSettingsKeepItRunning) {
  const PauseRules on{true}, off{false};
  const struct {
    PauseReasons active;
    PauseRules rules;
    bool paused;
  } cases[] = {
      {{}, on, false},
      {{kCovered}, on, true},
      {{kLocked}, on, true},
      {{kCovered, kLocked}, on, true},
      {{}, off, false},
      {{kCovered}, off, false},
      {{kCovered, kLocked}, off, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PagePaused(c.active, c.rules), c.paused)
        << "covered " << c.active.Has(kCovered) << " locked " << c.active.Has(kLocked)
        << " pause_when_hidden " << c.rules.pause_when_hidden;
  }
}

TEST(PauseReasons, OnlyTheReasonsTheSettingsHeedAreWatched) {
  EXPECT_EQ(ReasonsToWatch(PauseRules{true}), (PauseReasons{kCovered, kLocked}));
  EXPECT_TRUE(ReasonsToWatch(PauseRules{false}).Empty());
}

TEST(PauseReasons, TheSettingsFileTurnsPausingOffWithAZeroPauseWhenHidden) {
  const struct {
    const char* line;
    bool pause_when_hidden;
  } cases[] = {{"", true}, {"\"PauseWhenHidden\"=dword:00000000", false}, {"\"PauseWhenHidden\"=dword:00000001", true}};
  for (const auto& c : cases) {
    TempDir dir;
    RegistryStore store({dir / "settings", dir / "autostart"});
    WriteFile(store.HiveFile(HKEY_CURRENT_USER),
              std::string("Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Quorel\\Vantile]\n") +
                  c.line + "\n");
    EXPECT_EQ(ReadPauseRules(store).pause_when_hidden, c.pause_when_hidden) << c.line;
  }
}

}  // namespace
}  // namespace vantile
