// Message boxes as modal GtkMessageDialogs over the main window, and the
// program's own dialogs.
#pragma once

#include <gtk/gtk.h>

#include "dialogs/gtk/frm_options_gtk.h"
#include "shell/platform.h"

namespace vantile {

// MessageBox result codes.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDABORT = 3;
inline constexpr int IDRETRY = 4;
inline constexpr int IDIGNORE = 5;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;
inline constexpr int IDTRYAGAIN = 10;
inline constexpr int IDCONTINUE = 11;

class GtkDialogs : public Dialogs {
 public:
  explicit GtkDialogs(GtkWindow* owner) : owner_(owner) {}

  // Buttons from the style's low four bits (MB_OK ... MB_CANCELTRYCONTINUE),
  // the icon from bits 4..7, the default button from MB_DEFBUTTON2..4.
  // Closing the box without a button answers as Windows does: Cancel when
  // there is one, otherwise the box's "no" answer (OK for an OK-only box).
  int ShowMessage(const std::string& text, const std::string& title, std::uint32_t style) override;
  void ShowAbout(const std::string& web_address) override;
  bool ConfirmLaunch(const LaunchConsent& consent) override;

  // The Options dialog over `owner` (a GtkWindow of ours), modal.
  void ShowOptions(frmOptions& dialog, OwnerWindow owner) override;

  // Answers every dialog still open over the window (message boxes, the
  // About box, file choosers, nested ones too) as if it were closed, and
  // cancels an open Options dialog, so that shutdown is never held up by a
  // dialog nobody will press.
  void CloseOpenBox();

 private:
  GtkWindow* owner_;
  OptionsDialogGtk* open_options_ = nullptr;
};

}  // namespace vantile
