// The page's way to the desktop: the scripts and style injected into every
// document, the channel the bridge's calls come on (answered through the
// page command table), and the links world's reports, which go to the
// view's DocumentTrust and the link guard.
#pragma once

#include <webkit2/webkit2.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "common/gtk/gobject_ptr.h"
#include "shell/page_api/page_api.h"
#include "shell/page_api/page_sources.h"
#include "shell/platform.h"
#include "shell/trust/document_trust.h"

namespace vantile {

class PageChannelGtk {
 public:
  // `events` is the browser's own pointer, read at every call since it
  // changes; `location` gives the view's address now; `sources` are what
  // window.vantile reads. All outlive this.
  PageChannelGtk(DocumentTrust& trust, BrowserEvents* const& events, std::function<std::string()> location,
                 PageSources& sources);
  ~PageChannelGtk();
  PageChannelGtk(const PageChannelGtk&) = delete;
  PageChannelGtk& operator=(const PageChannelGtk&) = delete;

  WebKitUserContentManager* content() const { return content_.get(); }
  // DOCHOSTUIFLAG_SCROLL_NO: a user style sheet hides the page's scroll bars.
  void SetHideScrollbars(bool hide);
  // The answer to a prompt() whose question starts with kAtOnceMarker: a
  // call the page waits for. "" for anything but the bridge's own call
  // from the user's own page.
  std::string AnswerAtOnce(std::string_view question);

 private:
  static gboolean OnPageCall(WebKitUserContentManager*, JSCValue* message, WebKitScriptMessageReply* reply,
                             gpointer self);
  static void OnLinkMessage(WebKitUserContentManager*, WebKitJavascriptResult*, gpointer self);
  // The trust of a call that carries `token`.
  PageTrust Caller(std::string_view token) const;
  void Rebuild();

  DocumentTrust& trust_;
  BrowserEvents* const& events_;
  std::function<std::string()> location_;
  PageSources& sources_;
  GObjectPtr<WebKitUserContentManager> content_;
  // The secret the bridge passes with every call; page content cannot read
  // it. Without one (no random numbers) the bridge is off.
  std::optional<std::string> token_;
  bool hide_scrollbars_ = false;
};

}  // namespace vantile
