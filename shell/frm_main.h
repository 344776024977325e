// frmMain: the main window's behaviour. It owns the program's state record,
// runs start-up, the activate step and shutdown in their fixed order, answers
// the browser's requests (link guard, page commands, message boxes, context
// menu) and dispatches menu ids and keys. It only talks to the platform
// through the interfaces of shell/platform.h, so tests drive it over fakes.
//
// Who calls what (the GTK layer and main()):
//   if (!form.Form_Load(args)) return 0;   // steps 1..12; false: another vantile runs
//   desktop.Show();                        // step 13
//   ... first showing and whenever one of our own dialogs closes
//                         -> form.Form_Activate()
//                            (not when the user switches back from another program)
//   ... key releases      -> form.Form_KeyUp(windows_virtual_key, shift_bits)
//   ... close request     -> form.Form_QueryUnload()   (never refused)
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/file_chooser.h"
#include "common/instance_lock.h"
#include "common/registry_store.h"
#include "shell/app_log.h"
#include "shell/commands.h"
#include "shell/platform.h"
#include "shell/settings.h"

namespace vantile {

// Every platform facility the window uses; the referenced objects outlive it.
struct MainPlatform {
  Browser& browser;
  Desktop& desktop;
  Shell& shell;
  Dialogs& dialogs;
  Menu& menu;
  MessagePump& pump;
  RegistryStore& registry;
  FileChooser& chooser;  // the Load Page dialog
};

// The main window's state record. The settings fields (HomePage,
// CurrentAddress, ShowTaskbar, Programs, ProgramCount ...) come from Settings.
struct MainWindowState : Settings {
  // The system's own page history: History[0..HistoryTop], current at HistoryIndex.
  std::vector<std::string> History;
  std::int32_t HistoryIndex = 0;
  std::int32_t HistoryTop = 0;
  // True while the settings load, the window loads and the activate step runs.
  bool IsBusy = false;
  // The "VantileMain" lock, held from window load to shutdown.
  InstanceLock MutexHandle;
  // Whether the popup menu exists (it is built once at start-up).
  bool PopupMenuHandle = false;
  // Demo folder names, sorted; DemoNames holds one empty entry when DemoCount is 0.
  std::vector<std::string> DemoNames;
  std::int32_t DemoCount = 0;
  // Started with exactly "/debug".
  bool DebugMode = false;
  // Created at every start (its file opens only in debug mode); released at shutdown.
  std::unique_ptr<AppLog> Log;
};

// A desktop window on a monitor other than the primary one. It has its own
// page, history and menu; the settings, the log, the instance lock,
// "LastPage" and the panels stay the primary window's. Its home page is the
// one stored for its monitor, else the primary's.
struct MonitorRole {
  std::string monitor;  // the value name under the Monitors key
  // Options belong to the primary window, which shows them over `owner`
  // and applies what was saved to every window.
  std::function<void(OwnerWindow owner)> show_options;
};

// The longest a command waits for a page to load.
inline constexpr std::chrono::seconds kLoadWaitLimit{30};
inline constexpr const char* kUserAgent = "Vantile 1.2/compatible MSIE 5.5";
inline constexpr const char* kInstanceLockName = "VantileMain";
inline constexpr const char* kMessageTitleSuffix = " - Vantile";
// The style of the program's own message boxes: OK and the information icon.
inline constexpr std::uint32_t kInformationBox = 0x40;

class frmMain : public BrowserEvents {
 public:
  using State = MainWindowState;

  // `program_folder` holds Demos/ and debug.log; `program_path` is the full
  // path of the running executable (the text of the Run-at-startup value).
  frmMain(MainPlatform platform, std::filesystem::path program_folder, std::string program_path,
          std::optional<MonitorRole> role = std::nullopt);
  ~frmMain() override;
  frmMain(const frmMain&) = delete;
  frmMain& operator=(const frmMain&) = delete;

  // Start-up steps 1..12. Returns false at once, having touched nothing (no
  // log, no settings, no menu, no taskbar), when another vantile runs; the
  // caller then exits with status 0. `argument_text` is everything after the
  // program name.
  bool Form_Load(const std::string& argument_text);
  // The activate step: reloads the current page, waits for it, sets the
  // Back/Home/Set As Home Page items. The first one, as the window is shown,
  // waits for the start page Form_Load asked for instead of asking again.
  void Form_Activate();
  // Shutdown steps 1..5. Runs once; does nothing when Form_Load returned false.
  // A wait for the page in progress (activate step) ends when it has run.
  void Form_QueryUnload();
  // Whether shutdown has run (a close request may arrive inside a wait).
  bool unloaded() const { return phase_ == Phase::Unloaded; }

  // Menu command ids (0 = dismissed; ids without a command do nothing).
  void ProcessMenuClick(int id);
  // Windows virtual-key code and shift bits (1 Shift, 2 Ctrl, 4 Alt). The
  // keys of the command table ask for exactly Ctrl, exactly no Shift, Ctrl
  // or Alt, or (F6) anything.
  void Form_KeyUp(int key_code, int shift);

  // The Options command: the dialog edits a copy of the settings; after Save
  // they are taken back, applied and written at once.
  void ShowOptions();
  // The dialog itself, over `owner`; the primary window shows it for the
  // others too. No activate step follows.
  void ShowOptions(OwnerWindow owner);
  // Runs after Options saved the settings, so other windows can follow.
  void SetSettingsSavedHandler(std::function<void()> handler) { settings_saved_ = std::move(handler); }
  // A window on another monitor takes the settings Options saved: the
  // page switches and its home page; its page stays. Placing it again is
  // left to the caller, which places every window once.
  void ReloadSettings();

  // Window placement: hides or keeps the panels per ShowTaskbar and maximises
  // the window or puts it on the work area.
  void PositionWindow();
  void HideTaskbar();
  void RestoreTaskbar();

  // Enables or greys a popup menu item by command id (nothing without a menu).
  void SetMenuItemEnabled(int id, bool enabled);

  // BrowserEvents.
  void WB_BeforeNavigate2(const std::string& URL, bool& Cancel) override;
  void WB_BeforeNavigate2(const std::string& URL, const NavigationSource& Source,
                          bool& Cancel) override;
  int WBMessages_ShowMessage(const std::string& Prompt, std::int32_t Buttons,
                             const std::string& Title, const std::string& HelpFile,
                             std::int32_t Context) override;
  void WBMessages_ShowHelp(const std::string& pszHelpFile, std::int32_t uCommand,
                           std::int32_t dwData, std::int32_t X, std::int32_t Y) override;
  void ShowContextMenu() override;
  void openFile(const std::string& sFile, const std::string& sParams, const std::string& sDir,
                std::int32_t showFormat) override;
  void openFolder(const std::string& sFolder) override;
  void openControlPanel() override;
  std::string getLocalDrives() override;

  // A line in the debug log (only in debug mode), for the program's other
  // parts: the windows of the other monitors coming and going.
  void LogNote(const std::string& text) { LogInfo(text); }

  const State& state() const { return state_; }
  const std::filesystem::path& program_folder() const { return program_folder_; }
  const std::string& program_path() const { return program_path_; }

 private:
  void CreateMyPopupMenu();
  // Start-up's settings: a window on another monitor starts at its own
  // home page; a settings file that cannot be read is reported.
  void LoadWindowSettings();
  // The settings the page is shown with: scroll bars and downloads.
  void ApplyPageSettings();
  void LogInfo(const std::string& text);
  void LogError(const std::string& text);
  // Runs the message loop until the page has loaded, for at most
  // kLoadWaitLimit: a page that never finishes must not keep the hourglass,
  // IsBusy and every command behind it for ever.
  void WaitForCompletion();
  // CurrentAddress becomes the page the browser shows, in the stored form;
  // `candidate` (a history entry) is taken when it names that page. Nothing
  // changes while the browser shows no page of the user's.
  void FollowScreen(const std::string& candidate = {});
  // Asks the user about a link a page from elsewhere followed; fills in
  // the program's full path that was shown. False: do nothing.
  bool UserConsents(GuardDecision& decision);

  // Page loading and the page history (page_loading.cpp).
  void LoadPage();
  void UpdateNavigation(const std::string& url);
  void NavigateBack();
  void NavigateForward();
  void NavigateHome();
  void SetAsHomePage();
  void ShowAbout();
  // Home and Set As Home Page are available only away from the home page.
  void ApplyHomeRule();
  // The home page changed by Set As Home Page or F4; a window on another
  // monitor stores it for its monitor at once.
  void HomePageChanged();
  // A window on another monitor: the page stored for it, if any, is its home.
  void TakeMonitorHome(Settings& settings);
  bool primary() const { return !role_.has_value(); }

  // The commands of the menu and the keys (menu_commands.cpp).
  void RunCommand(Command command);
  void OpenDemo(std::int32_t index);
  void EditPage();
  void OpenHelpFile();
  void ExitProgram();
  // The bundled help page as a file address.
  std::string HelpAddress() const;

  MainPlatform platform_;
  Browser& WB;
  std::filesystem::path program_folder_;
  std::string program_path_;
  State state_;
  enum class Phase { Created, Loaded, Unloaded, SecondInstance };
  Phase phase_ = Phase::Created;
  // A launch confirmation is on screen; further requests are dropped.
  bool consent_open_ = false;
  // Who asked last, and when that box closed.
  static constexpr auto kConsentPause = std::chrono::seconds(2);
  std::string consent_asker_;
  std::chrono::steady_clock::time_point consent_closed_at_{};
  // Start-up asked for the start page; the first activate step waits for it.
  bool start_page_asked_ = false;
  std::optional<MonitorRole> role_;
  std::function<void()> settings_saved_;
};

}  // namespace vantile
