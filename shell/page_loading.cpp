// frmMain's page loading and its own page history: Load Page, Back,
// Forward, Home, Set As Home Page, and the About box.
//
// The history records only what these commands load; Back and Forward move
// the browser through its own travel list and the index along with it, so
// after links clicked inside a page the two can disagree. The index may
// then stand outside the history; it is only ever read inside it. The
// current address always follows what the browser shows after the step.
#include <filesystem>
#include <system_error>

#include "common/open_save_dialog.h"
#include "common/text.h"
#include "shell/file_uri.h"
#include "shell/frm_main.h"
#include "shell/page_loading.h"
#include "shell/popup_menu.h"

namespace vantile {

namespace {

constexpr const char* kLoadPageTitle = "Load Web Page";
constexpr const char* kLoadPageFilter = "Web Pages|*.htm;*.html;*.asp;*.php?";
constexpr const char* kMissingFileText = "That file doesn't appear to exist.";
constexpr const char* kMissingFileTitle = "Load Page Canceled";

}  // namespace

std::string FormatAddress(const std::string& addr) {
  // What the user typed with its scheme is loaded as typed: never https
  // turned into http, nor a user name dropped.
  if (StartsWithIgnoreCase(addr, "http://") || StartsWithIgnoreCase(addr, "https://")) return addr;
  // A file the user picked is that file, even in a folder called www.site,
  // and "\" is a character a Linux file name may hold.
  if (FileExists(addr)) return "file://" + addr;
  const std::string slashed = ReplaceAll(addr, "\\", "/");
  if (FileExists(slashed)) return "file://" + slashed;
  if (!HasUriScheme(addr)) {
    if (std::size_t www = FindIgnoreCase(slashed, "www."); www != std::string::npos) return "http://" + slashed.substr(www);
  }
  for (const char* scheme : {"http://", "https://"}) {
    if (std::size_t at = FindIgnoreCase(slashed, scheme); at != std::string::npos) return slashed.substr(at);
  }
  return {};
}

std::string WebAddressOf(const std::string& text) {
  const std::string slashed = ReplaceAll(text, "\\", "/");
  const std::size_t www = FindIgnoreCase(slashed, "www.");
  return "http://" + (www == std::string::npos ? slashed : slashed.substr(www));
}

bool FileExists(const std::string& path) {
  std::error_code ec;
  std::uintmax_t length = std::filesystem::file_size(path, ec);
  return !ec && length > 0;
}

void frmMain::LoadPage() {
  OpenSaveDialog dialog(platform_.chooser);
  dialog.SetDialogTitle(kLoadPageTitle);
  dialog.SetFilter(kLoadPageFilter);
  // No validation: a typed web address comes back as typed.
  dialog.SetFlags(static_cast<std::int32_t>(OFN_ENABLESIZING | OFN_NOVALIDATE));
  LogInfo("Display Load Page Dialog");
  if (!dialog.ShowOpen(platform_.desktop.WindowHandle())) return;

  const std::string name = dialog.Filename();
  LogInfo("Load Page = " + name);
  const std::string address = FormatAddress(name);
  LogInfo("FormatAddress:addr = " + name + "; result = " + address);
  if (address.empty()) {
    LogError("LoadPage:FileExists Failed");
    platform_.dialogs.ShowMessage(kMissingFileText, kMissingFileTitle, kInformationBox);
    return;
  }

  platform_.desktop.SetBusyCursor(true);
  if (address != state_.CurrentAddress) {
    LogInfo("LoadPage:Navigate - " + address);
    WB.Navigate(BrowserAddress(address));
    WaitForCompletion();
    LogInfo("LoadPage:Complete");
    platform_.desktop.SetBusyCursor(false);
    UpdateNavigation(address);
  } else {
    // The page already shown: loaded again, history and menu as they were.
    WB.Refresh2();
    WaitForCompletion();
    platform_.desktop.SetBusyCursor(false);
  }
}

void frmMain::UpdateNavigation(const std::string& url) {
  ++state_.HistoryIndex;
  // Back pressed beyond the start of the history (the browser still had
  // pages behind it) leaves the index below 0: the history starts again.
  const bool restart = state_.HistoryIndex < 0;
  if (restart) state_.HistoryIndex = 0;
  LogInfo("UpdateNavigation:CurrentPage = " + std::to_string(state_.HistoryIndex));

  const auto index = static_cast<std::size_t>(state_.HistoryIndex);
  if (!restart && state_.HistoryIndex <= state_.HistoryTop && state_.History[index] == url) {
    // The page that was next in the history: the history stays whole.
    SetMenuItemEnabled(kMenuGoForward, state_.HistoryIndex < state_.HistoryTop);
  } else {
    SetMenuItemEnabled(kMenuGoForward, false);
    state_.History.resize(index + 1);
    state_.History[index] = url;
    state_.HistoryTop = state_.HistoryIndex;
  }
  if (state_.HistoryIndex > 0) SetMenuItemEnabled(kMenuGoBack, true);
  state_.CurrentAddress = url;
  ApplyHomeRule();
}

void frmMain::NavigateBack() {
  platform_.desktop.SetBusyCursor(true);
  // A browser with nowhere to go, or an index outside the history, ends the
  // command here; the index keeps a step already taken.
  if (WB.GoBack()) {
    WaitForCompletion();
    --state_.HistoryIndex;
    if (state_.HistoryIndex >= 0 && state_.HistoryIndex <= state_.HistoryTop) {
      FollowScreen(state_.History[static_cast<std::size_t>(state_.HistoryIndex)]);
      if (state_.HistoryIndex == 0) SetMenuItemEnabled(kMenuGoBack, false);
      SetMenuItemEnabled(kMenuGoForward, true);
    } else {
      FollowScreen();
    }
    ApplyHomeRule();
  }
  platform_.desktop.SetBusyCursor(false);
}

void frmMain::NavigateForward() {
  platform_.desktop.SetBusyCursor(true);
  if (WB.GoForward()) {
    WaitForCompletion();
    ++state_.HistoryIndex;
    if (state_.HistoryIndex >= 0 && state_.HistoryIndex <= state_.HistoryTop) {
      FollowScreen(state_.History[static_cast<std::size_t>(state_.HistoryIndex)]);
      SetMenuItemEnabled(kMenuGoForward, state_.HistoryIndex < state_.HistoryTop);
      SetMenuItemEnabled(kMenuGoBack, true);
    } else {
      FollowScreen();
    }
    ApplyHomeRule();
  }
  platform_.desktop.SetBusyCursor(false);
}

void frmMain::NavigateHome() {
  // Without a home page there is nowhere to go; recording "" would make the
  // page on screen forget its address.
  if (state_.HomePage.empty()) return;
  platform_.desktop.SetBusyCursor(true);
  WB.Navigate(BrowserAddress(state_.HomePage));
  WaitForCompletion();
  platform_.desktop.SetBusyCursor(false);
  UpdateNavigation(state_.HomePage);
}

void frmMain::SetAsHomePage() {
  if (state_.IsBusy) return;
  FollowScreen();
  state_.HomePage = state_.CurrentAddress;
  HomePageChanged();
  SetMenuItemEnabled(kMenuHome, false);
  SetMenuItemEnabled(kMenuSetAsHomePage, false);
}

void frmMain::ShowAbout() {
  platform_.dialogs.ShowAbout(HelpAddress());
  // Back to the main window, which runs its activate step, unless the
  // program was closed while the box was open.
  if (phase_ == Phase::Loaded) Form_Activate();
}

void frmMain::ApplyHomeRule() {
  const bool away_from_home = state_.HomePage != state_.CurrentAddress;
  SetMenuItemEnabled(kMenuHome, away_from_home);
  SetMenuItemEnabled(kMenuSetAsHomePage, away_from_home);
}

}  // namespace vantile
