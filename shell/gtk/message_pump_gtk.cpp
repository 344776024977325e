#include "shell/gtk/message_pump_gtk.h"

#include <glib.h>

#include <memory>

namespace vantile {

namespace {

constexpr guint kSleepMs = 1;

gboolean WakeUp(gpointer) { return G_SOURCE_REMOVE; }

struct SourceDeleter {
  void operator()(GSource* source) const {
    g_source_destroy(source);
    g_source_unref(source);
  }
};

}  // namespace

void GtkMessagePump::DoEvents() {
  GMainContext* context = g_main_context_default();
  if (g_main_context_iteration(context, FALSE)) return;
  if (!in_flight_ || !in_flight_()) return;
  std::unique_ptr<GSource, SourceDeleter> timer(g_timeout_source_new(kSleepMs));
  g_source_set_callback(timer.get(), WakeUp, nullptr, nullptr);
  g_source_attach(timer.get(), context);
  g_main_context_iteration(context, TRUE);
}

}  // namespace vantile
