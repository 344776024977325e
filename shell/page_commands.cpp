// frmMain's answers to the browser: the link guard, the commands page script
// reaches through window.external, page message boxes and the context menu.
#include "shell/frm_main.h"

#include <cstdlib>
#include <iostream>

#include "common/text.h"
#include "shell/trust/navigation_guard.h"
#include "shell/popup_menu.h"

namespace vantile {

void frmMain::WB_BeforeNavigate2(const std::string& URL, bool& Cancel) {
  WB_BeforeNavigate2(URL, NavigationSource::Program(), Cancel);
}

void frmMain::WB_BeforeNavigate2(const std::string& URL, const NavigationSource& Source,
                                 bool& Cancel) {
  LogInfo(GuardStartLine(URL));
  GuardDecision decision = DecideNavigation(URL, state_.Programs, state_.ProgramCount, Source);
  for (const std::string& line : decision.log_lines) LogInfo(line);
  if (decision.needs_consent && !UserConsents(decision)) decision.action = GuardDecision::Action::None;

  // Failures are never shown to the user; the debug log says what failed.
  switch (decision.action) {
    case GuardDecision::Action::Launch:
      if (!platform_.shell.Launch(decision.program, decision.parameters, decision.directory)) {
        LogError("BeforeNavigate:Launch Failed - " + decision.program);
      }
      break;
    case GuardDecision::Action::OpenFolder:
      if (!platform_.shell.OpenFolder(decision.folder)) {
        LogError("BeforeNavigate:Folder Failed - " + decision.folder);
      }
      break;
    case GuardDecision::Action::None:
      break;
  }
  if (decision.cancel) Cancel = true;
}

bool frmMain::UserConsents(GuardDecision& decision) {
  // One question at a time: a page that asks again while the box is open
  // (or asks in a loop) gets nothing, and the user is not buried in boxes.
  if (consent_open_) {
    LogInfo("BeforeNavigate:Refused - a confirmation is already open");
    std::cerr << "vantile: dropped a request from " << decision.asker << " while a confirmation is open\n";
    return false;
  }
  // Right after a box closes, the same page may not ask again: clicks that
  // kept coming would land on the next box, as they would on the last.
  if (decision.asker == consent_asker_ && platform_.pump.Now() < consent_closed_at_ + kConsentPause) {
    LogInfo("BeforeNavigate:Refused - asked again right after a confirmation");
    std::cerr << "vantile: dropped a request from " << decision.asker << " made right after its last confirmation\n";
    return false;
  }
  LaunchConsent consent;
  consent.asker = decision.asker;
  if (decision.action == GuardDecision::Action::Launch) {
    // What the box shows is what starts: the entry resolved as Launch
    // would resolve it, the arguments split as they will be passed.
    consent.program = platform_.shell.ListedProgramPath(decision.program);
    const auto arguments = SplitCommandLine(decision.parameters);
    if (consent.program.empty() || !arguments) {
      LogError("BeforeNavigate:Launch Failed - " + decision.program);
      return false;
    }
    consent.arguments = *arguments;
    std::error_code error;
    consent.directory = decision.directory.empty() ? std::filesystem::current_path(error).string() : decision.directory;
    decision.program = consent.program;
  } else {
    consent.kind = LaunchConsent::Kind::Folder;
    const char* home = std::getenv("HOME");
    consent.folder = decision.folder.empty() && home ? home : decision.folder;
  }
  consent_open_ = true;
  const bool accepted = platform_.dialogs.ConfirmLaunch(consent);
  consent_open_ = false;
  consent_asker_ = decision.asker;
  consent_closed_at_ = platform_.pump.Now();
  // The program may have been closed while the box was open.
  if (accepted && phase_ == Phase::Loaded) return true;
  LogInfo("BeforeNavigate:Refused - the user did not accept");
  return false;
}

int frmMain::WBMessages_ShowMessage(const std::string& Prompt, std::int32_t Buttons,
                                    const std::string& Title, const std::string& /*HelpFile*/,
                                    std::int32_t /*Context*/) {
  // The style goes through unchanged (buttons and icon as the page asked), and
  // the pressed button goes back so confirm() gets its answer.
  return platform_.dialogs.ShowMessage(Prompt, Title + kMessageTitleSuffix,
                                       static_cast<std::uint32_t>(Buttons));
}

void frmMain::WBMessages_ShowHelp(const std::string& /*pszHelpFile*/, std::int32_t /*uCommand*/,
                                  std::int32_t /*dwData*/, std::int32_t /*X*/,
                                  std::int32_t /*Y*/) {
  // Page help requests are deliberately ignored.
}

void frmMain::ShowContextMenu() {
  // Without a menu a right-click shows nothing and counts as dismissed.
  int id = state_.PopupMenuHandle ? platform_.menu.Track() : kMenuDismissed;
  ProcessMenuClick(id);
}

void frmMain::openFile(const std::string& sFile, const std::string& sParams,
                       const std::string& sDir, std::int32_t showFormat) {
  // No allow-list here: page script may open any file (the page is a local
  // document of the user's own; web pages get no window.external at all).
  if (!platform_.shell.Open(sFile, sParams, sDir, showFormat)) {
    LogError("openFile:Open Failed - " + sFile);
  }
}

void frmMain::openFolder(const std::string& sFolder) {
  if (!platform_.shell.OpenFolder(sFolder)) LogError("openFolder:Open Failed - " + sFolder);
}

void frmMain::openControlPanel() {
  if (!platform_.shell.OpenControlPanel()) LogError("openControlPanel:Open Failed");
}

std::string frmMain::getLocalDrives() {
  std::vector<std::string> drives = platform_.shell.LocalDrives();
  std::string joined;
  for (std::size_t i = 0; i < drives.size(); ++i) {
    if (i > 0) joined += ',';
    joined += drives[i];
  }
  return joined;
}

}  // namespace vantile
