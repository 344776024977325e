#include "shell/gtk/watches/lock_watch.h"

#include <unistd.h>

namespace vantile {

LockWatch::LockWatch(PauseReport changed)
    : changed_(std::move(changed)), cancellable_(g_cancellable_new()) {
  session_bus_ = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
  if (session_bus_) {
    const char* const kSavers[] = {"org.freedesktop.ScreenSaver", "org.gnome.ScreenSaver"};
    for (int i = 0; i < 2; ++i) {
      saver_signals_[i] = g_dbus_connection_signal_subscribe(session_bus_, nullptr, kSavers[i], "ActiveChanged",
                                                             nullptr, nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
                                                             OnScreenSaver, this, nullptr);
    }
  }
  // The session's object path, asked once; its LockedHint is then followed.
  system_bus_ = g_bus_get_sync(G_BUS_TYPE_SYSTEM, nullptr, nullptr);
  if (system_bus_) {
    g_dbus_connection_call(system_bus_, "org.freedesktop.login1", "/org/freedesktop/login1",
                           "org.freedesktop.login1.Manager", "GetSessionByPID", g_variant_new("(u)", getpid()),
                           G_VARIANT_TYPE("(o)"), G_DBUS_CALL_FLAGS_NO_AUTO_START, 2000, cancellable_,
                           OnSessionFound, this);
  }
}

LockWatch::~LockWatch() {
  g_cancellable_cancel(cancellable_);
  g_object_unref(cancellable_);
  for (guint id : saver_signals_) {
    if (id) g_dbus_connection_signal_unsubscribe(session_bus_, id);
  }
  if (lock_signal_) g_dbus_connection_signal_unsubscribe(system_bus_, lock_signal_);
  if (session_bus_) g_object_unref(session_bus_);
  if (system_bus_) g_object_unref(system_bus_);
}

void LockWatch::OnScreenSaver(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                              GVariant* parameters, gpointer self) {
  if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(b)"))) return;
  auto* watch = static_cast<LockWatch*>(self);
  gboolean active = FALSE;
  g_variant_get(parameters, "(b)", &active);
  watch->saver_active_ = active;
  watch->Report();
}

void LockWatch::OnSessionFound(GObject* source, GAsyncResult* result, gpointer self) {
  GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, nullptr);
  if (!reply) return;  // no login manager here, or we are going away
  auto* watch = static_cast<LockWatch*>(self);
  const gchar* path = nullptr;
  g_variant_get(reply, "(&o)", &path);
  watch->lock_signal_ = g_dbus_connection_signal_subscribe(
      watch->system_bus_, "org.freedesktop.login1", "org.freedesktop.DBus.Properties", "PropertiesChanged", path,
      "org.freedesktop.login1.Session", G_DBUS_SIGNAL_FLAGS_NONE, OnSessionProperties, watch, nullptr);
  g_variant_unref(reply);
}

void LockWatch::OnSessionProperties(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                                    GVariant* parameters, gpointer self) {
  if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(sa{sv}as)"))) return;
  auto* watch = static_cast<LockWatch*>(self);
  GVariant* changed = g_variant_get_child_value(parameters, 1);
  gboolean locked = FALSE;
  if (g_variant_lookup(changed, "LockedHint", "b", &locked)) {
    watch->session_locked_ = locked;
    watch->Report();
  }
  g_variant_unref(changed);
}

void LockWatch::Report() {
  const bool locked = saver_active_ || session_locked_;
  if (reported_ == locked) return;
  reported_ = locked;
  changed_(PauseReason::Locked, locked);
}

}  // namespace vantile
