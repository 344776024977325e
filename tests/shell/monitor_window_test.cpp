// A desktop window on a monitor besides the primary: its own home page and
// history over the shared settings, which it never writes.
#include "shell/monitor_layout.h"
#include "tests/shell/frm_main_fixture.h"

namespace vantile {
namespace {

using Calls = std::vector<std::string>;
constexpr int kKeyS = 0x53, kKeyF4 = 0x73, kKeyF6 = 0x75, kCtrl = 2;

TEST_F(FrmMainTest, AnotherMonitorStartsAtItsOwnHomeStoresItAtOnceAndLeavesTheRestToThePrimary) {
  struct Row {
    std::string stored_for_monitor, starts_at;
    int key, shift;
  };
  for (const Row& row : {Row{"", "/home/u/desk.html", kKeyS, kCtrl}, Row{"/home/u/side.html", "/home/u/side.html", kKeyF4, 0}}) {
    SCOPED_TRACE(row.starts_at);
    TearDown();
    SetUp();
    Settings stored;
    stored.HomePage = "/home/u/desk.html", stored.LoadLast = true, stored.CurrentAddress = "/home/u/last.html";
    StoreSettings(stored);
    if (!row.stored_for_monitor.empty()) SaveMonitorHomePage(*store_, "HDMI-A-2", row.stored_for_monitor);
    Calls options_over;
    role_ = MonitorRole{"HDMI-A-2", [&](OwnerWindow owner) { options_over.push_back(owner ? "owned" : "none"); }};
    Start();
    // Never the last page, never the panels, no settle passes, no lock.
    EXPECT_EQ(Form().state().CurrentAddress, row.starts_at);
    for (const std::string& call : fakes.journal.Calls()) {
      EXPECT_EQ(call.find("ShowTaskbar"), std::string::npos) << call;
      EXPECT_EQ(call.find("DoEvents"), std::string::npos) << call;
    }
    EXPECT_FALSE(Form().state().MutexHandle.held());

    Form().Form_Activate();
    fakes.browser.Visit("file:///home/u/other.html");
    Form().Form_KeyUp(row.key, row.shift);
    EXPECT_EQ(MonitorHomePage(*store_, "HDMI-A-2"), "file:///home/u/other.html");
    EXPECT_EQ(MonitorHomePage(*store_, "HDMI-A-1"), "");

    Form().Form_KeyUp(kKeyF6, 0);
    EXPECT_EQ(options_over, Calls{"owned"}) << "Options are the primary's";
    fakes.journal.Clear();
    Form().Form_QueryUnload();
    EXPECT_EQ(fakes.journal.Calls(), Calls{"menu.Destroy"});
    Settings loaded;
    LoadSettings(*store_, loaded);
    EXPECT_EQ(loaded.HomePage + " " + loaded.CurrentAddress, "/home/u/desk.html /home/u/last.html");
  }
}

TEST(SecondaryMonitors, EveryMonitorButThePrimaryWithNamesOfTheirOwn) {
  struct Row {
    bool on;
    std::vector<MonitorInfo> monitors;
    std::vector<SecondaryMonitor> expected;
  } rows[] = {
      {false, {{"DP-1", true}, {"HDMI-A-1", false}}, {}},
      {true, {{"DP-1", true}}, {}},
      {true, {}, {}},
      {true, {{"DP-1", false}, {"HDMI-A-1", true}, {"DP-2", false}}, {{0, "DP-1"}, {2, "DP-2"}}},
      // No primary marked: the first one is.
      {true, {{"DP-1", false}, {"DP-2", false}}, {{1, "DP-2"}}},
      // Two of the same model without connector names never share a page.
      {true, {{"Acme 24", true}, {"Acme 24", false}, {"", false}, {"Acme 24", false}},
       {{1, "Acme 24 (2)"}, {2, "Monitor"}, {3, "Acme 24 (3)"}}},
  };
  for (const Row& row : rows) EXPECT_EQ(SecondaryMonitors(row.on, row.monitors), row.expected);
}

}  // namespace
}  // namespace vantile
