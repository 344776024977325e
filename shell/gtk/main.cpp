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
#include "common/gtk/child_environment.h"
#include "common/gtk/glib_util.h"
#include "common/instance_lock.h"
#include "common/registry_store.h"
#include "shell/command_line.h"
#include "shell/display_choice.h"
#include "shell/frm_main.h"
#include "shell/gtk/windows/desktop_window.h"
#include "shell/gtk/windows/monitor_desktops.h"
#include "shell/gtk/glue/startup_trace.h"
#include "shell/gtk/windows/wayland_probe.h"
#include "shell/gtk/webkit/web_sandbox.h"
#include "shell/gtk/webkit/webkit_browser.h"

namespace vantile {
namespace {

// Runs the program's windows: the primary desktop, the other monitors'
// while the setting asks for them, and the one shutdown when anything asks
// to close.
class Program {
 public:
  explicit Program(RegistryStore& registry)
      : registry_(registry),
        primary_(DesktopWindowSetup{registry, nullptr, nullptr, std::nullopt, [this] { RequestClose(); }}),
        loop_(g_main_loop_new(nullptr, FALSE)) {
    // A session ending, or a kill from a terminal, closes the window
    // properly: settings saved, panels shown again.
    for (int signal_number : {SIGTERM, SIGINT, SIGHUP}) {
      signal_sources_[signal_count_++] = g_unix_signal_add(signal_number, OnSignal, this);
    }
    // Ctrl+Q leaves from any of our windows: a message box, a confirmation
    // or a print dialog a page brought up must not keep the user in.
    gdk_event_handler_set(OnAnyEvent, this, nullptr);
  }

  ~Program() {
    gdk_event_handler_set(+[](GdkEvent* event, gpointer) { gtk_main_do_event(event); }, nullptr, nullptr);
    for (int i = 0; i < signal_count_; ++i) g_source_remove(signal_sources_[i]);
    if (close_idle_) g_source_remove(close_idle_);
    if (monitors_idle_) g_source_remove(monitors_idle_);
  }

  DesktopWindow& primary() { return primary_; }

  // Shows the window and runs the program until it closes. A close already
  // asked for (during start-up's settle passes) shows nothing; the loop
  // runs only to carry it out.
  void ShowAndRun() {
    if (!close_requested_) {
      primary_.ShowAndActivate();
      primary_.StartWatches();
      // The other monitors' windows come once the primary's page is on its
      // way, so they cost its start-up nothing.
      monitors_idle_ = g_idle_add_full(G_PRIORITY_LOW, +[](gpointer data) -> gboolean {
        auto* program = static_cast<Program*>(data);
        program->monitors_idle_ = 0;
        if (program->close_requested_) return G_SOURCE_REMOVE;
        program->monitors_ = std::make_unique<MonitorDesktops>(program->primary_, program->registry_,
                                                               [program] { program->RequestClose(); });
        program->monitors_->Update();
        return G_SOURCE_REMOVE;
      }, this, nullptr);
    }
    g_main_loop_run(loop_.get());
    monitors_.reset();
  }

 private:
  void RequestClose() {
    if (close_requested_) return;
    close_requested_ = true;
    // Outside whatever handler asked (a menu command, a key), so that it
    // finishes first.
    close_idle_ = g_idle_add(+[](gpointer self) -> gboolean {
      auto* program = static_cast<Program*>(self);
      program->close_idle_ = 0;
      if (program->monitors_) program->monitors_->Shutdown();
      program->primary_.Shutdown();
      g_main_loop_quit(program->loop_.get());
      return G_SOURCE_REMOVE;
    }, this);
  }

  // The desktop window's own keys go to frmMain; a Ctrl+Q pressed in any
  // other window of ours closes the program.
  static void OnAnyEvent(GdkEvent* event, gpointer self) {
    auto* program = static_cast<Program*>(self);
    if (event->type == GDK_KEY_PRESS) {
      const GdkEventKey& key = event->key;
      const guint modifiers = key.state & gtk_accelerator_get_default_mod_mask();
      GdkWindow* desktop = gtk_widget_get_window(program->primary_.window());
      if ((key.keyval == GDK_KEY_q || key.keyval == GDK_KEY_Q) && modifiers == GDK_CONTROL_MASK &&
          gdk_window_get_toplevel(key.window) != desktop) {
        program->RequestClose();
        return;
      }
    }
    gtk_main_do_event(event);
  }

  static gboolean OnSignal(gpointer self) {
    static_cast<Program*>(self)->RequestClose();
    return G_SOURCE_CONTINUE;
  }

  RegistryStore& registry_;
  DesktopWindow primary_;
  std::unique_ptr<MonitorDesktops> monitors_;
  GMainLoopPtr loop_;
  guint signal_sources_[3] = {};
  int signal_count_ = 0;
  guint close_idle_ = 0;
  guint monitors_idle_ = 0;
  bool close_requested_ = false;
};

int Run(const std::string& argument_text) {
  RegistryStore registry(RegistryStore::DefaultPaths());
  Program program(registry);
  frmMain& form = program.primary().form();
  if (!form.Form_Load(argument_text)) return 0;
  if (!WebSandboxOff().empty()) form.LogNote("WebSandbox:Off - " + WebSandboxOff());
  // A close request handled during start-up's settle passes has run the
  // shutdown already, and its quit found no loop to end: leave now rather
  // than start one that nothing would end.
  if (form.unloaded()) return 0;
  program.primary().ShowFirstRunNoteIfHomeless();
  program.ShowAndRun();
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
  // The acceleration policy alone leaves WebKit setting up for compositing
  // in both processes before it paints in software: 25 to 45 ms of every
  // start. WebKit's own switch skips that. It is set here, before any thread
  // exists (setting the environment later races with every getenv in the
  // threads GTK and WebKit run), and kept for good: the programs the desktop
  // starts are given an environment without it.
  if (!vantile::BrowserTuning::FromEnvironment().accelerated_compositing &&
      !g_getenv("WEBKIT_DISABLE_COMPOSITING_MODE")) {
    vantile::SetForThisProgramOnly("WEBKIT_DISABLE_COMPOSITING_MODE", "1");
  }
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
