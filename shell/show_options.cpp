// The Options command of frmMain: hands the settings to the dialog, shows it,
// and after Save takes them back and applies them.
#include "dialogs/frm_options.h"
#include "shell/frm_main.h"

namespace vantile {

void frmMain::ShowOptions() {
  bool saved = false;
  {
    // Fresh for this showing: not cancelled, General page first. Every value
    // is in place before the dialog fills its controls from them.
    frmOptions dialog;
    dialog.EnableImages = state_.EnableImages;
    dialog.EnableSound = state_.EnableSound;
    dialog.EnableVideo = state_.EnableVideo;
    dialog.EnableScripting = state_.EnableScripting;
    dialog.EnableActiveX = state_.EnableActiveX;
    dialog.EnableJava = state_.EnableJava;
    dialog.LoadLast = state_.LoadLast;
    dialog.RunAtStartup = state_.RunAtStartup;
    dialog.NoScrollbars = state_.NoScrollbars;
    dialog.NoHideTaskbar = state_.ShowTaskbar;
    dialog.Editor = state_.SourceEditor;
    dialog.Home = state_.HomePage;
    dialog.ProgramCount = state_.ProgramCount;
    dialog.SetPrograms(state_.Programs);

    platform_.dialogs.ShowOptions(dialog, platform_.desktop.WindowHandle());

    // A shutdown while the dialog was open closed it; nothing is taken then.
    if (!dialog.Canceled && phase_ == Phase::Loaded) {
      state_.EnableImages = dialog.EnableImages;
      state_.EnableSound = dialog.EnableSound;
      state_.EnableVideo = dialog.EnableVideo;
      state_.EnableScripting = dialog.EnableScripting;
      state_.EnableActiveX = dialog.EnableActiveX;
      state_.EnableJava = dialog.EnableJava;
      state_.LoadLast = dialog.LoadLast;
      state_.RunAtStartup = dialog.RunAtStartup;
      state_.NoScrollbars = dialog.NoScrollbars;
      state_.ShowTaskbar = dialog.NoHideTaskbar;
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
  }
  // The main window is active again: its activate step runs, saved or not.
  if (phase_ == Phase::Loaded) Form_Activate();
}

}  // namespace vantile
