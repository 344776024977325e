#include "shell/gtk/glue/startup_trace.h"

#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

namespace vantile {

namespace {

bool TraceEnabled() {
  static const bool enabled = [] {
    const char* value = std::getenv("VANTILE_STARTUP_TRACE");
    return value && std::strcmp(value, "1") == 0;
  }();
  return enabled;
}

}  // namespace

void StartupMark(const char* stage) {
  if (!TraceEnabled()) return;
  static std::set<const char*> seen;
  if (!seen.insert(stage).second) return;
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  std::fprintf(stderr, "vantile-trace %s %.6f\n", stage, static_cast<double>(now.tv_sec) + now.tv_nsec / 1e9);
  std::fflush(stderr);
}

}  // namespace vantile
