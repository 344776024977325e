// Input on the view, seen before the web process gets it: every button and
// key press is counted for the view's DocumentTrust (one input opens the
// user's browser at most once), and a right-click opens the desktop's menu
// straight from the input event, so it opens whatever the page's script is
// doing.
#pragma once

#include <webkit2/webkit2.h>

#include <functional>
#include <memory>

#include "shell/platform.h"
#include "shell/trust/document_trust.h"

namespace vantile {

class ViewInputGtk {
 public:
  // All outlive this; `events` is the browser's own pointer, read when the
  // menu opens since it changes.
  ViewInputGtk(WebKitWebView* view, BrowserEvents* const& events, DocumentTrust& trust);
  ~ViewInputGtk();
  ViewInputGtk(const ViewInputGtk&) = delete;
  ViewInputGtk& operator=(const ViewInputGtk&) = delete;

  // Called with the right-click that asked for the menu, just before
  // BrowserEvents::ShowContextMenu.
  void SetContextMenuEventHook(std::function<void(const GdkEvent*)> hook) { context_hook_ = std::move(hook); }

 private:
  static gboolean OnInput(GtkWidget*, GdkEvent*, gpointer self);
  static gboolean OnContextMenu(WebKitWebView*, WebKitContextMenu*, GdkEvent*, WebKitHitTestResult*, gpointer self);
  static gboolean ShowMenuLater(gpointer self);
  void MenuAsked(const GdkEvent* event);

  WebKitWebView* view_;
  BrowserEvents* const& events_;
  DocumentTrust& trust_;
  std::function<void(const GdkEvent*)> context_hook_;
  struct EventFree {
    void operator()(GdkEvent* e) const { gdk_event_free(e); }
  };
  std::unique_ptr<GdkEvent, EventFree> pending_menu_event_;
  guint menu_idle_ = 0;
};

}  // namespace vantile
