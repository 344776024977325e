// GDK key events as the Windows virtual-key codes and shift bits that the
// window's key handler takes.
#pragma once

#include <gdk/gdk.h>

namespace vantile {

// The virtual-key code of the key, judged by its unshifted symbol (so
// Ctrl+Shift+Q is still Q); 0 for keys without one.
int VirtualKeyCode(const GdkEventKey& event);
// 1 Shift, 2 Ctrl, 4 Alt.
int ShiftBits(const GdkEventKey& event);

}  // namespace vantile
