#include "shell/frm_main.h"

#include <iostream>
#include <utility>

#include "shell/file_uri.h"
#include "shell/popup_menu.h"

namespace vantile {

namespace {

// Start-up lets the window settle for this many message-loop passes before it
// is placed (counter 0 to 10,000 inclusive).
constexpr int kSettlePasses = 10001;

}  // namespace

frmMain::frmMain(MainPlatform platform, std::filesystem::path program_folder,
                 std::string program_path, std::optional<MonitorRole> role)
    : platform_(platform),
      WB(platform.browser),
      program_folder_(std::move(program_folder)),
      program_path_(std::move(program_path)),
      role_(std::move(role)) {}

frmMain::~frmMain() {
  // The browser may outlive us briefly while GTK tears the window down.
  if (phase_ == Phase::Loaded || phase_ == Phase::Unloaded) WB.SetEvents(nullptr);
}

void frmMain::LogInfo(const std::string& text) {
  if (state_.DebugMode && state_.Log) state_.Log->LogEvent(text, 0);
}

void frmMain::LogError(const std::string& text) {
  if (state_.DebugMode && state_.Log) state_.Log->LogEvent(text, 1);
}

void frmMain::WaitForCompletion() {
  // A close request handled inside the wait (Ctrl+Q while a slow page loads)
  // ends it: the window is going away and its page no longer matters.
  const auto deadline = platform_.pump.Now() + kLoadWaitLimit;
  while (phase_ == Phase::Loaded && WB.ReadyState() != READYSTATE_COMPLETE) {
    if (platform_.pump.Now() >= deadline) {
      // Go on as after a failed load; the page may still finish.
      LogError("WaitForCompletion:Gave Up After " + std::to_string(kLoadWaitLimit.count()) + " Seconds");
      return;
    }
    platform_.pump.DoEvents();
  }
}

void frmMain::FollowScreen(const std::string& candidate) {
  const std::string shown = WB.LocationURL();
  // No page yet, or the page that says the web process crashed (which
  // offers the user's page again): the user's page is still the current one.
  if (shown.empty() || shown == "about:blank" || shown.starts_with(CrashPageAddress(program_folder_))) return;
  if (ShowsAddress(shown, candidate)) {
    state_.CurrentAddress = candidate;
  } else if (!ShowsAddress(shown, state_.CurrentAddress)) {
    state_.CurrentAddress = StoredAddressOf(shown);
  }
}

bool frmMain::Form_Load(const std::string& argument_text) {
  // 1. Another vantile runs: leave at once, before any visible effect. (A
  // window on another monitor is this program's own.)
  if (primary() && InstanceLock::IsHeldElsewhere(kInstanceLockName)) {
    phase_ = Phase::SecondInstance;
    return false;
  }

  // 2, 3. The log object always exists; its file only with exactly "/debug".
  state_.Log = std::make_unique<AppLog>();
  if (primary() && argument_text == "/debug") {
    state_.DebugMode = true;
    // A folder we may not write leaves the log closed; the program goes on.
    state_.Log->CreateLog((program_folder_ / "debug.log").string());
  }

  // 4. The popup menu, demo list included.
  CreateMyPopupMenu();

  // 5. The settings, and with them the start page and the allow-list.
  LoadWindowSettings();

  // 6. Window load. The browser comes up with its design-time user agent.
  WB.SetUserAgent(kUserAgent);
  state_.History.assign(1, state_.CurrentAddress);
  state_.HistoryIndex = 0;
  state_.HistoryTop = 0;
  state_.IsBusy = true;
  SetMenuItemEnabled(kMenuGoForward, false);
  // Held for the life of the window; a lock that cannot be taken (a racing
  // second start, no writable runtime folder) does not stop this window.
  if (primary()) state_.MutexHandle.TryAcquire(kInstanceLockName);
  state_.IsBusy = false;

  // 7, 8. Scroll bars, and what the page may download.
  ApplyPageSettings();

  // 9, 10. From here the browser's events and requests reach this window.
  WB.SetEvents(this);
  phase_ = Phase::Loaded;

  // The start page is asked for now, so that WebKit starts its web process
  // with it while the window is placed and shown (that start is most of the
  // time to the first page); the first activate step waits for this load
  // instead of asking again. A window on another monitor shares the running
  // process and asks in its activate step, as it did.
  if (primary() && !state_.CurrentAddress.empty()) {
    WB.Navigate(ReloadAddress(state_.CurrentAddress));
    start_page_asked_ = true;
  }

  // 11. Let pending events (resize, browser) run before the window is placed.
  // A window on another monitor comes while the program runs: nothing
  // is pending for it.
  for (int pass = 0; primary() && pass < kSettlePasses && phase_ == Phase::Loaded; ++pass) {
    platform_.pump.DoEvents();
  }

  // 12. Placement and taskbar; not after a close request already restored the
  // panels, or they would stay hidden after exit.
  if (phase_ == Phase::Loaded) PositionWindow();
  return true;
}

void frmMain::LoadWindowSettings() {
  state_.IsBusy = true;
  LoadSettings(platform_.registry, state_);
  if (!primary()) {
    // Another monitor starts at its own home page, never at "LastPage".
    TakeMonitorHome(state_);
    state_.CurrentAddress = state_.HomePage;
  }
  state_.IsBusy = false;
  // A settings file that exists but cannot be read is left as it is and the
  // window runs on defaults; the user must hear why their settings are gone.
  for (const std::string& problem : primary() ? platform_.registry.UnreadableHives() : std::vector<std::string>{}) {
    std::cerr << "vantile: " << problem << "; running on default settings and leaving the file as it is\n";
    LogError("LoadSettings: " + problem);
  }
}

void frmMain::ApplyPageSettings() {
  // Scroll bars off only when asked; otherwise the flags are left alone.
  if (state_.NoScrollbars) WB.SetHostFlags(DOCHOSTUIFLAG_SCROLL_NO);
  WB.SetDownloadControl(DownloadControlFlags(state_));
}

void frmMain::Form_Activate() {
  state_.IsBusy = true;
  platform_.desktop.SetBusyCursor(true);
  // The page on screen is the one loaded again, wherever its links led;
  // the first time, the start page is on its way already.
  FollowScreen();
  if (!std::exchange(start_page_asked_, false) && !state_.CurrentAddress.empty()) {
    WB.Navigate(ReloadAddress(state_.CurrentAddress));
  }
  // Also when nothing was navigated: the browser reports complete when idle.
  WaitForCompletion();
  FollowScreen();
  SetMenuItemEnabled(kMenuGoBack, false);
  ApplyHomeRule();
  platform_.desktop.SetBusyCursor(false);
  state_.IsBusy = false;
}

void frmMain::Form_QueryUnload() {
  // A second instance never loaded and must leave everything as it found it;
  // a repeated close request finds the work already done.
  if (phase_ != Phase::Loaded) return;
  phase_ = Phase::Unloaded;

  if (primary()) {
    // "LastPage" is the page on screen.
    FollowScreen();
    SaveSettings(platform_.registry, state_, program_path_);
    RestoreTaskbar();
    state_.MutexHandle.Release();
  }
  if (state_.PopupMenuHandle) {
    platform_.menu.Destroy();
    state_.PopupMenuHandle = false;
  }
  if (state_.DebugMode) LogInfo("QueryUnload");
  state_.Log.reset();  // closes the log file
}

void frmMain::PositionWindow() {
  // Read in both cases, used only when the panels stay.
  ScreenRect work = platform_.desktop.WorkArea();
  if (state_.ShowTaskbar) {
    platform_.desktop.SetWindowState(Desktop::WindowState::Normal);
    platform_.desktop.MoveWindow(work.left, work.top, work.right - work.left,
                                 work.bottom - work.top);
    // Shown only after the window sits beside it.
    RestoreTaskbar();
  } else {
    HideTaskbar();
    platform_.desktop.SetWindowState(Desktop::WindowState::Maximized);
  }
}

// The panels are the primary window's to hide and show again.
void frmMain::HideTaskbar() {
  if (primary()) platform_.desktop.ShowTaskbar(false);
}

void frmMain::RestoreTaskbar() {
  if (primary()) platform_.desktop.ShowTaskbar(true);
}

void frmMain::ReloadSettings() {
  if (primary() || phase_ != Phase::Loaded) return;
  Settings saved;
  LoadSettings(platform_.registry, saved);
  TakeMonitorHome(saved);
  saved.CurrentAddress = state_.CurrentAddress;
  static_cast<Settings&>(state_) = std::move(saved);
  ApplyPageSettings();
  ApplyHomeRule();
}

void frmMain::TakeMonitorHome(Settings& settings) {
  if (std::string home = MonitorHomePage(platform_.registry, role_->monitor); !home.empty()) settings.HomePage = home;
}

void frmMain::HomePageChanged() {
  if (!primary()) SaveMonitorHomePage(platform_.registry, role_->monitor, state_.HomePage);
}

void frmMain::CreateMyPopupMenu() {
  state_.PopupMenuHandle = vantile::CreateMyPopupMenu(
      platform_.menu, (program_folder_ / "Demos").string() + "/", ListDirectory,
      state_.DebugMode ? state_.Log.get() : nullptr, state_.DemoNames, state_.DemoCount);
}

void frmMain::SetMenuItemEnabled(int id, bool enabled) {
  if (state_.PopupMenuHandle) platform_.menu.SetItemEnabled(id, enabled);
}

}  // namespace vantile
