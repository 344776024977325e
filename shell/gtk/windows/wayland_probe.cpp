#include "shell/gtk/windows/wayland_probe.h"

#include <wayland-client.h>

#include <cstring>

namespace vantile {

namespace {

void OnGlobal(void* data, wl_registry*, uint32_t, const char* interface, uint32_t) {
  if (std::strcmp(interface, "zwlr_layer_shell_v1") == 0) *static_cast<bool*>(data) = true;
}

void OnGlobalRemove(void*, wl_registry*, uint32_t) {}

}  // namespace

bool WaylandOffersLayerShell() {
  wl_display* display = wl_display_connect(nullptr);
  if (!display) return false;
  bool found = false;
  static const wl_registry_listener kListener = {OnGlobal, OnGlobalRemove};
  wl_registry* registry = wl_display_get_registry(display);
  wl_registry_add_listener(registry, &kListener, &found);
  // One round trip: the compositor has then announced every global.
  wl_display_roundtrip(display);
  wl_registry_destroy(registry);
  wl_display_disconnect(display);
  return found;
}

}  // namespace vantile
