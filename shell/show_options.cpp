// The Options command of frmMain: hands the settings to the dialog, shows it,
// and after Save takes them back and applies them.
#include <utility>

#include "dialogs/frm_options.h"
#include "shell/frm_main.h"

namespace vantile {
namespace {

// The switches handed to the dialog and taken back, in this order; the
// dialog calls ShowTaskbar "NoHideTaskbar".
constexpr std::pair<bool Settings::*, bool frmOptions::*> kSwitches[] = {
    {&Settings::EnableImages, &frmOptions::EnableImages},
    {&Settings::EnableSound, &frmOptions::EnableSound},
    {&Settings::EnableVideo, &frmOptions::EnableVideo},
    {&Settings::EnableScripting, &frmOptions::EnableScripting},
    {&Settings::EnableActiveX, &frmOptions::EnableActiveX},
    {&Settings::EnableJava, &frmOptions::EnableJava},
    {&Settings::LoadLast, &frmOptions::LoadLast},
    {&Settings::RunAtStartup, &frmOptions::RunAtStartup},
    {&Settings::NoScrollbars, &frmOptions::NoScrollbars},
    {&Settings::ShowTaskbar, &frmOptions::NoHideTaskbar},
    {&Settings::ShowOnAllMonitors, &frmOptions::ShowOnAllMonitors},
};

}  // namespace

void frmMain::ShowOptions() {
  if (primary()) {
    ShowOptions(platform_.desktop.WindowHandle());
  } else if (role_->show_options) {
    // The settings are the primary window's; it applies them everywhere.
    role_->show_options(platform_.desktop.WindowHandle());
  }
  // This window is active again: its activate step runs, saved or not.
  if (phase_ == Phase::Loaded) Form_Activate();
}

void frmMain::ShowOptions(OwnerWindow owner) {
  bool saved = false;
  {
    // Fresh for this showing: not cancelled, General page first. Every value
    // is in place before the dialog fills its controls from them.
    frmOptions dialog;
    for (auto [setting, value] : kSwitches) dialog.*value = state_.*setting;
    dialog.Editor = state_.SourceEditor;
    dialog.Home = state_.HomePage;
    dialog.ProgramCount = state_.ProgramCount;
    dialog.SetPrograms(state_.Programs);

    platform_.dialogs.ShowOptions(dialog, owner);

    // A shutdown while the dialog was open closed it; nothing is taken then.
    if (!dialog.Canceled && phase_ == Phase::Loaded) {
      for (auto [setting, value] : kSwitches) state_.*setting = dialog.*value;
      state_.SourceEditor = dialog.Editor;
      state_.HomePage = dialog.Home;
      state_.ProgramCount = dialog.ProgramCount;
      dialog.GetPrograms(state_.Programs);
      saved = true;
    }
  }  // the dialog is discarded here

  if (saved) {
    PositionWindow();
    // Governs later loads; the page on screen is not reloaded for it.
    WB.SetDownloadControl(DownloadControlFlags(state_));
    // Written at once rather than only at exit, so a crash or a power cut
    // after Save loses nothing the user confirmed.
    SaveSettings(platform_.registry, state_, program_path_);
    if (settings_saved_) settings_saved_();
  }
}

}  // namespace vantile
