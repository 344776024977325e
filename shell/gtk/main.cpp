// The vantile program: builds the platform objects and frmMain, and wires
// GTK's events to the window's handlers.
#include <glib-unix.h>
#include <gtk/gtk.h>

#include <csignal>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "common/file_util.h"
#include "common/gtk/glib_util.h"
#include "common/gtk/gtk_file_chooser.h"
#include "common/instance_lock.h"
#include "common/registry_store.h"
#include "shell/command_line.h"
#include "shell/display_choice.h"
#include "shell/frm_main.h"
#include "shell/gtk/desktop_gtk.h"
#include "shell/gtk/dialogs_gtk.h"
#include "shell/gtk/first_run_note_gtk.h"
#include "shell/gtk/gio_shell.h"
#include "shell/gtk/key_codes.h"
#include "shell/gtk/live_page_gtk.h"
#include "shell/gtk/message_pump_gtk.h"
#include "shell/gtk/page_pause.h"
#include "shell/gtk/popup_menu_gtk.h"
#include "shell/gtk/startup_trace.h"
#include "shell/gtk/wayland_probe.h"
#include "shell/gtk/webkit_browser.h"

namespace vantile {
namespace {

// Connects the window's GTK signals to frmMain and runs the program's one
// shutdown when anything asks the window to close.
class MainWindowGlue {
 public:
  MainWindowGlue(frmMain& form, WebKitBrowser& browser, GtkDesktop& desktop, GtkDialogs& dialogs,
                 PopupMenuGtk& menu)
      : form_(form), browser_(browser), desktop_(desktop), dialogs_(dialogs), menu_(menu),
        loop_(g_main_loop_new(nullptr, FALSE)) {
    desktop_.SetCloseHandler([this] { RequestClose(); });
    browser_.SetContextMenuEventHook([this](const GdkEvent* event) { menu_.SetTriggerEvent(event); });
    GtkWidget* window = GTK_WIDGET(desktop_.window());
    g_signal_connect(window, "size-allocate", G_CALLBACK(OnSizeAllocate), this);
    g_signal_connect(window, "key-release-event", G_CALLBACK(OnKeyRelease), this);
    // A session ending, or a kill from a terminal, closes the window
    // properly: settings saved, panels shown again.
    for (int signal_number : {SIGTERM, SIGINT, SIGHUP}) {
      signal_sources_[signal_count_++] = g_unix_signal_add(signal_number, OnSignal, this);
    }
    // Ctrl+Q leaves from any of our windows: a message box, a confirmation
    // or a print dialog a page brought up must not keep the user in.
    gdk_event_handler_set(OnAnyEvent, this, nullptr);
  }

  ~MainWindowGlue() {
    gdk_event_handler_set(+[](GdkEvent* event, gpointer) { gtk_main_do_event(event); }, nullptr, nullptr);
    for (int i = 0; i < signal_count_; ++i) g_source_remove(signal_sources_[i]);
    if (activate_idle_) g_source_remove(activate_idle_);
    if (close_idle_) g_source_remove(close_idle_);
    g_signal_handlers_disconnect_by_data(desktop_.window(), this);
  }

  // Shows the window and runs the program until it closes. The first
  // activate step runs as soon as the loop starts: the window is shown from
  // the moment it is asked to be, and the page starts loading while the
  // window manager maps it.
  // A close already asked for (during start-up's settle passes) shows
  // nothing; the loop runs only to carry it out.
  void ShowAndRun() {
    if (!close_requested_) {
      desktop_.Show();
      // Ahead of the window's first layout and paint, so the page is asked
      // for as early as it can be.
      activate_idle_ = g_idle_add_full(G_PRIORITY_DEFAULT, +[](gpointer data) -> gboolean {
        auto* glue = static_cast<MainWindowGlue*>(data);
        glue->activate_idle_ = 0;
        if (!glue->close_requested_) glue->form_.Form_Activate();
        if (!glue->close_requested_) glue->desktop_.ApplyIcon();
        return G_SOURCE_REMOVE;
      }, this, nullptr);
    }
    g_main_loop_run(loop_.get());
  }

 private:
  void RequestClose() {
    if (close_requested_) return;
    close_requested_ = true;
    // Outside whatever handler asked (a menu command, a key), so that it
    // finishes first.
    close_idle_ = g_idle_add(+[](gpointer self) -> gboolean {
      auto* glue = static_cast<MainWindowGlue*>(self);
      glue->close_idle_ = 0;
      glue->Shutdown();
      return G_SOURCE_REMOVE;
    }, this);
  }

  void Shutdown() {
    // Nested loops still on the stack (a message box, the menu, a page
    // wait) must end, or the main loop could not return.
    dialogs_.CloseOpenBox();
    menu_.Dismiss();
    form_.Form_QueryUnload();
    browser_.Shutdown();
    gtk_widget_hide(GTK_WIDGET(desktop_.window()));
    g_main_loop_quit(loop_.get());
  }


  static void OnSizeAllocate(GtkWidget*, GdkRectangle* allocation, gpointer self) {
    auto* glue = static_cast<MainWindowGlue*>(self);
    if (allocation->width == glue->width_ && allocation->height == glue->height_) return;
    glue->width_ = allocation->width;
    glue->height_ = allocation->height;
    glue->form_.Form_Resize(allocation->width, allocation->height);
  }

  static gboolean OnKeyRelease(GtkWidget*, GdkEventKey* event, gpointer self) {
    auto* glue = static_cast<MainWindowGlue*>(self);
    if (glue->close_requested_) return FALSE;
    const int key = VirtualKeyCode(*event);
    if (key != 0) glue->form_.Form_KeyUp(key, ShiftBits(*event));
    return FALSE;  // the page sees its key-up too
  }

  // The desktop window's own keys go to frmMain (OnKeyRelease); a Ctrl+Q
  // pressed in any other window of ours closes the program.
  static void OnAnyEvent(GdkEvent* event, gpointer self) {
    auto* glue = static_cast<MainWindowGlue*>(self);
    if (event->type == GDK_KEY_PRESS) {
      const GdkEventKey& key = event->key;
      const guint modifiers = key.state & gtk_accelerator_get_default_mod_mask();
      GdkWindow* desktop = gtk_widget_get_window(GTK_WIDGET(glue->desktop_.window()));
      if ((key.keyval == GDK_KEY_q || key.keyval == GDK_KEY_Q) && modifiers == GDK_CONTROL_MASK &&
          gdk_window_get_toplevel(key.window) != desktop) {
        glue->RequestClose();
        return;
      }
    }
    gtk_main_do_event(event);
  }

  static gboolean OnSignal(gpointer self) {
    static_cast<MainWindowGlue*>(self)->RequestClose();
    return G_SOURCE_CONTINUE;
  }

  frmMain& form_;
  WebKitBrowser& browser_;
  GtkDesktop& desktop_;
  GtkDialogs& dialogs_;
  PopupMenuGtk& menu_;
  GMainLoopPtr loop_;
  guint signal_sources_[3] = {};
  int signal_count_ = 0;
  guint activate_idle_ = 0;
  guint close_idle_ = 0;
  bool close_requested_ = false;
  int width_ = -1;
  int height_ = -1;
};

int Run(const std::string& argument_text) {
  GtkMessagePump pump;
  WebKitBrowser browser(BrowserTuning::FromEnvironment());
  pump.SetInFlightProbe([&browser] { return browser.ReadyState() != READYSTATE_COMPLETE; });
  GtkDesktop desktop(browser.widget());
  GioShell shell;
  GtkDialogs dialogs(desktop.window());
  PopupMenuGtk menu(GTK_WIDGET(desktop.window()));
  RegistryStore registry(RegistryStore::DefaultPaths());
  FileChooserGtk chooser(desktop.window());
  frmMain form(MainPlatform{browser, desktop, shell, dialogs, menu, pump, registry, chooser}, ProgramFolder(),
               ProgramPath().string());
  MainWindowGlue glue(form, browser, desktop, dialogs, menu);

  if (!form.Form_Load(argument_text)) return 0;
  // A close request handled during start-up's settle passes has run the
  // shutdown already, and its quit found no loop to end: leave now rather
  // than start one that nothing would end.
  if (form.unloaded()) return 0;
  // Without a home page a person may not know where to go from the empty
  // view; the note says, until the first page loads.
  // Built only then: its widgets and style cost start-up time otherwise.
  std::unique_ptr<FirstRunNote> note;
  if (form.state().HomePage.empty()) {
    note = std::make_unique<FirstRunNote>(desktop.overlay(), WEBKIT_WEB_VIEW(browser.widget()));
    note->Show();
  }
  std::unique_ptr<LivePageMonitor> live_page;
  if (LivePageEnabled(registry)) {
    live_page = std::make_unique<LivePageMonitor>(WEBKIT_WEB_VIEW(browser.widget()), browser);
  }
  // A page nobody can see is paused, unless the settings file says not to
  // (a page that must keep running). Set up once the window is up, so that
  // connecting to the buses costs start-up nothing.
  struct PauseStarter {
    GtkWidget* window;
    GtkOverlay* overlay;
    GtkWidget* view;
    std::unique_ptr<PagePause> pause;
    guint timer = 0;
  } pause{GTK_WIDGET(desktop.window()), desktop.overlay(), browser.widget(), nullptr, 0};
  if (SettingSwitchOn(registry, "PauseWhenHidden")) {
    pause.timer = g_timeout_add(500, +[](gpointer data) -> gboolean {
      auto* starter = static_cast<PauseStarter*>(data);
      starter->timer = 0;
      starter->pause = std::make_unique<PagePause>(starter->window, starter->overlay, starter->view);
      return G_SOURCE_REMOVE;
    }, &pause);
  }
  glue.ShowAndRun();
  if (pause.timer) g_source_remove(pause.timer);
  return 0;
}

}  // namespace
}  // namespace vantile

int main(int argc, char** argv) {
  vantile::StartupMark("main");
  // --help and --version are answered before anything starts: no display,
  // no instance lock, no settings.
  const vantile::InfoRequest info = vantile::FindInfoRequest({argv + 1, argv + argc});
  if (info != vantile::InfoRequest::kNone) {
    const bool written = std::fputs(vantile::InfoText(info).c_str(), stdout) >= 0 && std::fflush(stdout) == 0;
    return written ? 0 : 1;
  }
  // The whole argument text, as one string: only "/debug" means anything.
  std::string argument_text;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) argument_text += ' ';
    argument_text += argv[i];
  }
  // A second vantile leaves before it connects to the display or creates
  // any WebKit state on disk; frmMain repeats the test as its first step.
  if (vantile::InstanceLock::IsHeldElsewhere(vantile::kInstanceLockName)) return 0;
  // Where Wayland gives no background layer but Xwayland is there (GNOME),
  // the desktop window is made through X11.
  auto env = [](const char* name) -> std::string_view {
    const char* value = g_getenv(name);
    return value ? value : "";
  };
  vantile::DisplaySession session{env("GDK_BACKEND"), env("WAYLAND_DISPLAY"), env("DISPLAY")};
  // Only a Wayland session with an X server beside it has the choice; its
  // compositor is asked then, and only then.
  if (vantile::PreferX11(session)) session.layer_shell = vantile::WaylandOffersLayerShell();
  if (vantile::PreferX11(session)) gdk_set_allowed_backends("x11");
  if (!gtk_init_check(nullptr, nullptr)) {
    std::fprintf(stderr, "vantile: cannot open the display\n");
    return 1;
  }
  vantile::StartupMark("gtk-init");
  return vantile::Run(argument_text);
}
