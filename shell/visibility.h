// Whether anybody can see the desktop: a page nobody sees is paused (made
// not visible to WebKit, as a background tab), so a desktop that spends
// the day under other windows costs nothing.
#pragma once

#include <vector>

#include "shell/platform.h"

namespace vantile {

// Another program's top-level window, as the window manager describes it.
struct OtherWindow {
  ScreenRect rect;               // on the screen, in pixels
  bool fullscreen = false;       // _NET_WM_STATE_FULLSCREEN
  bool maximized = false;        // both _NET_WM_STATE_MAXIMIZED_VERT and _HORZ
  bool hidden = false;           // minimised, or not mapped
  bool on_current_desktop = true;  // its workspace is the one shown (or all)
};

// Whether every pixel of `monitor` lies under windows that are full screen
// or maximised, shown, on the current workspace. Any other window (a
// dialog, a terminal someone placed over the page) may leave something of
// the page to see, and never counts.
bool MonitorCovered(const ScreenRect& monitor, const std::vector<OtherWindow>& windows);

}  // namespace vantile
