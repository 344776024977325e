// frmMain over strict fakes: the order of start-up, the activate step and
// shutdown, the second instance, and the debug log.
#include "tests/shell/frm_main_fixture.h"

namespace vantile {
namespace {

using Calls = std::vector<std::string>;

TEST_F(FrmMainTest, FirstRunStartUpRunsItsStepsInOrder) {
  std::vector<std::string> busy_at;
  fakes.journal.on_record = [&](const std::string& call) {
    if (form_) busy_at.push_back(call + (Form().state().IsBusy ? " busy" : " idle"));
  };
  Form();
  fakes.AllowAll();
  ASSERT_TRUE(Form().Form_Load(""));

  EXPECT_EQ(fakes.journal.Calls(), (Calls{
                                       "menu.Build(17 entries)",
                                       "browser.SetUserAgent(Vantile 1.2/compatible MSIE 5.5)",
                                       "menu.SetItemEnabled(4,false)",
                                       "browser.SetDownloadControl(0x20000780)",
                                       "browser.SetEvents(set)",
                                       "pump.DoEvents x10001",
                                       "desktop.WorkArea",
                                       "desktop.ShowTaskbar(false)",
                                       "desktop.SetWindowState(Maximized)",
                                   }));
  // Busy only while the window loads (and the settings, not a platform call).
  EXPECT_EQ(busy_at[2], "menu.SetItemEnabled(4,false) busy");
  EXPECT_EQ(busy_at[3], "browser.SetDownloadControl(0x20000780) idle");
  EXPECT_EQ(busy_at[5], "pump.DoEvents idle");

  const frmMain::State& s = Form().state();
  EXPECT_EQ(s.History, Calls{""});
  EXPECT_EQ(s.HistoryIndex, 0);
  EXPECT_EQ(s.HistoryTop, 0);
  EXPECT_FALSE(s.IsBusy);
  EXPECT_FALSE(s.DebugMode);
  EXPECT_TRUE(s.MutexHandle.held());
  EXPECT_TRUE(s.PopupMenuHandle);
  EXPECT_EQ(s.DemoCount, 0);
  EXPECT_FALSE(fakes.menu.entries.at(1).enabled) << "no Demos folder greys &Demos";
  EXPECT_EQ(fakes.browser.events, &Form());
  EXPECT_FALSE(std::filesystem::exists(program_folder_ / "debug.log"));
}

TEST_F(FrmMainTest, StoredSettingsShapeStartUp) {
  Settings stored;
  stored.HomePage = "/home/user/desk.html";
  stored.ShowTaskbar = true;
  stored.NoScrollbars = true;
  stored.EnableImages = stored.EnableSound = stored.EnableVideo = true;
  stored.EnableScripting = stored.EnableActiveX = stored.EnableJava = true;
  StoreSettings(stored);
  std::filesystem::create_directories(program_folder_ / "Demos" / "Welcome");
  fakes.desktop.work_area = {0, 30, 1920, 1080};
  Start();

  EXPECT_EQ(fakes.journal.Calls(), (Calls{
                                       "menu.Build(17 entries)",
                                       "browser.SetUserAgent(Vantile 1.2/compatible MSIE 5.5)",
                                       "menu.SetItemEnabled(4,false)",
                                       "browser.SetHostFlags(0x8)",
                                       "browser.SetDownloadControl(0x20000070)",
                                       "browser.SetEvents(set)",
                                       "browser.Navigate(file:///home/user/desk.html)",
                                       "pump.DoEvents x10001",
                                       "desktop.WorkArea",
                                       "desktop.SetWindowState(Normal)",
                                       "desktop.MoveWindow(0,30,1920,1050)",
                                       "desktop.ShowTaskbar(true)",
                                   }));
  const frmMain::State& s = Form().state();
  EXPECT_EQ(s.CurrentAddress, "/home/user/desk.html");
  EXPECT_EQ(s.History, Calls{"/home/user/desk.html"});
  EXPECT_EQ(s.DemoNames, Calls{"Welcome"});
  ASSERT_EQ(fakes.menu.entries.at(1).submenu.size(), 1u);
  EXPECT_EQ(fakes.menu.entries[1].submenu[0].id, 100);
}

TEST_F(FrmMainTest, SecondInstanceLeavesAtOnceTouchingNothing) {
  InstanceLock first;
  ASSERT_EQ(first.TryAcquire(kInstanceLockName), InstanceLock::Result::Acquired);
  std::filesystem::create_directories(program_folder_ / "Demos" / "Welcome");
  // Every fake stays strict: any platform call fails the test.
  EXPECT_FALSE(Form().Form_Load("/debug"));
  Form().Form_QueryUnload();
  form_.reset();

  EXPECT_TRUE(fakes.journal.Empty()) << ::testing::PrintToString(fakes.journal.Calls());
  EXPECT_FALSE(std::filesystem::exists(program_folder_ / "debug.log"));
  EXPECT_FALSE(std::filesystem::exists(root_ / "config"));
  EXPECT_TRUE(first.held());
}

TEST_F(FrmMainTest, ActivateReloadsAPlainPathAsFileUriAndWaits) {
  Settings stored;
  stored.HomePage = "/home/user/my desk#1.html";
  StoreSettings(stored);
  Start();
  // The first, as the window is shown, waits for the page start-up asked
  // for; the ones after (Options or About closed) load it again.
  fakes.journal.Clear();
  Form().Form_Activate();
  for (const std::string& call : fakes.journal.Calls()) EXPECT_NE(call.rfind("browser.Navigate", 0), 0u) << call;
  fakes.browser.passes_per_load = 2;
  std::vector<bool> busy;
  fakes.journal.on_record = [&](const std::string&) { busy.push_back(Form().state().IsBusy); };
  fakes.journal.Clear();
  Form().Form_Activate();

  EXPECT_EQ(fakes.journal.Calls(), (Calls{
                                       "desktop.SetBusyCursor(true)",
                                       "browser.Navigate(file:///home/user/my%20desk%231.html)",
                                       "browser.ReadyState(1)",
                                       "pump.DoEvents",
                                       "browser.ReadyState(1)",
                                       "pump.DoEvents",
                                       "browser.ReadyState(4)",
                                       "menu.SetItemEnabled(3,false)",
                                       "menu.SetItemEnabled(6,false)",
                                       "menu.SetItemEnabled(8,false)",
                                       "desktop.SetBusyCursor(false)",
                                   }));
  EXPECT_TRUE(busy.front());
  EXPECT_TRUE(busy.back());
  EXPECT_FALSE(Form().state().IsBusy);
  EXPECT_FALSE(fakes.desktop.busy_cursor);
}

TEST_F(FrmMainTest, ActivateAwayFromHomeEnablesHomeAndSetAsHomePage) {
  Settings stored;
  stored.HomePage = "/home/user/desk.html";
  stored.LoadLast = true;
  stored.CurrentAddress = "http://127.0.0.1:8080/page.html";
  StoreSettings(stored);
  Start();
  fakes.journal.Clear();
  Form().Form_Activate();
  EXPECT_EQ(fakes.browser.navigated, Calls{"http://127.0.0.1:8080/page.html"});
  EXPECT_TRUE(fakes.menu.enabled.at(6));
  EXPECT_TRUE(fakes.menu.enabled.at(8));
  EXPECT_FALSE(fakes.menu.enabled.at(3));
}

TEST_F(FrmMainTest, ActivateWithoutStartPageNavigatesNowhereButStillWaits) {
  Start();
  fakes.journal.Clear();
  Form().Form_Activate();
  EXPECT_EQ(fakes.journal.Calls(), (Calls{
                                       "desktop.SetBusyCursor(true)",
                                       "browser.ReadyState(4)",
                                       "menu.SetItemEnabled(3,false)",
                                       "menu.SetItemEnabled(6,false)",
                                       "menu.SetItemEnabled(8,false)",
                                       "desktop.SetBusyCursor(false)",
                                   }));
  EXPECT_FALSE(fakes.menu.enabled.at(4));
}

TEST_F(FrmMainTest, ShutdownSavesRestoresReleasesAndDestroysInOrder) {
  Settings stored;
  stored.HomePage = "/home/user/desk.html";
  stored.RunAtStartup = true;
  StoreSettings(stored);
  Start();
  std::vector<std::string> seen;
  fakes.journal.on_record = [&](const std::string& call) {
    bool saved = std::filesystem::exists(paths_.settings_dir / "HKEY_CURRENT_USER.reg");
    seen.push_back(call + (saved ? " saved" : "") +
                   (InstanceLock::IsHeldElsewhere(kInstanceLockName) ? " locked" : ""));
  };
  // Only the settings this run writes may be found afterwards.
  std::filesystem::remove_all(paths_.settings_dir);
  fakes.journal.Clear();
  Form().Form_QueryUnload();

  EXPECT_EQ(seen, (Calls{"desktop.ShowTaskbar(true) saved locked", "menu.Destroy saved"}));
  EXPECT_FALSE(Form().state().MutexHandle.held());
  EXPECT_EQ(Form().state().Log, nullptr);

  RegistryStore reread(paths_);
  Settings loaded;
  LoadSettings(reread, loaded);
  EXPECT_EQ(loaded.HomePage, "/home/user/desk.html");
  EXPECT_TRUE(loaded.RunAtStartup);

  // A second close request finds the work done.
  fakes.journal.Clear();
  Form().Form_QueryUnload();
  EXPECT_TRUE(fakes.journal.Empty());
}

TEST_F(FrmMainTest, ExitFromMenuOrCtrlQClosesTheWindowWhichShutsDown) {
  Start();
  fakes.desktop.on_close = [this] { Form().Form_QueryUnload(); };
  fakes.menu.track_result = 16;
  fakes.journal.Clear();
  Form().ShowContextMenu();
  EXPECT_EQ(fakes.journal.Calls(), (Calls{"menu.Track", "desktop.Close",
                                          "desktop.ShowTaskbar(true)", "menu.Destroy"}));

  for (int shift : {0, 1, 3, 4, 6}) {
    fakes.journal.Clear();
    Form().Form_KeyUp(0x51, shift);
    EXPECT_TRUE(fakes.journal.Empty()) << "shift " << shift;
  }
  Form().Form_KeyUp(0x51, 2);
  EXPECT_EQ(fakes.journal.Calls(), Calls{"desktop.Close"});
}

TEST_F(FrmMainTest, CtrlQWhileTheStartPageLoadsEndsTheWaitAndLeavesThePanelsShown) {
  Settings stored;
  stored.HomePage = "http://127.0.0.1:1/slow.html";
  StoreSettings(stored);
  fakes.browser.passes_per_load = 1000000;  // never completes
  Start();
  fakes.desktop.on_close = [this] { Form().Form_QueryUnload(); };
  fakes.pump.on_pass = [this] {
    if (fakes.pump.passes == 10001 + 3) Form().Form_KeyUp(0x51, 2);
    if (fakes.pump.passes == 10001 + 50) {
      ADD_FAILURE() << "the wait went on after the window closed";
      fakes.browser.FinishLoad();
    }
  };
  fakes.menu.Allow({"Build", "SetItemEnabled", "Destroy"});  // Track never
  fakes.journal.Clear();
  Form().Form_Activate();

  Calls calls = fakes.journal.Calls();
  ASSERT_GE(calls.size(), 3u);
  EXPECT_EQ(calls.back(), "desktop.SetBusyCursor(false)");
  auto destroy = std::find(calls.begin(), calls.end(), "menu.Destroy");
  ASSERT_NE(destroy, calls.end());
  EXPECT_EQ(std::count_if(destroy, calls.end(),
                          [](const std::string& c) { return c.rfind("menu.", 0) == 0; }),
            1)
      << "no menu call after the menu is gone";
  EXPECT_TRUE(fakes.desktop.taskbar_visible);
  EXPECT_TRUE(Form().unloaded());
  EXPECT_FALSE(Form().state().IsBusy);
}

TEST_F(FrmMainTest, DismissedMenuAndOtherIdsChangeNothing) {
  Start();
  fakes.menu.track_result = 0;
  fakes.journal.Clear();
  Form().ShowContextMenu();
  EXPECT_EQ(fakes.journal.Calls(), Calls{"menu.Track"});
  fakes.journal.Clear();
  for (int id : {2, 9, 99, 100, 5000, -1}) Form().ProcessMenuClick(id);
  EXPECT_TRUE(fakes.journal.Empty());
}

TEST_F(FrmMainTest, WithoutAMenuRightClickShowsNothingAndItemsAreNotTouched) {
  fakes.menu.build_result = false;
  Start();
  EXPECT_FALSE(Form().state().PopupMenuHandle);
  Calls calls = fakes.journal.Calls();
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "menu.SetItemEnabled(4,false)"), 0);

  fakes.menu.AllowNone();  // strict from here: the menu must not be used
  Form().ShowContextMenu();
  Form().Form_Activate();
  Form().Form_QueryUnload();
}

TEST_F(FrmMainTest, DebugSwitchMustBeExact) {
  for (const char* argument : {"/DEBUG", "/debug ", " /debug", "/debug x", "-debug"}) {
    Form().Form_QueryUnload();
    form_.reset();
    fakes.AllowAll();
    ASSERT_TRUE(Form().Form_Load(argument));
    EXPECT_FALSE(Form().state().DebugMode) << argument;
    EXPECT_FALSE(std::filesystem::exists(program_folder_ / "debug.log")) << argument;
  }
}

TEST_F(FrmMainTest, DebugRunWithoutNavigationLogsTheFourLines) {
  Start("/debug");
  EXPECT_TRUE(Form().state().DebugMode);
  Form().Form_QueryUnload();
  Calls lines = LogLines();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0].rfind("Log Started:  ", 0), 0u) << lines[0];
  EXPECT_EQ(lines[1], "INFORMATION:  CreateMyPopupMenu:Begin");
  EXPECT_EQ(lines[2], "INFORMATION:  CreateMyPopupMenu:End");
  EXPECT_EQ(lines[3], "INFORMATION:  QueryUnload");
}

TEST_F(FrmMainTest, SettingsFileThatCannotBeReadMeansDefaultsAndSaysSo) {
  const std::filesystem::path hive = paths_.settings_dir / "HKEY_CURRENT_USER.reg";
  std::filesystem::create_directories(hive);  // there, but reading it fails
  ::testing::internal::CaptureStderr();
  Start("/debug");
  const std::string error = "cannot read " + hive.string() + ": Is a directory";
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "vantile: " + error + "; running on default settings and leaving the file as it is\n");
  EXPECT_EQ(Form().state().SourceEditor, "") << "as on a first run";
  Form().Form_QueryUnload();
  Calls lines = LogLines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "ERROR:  LoadSettings: " + error), lines.end())
      << ::testing::PrintToString(lines);
  EXPECT_TRUE(std::filesystem::is_directory(hive));
}

TEST_F(FrmMainTest, DebugLogRecordsMenuAndGuardLinesInOrder) {
  // An older log is replaced, not continued.
  std::ofstream(program_folder_ / "debug.log") << "old run\r\n";
  Settings stored;
  stored.ProgramCount = 1;
  stored.Programs = {"/usr/bin/ed"};
  StoreSettings(stored);
  Start("/debug");
  fakes.shell.open_result = false;
  bool cancel = false;
  Form().ProcessMenuClick(0);
  Form().WB_BeforeNavigate2("http://example.com/", cancel);
  Form().WB_BeforeNavigate2("ab", cancel);
  Form().WB_BeforeNavigate2("launch:/usr/bin/ed?param=x", cancel);
  Form().WB_BeforeNavigate2("folder:/tmp", cancel);
  Form().openFile("/nowhere/file.txt", "", "", 1);
  Form().Form_QueryUnload();

  Calls lines = LogLines();
  lines.erase(lines.begin());  // the start line
  EXPECT_EQ(lines, (Calls{
                       "INFORMATION:  CreateMyPopupMenu:Begin",
                       "INFORMATION:  CreateMyPopupMenu:End",
                       "INFORMATION:  ProcessMenuClick:0",
                       "INFORMATION:  BeforeNavigate:Start - http://example.com/",
                       "INFORMATION:  BeforeNavigate:Finished",
                       "INFORMATION:  BeforeNavigate:Start - ab",
                       "INFORMATION:  BeforeNavigate:Start - launch:/usr/bin/ed?param=x",
                       "ERROR:  BeforeNavigate:Launch Failed - /usr/bin/ed",
                       "INFORMATION:  BeforeNavigate:Start - folder:/tmp",
                       "ERROR:  openFile:Open Failed - /nowhere/file.txt",
                       "INFORMATION:  QueryUnload",
                   }));
}

TEST_F(FrmMainTest, UnwritableProgramFolderMeansNoLogAndStartUpGoesOn) {
  // A program folder below a plain file can be neither listed nor written,
  // whoever runs the test.
  std::ofstream(root_ / "plainfile") << "x";
  program_folder_ = root_ / "plainfile" / "prog";
  Start("/debug");
  EXPECT_TRUE(Form().state().DebugMode);
  ASSERT_NE(Form().state().Log, nullptr);
  EXPECT_FALSE(Form().state().Log->LogIsOpen());
  bool cancel = false;
  Form().WB_BeforeNavigate2("http://example.com/", cancel);
  Form().Form_QueryUnload();
  EXPECT_EQ(fakes.desktop.taskbar_visible, true);
}

}  // namespace
}  // namespace vantile
