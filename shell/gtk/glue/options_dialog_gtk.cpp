// GtkDialogs::ShowOptions: the Options dialog's GTK view over the main window.
#include <utility>

#include "common/gtk/owner_window_gtk.h"
#include "shell/gtk/glue/dialogs_gtk.h"

namespace vantile {

void GtkDialogs::ShowOptions(frmOptions& dialog, OwnerWindow owner) {
  OptionsDialogGtk view(dialog, owner ? FromOwnerWindow(owner) : owner_);
  OptionsDialogGtk* outer = std::exchange(open_options_, &view);
  view.ShowModal();
  open_options_ = outer;
  ReturnFocusTo(owner ? FromOwnerWindow(owner) : owner_);
}

}  // namespace vantile
