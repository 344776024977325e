// Reads the power services on the system bus for SystemData::Power: UPower
// (on battery, and its display device: the battery the desktop shows) and
// the power-profile service (the active profile).
//
// Nothing is asked before the first Read(). Then four D-Bus proxies are made
// asynchronously and kept; their cached properties follow the services'
// PropertiesChanged signals, so later reads answer at once from the cache.
// Services are never started on our account. A service that hangs cannot
// stall the desktop: calls waiting for the proxies are answered once all are
// made or after `wait`, whichever comes first, with what is known by then.
#pragma once

#include <gio/gio.h>

#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/gtk/gobject_ptr.h"
#include "shell/page_api/system_data.h"

namespace vantile {

class PowerDataGtk {
 public:
  using Done = std::function<void(Reading<PowerFigures>)>;

  explicit PowerDataGtk(std::chrono::milliseconds wait = std::chrono::seconds(2));
  // Calls still waiting are answered with a reason, so each `done` is still
  // called exactly once; callbacks still in flight find the object gone.
  ~PowerDataGtk();
  PowerDataGtk(const PowerDataGtk&) = delete;
  PowerDataGtk& operator=(const PowerDataGtk&) = delete;

  // `done` is called exactly once: at once when the proxies are made,
  // otherwise from the main loop.
  void Read(Done done);
  // `changed` is called whenever a service's figures change, it comes or
  // goes, or a proxy arrives after the wait.
  void Follow(std::function<void()> changed) { changed_ = std::move(changed); }

 private:
  enum Service { kUPower, kDisplayDevice, kProfiles, kProfilesBefore, kServiceCount };
  struct Request;

  void Connect();
  static void OnProxyMade(GObject*, GAsyncResult* result, gpointer request);
  void Made(int service, GObjectPtr<GDBusProxy> proxy, const GError* error);
  static gboolean OnWaitOver(gpointer self);
  static void OnPropertiesChanged(GDBusProxy*, GVariant*, GStrv, gpointer self);
  static void OnOwnerChanged(GObject*, GParamSpec*, gpointer self);
  void Changed() const;
  void AnswerWaiting(const Reading<PowerFigures>& answer);
  Reading<PowerFigures> Figures() const;

  std::chrono::milliseconds wait_;
  bool asked_ = false;
  bool answering_at_once_ = false;  // all proxies made, or the wait is over
  GObjectPtr<GCancellable> cancellable_;
  std::array<GObjectPtr<GDBusProxy>, kServiceCount> proxies_;
  std::array<bool, kServiceCount> made_{};  // finished, with or without a proxy
  std::string bus_problem_;                 // why UPower's proxy could not be made
  guint wait_source_ = 0;
  std::vector<Done> waiting_;
  std::function<void()> changed_;
  // Asynchronous callbacks hold a weak reference: once it is gone, so are we.
  std::shared_ptr<PowerDataGtk*> alive_;
};

}  // namespace vantile
