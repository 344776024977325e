#include "shell/gtk/webkit/page_channel_gtk.h"

#include <memory>
#include <utility>

#include "common/gtk/glib_util.h"
#include "shell/gtk/webkit/browser_note.h"
#include "shell/gtk/webkit/page_scripts.h"

namespace vantile {

namespace {

std::string PropertyText(JSCValue* object, const char* name) {
  auto value = GObjectPtr<JSCValue>(jsc_value_object_get_property(object, name));
  if (!value || !jsc_value_is_string(value.get())) return {};
  GCharPtr text(jsc_value_to_string(value.get()));
  return text ? std::string(text.get()) : std::string();
}

struct ScriptUnref {
  void operator()(WebKitUserScript* s) const { webkit_user_script_unref(s); }
};
struct SheetUnref {
  void operator()(WebKitUserStyleSheet* s) const { webkit_user_style_sheet_unref(s); }
};

// The answer to one call on the channel, which may come after the signal
// has returned: it keeps the reply and its script context alive till then.
PageReply ReplyTo(WebKitScriptMessageReply* reply, JSCValue* message, std::uint64_t id) {
  std::shared_ptr<WebKitScriptMessageReply> held(webkit_script_message_reply_ref(reply),
                                                 webkit_script_message_reply_unref);
  std::shared_ptr<JSCContext> context(JSC_CONTEXT(g_object_ref(jsc_value_get_context(message))), g_object_unref);
  return [held, context, id](PageAnswer answer) {
    auto text = GObjectPtr<JSCValue>(jsc_value_new_string(context.get(), AnswerText(id, answer).c_str()));
    webkit_script_message_reply_return_value(held.get(), text.get());
  };
}

}  // namespace

PageChannelGtk::PageChannelGtk(DocumentTrust& trust, BrowserEvents* const& events,
                               std::function<std::string()> location, PageSources& sources)
    : trust_(trust),
      events_(events),
      location_(std::move(location)),
      sources_(sources),
      content_(webkit_user_content_manager_new()),
      token_(MakeBridgeToken(SystemRandomBytes)) {
  WebKitUserContentManager* manager = content_.get();
  if (token_) {
    g_signal_connect(manager, (std::string("script-message-with-reply-received::") + kPageChannel).c_str(),
                     G_CALLBACK(OnPageCall), this);
    webkit_user_content_manager_register_script_message_handler_with_reply(manager, kPageChannel, kBridgeWorld);
  } else {
    Note("no random numbers for the page bridge; window.external is off");
  }
  g_signal_connect(manager, (std::string("script-message-received::") + kLinksChannel).c_str(),
                   G_CALLBACK(OnLinkMessage), this);
  webkit_user_content_manager_register_script_message_handler_in_world(manager, kLinksChannel, kLinksWorld);
  Rebuild();
}

PageChannelGtk::~PageChannelGtk() { g_signal_handlers_disconnect_by_data(content_.get(), this); }

void PageChannelGtk::SetHideScrollbars(bool hide) {
  hide_scrollbars_ = hide;
  Rebuild();
}

void PageChannelGtk::Rebuild() {
  WebKitUserContentManager* manager = content_.get();
  webkit_user_content_manager_remove_all_scripts(manager);
  webkit_user_content_manager_remove_all_style_sheets(manager);

  auto add_script = [manager](WebKitUserScript* raw) {
    std::unique_ptr<WebKitUserScript, ScriptUnref> script(raw);
    webkit_user_content_manager_add_script(manager, script.get());
  };
  static const char* const kLocalOnly[] = {"file:///*", nullptr};
  if (token_) {
    add_script(webkit_user_script_new(PageWorldScript().c_str(), WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                                      WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, kLocalOnly, nullptr));
    add_script(webkit_user_script_new_for_world(BridgeScript(*token_).c_str(), WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                                                WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, kBridgeWorld, kLocalOnly,
                                                nullptr));
  }
  add_script(webkit_user_script_new_for_world(LinkWatchScript().c_str(), WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
                                              WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, kLinksWorld, nullptr,
                                              nullptr));
  if (hide_scrollbars_) {
    std::unique_ptr<WebKitUserStyleSheet, SheetUnref> sheet(
        webkit_user_style_sheet_new(kHideScrollbarsStyle, WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                                    WEBKIT_USER_STYLE_LEVEL_USER, nullptr, nullptr));
    webkit_user_content_manager_add_style_sheet(manager, sheet.get());
  }
}

PageTrust PageChannelGtk::Caller(std::string_view token) const {
  // The channel exists only in the bridge's world, whose script runs only in
  // the main frame of a local document; the committed main document must
  // still be local when the call arrives.
  const bool trusted = events_ && token_ && token == *token_ && trust_.MainDocumentLocal(location_());
  return trusted ? PageTrust::UsersOwnPage : PageTrust::Untrusted;
}

gboolean PageChannelGtk::OnPageCall(WebKitUserContentManager*, JSCValue* message, WebKitScriptMessageReply* reply,
                                    gpointer data) {
  auto* self = static_cast<PageChannelGtk*>(data);
  if (!message || !jsc_value_is_object(message)) return FALSE;
  const auto request = ParsePageRequest(PropertyText(message, "request"));
  const PageReply answer = ReplyTo(reply, message, request ? request->id : 0);
  const PageTrust caller = self->Caller(PropertyText(message, "token"));
  if (!request || caller == PageTrust::Untrusted) {
    answer(PageAnswer::Error("the desktop takes calls only from its own page"));
    return TRUE;
  }
  PageContext context{*self->events_, &self->sources_};
  CallPageCommand(*request, caller, Delivery::Later, context, answer);
  return TRUE;
}

std::string PageChannelGtk::AnswerAtOnce(std::string_view question) {
  // marker, token, ':', request
  const std::string_view rest = question.substr(kAtOnceMarker.size());
  const std::size_t colon = rest.find(':');
  if (colon == std::string_view::npos) return {};
  const auto request = ParsePageRequest(rest.substr(colon + 1));
  const PageTrust caller = Caller(rest.substr(0, colon));
  if (!request || caller == PageTrust::Untrusted) return {};
  std::string text;
  PageContext context{*events_, &sources_};
  CallPageCommand(*request, caller, Delivery::AtOnce, context,
                  [&text, id = request->id](PageAnswer answer) { text = AnswerText(id, answer); });
  return text;
}

void PageChannelGtk::OnLinkMessage(WebKitUserContentManager*, WebKitJavascriptResult* result, gpointer data) {
  auto* self = static_cast<PageChannelGtk*>(data);
  JSCValue* message = webkit_javascript_result_get_js_value(result);
  if (!self->events_ || !message || !jsc_value_is_object(message)) return;
  const std::string kind = PropertyText(message, "kind");
  const std::string url = PropertyText(message, "url");
  if (kind == "ask") {
    // A launch: or folder: link followed in a document that WebKit does not
    // let ask for them itself: the user decides.
    if (const auto source = self->trust_.LinkAsked(url, PropertyText(message, "asker"))) {
      bool cancel = false;
      self->events_->WB_BeforeNavigate2(url, *source, cancel);
    }
  } else if (kind == "top") {
    auto form = GObjectPtr<JSCValue>(jsc_value_object_get_property(message, "form"));
    self->trust_.TopDocumentFollowed(url, form && jsc_value_to_boolean(form.get()));
  } else if (kind == "refresh") {
    self->trust_.RefreshNamed(url);
  }
}

}  // namespace vantile
