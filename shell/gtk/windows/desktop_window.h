// One desktop window and everything that belongs to it: its page, the
// window on its monitor, its message boxes, menu and Load Page chooser, the
// frmMain that runs it, and the signals between them. The program has one
// for the primary monitor and, when asked, one for every other monitor.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <memory>
#include <optional>

#include "common/gtk/gtk_file_chooser.h"
#include "common/registry_store.h"
#include "shell/frm_main.h"
#include "shell/gtk/windows/desktop_gtk.h"
#include "shell/gtk/glue/dialogs_gtk.h"
#include "shell/gtk/windows/first_run_note_gtk.h"
#include "shell/gtk/glue/gio_shell.h"
#include "shell/gtk/watches/live_page_gtk.h"
#include "shell/gtk/glue/message_pump_gtk.h"
#include "shell/gtk/watches/pause_watches.h"
#include "shell/gtk/windows/popup_menu_gtk.h"
#include "shell/gtk/webkit/webkit_browser.h"

namespace vantile {

struct DesktopWindowSetup {
  RegistryStore& registry;
  // Null: the primary monitor, followed when another becomes primary.
  GdkMonitor* monitor = nullptr;
  // Another window's view, whose web process this one shares; null: a
  // process of its own, started early (see BrowserTuning::warm_up).
  WebKitWebView* related = nullptr;
  // Unset: the primary window.
  std::optional<MonitorRole> role;
  // Anything of this window that asks to close ends the whole program.
  std::function<void()> close_program;
};

class DesktopWindow {
 public:
  explicit DesktopWindow(DesktopWindowSetup setup);
  ~DesktopWindow();
  DesktopWindow(const DesktopWindow&) = delete;
  DesktopWindow& operator=(const DesktopWindow&) = delete;

  frmMain& form() { return form_; }
  WebKitBrowser& browser() { return browser_; }
  GtkDesktop& desktop() { return desktop_; }
  GtkWidget* window() const { return GTK_WIDGET(desktop_.window()); }

  // Shows the window; its first activate step (the page loads) runs as
  // soon as the main loop gets to it, and the window's icon after that.
  void ShowAndActivate();
  // Without a home page a person may not know where to go from the empty
  // view: a note says, until the first page loads. Built only then, its
  // widgets and style cost start-up time otherwise.
  void ShowFirstRunNoteIfHomeless();
  // Once the window is up: the live page where the settings allow it, and
  // the page paused while nobody can see it, set up a moment later so that
  // connecting to the buses costs start-up nothing.
  void StartWatches();
  // Ends whatever is open on it (a message box, the menu, a page wait),
  // runs its shutdown and hides it.
  void Shutdown();

 private:
  static gboolean OnKeyRelease(GtkWidget*, GdkEventKey* event, gpointer self);

  RegistryStore& registry_;
  GtkMessagePump pump_;
  WebKitBrowser browser_;
  GtkDesktop desktop_;
  GioShell shell_;
  GtkDialogs dialogs_;
  PopupMenuGtk menu_;
  FileChooserGtk chooser_;
  frmMain form_;
  std::unique_ptr<FirstRunNote> note_;
  std::unique_ptr<LivePageMonitor> live_page_;
  PauseRules pause_rules_;
  std::unique_ptr<PauseWatches> pause_;
  guint pause_timer_ = 0;
  guint activate_idle_ = 0;
  bool shut_down_ = false;
  bool shown_ = false;  // start-up is over: waits for a page may sleep
};

}  // namespace vantile
