#include "shell/display_choice.h"

namespace vantile {

bool PreferX11(const DisplaySession& session) {
  return session.gdk_backend.empty() && !session.wayland_display.empty() && !session.x_display.empty() &&
         !session.layer_shell;
}

}  // namespace vantile
