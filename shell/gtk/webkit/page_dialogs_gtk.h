// What a page may show over the desktop: its alert() and confirm() become
// our own message boxes, an ordinary prompt() is WebKit's, and print is the
// user's own page's alone. A burst of them is cut off (DialogFlood), so
// `for(;;) alert(1)` cannot keep a modal box on the desktop for ever.
#pragma once

#include <webkit2/webkit2.h>

#include "shell/gtk/webkit/page_channel_gtk.h"
#include "shell/page_limits.h"
#include "shell/platform.h"
#include "shell/trust/document_trust.h"

namespace vantile {

class PageDialogsGtk {
 public:
  // All outlive this; `events` is the browser's own pointer, read at every
  // box since it changes.
  PageDialogsGtk(WebKitWebView* view, BrowserEvents* const& events, PageChannelGtk& channel,
                 const DocumentTrust& trust);
  ~PageDialogsGtk();
  PageDialogsGtk(const PageDialogsGtk&) = delete;
  PageDialogsGtk& operator=(const PageDialogsGtk&) = delete;

  // The user loads a page: a page that was cut off gets its boxes again. A
  // page reloading itself does not come through here.
  void UserLoadsPage() { flood_.Reset(); }

 private:
  static gboolean OnScriptDialog(WebKitWebView*, WebKitScriptDialog*, gpointer self);
  static gboolean OnPrint(WebKitWebView*, WebKitPrintOperation*, gpointer self);
  // False when the box is dropped (and answered as if dismissed).
  bool MayShow(WebKitScriptDialog* dialog);

  WebKitWebView* view_;
  BrowserEvents* const& events_;
  PageChannelGtk& channel_;
  const DocumentTrust& trust_;
  DialogFlood flood_;
};

}  // namespace vantile
