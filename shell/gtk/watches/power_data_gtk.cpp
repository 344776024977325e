#include "shell/gtk/watches/power_data_gtk.h"

#include "common/gtk/glib_util.h"

namespace vantile {
namespace {

struct Address {
  const char* name;
  const char* path;
  const char* interface;
};

// In the order of PowerDataGtk::Service. The power-profile service is known
// under UPower's name on newer systems and under its first name before.
constexpr Address kAddresses[] = {
    {"org.freedesktop.UPower", "/org/freedesktop/UPower", "org.freedesktop.UPower"},
    {"org.freedesktop.UPower", "/org/freedesktop/UPower/devices/DisplayDevice", "org.freedesktop.UPower.Device"},
    {"org.freedesktop.UPower.PowerProfiles", "/org/freedesktop/UPower/PowerProfiles",
     "org.freedesktop.UPower.PowerProfiles"},
    {"net.hadess.PowerProfiles", "/net/hadess/PowerProfiles", "net.hadess.PowerProfiles"},
};

// UPower's device kinds that hold a charge the desktop would show.
constexpr guint32 kKindBattery = 2;
constexpr guint32 kKindUps = 3;

// A cached property, or none when it is missing or not of the type asked.
GVariantPtr Cached(GDBusProxy* proxy, const char* name, const GVariantType* type) {
  GVariantPtr value(g_dbus_proxy_get_cached_property(proxy, name));
  if (value && !g_variant_is_of_type(value.get(), type)) value.reset();
  return value;
}

// A proxy for a name nobody owns has no properties: that service is absent.
bool Running(GDBusProxy* proxy) {
  if (!proxy) return false;
  GCharPtr owner(g_dbus_proxy_get_name_owner(proxy));
  return owner != nullptr;
}

// UPower's device states. The pending ones mean plugged in but waiting to
// charge, and unplugged but not yet drawing: the page is told which way the
// power flows, as "charging" and "discharging".
std::string StateName(guint32 state) {
  switch (state) {
    case 1:
    case 5:
      return "charging";
    case 2:
    case 6:
      return "discharging";
    case 3:
      return "empty";
    case 4:
      return "full";
    default:
      return "unknown";
  }
}

std::optional<BatteryFigures> Battery(GDBusProxy* display) {
  if (!Running(display)) return std::nullopt;
  GVariantPtr present = Cached(display, "IsPresent", G_VARIANT_TYPE_BOOLEAN);
  GVariantPtr kind = Cached(display, "Type", G_VARIANT_TYPE_UINT32);
  if (!present || !g_variant_get_boolean(present.get()) || !kind) return std::nullopt;
  const guint32 kind_number = g_variant_get_uint32(kind.get());
  if (kind_number != kKindBattery && kind_number != kKindUps) return std::nullopt;
  BatteryFigures battery;
  if (GVariantPtr v = Cached(display, "Percentage", G_VARIANT_TYPE_DOUBLE)) battery.percent = g_variant_get_double(v.get());
  battery.state = "unknown";
  if (GVariantPtr v = Cached(display, "State", G_VARIANT_TYPE_UINT32)) battery.state = StateName(g_variant_get_uint32(v.get()));
  if (GVariantPtr v = Cached(display, "TimeToEmpty", G_VARIANT_TYPE_INT64)) battery.time_to_empty = g_variant_get_int64(v.get());
  if (GVariantPtr v = Cached(display, "TimeToFull", G_VARIANT_TYPE_INT64)) battery.time_to_full = g_variant_get_int64(v.get());
  return battery;
}

std::optional<std::string> Profile(GDBusProxy* profiles) {
  if (!Running(profiles)) return std::nullopt;
  GVariantPtr active = Cached(profiles, "ActiveProfile", G_VARIANT_TYPE_STRING);
  if (!active) return std::nullopt;
  return std::string(g_variant_get_string(active.get(), nullptr));
}

}  // namespace

// What an asynchronous proxy creation carries back to us.
struct PowerDataGtk::Request {
  std::weak_ptr<PowerDataGtk*> owner;
  int service;
};

PowerDataGtk::PowerDataGtk(std::chrono::milliseconds wait)
    : wait_(wait), cancellable_(g_cancellable_new()), alive_(std::make_shared<PowerDataGtk*>(this)) {}

PowerDataGtk::~PowerDataGtk() {
  alive_.reset();
  g_cancellable_cancel(cancellable_.get());
  for (const auto& proxy : proxies_) {
    if (proxy) g_signal_handlers_disconnect_by_data(proxy.get(), this);
  }
  if (wait_source_) g_source_remove(wait_source_);
  AnswerWaiting(Reading<PowerFigures>::Missing("the desktop stopped reading the power services"));
}

void PowerDataGtk::Read(Done done) {
  if (answering_at_once_) {
    done(Figures());
    return;
  }
  waiting_.push_back(std::move(done));
  if (!asked_) Connect();
}

void PowerDataGtk::Connect() {
  asked_ = true;
  // Signals other than property changes are not used; a service must not be
  // started for a page's sake.
  const auto flags =
      static_cast<GDBusProxyFlags>(G_DBUS_PROXY_FLAGS_DO_NOT_AUTO_START | G_DBUS_PROXY_FLAGS_DO_NOT_CONNECT_SIGNALS);
  for (int service = 0; service < kServiceCount; ++service) {
    const Address& at = kAddresses[service];
    g_dbus_proxy_new_for_bus(G_BUS_TYPE_SYSTEM, flags, nullptr, at.name, at.path, at.interface,
                             cancellable_.get(), OnProxyMade, new Request{alive_, service});
  }
  wait_source_ = g_timeout_add(static_cast<guint>(wait_.count()), OnWaitOver, this);
}

void PowerDataGtk::OnProxyMade(GObject*, GAsyncResult* result, gpointer request_data) {
  std::unique_ptr<Request> request(static_cast<Request*>(request_data));
  GError* raw_error = nullptr;
  GObjectPtr<GDBusProxy> proxy(g_dbus_proxy_new_for_bus_finish(result, &raw_error));
  GErrorPtr error(raw_error);
  std::shared_ptr<PowerDataGtk*> owner = request->owner.lock();
  if (!owner) return;  // destroyed (and so cancelled) while this was in flight
  (*owner)->Made(request->service, std::move(proxy), error.get());
}

void PowerDataGtk::Made(int service, GObjectPtr<GDBusProxy> proxy, const GError* error) {
  made_[service] = true;
  proxies_[service] = std::move(proxy);
  if (GDBusProxy* made = proxies_[service].get()) {
    // The cached properties follow the service's PropertiesChanged; these
    // tell us they did, or that the service came or went.
    g_signal_connect(made, "g-properties-changed", G_CALLBACK(OnPropertiesChanged), this);
    g_signal_connect(made, "notify::g-name-owner", G_CALLBACK(OnOwnerChanged), this);
  }
  if (service == kUPower && error) {
    // Without a system bus every proxy fails at once, with the bus's error.
    bus_problem_ = "the system bus cannot be reached, so the power daemon (UPower) cannot be asked";
  }
  // Past the wait, answers were given without this one: it makes them fuller.
  if (answering_at_once_) return Changed();
  for (bool made : made_) {
    if (!made) return;
  }
  answering_at_once_ = true;
  if (wait_source_) g_source_remove(std::exchange(wait_source_, 0));
  AnswerWaiting(Figures());
}

gboolean PowerDataGtk::OnWaitOver(gpointer self) {
  auto* data = static_cast<PowerDataGtk*>(self);
  data->wait_source_ = 0;
  // From now on reads answer with what has come; a proxy that comes later
  // only makes the answers fuller.
  data->answering_at_once_ = true;
  data->AnswerWaiting(data->Figures());
  return G_SOURCE_REMOVE;
}

void PowerDataGtk::OnPropertiesChanged(GDBusProxy*, GVariant*, GStrv, gpointer self) {
  static_cast<PowerDataGtk*>(self)->Changed();
}

void PowerDataGtk::OnOwnerChanged(GObject*, GParamSpec*, gpointer self) { static_cast<PowerDataGtk*>(self)->Changed(); }

void PowerDataGtk::Changed() const {
  if (changed_) changed_();
}

void PowerDataGtk::AnswerWaiting(const Reading<PowerFigures>& answer) {
  // A `done` may read again or destroy us: the list is taken first.
  std::vector<Done> waiting = std::exchange(waiting_, {});
  for (Done& done : waiting) done(answer);
}

Reading<PowerFigures> PowerDataGtk::Figures() const {
  GDBusProxy* upower = proxies_[kUPower].get();
  if (!upower) {
    return Reading<PowerFigures>::Missing(made_[kUPower] ? bus_problem_
                                                         : "the power daemon (UPower) did not answer in time");
  }
  if (!Running(upower)) return Reading<PowerFigures>::Missing("the power daemon (UPower) is not running");
  PowerFigures figures;
  if (GVariantPtr v = Cached(upower, "OnBattery", G_VARIANT_TYPE_BOOLEAN)) figures.on_battery = g_variant_get_boolean(v.get());
  figures.battery = Battery(proxies_[kDisplayDevice].get());
  figures.profile = Profile(proxies_[kProfiles].get());
  if (!figures.profile) figures.profile = Profile(proxies_[kProfilesBefore].get());
  return Reading<PowerFigures>::Of(std::move(figures));
}

}  // namespace vantile
