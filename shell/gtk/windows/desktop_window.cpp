#include "shell/gtk/windows/desktop_window.h"

#include <unistd.h>

#include <utility>

#include "common/file_util.h"
#include "shell/gtk/glue/key_codes.h"
#include "shell/live_page.h"
#include "shell/pause_reasons.h"
#include "shell/settings.h"

namespace vantile {
namespace {

BrowserTuning TuningFor(const DesktopWindowSetup& setup) {
  BrowserTuning tuning = BrowserTuning::FromEnvironment();
  // A window that shares another's web process has nothing to warm up.
  if (setup.related) tuning.warm_up = false;
  const auto pages = sysconf(_SC_PHYS_PAGES), page_size = sysconf(_SC_PAGESIZE);
  tuning.memory_limit_mib = WebMemoryLimitMiB(
      setup.registry, pages > 0 && page_size > 0 ? std::uint64_t(pages) * std::uint64_t(page_size) : 0);
  return tuning;
}

}  // namespace

DesktopWindow::DesktopWindow(DesktopWindowSetup setup)
    : registry_(setup.registry),
      browser_(TuningFor(setup), setup.related),
      desktop_(browser_.widget(), setup.monitor),
      dialogs_(desktop_.window()),
      menu_(GTK_WIDGET(desktop_.window())),
      chooser_(desktop_.window()),
      form_(MainPlatform{browser_, desktop_, shell_, dialogs_, menu_, pump_, setup.registry, chooser_},
            ProgramFolder(), ProgramPath().string(), std::move(setup.role)) {
  // Start-up's settle passes run while the start page loads: they let
  // pending events run and must not wait on the page as the activate step
  // and the commands do, or the window would show only once it had loaded.
  pump_.SetInFlightProbe([this] { return shown_ && browser_.ReadyState() != READYSTATE_COMPLETE; });
  desktop_.SetCloseHandler(std::move(setup.close_program));
  browser_.SetContextMenuEventHook([this](const GdkEvent* event) { menu_.SetTriggerEvent(event); });
  g_signal_connect(window(), "key-release-event", G_CALLBACK(OnKeyRelease), this);
}

DesktopWindow::~DesktopWindow() {
  if (pause_timer_) g_source_remove(pause_timer_);
  if (activate_idle_) g_source_remove(activate_idle_);
  pause_.reset();
  live_page_.reset();
  note_.reset();
  g_signal_handlers_disconnect_by_data(window(), this);
}

void DesktopWindow::ShowAndActivate() {
  shown_ = true;
  desktop_.Show();
  // Ahead of the window's first layout and paint.
  activate_idle_ = g_idle_add_full(G_PRIORITY_DEFAULT, +[](gpointer data) -> gboolean {
    auto* self = static_cast<DesktopWindow*>(data);
    self->activate_idle_ = 0;
    if (!self->shut_down_) self->form_.Form_Activate();
    if (!self->shut_down_) self->desktop_.ApplyIcon();
    return G_SOURCE_REMOVE;
  }, this, nullptr);
}

void DesktopWindow::ShowFirstRunNoteIfHomeless() {
  // A page start-up asked for may have committed already: then no note.
  if (!form_.state().HomePage.empty() || browser_.PageCommitted()) return;
  note_ = std::make_unique<FirstRunNote>(desktop_.overlay(), WEBKIT_WEB_VIEW(browser_.widget()));
  note_->Show();
}

void DesktopWindow::StartWatches() {
  if (LivePageEnabled(registry_)) {
    live_page_ = std::make_unique<LivePageMonitor>(WEBKIT_WEB_VIEW(browser_.widget()), browser_);
  }
  // A page that must keep running while hidden can say so in the settings
  // file; then nothing is watched at all.
  pause_rules_ = ReadPauseRules(registry_);
  if (ReasonsToWatch(pause_rules_).Empty()) return;
  pause_timer_ = g_timeout_add(500, +[](gpointer data) -> gboolean {
    auto* self = static_cast<DesktopWindow*>(data);
    self->pause_timer_ = 0;
    self->pause_ = std::make_unique<PauseWatches>(self->window(), self->desktop_.overlay(), self->browser_.widget(),
                                                  self->pause_rules_);
    return G_SOURCE_REMOVE;
  }, this);
}

void DesktopWindow::Shutdown() {
  if (shut_down_) return;
  shut_down_ = true;
  // Nested loops still on the stack (a message box, the menu, a page
  // wait) must end before the window can go.
  dialogs_.CloseOpenBox();
  menu_.Dismiss();
  form_.Form_QueryUnload();
  browser_.Shutdown();
  gtk_widget_hide(window());
}

gboolean DesktopWindow::OnKeyRelease(GtkWidget*, GdkEventKey* event, gpointer data) {
  auto* self = static_cast<DesktopWindow*>(data);
  if (self->shut_down_) return FALSE;
  const int key = VirtualKeyCode(*event);
  if (key != 0) self->form_.Form_KeyUp(key, ShiftBits(*event));
  return FALSE;  // the page sees its key-up too
}

}  // namespace vantile
