// The limits that keep a page from taking the desktop away, and the record
// that gives the panels back after a crash.
#include "shell/page_limits.h"
#include "shell/panel_record.h"
#include "shell/visibility.h"

#include <gtest/gtest.h>

namespace vantile {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

// Shows boxes as a page asks for them: each one asked `gap` after the
// previous one closed. Returns how many were shown.
int ShownOf(DialogFlood& flood, PageClock::time_point& now, int asked, milliseconds gap) {
  int shown = 0;
  for (int i = 0; i < asked; ++i) {
    now += gap;
    if (flood.MayShow(now)) {
      ++shown;
      now += milliseconds(200);  // the user reads and presses OK
      flood.Closed(now);
    }
  }
  return shown;
}

TEST(DialogFlood, ABurstShowsAFewBoxesThenDropsTheRestUntilTheUserMovesOnOrAQuietMinute) {
  DialogFlood flood;
  PageClock::time_point now{};
  EXPECT_EQ(ShownOf(flood, now, 1000, milliseconds(0)), DialogFlood::kDialogBurst);
  EXPECT_TRUE(flood.dropping());
  // A page that reloads itself and asks again, now and then, gets nothing.
  EXPECT_EQ(ShownOf(flood, now, 3, seconds(30)), 0);
  flood.Reset();
  EXPECT_EQ(ShownOf(flood, now, 2, milliseconds(0)), 2) << "the user loaded a page";
  EXPECT_EQ(ShownOf(flood, now, 5, milliseconds(0)), 1);
  EXPECT_EQ(ShownOf(flood, now, 1, DialogFlood::kQuietTime + seconds(1)), 1) << "a quiet minute";
}

TEST(DialogFlood, BoxesAskedForNowAndThenAreNeverDropped) {
  DialogFlood flood;
  PageClock::time_point now{};
  EXPECT_EQ(ShownOf(flood, now, 50, milliseconds(1500)), 50);
  // Bursts shorter than the limit, with a pause between them.
  for (int i = 0; i < 10; ++i) {
    now += seconds(2);
    EXPECT_EQ(ShownOf(flood, now, DialogFlood::kDialogBurst, milliseconds(10)), DialogFlood::kDialogBurst);
  }
}

TEST(MonitorCovered, OnlyFullScreenOrMaximisedShownWindowsOfThisWorkspaceOverEveryPixel) {
  const ScreenRect monitor{0, 0, 1280, 800};
  auto full = [](ScreenRect r) { return OtherWindow{r, true}; };
  const OtherWindow left = full({0, 0, 640, 800}), right = full({640, 0, 1280, 800});
  OtherWindow maximised{{0, 30, 1280, 800}, false, true}, minimised = full(monitor), elsewhere = full(monitor);
  minimised.hidden = true;
  elsewhere.on_current_desktop = false;
  const std::pair<std::vector<OtherWindow>, bool> rows[] = {
      {{}, false},
      {{full(monitor)}, true},
      {{full({-10, -10, 1300, 900})}, true},
      {{left}, false},
      {{left, right}, true},                       // together they leave nothing
      {{OtherWindow{monitor}}, false},             // a plain window the user sized to the screen
      {{maximised}, false},                        // the panel's strip shows the page
      {{maximised, full({0, 0, 1280, 30})}, true},
      {{minimised}, false},
      {{elsewhere}, false},
      {{full({1280, 0, 2560, 800})}, false},       // another monitor
  };
  for (const auto& [windows, covered] : rows) EXPECT_EQ(MonitorCovered(monitor, windows), covered) << windows.size();
  // Wayland: only a focused full-screen window on the desktop's output.
  EXPECT_TRUE(OutputCovered({{true, false, false, false}, {true, true, true, false}}));
  for (const ForeignWindow& w : {ForeignWindow{false, true, true, false}, ForeignWindow{true, true, false, false},
                                 ForeignWindow{true, true, true, true}, ForeignWindow{true, false, true, false}}) {
    EXPECT_FALSE(OutputCovered({w}));
  }
}

TEST(CrashRecovery, ReloadsAFewTimesThenShowsTheCrashPageAndCountsAfresh) {
  CrashRecovery recovery;
  PageClock::time_point now{};
  using Action = CrashRecovery::Action;
  for (int round = 0; round < 2; ++round) {
    for (int i = 0; i < CrashRecovery::kMaxReloads; ++i) {
      now += seconds(5);
      EXPECT_EQ(recovery.OnCrash(now), Action::Reload);
    }
    now += seconds(5);
    EXPECT_EQ(recovery.OnCrash(now), Action::ShowCrashPage);
  }
  // Crashes far apart are each reloaded.
  for (int i = 0; i < 10; ++i) {
    now += CrashRecovery::kCrashWindow;
    EXPECT_EQ(recovery.OnCrash(now), Action::Reload);
  }
}

TEST(PanelRecord, ReadsBackWhatItWroteAndSkipsWhatItCannotRead) {
  const std::vector<HiddenPanel> panels = {{0x1e00003, 4242}, {0x2a00001, 0}};
  EXPECT_EQ(ParsePanelRecord(FormatPanelRecord(panels)), panels);
  EXPECT_EQ(ParsePanelRecord("12 34\nx 1\n56\n0 7\n78 -1 2\n\n90 1"),
            (std::vector<HiddenPanel>{{12, 34}, {90, 1}}));
  EXPECT_EQ(PanelRecordPath("host:10.0").filename(), "hidden-panels-host:10.0");
}

}  // namespace
}  // namespace vantile
