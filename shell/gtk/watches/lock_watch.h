// Follows whether the screen is locked or blanked: the login manager's
// LockedHint of this session (system bus) and the desktop's screensaver
// ActiveChanged signal (session bus, under either of its usual names),
// whichever the session has. It reports PauseReason::Locked.
#pragma once

#include <gio/gio.h>

#include "shell/gtk/watches/pause_watch.h"

namespace vantile {

class LockWatch : public PauseWatch {
 public:
  // `changed` hears every change of "locked", starting from not locked.
  explicit LockWatch(PauseReport changed);
  ~LockWatch() override;
  LockWatch(const LockWatch&) = delete;
  LockWatch& operator=(const LockWatch&) = delete;

 private:
  static void OnScreenSaver(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GVariant*,
                            gpointer self);
  static void OnSessionProperties(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                                  GVariant*, gpointer self);
  static void OnSessionFound(GObject*, GAsyncResult*, gpointer self);
  void Report();

  PauseReport changed_;
  GDBusConnection* session_bus_ = nullptr;
  GDBusConnection* system_bus_ = nullptr;
  guint saver_signals_[2] = {};
  guint lock_signal_ = 0;
  GCancellable* cancellable_ = nullptr;
  bool saver_active_ = false;
  bool session_locked_ = false;
  bool reported_ = false;
};

}  // namespace vantile
