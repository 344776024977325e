// The Options dialog on GTK: a fixed-size window laid out from
// OptionsLayout() (15 twips a pixel), modal to its owner, centred on the
// screen. It shows frmOptions' control state and forwards every change and
// click to its handlers; choosers and the message box are owned by it.
#pragma once

#include <gtk/gtk.h>

#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "common/gtk/glib_util.h"
#include "common/gtk/gtk_file_chooser.h"
#include "dialogs/frm_options.h"
#include "dialogs/gtk/light_tab_gtk.h"

namespace vantile {

class OptionsDialogGtk : public OptionsHost {
 public:
  OptionsDialogGtk(frmOptions& dialog, GtkWindow* owner);
  ~OptionsDialogGtk() override;
  OptionsDialogGtk(const OptionsDialogGtk&) = delete;
  OptionsDialogGtk& operator=(const OptionsDialogGtk&) = delete;

  // Loads the dialog, shows it and returns when Save or Cancel ended it.
  void ShowModal();
  // Cancels an open dialog (the program is closing).
  void Cancel();

  GtkWindow* window() const { return window_; }

  OwnerWindow WindowHandle() override;
  FileChooser& Chooser() override { return chooser_; }
  void ShowMessage(const std::string& text, const std::string& title) override;
  void ControlsChanged() override;
  void EndModal() override;

 private:
  void Build();
  GtkWidget* MakeControl(const OptionsControl& control);
  void Connect(const OptionsControl& control, GtkWidget* widget);
  // To the next control in tab order; with `first`, to the first one.
  void MoveFocus(bool forward, bool first = false);
  // To the first control of the page shown.
  void FocusFirstOfPage();
  static gboolean OnKeyPress(GtkWidget*, GdkEventKey* event, gpointer self);

  frmOptions& dialog_;
  GtkWindow* owner_;
  GtkWindow* window_;  // a toplevel: we destroy it
  FileChooserGtk chooser_;
  std::unique_ptr<LightTabWidget> tab_;
  std::map<OptionsControlId, GtkWidget*> widgets_;
  std::vector<std::pair<int, GtkWidget*>> tab_order_;
  GtkListStore* programs_store_ = nullptr;  // held by the tree view
  GMainLoopPtr loop_;
  bool syncing_ = false;
};

}  // namespace vantile
