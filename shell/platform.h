// The platform facilities the main window's behaviour calls. Each is a small
// abstract class; shell/gtk/ implements them with GTK, WebKitGTK, GIO and X11,
// and tests implement them with strict fakes.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "common/owner_window.h"
#include "dialogs/launch_consent.h"
#include "shell/trust/navigation_guard.h"

namespace vantile {

class frmOptions;

inline constexpr int READYSTATE_COMPLETE = 4;
// The browser's host flag that hides the page's scroll bars.
inline constexpr std::uint32_t DOCHOSTUIFLAG_SCROLL_NO = 8;

// Answers the browser's requests. frmMain implements it.
class BrowserEvents {
 public:
  virtual ~BrowserEvents() = default;
  // Every navigation (main frame, frames, new-window requests) passes here
  // before it starts; setting Cancel stops it and leaves the page as it was.
  virtual void WB_BeforeNavigate2(const std::string& URL, bool& Cancel) = 0;
  // The same, with what the browser could tell about who asked: a launch or
  // folder link from a document that is not the user's own page acts only on
  // a click. The form above is the program's own navigation.
  virtual void WB_BeforeNavigate2(const std::string& URL, const NavigationSource& Source,
                                  bool& Cancel) = 0;
  // alert() and confirm(): returns the button pressed (IDOK 1, IDCANCEL 2 ...).
  virtual int WBMessages_ShowMessage(const std::string& Prompt, std::int32_t Buttons,
                                     const std::string& Title, const std::string& HelpFile,
                                     std::int32_t Context) = 0;
  virtual void WBMessages_ShowHelp(const std::string& pszHelpFile, std::int32_t uCommand,
                                   std::int32_t dwData, std::int32_t X, std::int32_t Y) = 0;
  // A right-click on the page; the browser shows no menu of its own.
  virtual void ShowContextMenu() = 0;
  // window.external, offered only to local documents in the main frame.
  virtual void openFile(const std::string& sFile, const std::string& sParams,
                        const std::string& sDir, std::int32_t showFormat) = 0;
  virtual void openFolder(const std::string& sFolder) = 0;
  virtual void openControlPanel() = 0;
  virtual std::string getLocalDrives() = 0;
};

// The page browser (`WB` and the control around it).
class Browser {
 public:
  virtual ~Browser() = default;
  virtual void SetEvents(BrowserEvents* events) = 0;
  virtual void SetUserAgent(const std::string& user_agent) = 0;
  // DOCHOSTUIFLAG_SCROLL_NO (8) hides the page's scroll bars.
  virtual void SetHostFlags(std::uint32_t flags) = 0;
  // The DLCTL_ flag set computed from the Enable* settings.
  virtual void SetDownloadControl(std::uint32_t flags) = 0;
  virtual void Navigate(const std::string& url) = 0;
  virtual void Refresh() = 0;
  virtual void Refresh2() = 0;
  // False when there is nowhere to go (the caller ignores it).
  virtual bool GoBack() = 0;
  virtual bool GoForward() = 0;
  // 4 once the load finished or failed, or when nothing is loading.
  virtual int ReadyState() = 0;
  virtual std::string LocationURL() = 0;
};

struct ScreenRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  bool operator==(const ScreenRect&) const = default;
};

// The main window on the screen, and the panels beside it.
class Desktop {
 public:
  virtual ~Desktop() = default;
  // The primary monitor's work area.
  virtual ScreenRect WorkArea() = 0;
  // Hides (unmaps) or shows (maps) every dock/panel window.
  virtual void ShowTaskbar(bool visible) = 0;
  enum class WindowState { Normal, Maximized };
  virtual void SetWindowState(WindowState state) = 0;
  virtual void MoveWindow(int x, int y, int width, int height) = 0;
  virtual void SetBusyCursor(bool busy) = 0;
  virtual void Show() = 0;
  virtual void Close() = 0;
  // The window dialogs are modal to.
  virtual OwnerWindow WindowHandle() = 0;
};

// The shell's "open" action.
class Shell {
 public:
  virtual ~Shell() = default;
  // A program is started directly, its parameter text split into arguments
  // with shell quoting rules, in `directory` (empty: the current folder); a
  // document, folder or address opens in its default application. Failures
  // are returned for the debug log only.
  virtual bool Open(const std::string& file, const std::string& parameters,
                    const std::string& directory, std::int32_t show) = 0;
  // A launch link's allow-list entry: as Open, except that a relative entry
  // is looked for only on PATH, never in `directory` or the current folder.
  virtual bool Launch(const std::string& program, const std::string& parameters,
                      const std::string& directory) = 0;
  // Where Launch would start a launch link's allow-list entry: the entry
  // itself when it is an absolute path, the program a bare name finds on
  // PATH; "" when it names nothing that can be started.
  virtual std::string ListedProgramPath(const std::string& entry) = 0;
  // The user's file manager showing `folder`.
  virtual bool OpenFolder(const std::string& folder) = 0;
  // The desktop's settings program.
  virtual bool OpenControlPanel() = 0;
  // Mount points of the mounted local file systems, each ending in "/".
  virtual std::vector<std::string> LocalDrives() = 0;
  // The program `program` names, ready to start: an executable file (a bare
  // name is looked up on PATH) or a desktop entry; "" when it names nothing
  // that can be started here (a Windows program name, a path that is gone).
  virtual std::string FindProgram(const std::string& program) = 0;
  // Starts a program FindProgram found, with exactly these arguments and no
  // shell in between.
  virtual bool StartProgram(const std::string& program, const std::vector<std::string>& arguments) = 0;
  // Opens a file (a path) or an address in the desktop's default
  // application for plain text.
  virtual bool OpenInTextEditor(const std::string& page) = 0;
  // Opens an address in the user's web browser.
  virtual bool OpenInWebBrowser(const std::string& address) = 0;
};

// Message boxes. Style bits as MessageBox takes them: MB_OK 0, MB_OKCANCEL 1,
// MB_YESNOCANCEL 3, MB_YESNO 4, icons MB_ICONERROR 0x10, MB_ICONQUESTION 0x20,
// MB_ICONWARNING 0x30, MB_ICONINFORMATION 0x40. Returns IDOK 1, IDCANCEL 2,
// IDYES 6, IDNO 7.
class Dialogs {
 public:
  virtual ~Dialogs() = default;
  virtual int ShowMessage(const std::string& text, const std::string& title,
                          std::uint32_t style) = 0;
  // Shows the Options dialog modally over `owner` and returns when it has
  // closed (saved or cancelled).
  virtual void ShowOptions(frmOptions& dialog, OwnerWindow owner) = 0;
  // The About box, modal to the main window; returns when it has closed.
  // Its link shows and opens `web_address`.
  virtual void ShowAbout(const std::string& web_address) = 0;
  // Puts what a page from elsewhere asks to start or open to the user,
  // modal to the main window; true only when the user accepted.
  virtual bool ConfirmLaunch(const LaunchConsent& consent) = 0;
};

struct MenuEntry {
  enum class Kind { Item, Separator };
  Kind kind = Kind::Item;
  int id = 0;
  std::string text;  // caption, TAB, shortcut text; mnemonics marked with '&'
  bool enabled = true;
  std::vector<MenuEntry> submenu;
};

// The platform's popup menu.
class Menu {
 public:
  virtual ~Menu() = default;
  // False when the menu cannot be created.
  virtual bool Build(const std::vector<MenuEntry>& entries) = 0;
  virtual void SetItemEnabled(int id, bool enabled) = 0;
  // Shows the menu at the pointer and waits; the chosen id, 0 when dismissed.
  virtual int Track() = 0;
  virtual void Destroy() = 0;
};

// One pass of the message loop, so waits stay responsive. Tests drive it.
class MessagePump {
 public:
  virtual ~MessagePump() = default;
  virtual void DoEvents() = 0;
  // The clock waits are measured on.
  virtual std::chrono::steady_clock::time_point Now() { return std::chrono::steady_clock::now(); }
};

}  // namespace vantile
