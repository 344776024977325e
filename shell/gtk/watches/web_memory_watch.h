// Stops a page that takes too much memory before it crowds out the user's
// other programs. WebKit's own pressure handler has the limit too (its
// policies free caches as a page nears it), but it measures by walking
// /proc/self/smaps, which costs several milliseconds each time: checked
// often enough to stop a page that allocates a gigabyte a second, it would
// cost half a percent of a core for a page that does nothing. This reads
// the web process's resident size (one small /proc/PID/statm) once a
// second instead.
#pragma once

#include <glib.h>
#include <sys/types.h>

#include <cstdint>
#include <functional>

namespace vantile {

class WebMemoryWatch {
 public:
  // `over` is called from the main loop while a web process of ours holds
  // more than `limit_mib`; none with a limit of 0.
  WebMemoryWatch(std::uint32_t limit_mib, std::function<void()> over);
  ~WebMemoryWatch();
  WebMemoryWatch(const WebMemoryWatch&) = delete;
  WebMemoryWatch& operator=(const WebMemoryWatch&) = delete;

 private:
  static gboolean OnTick(gpointer self);
  void Check();

  std::uint64_t limit_bytes_;
  std::function<void()> over_;
  guint timer_ = 0;
  pid_t web_ = 0;  // the web process last found; 0: look again
  int skip_ = 0;   // checks to skip before looking again
};

}  // namespace vantile
