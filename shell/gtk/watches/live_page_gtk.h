// The live page's watch: a GIO monitor on the folder of the local page shown
// (one folder at a time, replaced when a page from another folder commits),
// and the timer that reloads the page through the Browser interface once
// LivePage says the writes have settled.
#pragma once

#include <webkit2/webkit2.h>

#include "common/gtk/glib_util.h"
#include "shell/live_page.h"
#include "shell/platform.h"

namespace vantile {

class LivePageMonitor {
 public:
  // `view` is the browser's own view, whose loads say which page is shown;
  // both outlive the monitor.
  LivePageMonitor(WebKitWebView* view, Browser& browser);
  ~LivePageMonitor();
  LivePageMonitor(const LivePageMonitor&) = delete;
  LivePageMonitor& operator=(const LivePageMonitor&) = delete;

 private:
  static void OnLoadChanged(WebKitWebView*, WebKitLoadEvent, gpointer);
  static void OnFolderChanged(GFileMonitor*, GFile*, GFile*, GFileMonitorEvent, gpointer);
  static gboolean OnTimer(gpointer);
  void Follow();
  void StartTimer();

  WebKitWebView* view_;
  Browser& browser_;
  LivePage live_;
  std::string watched_;
  GObjectPtr<GFileMonitor> monitor_;
  guint timer_ = 0;
};

}  // namespace vantile
