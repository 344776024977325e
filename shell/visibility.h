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

// Another program's window as a Wayland compositor describes it through
// the foreign-toplevel protocol: states and outputs, but no places and no
// workspaces.
struct ForeignWindow {
  bool on_output = false;  // it has entered the desktop's output
  bool fullscreen = false;
  bool activated = false;  // it has the focus, so its workspace is shown
  bool minimized = false;
};

// Whether the desktop's output is covered: a window there is full screen
// and focused. Without places or workspaces nothing else can be told for
// sure (a full-screen window on a workspace not shown covers nothing), so
// nothing else pauses the page.
bool OutputCovered(const std::vector<ForeignWindow>& windows);

}  // namespace vantile
