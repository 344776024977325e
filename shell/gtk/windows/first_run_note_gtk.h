// The note over the empty view on a first run: what Vantile is, that there
// is no home page yet, and the three ways on (the menu with its demos,
// Options, Exit). The window draws it, so showing it navigates nothing and
// leaves no history or log line; it passes every click and key through to
// the view below, and goes away for good when the view commits its first
// page, whatever loaded it.
#pragma once

#include <webkit2/webkit2.h>

namespace vantile {

class FirstRunNote {
 public:
  // Builds the note, hidden, over `view` in `overlay` (the view is the
  // overlay's main child; both outlive the note).
  FirstRunNote(GtkOverlay* overlay, WebKitWebView* view);
  ~FirstRunNote();
  FirstRunNote(const FirstRunNote&) = delete;
  FirstRunNote& operator=(const FirstRunNote&) = delete;

  // Shows the note; the caller knows whether a page is shown already (the
  // view's address is set as soon as one is asked for).
  void Show();
  bool visible() const;

 private:
  static void OnLoadChanged(WebKitWebView*, WebKitLoadEvent, gpointer);
  void Remove();

  GtkOverlay* overlay_;
  WebKitWebView* view_;
  GtkWidget* note_;  // owned by the overlay while it is there; null once removed
};

}  // namespace vantile
