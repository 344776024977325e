// The popup menu as a GtkMenu built from the behaviour's table.
#pragma once

#include <gtk/gtk.h>

#include <map>
#include <memory>
#include <vector>

#include "common/gtk/glib_util.h"
#include "shell/platform.h"

namespace vantile {

class PopupMenuGtk : public Menu {
 public:
  // `attach` is the main window; the menu appears on its screen.
  explicit PopupMenuGtk(GtkWidget* attach) : attach_(attach) {}
  ~PopupMenuGtk() override { Destroy(); }

  // Captions keep their '&' mnemonics (shown underlined with Alt) and the
  // text after the TAB goes into the accelerator column. The shortcut is a
  // label only: the keys are handled by the window's key-up handler.
  bool Build(const std::vector<MenuEntry>& entries) override;
  void SetItemEnabled(int id, bool enabled) override;
  // Pops up at the pointer (at the right-click that asked for it, when one
  // was handed over) and runs a nested loop until the menu closes.
  int Track() override;
  void Destroy() override;

  // The button press that asked for the menu, used to place and grab it.
  void SetTriggerEvent(const GdkEvent* event);
  // Closes an open menu as dismissed (shutdown).
  void Dismiss();

 private:
  struct EventFree {
    void operator()(GdkEvent* e) const { gdk_event_free(e); }
  };
  GtkWidget* BuildMenu(const std::vector<MenuEntry>& entries);
  // The menu's widgets, made from entries_ the first time they are needed.
  bool MakeWidgets();
  static void OnActivate(GtkMenuItem* item, gpointer self);
  static void OnDeactivate(GtkMenuShell* shell, gpointer self);
  static gboolean QuitLoop(gpointer self);

  GtkWidget* attach_;
  std::vector<MenuEntry> entries_;  // as last built, with the items' states
  GObjectPtr<GtkWidget> menu_;  // its floating reference, sunk
  std::map<int, GtkWidget*> items_;
  std::unique_ptr<GdkEvent, EventFree> trigger_;
  GMainLoop* loop_ = nullptr;  // the running Track loop, owned by Track
  int chosen_ = 0;
};

}  // namespace vantile
