// Rendering choices that trade a feature for start-up time and memory, each
// with a switch in the environment for measuring it.
#pragma once

namespace vantile {

struct BrowserTuning {
  // WebKit's default hardware acceleration policy (GPU compositing). Off by
  // default: software painting starts faster and needs far less memory.
  bool accelerated_compositing = false;
  // Keep WebKit's page cache and browser-sized memory caches. Off by
  // default: a desktop page is mostly one local document.
  bool browser_caches = false;
  // Start WebKit's network process as the view is made, not at the first
  // page, so that it starts while the first view is made. On by default.
  // (The web process starts with the start page, which start-up asks for
  // as soon as the settings are read.)
  bool warm_up = true;
  // The web process's memory limit in MiB (WebMemoryLimitMiB); 0: WebKit's own.
  unsigned memory_limit_mib = 0;

  // From VANTILE_ACCELERATED_COMPOSITING=1, VANTILE_BROWSER_CACHES=1 and
  // VANTILE_WARM_UP=0.
  static BrowserTuning FromEnvironment();
};

}  // namespace vantile
