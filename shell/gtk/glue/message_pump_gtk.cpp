#include "shell/gtk/glue/message_pump_gtk.h"

#include <glib.h>

#include <memory>

#include "shell/gtk/glue/startup_trace.h"

namespace vantile {

namespace {

constexpr guint kSleepMs = 1;
constexpr auto kQuietPass = std::chrono::microseconds(200);

gboolean WakeUp(gpointer) { return G_SOURCE_REMOVE; }

struct SourceDeleter {
  void operator()(GSource* source) const {
    g_source_destroy(source);
    g_source_unref(source);
  }
};

}  // namespace

void GtkMessagePump::DoEvents() {
  // Marked once, rather than looked up again on each of start-up's ten
  // thousand passes.
  if (!traced_) {
    StartupMark("message-passes");
    traced_ = true;
  }
  GMainContext* context = g_main_context_default();
  const bool in_flight = in_flight_ && in_flight_();
  // A pass right after one that found nothing would find nothing either:
  // without this a long run of passes spends its time in poll(0).
  const auto now = Clock::now();
  if (!in_flight && !dispatched_ && now - last_pass_ < kQuietPass) return;
  last_pass_ = now;
  dispatched_ = g_main_context_iteration(context, FALSE);
  if (dispatched_ || !in_flight) return;
  std::unique_ptr<GSource, SourceDeleter> timer(g_timeout_source_new(kSleepMs));
  g_source_set_callback(timer.get(), WakeUp, nullptr, nullptr);
  g_source_attach(timer.get(), context);
  g_main_context_iteration(context, TRUE);
}

}  // namespace vantile
