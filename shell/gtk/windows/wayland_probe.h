// Asks the Wayland compositor of the session what it offers, before GTK
// connects to any display.
#pragma once

namespace vantile {

// Whether the compositor at WAYLAND_DISPLAY offers the layer-shell protocol
// (zwlr_layer_shell_v1); false when there is none to ask.
bool WaylandOffersLayerShell();

}  // namespace vantile
