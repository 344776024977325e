#include "shell/gtk/windows/monitor_names.h"

#include <X11/extensions/Xrandr.h>
#include <gdk/gdkwayland.h>
#include <gdk/gdkx.h>
#include <wayland-client.h>

#include <cstring>
#include <memory>

#include "xdg-output-unstable-v1-client-protocol.h"

namespace vantile {
namespace {

constexpr const char* kNameKey = "vantile-monitor-name";

std::string RandrOutputName(GdkMonitor* monitor) {
  GdkDisplay* gdk_display = gdk_monitor_get_display(monitor);
  Display* display = gdk_x11_display_get_xdisplay(gdk_display);
  const XID output = gdk_x11_monitor_get_output(monitor);
  if (!output) return {};
  gdk_x11_display_error_trap_push(gdk_display);
  XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display, DefaultRootWindow(display));
  std::string name;
  if (resources) {
    if (XRROutputInfo* info = XRRGetOutputInfo(display, resources, output)) {
      name.assign(info->name, static_cast<std::size_t>(info->nameLen));
      XRRFreeOutputInfo(info);
    }
    XRRFreeScreenResources(resources);
  }
  gdk_x11_display_error_trap_pop_ignored(gdk_display);
  return name;
}

// Asks the compositor on a queue of our own, so that nothing of GTK's is
// dispatched meanwhile and the answer is there when the call returns.
class XdgOutputNames {
 public:
  explicit XdgOutputNames(wl_display* display) : display_(display), queue_(wl_display_create_queue(display)) {
    auto* wrapper = static_cast<wl_display*>(wl_proxy_create_wrapper(display));
    wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(wrapper), queue_);
    registry_ = wl_display_get_registry(wrapper);
    wl_proxy_wrapper_destroy(wrapper);
    wl_registry_add_listener(registry_, &kRegistryListener, this);
    wl_display_roundtrip_queue(display_, queue_);
  }
  ~XdgOutputNames() {
    if (manager_) zxdg_output_manager_v1_destroy(manager_);
    wl_registry_destroy(registry_);
    wl_event_queue_destroy(queue_);
  }
  XdgOutputNames(const XdgOutputNames&) = delete;
  XdgOutputNames& operator=(const XdgOutputNames&) = delete;

  std::string NameOf(wl_output* output) {
    if (!manager_ || !output) return {};
    std::string name;
    zxdg_output_v1* xdg_output = zxdg_output_manager_v1_get_xdg_output(manager_, output);
    zxdg_output_v1_add_listener(xdg_output, &kOutputListener, &name);
    wl_display_roundtrip_queue(display_, queue_);
    zxdg_output_v1_destroy(xdg_output);
    return name;
  }

 private:
  static void OnGlobal(void* data, wl_registry* registry, uint32_t id, const char* interface, uint32_t version) {
    auto* self = static_cast<XdgOutputNames*>(data);
    // The name event came with version 2.
    if (self->manager_ || std::strcmp(interface, zxdg_output_manager_v1_interface.name) != 0 || version < 2) return;
    self->manager_ = static_cast<zxdg_output_manager_v1*>(
        wl_registry_bind(registry, id, &zxdg_output_manager_v1_interface, 2));
  }
  static void OnGlobalRemove(void*, wl_registry*, uint32_t) {}
  static void OnName(void* data, zxdg_output_v1*, const char* name) { *static_cast<std::string*>(data) = name; }

  static constexpr wl_registry_listener kRegistryListener = {OnGlobal, OnGlobalRemove};
  // Only the name matters: position, size and description are GDK's.
  static constexpr zxdg_output_v1_listener kOutputListener = {
      [](void*, zxdg_output_v1*, int32_t, int32_t) {}, [](void*, zxdg_output_v1*, int32_t, int32_t) {},
      [](void*, zxdg_output_v1*) {}, OnName, [](void*, zxdg_output_v1*, const char*) {}};

  wl_display* display_;
  wl_event_queue* queue_;
  wl_registry* registry_ = nullptr;
  zxdg_output_manager_v1* manager_ = nullptr;
};

std::string ModelName(GdkMonitor* monitor) {
  std::string name;
  for (const char* part : {gdk_monitor_get_manufacturer(monitor), gdk_monitor_get_model(monitor)}) {
    if (!part || !*part) continue;
    if (!name.empty()) name += ' ';
    name += part;
  }
  return name;
}

}  // namespace

std::string MonitorName(GdkMonitor* monitor) {
  if (const auto* known = static_cast<const char*>(g_object_get_data(G_OBJECT(monitor), kNameKey))) return known;
  GdkDisplay* display = gdk_monitor_get_display(monitor);
  std::string name;
  if (GDK_IS_X11_DISPLAY(display)) {
    name = RandrOutputName(monitor);
  } else if (GDK_IS_WAYLAND_DISPLAY(display)) {
    XdgOutputNames names(gdk_wayland_display_get_wl_display(display));
    name = names.NameOf(gdk_wayland_monitor_get_wl_output(monitor));
  }
  if (name.empty()) name = ModelName(monitor);
  // A monitor keeps its connector while it is plugged in: asked once.
  g_object_set_data_full(G_OBJECT(monitor), kNameKey, g_strdup(name.c_str()), g_free);
  return name;
}

std::vector<MonitorInfo> DisplayMonitors(GdkDisplay* display) {
  std::vector<MonitorInfo> monitors;
  for (int i = 0; i < gdk_display_get_n_monitors(display); ++i) {
    GdkMonitor* monitor = gdk_display_get_monitor(display, i);
    monitors.push_back({MonitorName(monitor), gdk_monitor_is_primary(monitor) != FALSE});
  }
  return monitors;
}

}  // namespace vantile
