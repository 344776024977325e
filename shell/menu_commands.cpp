// frmMain's commands: the menu ids and the keys that reach them, opening a
// demo, Edit Page, Help and Exit. The page-loading commands they dispatch
// to are in page_loading.cpp.
#include <algorithm>
#include <array>
#include <string_view>

#include "common/text.h"
#include "shell/file_uri.h"
#include "shell/frm_main.h"
#include "shell/popup_menu.h"

namespace vantile {

namespace {

// Shift states of the key table: exactly Ctrl, or no Shift, Ctrl or Alt.
constexpr int kShiftNone = 0;
constexpr int kShiftCtrl = 2;

// Windows virtual-key codes.
constexpr int kKey0 = 0x30;
constexpr int kKeyB = 0x42;
constexpr int kKeyE = 0x45;
constexpr int kKeyF = 0x46;
constexpr int kKeyH = 0x48;
constexpr int kKeyO = 0x4F;
constexpr int kKeyQ = 0x51;
constexpr int kKeyS = 0x53;
constexpr int kKeyF1 = 0x70;
constexpr int kKeyF4 = 0x73;
constexpr int kKeyF5 = 0x74;
constexpr int kKeyF6 = 0x75;

constexpr std::array<std::string_view, 11> kEditableExtensions = {
    "htm", "html", "shtml", "shtm", "txt", "asp", "pl", "cgi", "php", "php3", "php4"};

constexpr const char* kCannotEditText = "Unable to edit this page.";
constexpr const char* kCannotEditTitle = "Edit Page Error";

}  // namespace

void frmMain::ProcessMenuClick(int id) {
  LogInfo("ProcessMenuClick:" + std::to_string(id));
  switch (id) {
    case kMenuLoadPage: LoadPage(); return;
    case kMenuGoBack: NavigateBack(); return;
    case kMenuGoForward: NavigateForward(); return;
    case kMenuRefresh: WB.Refresh(); return;
    case kMenuHome: NavigateHome(); return;
    case kMenuEditPage: EditPage(); return;
    case kMenuSetAsHomePage: SetAsHomePage(); return;
    case kMenuHelp: OpenHelpFile(); return;
    case kMenuAbout: ShowAbout(); return;
    case kMenuExit: ExitProgram(); return;
    case kMenuOptions: ShowOptions(); return;
    default: break;
  }
  // Demo i; every other id (dismissed, "&Demos" without its submenu, ids
  // the menu never gives) changes nothing.
  if (id >= kMenuFirstDemo && id - kMenuFirstDemo < state_.DemoCount) OpenDemo(id - kMenuFirstDemo);
}

void frmMain::Form_KeyUp(int key_code, int shift) {
  // Options opens with F6 whatever the shift state.
  if (key_code == kKeyF6) {
    ShowOptions();
    return;
  }
  if (shift == kShiftCtrl) {
    switch (key_code) {
      // The menu labels Load Page "Ctrl+0"; both keys load a page.
      case kKeyO: case kKey0: LoadPage(); break;
      case kKeyB: NavigateBack(); break;
      case kKeyF: NavigateForward(); break;
      case kKeyH: NavigateHome(); break;
      case kKeyS: SetAsHomePage(); break;
      case kKeyE: EditPage(); break;
      case kKeyQ: ExitProgram(); break;
      default: break;
    }
  } else if (shift == kShiftNone) {
    switch (key_code) {
      // Unlike Ctrl+S: no busy check, and the menu is left as it is.
      case kKeyF4:
        FollowScreen();
        state_.HomePage = state_.CurrentAddress;
        HomePageChanged();
        break;
      case kKeyF5: WB.Refresh(); break;
      case kKeyF1: OpenHelpFile(); break;
      default: break;
    }
  }
}

void frmMain::OpenDemo(std::int32_t index) {
  platform_.desktop.SetBusyCursor(true);
  const std::string address = "file://" + program_folder_.string() + "/Demos/" +
                              state_.DemoNames[static_cast<std::size_t>(index)] + "/index.html";
  WB.Navigate(BrowserAddress(address));
  WaitForCompletion();
  platform_.desktop.SetBusyCursor(false);
  UpdateNavigation(address);
}

void frmMain::EditPage() {
  FollowScreen();
  const std::string& address = state_.CurrentAddress;
  const std::size_t dot = address.rfind('.');
  if (dot == std::string::npos) return;
  // Taken from the whole address, so a web address ending in ".com/" or
  // carrying a query is not editable.
  const std::string extension = AsciiLower(std::string_view(address).substr(dot + 1));
  if (std::find(kEditableExtensions.begin(), kEditableExtensions.end(), extension) ==
      kEditableExtensions.end()) {
    platform_.dialogs.ShowMessage(kCannotEditText, kCannotEditTitle, kInformationBox);
    return;
  }

  // Editors here take files, not all of them addresses: a local page goes
  // as its path. An editor that is not a program of this system (the
  // "notepad.exe" of a Windows setup, a program since removed) gives way to
  // the desktop's text editor.
  const std::string page = LocalPathOfFileAddress(address).value_or(address);
  const std::string editor = platform_.shell.FindProgram(state_.SourceEditor);
  const bool started = editor.empty() ? platform_.shell.OpenInTextEditor(page)
                                      : platform_.shell.StartProgram(editor, {page});
  if (!started) LogError("EditPage:Open Failed - " + page);
}

void frmMain::OpenHelpFile() {
  const std::string address = HelpAddress();
  if (!platform_.shell.OpenInWebBrowser(address)) LogError("OpenHelpFile:Open Failed - " + address);
}

void frmMain::ExitProgram() {
  // Closing the window runs the normal shutdown (Form_QueryUnload).
  platform_.desktop.Close();
}

std::string frmMain::HelpAddress() const {
  return FileUriFromPath((program_folder_ / "help" / "index.html").string());
}

}  // namespace vantile
