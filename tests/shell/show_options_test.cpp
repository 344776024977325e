// The Options command: what the dialog is handed, what Save takes back and
// applies, and that Cancel changes nothing.
#include "tests/shell/frm_main_fixture.h"

namespace vantile {
namespace {

using Calls = std::vector<std::string>;

struct ShowOptionsTest : FrmMainTest {
  void StartWith(Settings stored) {
    StoreSettings(stored);
    Start();
    Form().Form_Activate();  // the first, as the window is shown
    fakes.journal.Clear();
  }
  std::string HiveText() {
    std::ifstream in(paths_.settings_dir / "HKEY_CURRENT_USER.reg", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
};

Settings Stored() {
  Settings s;
  s.HomePage = "/home/u/desk.html";
  s.SourceEditor = "/usr/bin/vi";
  s.EnableImages = true;
  s.EnableScripting = true;
  s.ProgramCount = 1;
  s.Programs = {"/usr/bin/xterm"};
  return s;
}

TEST_F(ShowOptionsTest, SaveTakesEveryValueBackPlacesTheWindowHandsOverTheFlagsAndStores) {
  StartWith(Stored());
  fakes.desktop.work_area = {0, 0, 1280, 760};
  std::string seen_home;
  std::vector<std::string> seen_list;
  fakes.dialogs.on_options = [&](frmOptions& d) {
    seen_home = d.txtHome;
    seen_list = d.lstPrograms();
    d.SetCheckValue(OptionCheck::EnableGraphics, false);
    d.SetCheckValue(OptionCheck::Taskbar, true);
    d.txtHome = "/home/u/other.html";
    d.txtEditor = "";
    d.cmdClearPrograms_Click();
    d.cmdSave_Click();
  };
  Form().ProcessMenuClick(50);

  EXPECT_EQ(seen_home, "/home/u/desk.html");
  EXPECT_EQ(seen_list, Calls{"/usr/bin/xterm"});
  Calls calls = fakes.journal.Calls();
  ASSERT_GE(calls.size(), 8u);
  EXPECT_EQ(Calls(calls.begin(), calls.begin() + 8), (Calls{
                                                          "desktop.WindowHandle",
                                                          "dialogs.ShowOptions(owned)",
                                                          "desktop.WorkArea",
                                                          "desktop.SetWindowState(Normal)",
                                                          "desktop.MoveWindow(0,0,1280,760)",
                                                          "desktop.ShowTaskbar(true)",
                                                          "browser.SetDownloadControl(0x20000700)",
                                                          "desktop.SetBusyCursor(true)",
                                                      }))
      << "then the activate step";
  EXPECT_EQ(calls.back(), "desktop.SetBusyCursor(false)");

  const frmMain::State& s = Form().state();
  EXPECT_FALSE(s.EnableImages);
  EXPECT_TRUE(s.ShowTaskbar);
  EXPECT_EQ(s.HomePage, "/home/u/other.html");
  EXPECT_EQ(s.SourceEditor, "notepad.exe");
  EXPECT_EQ(s.ProgramCount, 0);
  // Written at once: a fresh read finds the new values.
  Settings reread;
  RegistryStore reader(paths_);
  LoadSettings(reader, reread);
  EXPECT_EQ(reread.HomePage, "/home/u/other.html");
  EXPECT_TRUE(reread.ShowTaskbar);
  EXPECT_EQ(reread.ProgramCount, 0);
}

TEST_F(ShowOptionsTest, CancelChangesNothingButStillRunsTheActivateStep) {
  StartWith(Stored());
  const std::string hive_before = HiveText();
  const frmMain::State& s = Form().state();
  fakes.dialogs.on_options = [&](frmOptions& d) {
    d.SetCheckValue(OptionCheck::EnableScripting, false);
    d.txtHome = "/elsewhere.html";
    d.cmdClearPrograms_Click();
    d.cmdCancel_Click();
  };
  Form().Form_KeyUp(0x75, 0);

  EXPECT_EQ(fakes.journal.Calls(), (Calls{
                                       "desktop.WindowHandle",
                                       "dialogs.ShowOptions(owned)",
                                       "desktop.SetBusyCursor(true)",
                                       "browser.Navigate(file:///home/u/desk.html)",
                                       "browser.ReadyState(4)",
                                       "menu.SetItemEnabled(3,false)",
                                       "menu.SetItemEnabled(6,false)",
                                       "menu.SetItemEnabled(8,false)",
                                       "desktop.SetBusyCursor(false)",
                                   }));
  EXPECT_TRUE(s.EnableScripting);
  EXPECT_EQ(s.HomePage, "/home/u/desk.html");
  EXPECT_EQ(s.Programs, Calls{"/usr/bin/xterm"});
  EXPECT_EQ(HiveText(), hive_before);
}

TEST_F(ShowOptionsTest, F6OpensOptionsWithAnyShiftState) {
  StartWith(Settings{});
  for (int shift : {0, 1, 2, 4, 7}) Form().Form_KeyUp(0x75, shift);
  int shown = 0;
  for (const std::string& call : fakes.journal.Calls()) shown += call == "dialogs.ShowOptions(owned)";
  EXPECT_EQ(shown, 5);
}

}  // namespace
}  // namespace vantile
