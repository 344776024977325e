#include "shell/gtk/webkit/browser_tuning.h"

#include <glib.h>

#include <cstring>

namespace vantile {

namespace {

bool EnvironmentFlag(const char* name) {
  const char* value = g_getenv(name);
  return value && std::strcmp(value, "1") == 0;
}

}  // namespace

BrowserTuning BrowserTuning::FromEnvironment() {
  BrowserTuning tuning;
  tuning.accelerated_compositing = EnvironmentFlag("VANTILE_ACCELERATED_COMPOSITING");
  tuning.browser_caches = EnvironmentFlag("VANTILE_BROWSER_CACHES");
  const char* warm_up = g_getenv("VANTILE_WARM_UP");
  tuning.warm_up = !(warm_up && std::strcmp(warm_up, "0") == 0);
  return tuning;
}

}  // namespace vantile
