#include "shell/visibility.h"

#include <algorithm>

namespace vantile {

bool MonitorCovered(const ScreenRect& monitor, const std::vector<OtherWindow>& windows) {
  if (monitor.right <= monitor.left || monitor.bottom <= monitor.top) return false;
  std::vector<ScreenRect> covers;
  for (const OtherWindow& w : windows) {
    if ((w.fullscreen || w.maximized) && !w.hidden && w.on_current_desktop) covers.push_back(w.rect);
  }
  if (covers.empty()) return false;
  // The monitor cut along every edge the windows have: each cell of that
  // grid is either wholly under some window or wholly not.
  std::vector<int> xs = {monitor.left, monitor.right}, ys = {monitor.top, monitor.bottom};
  for (const ScreenRect& r : covers) {
    for (int x : {r.left, r.right}) if (x > monitor.left && x < monitor.right) xs.push_back(x);
    for (int y : {r.top, r.bottom}) if (y > monitor.top && y < monitor.bottom) ys.push_back(y);
  }
  std::sort(xs.begin(), xs.end());
  std::sort(ys.begin(), ys.end());
  for (std::size_t i = 0; i + 1 < xs.size(); ++i) {
    for (std::size_t j = 0; j + 1 < ys.size(); ++j) {
      if (xs[i] == xs[i + 1] || ys[j] == ys[j + 1]) continue;
      const bool under = std::any_of(covers.begin(), covers.end(), [&](const ScreenRect& r) {
        return r.left <= xs[i] && xs[i + 1] <= r.right && r.top <= ys[j] && ys[j + 1] <= r.bottom;
      });
      if (!under) return false;
    }
  }
  return true;
}

bool OutputCovered(const std::vector<ForeignWindow>& windows) {
  return std::any_of(windows.begin(), windows.end(), [](const ForeignWindow& w) {
    return w.on_output && w.fullscreen && w.activated && !w.minimized;
  });
}

}  // namespace vantile
