// frmMain's commands: the menu ids and the keys that reach them through the
// command table, opening a demo, Edit Page, Help and Exit. The page-loading
// commands they dispatch to are in page_loading.cpp.
#include <algorithm>
#include <array>
#include <string_view>

#include "common/text.h"
#include "shell/file_uri.h"
#include "shell/commands.h"
#include "shell/frm_main.h"
#include "shell/popup_menu.h"

namespace vantile {

namespace {

constexpr std::array<std::string_view, 11> kEditableExtensions = {
    "htm", "html", "shtml", "shtm", "txt", "asp", "pl", "cgi", "php", "php3", "php4"};

constexpr const char* kCannotEditText = "Unable to edit this page.";
constexpr const char* kCannotEditTitle = "Edit Page Error";

}  // namespace

void frmMain::ProcessMenuClick(int id) {
  LogInfo("ProcessMenuClick:" + std::to_string(id));
  if (const CommandRow* row = CommandForMenuItem(id)) {
    RunCommand(row->command);
    return;
  }
  // Demo i; every other id (dismissed, "&Demos" without its submenu, ids
  // the menu never gives) changes nothing.
  if (id >= kMenuFirstDemo && id - kMenuFirstDemo < state_.DemoCount) OpenDemo(id - kMenuFirstDemo);
}

void frmMain::Form_KeyUp(int key_code, int shift) {
  if (const CommandRow* row = CommandForKey(key_code, shift)) RunCommand(row->command);
}

void frmMain::RunCommand(Command command) {
  switch (command) {
    case Command::LoadPage: LoadPage(); return;
    case Command::GoBack: NavigateBack(); return;
    case Command::GoForward: NavigateForward(); return;
    case Command::Refresh: WB.Refresh(); return;
    case Command::Home: NavigateHome(); return;
    case Command::EditPage: EditPage(); return;
    case Command::SetAsHomePage: SetAsHomePage(); return;
    case Command::Options: ShowOptions(); return;
    case Command::Help: OpenHelpFile(); return;
    case Command::About: ShowAbout(); return;
    case Command::Exit: ExitProgram(); return;
    case Command::StoreHomePage:
      // Unlike Set As Home Page: no busy check, and the menu is left as it is.
      FollowScreen();
      state_.HomePage = state_.CurrentAddress;
      HomePageChanged();
      return;
    case Command::kCount: return;
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
