#include "shell/gtk/webkit_browser.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

#include "common/file_util.h"
#include "common/gtk/child_environment.h"
#include "common/text.h"
#include "shell/gtk/dialogs_gtk.h"
#include "shell/gtk/page_scripts.h"
#include "shell/gtk/startup_trace.h"
#include "shell/settings.h"

namespace vantile {

namespace {

constexpr std::uint32_t kHostFlagScrollNo = 8;
constexpr std::uint32_t MB_OK = 0x0;
constexpr std::uint32_t MB_OKCANCEL = 0x1;
constexpr std::uint32_t MB_ICONQUESTION = 0x20;
constexpr std::uint32_t MB_ICONINFORMATION = 0x40;
// A requested load that WebKit never starts (a cancelled or same-document
// navigation we did not recognise) stops counting as loading after this, so
// no wait can hang on it.
constexpr auto kNeverStartedLimit = std::chrono::seconds(10);

// Page refreshes remembered per document; a page cannot grow the list
// without bound.
constexpr std::size_t kMaxRefreshes = 32;
// Followed links of the top document waiting for their load to start.
constexpr std::size_t kMaxTopClicks = 8;
// How long a site's name may be in the confirmation.
constexpr std::size_t kMaxAskerLength = 200;

// The address without its query and fragment: a form sent with GET goes to
// its action with the fields as the query.
std::string WithoutQuery(const std::string& uri) { return uri.substr(0, uri.find_first_of("?#")); }

bool EnvironmentFlag(const char* name) {
  const char* value = g_getenv(name);
  return value && std::strcmp(value, "1") == 0;
}

std::string PropertyText(JSCValue* object, const char* name) {
  auto value = GObjectPtr<JSCValue>(jsc_value_object_get_property(object, name));
  if (!value || jsc_value_is_undefined(value.get()) || jsc_value_is_null(value.get())) return {};
  GCharPtr text(jsc_value_to_string(value.get()));
  return text ? std::string(text.get()) : std::string();
}

std::int32_t PropertyInt(JSCValue* object, const char* name) {
  auto value = GObjectPtr<JSCValue>(jsc_value_object_get_property(object, name));
  return value && jsc_value_is_number(value.get()) ? jsc_value_to_int32(value.get()) : 0;
}

struct ScriptUnref {
  void operator()(WebKitUserScript* s) const { webkit_user_script_unref(s); }
};
struct SheetUnref {
  void operator()(WebKitUserStyleSheet* s) const { webkit_user_style_sheet_unref(s); }
};

bool IsLocalAddress(const char* uri) { return uri && g_ascii_strncasecmp(uri, "file:", 5) == 0; }

// For telling the program's own request from what WebKit hands back: WebKit
// escapes what it must and writes the scheme in lower case.
std::string ComparableAddress(const std::string& uri) {
  GCharPtr plain(g_uri_unescape_string(uri.c_str(), nullptr));
  std::string text = plain ? plain.get() : uri;
  const std::size_t colon = text.find(':');
  if (colon != std::string::npos) text = AsciiLower(text.substr(0, colon)) + text.substr(colon);
  return text;
}

// Something a page tried and was refused, for whoever runs us from a
// terminal or reads the session's log.
void Note(const std::string& text) { std::fprintf(stderr, "vantile: %s\n", text.c_str()); }

}  // namespace

BrowserTuning BrowserTuning::FromEnvironment() {
  BrowserTuning tuning;
  tuning.accelerated_compositing = EnvironmentFlag("VANTILE_ACCELERATED_COMPOSITING");
  tuning.browser_caches = EnvironmentFlag("VANTILE_BROWSER_CACHES");
  const char* warm_up = g_getenv("VANTILE_WARM_UP");
  tuning.warm_up = !(warm_up && std::strcmp(warm_up, "0") == 0);
  return tuning;
}

WebKitBrowser::WebKitBrowser(const BrowserTuning& tuning, WebKitWebView* related) : token_(MakeBridgeToken(SystemRandomBytes)) {
  WebKitWebContext* context = webkit_web_context_get_default();
  StartupMark("context");
  if (!tuning.browser_caches) webkit_web_context_set_cache_model(context, WEBKIT_CACHE_MODEL_DOCUMENT_VIEWER);
  // Local schemes: WebKit lets only a local document link to, load, refresh
  // to or script its way to these addresses, whichever frame it sits in.
  WebKitSecurityManager* security = webkit_web_context_get_security_manager(context);
  webkit_security_manager_register_uri_scheme_as_local(security, "launch");
  webkit_security_manager_register_uri_scheme_as_local(security, "folder");
  g_signal_connect(context, "download-started", G_CALLBACK(OnDownloadStarted), this);
  if (tuning.warm_up && !related) {
    // The network process, which the web process connects to as it starts
    // and which reads every page, file: ones included, is otherwise started
    // by the first load, behind the making of the first view (some 30 ms):
    // 10 to 15 ms of every start. A DNS prefetch is the one request of
    // WebKit's API that starts it without a view; the name is answered from
    // the hosts file, so nothing leaves the machine.
    webkit_web_context_prefetch_dns(context, "localhost");
    StartupMark("network-process");
  }

  content_ = GObjectPtr<WebKitUserContentManager>(webkit_user_content_manager_new());
  if (token_) {
    webkit_user_content_manager_register_script_message_handler_in_world(content_.get(), kExternalChannel,
                                                                         kBridgeWorld);
    g_signal_connect(content_.get(), (std::string("script-message-received::") + kExternalChannel).c_str(),
                     G_CALLBACK(OnScriptMessage), this);
  } else {
    Note("no random numbers for the page bridge; window.external is off");
  }
  webkit_user_content_manager_register_script_message_handler_in_world(content_.get(), kLinksChannel, kLinksWorld);
  g_signal_connect(content_.get(), (std::string("script-message-received::") + kLinksChannel).c_str(),
                   G_CALLBACK(OnLinkMessage), this);

  auto settings_owner = GObjectPtr<WebKitSettings>(webkit_settings_new());
  WebKitSettings* settings = settings_owner.get();
  if (!tuning.accelerated_compositing) {
    webkit_settings_set_hardware_acceleration_policy(settings, WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
  }
  if (!tuning.browser_caches) webkit_settings_set_enable_page_cache(settings, FALSE);
  webkit_settings_set_javascript_can_open_windows_automatically(settings, FALSE);

  // The view's floating reference is sunk into ours; the window adds its own.
  GtkWidget* view = GTK_WIDGET(g_object_new(WEBKIT_TYPE_WEB_VIEW, "user-content-manager", content_.get(),
                                            "settings", settings, "related-view", related,
                                            nullptr));
  view_ = GObjectPtr<WebKitWebView>(WEBKIT_WEB_VIEW(g_object_ref_sink(view)));

  g_signal_connect(view, "decide-policy", G_CALLBACK(OnDecidePolicy), this);
  g_signal_connect(view, "load-changed", G_CALLBACK(OnLoadChanged), this);
  g_signal_connect(view, "script-dialog", G_CALLBACK(OnScriptDialog), this);
  g_signal_connect(view, "context-menu", G_CALLBACK(OnContextMenu), this);
  g_signal_connect(view, "web-process-terminated", G_CALLBACK(OnWebProcessTerminated), this);
  g_signal_connect(view, "print", G_CALLBACK(OnPrint), this);
  // Before WebKit's own handlers, which hand the input to the web process.
  g_signal_connect(view, "button-press-event", G_CALLBACK(OnInput), this);
  g_signal_connect(view, "key-press-event", G_CALLBACK(OnInput), this);
  // Before WebKit's own handlers, which would load a dropped link or file.
  g_signal_connect(view, "drag-motion", G_CALLBACK(OnDragMotion), this);
  g_signal_connect(view, "drag-drop", G_CALLBACK(OnDragDrop), this);
  g_signal_connect(view, "drag-leave", G_CALLBACK(OnDragLeave), this);
  g_signal_connect(view, "notify::uri", G_CALLBACK(+[](GObject*, GParamSpec*, gpointer self) {
                     // A same-document navigation changes the address without a load.
                     auto* browser = static_cast<WebKitBrowser*>(self);
                     if (browser->load_ == Load::Requested && !webkit_web_view_is_loading(browser->view_.get())) {
                       browser->load_ = Load::Idle;
                     }
                     // A load the page started shows its address only now.
                     if (browser->top_pending_ && browser->LocationURL() != browser->committed_uri_) {
                       browser->JudgeTopLoad(browser->LocationURL());
                     }
                   }),
                   this);
  RebuildUserContent();
}

WebKitBrowser::~WebKitBrowser() {
  if (menu_idle_) g_source_remove(menu_idle_);
  if (recover_idle_) g_source_remove(recover_idle_);
  if (stop_idle_) g_source_remove(stop_idle_);
  g_signal_handlers_disconnect_by_data(webkit_web_context_get_default(), this);
  g_signal_handlers_disconnect_by_data(view_.get(), this);
  g_signal_handlers_disconnect_by_data(content_.get(), this);
}

void WebKitBrowser::Shutdown() {
  shut_down_ = true;
  events_ = nullptr;
  webkit_web_view_stop_loading(view_.get());
}

void WebKitBrowser::RebuildUserContent() {
  WebKitUserContentManager* manager = content_.get();
  webkit_user_content_manager_remove_all_scripts(manager);
  webkit_user_content_manager_remove_all_style_sheets(manager);

  auto add_script = [manager](WebKitUserScript* raw) {
    std::unique_ptr<WebKitUserScript, ScriptUnref> script(raw);
    webkit_user_content_manager_add_script(manager, script.get());
  };
  static const char* const kLocalOnly[] = {"file:///*", nullptr};
  if (token_) {
    add_script(webkit_user_script_new(ExternalScript().c_str(), WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
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

void WebKitBrowser::SetUserAgent(const std::string& user_agent) {
  StartupMark("settings-loaded");
  webkit_settings_set_user_agent(webkit_web_view_get_settings(view_.get()), user_agent.c_str());
}

void WebKitBrowser::SetHostFlags(std::uint32_t flags) {
  hide_scrollbars_ = (flags & kHostFlagScrollNo) != 0;
  RebuildUserContent();
}

void WebKitBrowser::SetDownloadControl(std::uint32_t flags) {
  WebKitSettings* settings = webkit_web_view_get_settings(view_.get());
  webkit_settings_set_auto_load_images(settings, (flags & DLCTL_DLIMAGES) != 0);
  webkit_settings_set_enable_javascript_markup(settings, (flags & DLCTL_NO_SCRIPTS) == 0);
  const bool video = (flags & DLCTL_VIDEOS) != 0;
  webkit_settings_set_enable_media(settings, video);
  webkit_settings_set_enable_mediasource(settings, video);
  const bool sound = (flags & DLCTL_BGSOUNDS) != 0;
  webkit_settings_set_enable_webaudio(settings, sound);
  webkit_web_view_set_is_muted(view_.get(), !sound);
}

void WebKitBrowser::ExpectLoad() {
  load_ = Load::Requested;
  requested_at_ = std::chrono::steady_clock::now();
  ExpectProgramLoad();
  // The user moved on: a page that was cut off from message boxes gets them
  // again. A page reloading itself does not come through here.
  dialog_flood_.Reset();
}

void WebKitBrowser::ExpectProgramLoad() {
  program_load_pending_ = true;
  program_load_at_ = std::chrono::steady_clock::now();
}

void WebKitBrowser::CheckTopLoad() {
  // Who asked is known now; where to only once WebKit tells the address
  // (for a load the page started, after this), so the rest waits for it.
  top_facts_ = TopLoadFacts{};
  top_facts_.program =
      program_load_pending_ && std::chrono::steady_clock::now() - program_load_at_ < kNeverStartedLimit;
  program_load_pending_ = false;
  top_facts_.only_local_documents = main_local_ && !foreign_documents_;
  top_load_refused_ = false;
  top_pending_ = !top_facts_.program && !top_facts_.only_local_documents;
  if (top_pending_ && LocationURL() != committed_uri_) JudgeTopLoad(LocationURL());
}

void WebKitBrowser::JudgeTopLoad(const std::string& uri) {
  top_pending_ = false;
  TopLoadFacts facts = top_facts_;
  const std::string comparable = ComparableAddress(uri);
  const auto clicked = std::find_if(top_clicks_.begin(), top_clicks_.end(), [&](const std::string& followed) {
    return followed == comparable || followed == WithoutQuery(comparable);
  });
  facts.top_clicked = clicked != top_clicks_.end();
  if (facts.top_clicked) top_clicks_.erase(clicked);
  facts.user_gesture = !gesture_uri_.empty() && gesture_uri_ == comparable;
  gesture_uri_.clear();
  const TopLoad decision = DecideTopLoad(uri, facts);
  top_load_refused_ = decision != TopLoad::Allow;
  if (!top_load_refused_) return;
  Note("refused to replace the desktop's page with " + uri + ": neither the program nor a link of the page asked");
  if (decision == TopLoad::OpenInBrowser) OpenInUserBrowser(uri);
  // Its response is refused too; a document without one (about:blank) is
  // stopped here, from the main loop rather than inside WebKit's signal.
  if (stop_idle_) return;
  stop_idle_ = g_idle_add(+[](gpointer data) -> gboolean {
    auto* self = static_cast<WebKitBrowser*>(data);
    self->stop_idle_ = 0;
    if (self->top_load_refused_ && !self->shut_down_) webkit_web_view_stop_loading(self->view_.get());
    return G_SOURCE_REMOVE;
  }, this);
}

void WebKitBrowser::OpenInUserBrowser(const std::string& uri) {
  // A click handler that asks for ten windows gets one.
  if (browser_serial_ == input_serial_) {
    Note("refused to open " + uri + " in the browser: this input opened it already");
    return;
  }
  browser_serial_ = input_serial_;
  GError* raw = nullptr;
  if (!g_app_info_launch_default_for_uri(uri.c_str(), ChildLaunchContext().get(), &raw)) {
    GErrorPtr error(raw);
    Note("open " + uri + " in the default browser: " + ErrorText(error));
  }
}

void WebKitBrowser::Navigate(const std::string& url) {
  if (url.empty() || shut_down_) return;
  StartupMark("navigate");
  std::string uri = url;
  if (url.front() == '/') {
    GCharPtr converted(g_filename_to_uri(url.c_str(), nullptr, nullptr));
    if (converted) uri = converted.get();
  }
  ExpectLoad();
  program_request_ = uri;
  webkit_web_view_load_uri(view_.get(), uri.c_str());
}

void WebKitBrowser::Refresh() {
  if (shut_down_ || !webkit_web_view_get_uri(view_.get())) return;
  ExpectLoad();
  webkit_web_view_reload(view_.get());
}

void WebKitBrowser::Refresh2() { Refresh(); }

bool WebKitBrowser::GoBack() {
  if (shut_down_ || !webkit_web_view_can_go_back(view_.get())) return false;
  ExpectLoad();
  webkit_web_view_go_back(view_.get());
  return true;
}

bool WebKitBrowser::GoForward() {
  if (shut_down_ || !webkit_web_view_can_go_forward(view_.get())) return false;
  ExpectLoad();
  webkit_web_view_go_forward(view_.get());
  return true;
}

int WebKitBrowser::ReadyState() {
  if (shut_down_) return READYSTATE_COMPLETE;
  switch (load_) {
    case Load::Idle: return READYSTATE_COMPLETE;
    case Load::Interactive: return 3;
    case Load::Loading: return 1;
    case Load::Requested:
      if (!webkit_web_view_is_loading(view_.get()) &&
          std::chrono::steady_clock::now() - requested_at_ > kNeverStartedLimit) {
        load_ = Load::Idle;
        return READYSTATE_COMPLETE;
      }
      return 1;
  }
  return READYSTATE_COMPLETE;
}

std::string WebKitBrowser::LocationURL() {
  const char* uri = webkit_web_view_get_uri(view_.get());
  return uri ? uri : "";
}

bool WebKitBrowser::PassesGuard(const std::string& uri, const NavigationSource& source) {
  // Without the window's guard nothing may navigate: fail closed.
  if (!events_) return false;
  bool cancel = false;
  events_->WB_BeforeNavigate2(uri, source, cancel);
  return !cancel;
}

NavigationSource WebKitBrowser::SourceOf(WebKitNavigationAction* action, const std::string& uri) {
  NavigationSource source;
  if (webkit_navigation_action_is_user_gesture(action)) gesture_uri_ = ComparableAddress(uri);
  source.redirect = webkit_navigation_action_is_redirect(action);
  source.only_local_documents = main_local_ && !foreign_documents_;
  source.local_schemes_checked = true;
  if (!program_request_.empty() && !source.redirect &&
      ComparableAddress(uri) == ComparableAddress(program_request_)) {
    source.program = true;
    program_request_.clear();
  }
  // A refresh is no link the user follows; a real click on the same link
  // later is one, whichever frame's refresh named it.
  const WebKitNavigationType type = webkit_navigation_action_get_navigation_type(action);
  source.client_pull = type != WEBKIT_NAVIGATION_TYPE_LINK_CLICKED && type != WEBKIT_NAVIGATION_TYPE_FORM_SUBMITTED &&
                       IsRefreshTarget(uri, refresh_targets_);
  return source;
}

bool WebKitBrowser::OnFrameResponse(WebKitResponsePolicyDecision* decision) {
  const char* uri = webkit_uri_request_get_uri(webkit_response_policy_decision_get_request(decision));
  // The main frame's document: the last point before it replaces the page.
  if (webkit_response_policy_decision_is_main_frame_main_resource(decision)) {
    if (top_pending_) JudgeTopLoad(uri ? uri : "");
    return !top_load_refused_;
  }
  // WebKit asks about the response of every document a frame loads; one
  // that is not local makes the page one of mixed trust until the main
  // frame loads another document. An about: document belongs to whoever
  // made it, and a frame from elsewhere that makes one was noticed itself.
  if (!IsLocalAddress(uri) && !(uri && g_ascii_strncasecmp(uri, "about:", 6) == 0)) foreign_documents_ = true;
  return true;
}

gboolean WebKitBrowser::OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision,
                                       WebKitPolicyDecisionType type, gpointer data) {
  auto* self = static_cast<WebKitBrowser*>(data);
  if (type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE) {
    if (self->OnFrameResponse(WEBKIT_RESPONSE_POLICY_DECISION(decision))) return FALSE;
    webkit_policy_decision_ignore(decision);
    return TRUE;
  }
  WebKitNavigationAction* action =
      webkit_navigation_policy_decision_get_navigation_action(WEBKIT_NAVIGATION_POLICY_DECISION(decision));
  const char* raw_uri = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
  const std::string uri = raw_uri ? raw_uri : "";
  const NavigationSource source = self->SourceOf(action, uri);

  if (!self->PassesGuard(uri, source)) {
    webkit_policy_decision_ignore(decision);
    // The load we were asked for may be the one that was just cancelled.
    if (type == WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION && self->load_ == Load::Requested) {
      self->load_ = Load::Idle;
    }
    return TRUE;
  }
  if (type == WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION) {
    webkit_policy_decision_ignore(decision);
    self->OnNewWindow(uri, source);
    return TRUE;
  }
  webkit_policy_decision_use(decision);
  return TRUE;
}

void WebKitBrowser::OnNewWindow(const std::string& uri, const NavigationSource& source) {
  switch (DecideNewWindow(uri, source)) {
    case NewWindowPlace::UserBrowser: OpenInUserBrowser(uri); break;
    case NewWindowPlace::ThisView:
      ExpectProgramLoad();
      webkit_web_view_load_uri(view_.get(), uri.c_str());
      break;
    case NewWindowPlace::Nowhere:
      if (!uri.empty()) Note("refused a new window for " + uri + ": only the desktop's own page may replace it");
      break;
  }
}

void WebKitBrowser::OnLoadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer data) {
  auto* self = static_cast<WebKitBrowser*>(data);
  switch (event) {
    case WEBKIT_LOAD_STARTED:
      StartupMark("load-started");
      self->load_ = Load::Loading;
      self->CheckTopLoad();
      break;
    case WEBKIT_LOAD_REDIRECTED: break;
    case WEBKIT_LOAD_COMMITTED: {
      StartupMark("load-committed");
      self->load_ = Load::Interactive;
      // Another document in the main frame: its frames and refreshes start
      // afresh. Its message boxes do not: they are limited per view, so a
      // page that reloads itself gets no new allowance.
      self->main_local_ = IsLocalAddress(webkit_web_view_get_uri(self->view_.get()));
      self->foreign_documents_ = false;
      self->refresh_targets_.clear();
      if (self->top_pending_) self->JudgeTopLoad(self->LocationURL());
      self->top_clicks_.clear();
      if (self->top_load_refused_) {
        // It came without a response to refuse (about:blank): the page it
        // replaced comes back.
        self->top_load_refused_ = false;
        if (!self->committed_uri_.empty()) {
          self->ExpectProgramLoad();
          webkit_web_view_load_uri(self->view_.get(), self->committed_uri_.c_str());
        }
        break;
      }
      self->committed_uri_ = self->LocationURL();
      break;
    }
    case WEBKIT_LOAD_FINISHED: self->load_ = Load::Idle; break;  // also after a failed load
  }
}

bool WebKitBrowser::TrustedCall(const std::string& token) const {
  // The channel exists only in the bridge's world, whose script runs only in
  // the main frame of a local document; the committed main document must
  // still be local when the call arrives.
  return events_ && token_ && token == *token_ && main_local_ &&
         IsLocalAddress(webkit_web_view_get_uri(view_.get()));
}

void WebKitBrowser::OnLinkMessage(WebKitUserContentManager*, WebKitJavascriptResult* result, gpointer data) {
  auto* self = static_cast<WebKitBrowser*>(data);
  JSCValue* message = webkit_javascript_result_get_js_value(result);
  if (!self->events_ || !message || !jsc_value_is_object(message)) return;
  const std::string kind = PropertyText(message, "kind");
  const std::string url = PropertyText(message, "url");
  if (kind == "ask") {
    // A launch: or folder: link followed in a document that WebKit does not
    // let ask for them itself: the user decides.
    if (!IsLinkScheme(url)) return;
    NavigationSource source;
    source.foreign_asker = PropertyText(message, "asker").substr(0, kMaxAskerLength);
    if (source.foreign_asker.empty()) source.foreign_asker = "a page from elsewhere";
    bool cancel = false;
    self->events_->WB_BeforeNavigate2(url, source, cancel);
  } else if (kind == "top") {
    // Kept until the main frame starts loading, which comes next.
    if (self->top_clicks_.size() >= kMaxTopClicks) self->top_clicks_.erase(self->top_clicks_.begin());
    const std::string followed = ComparableAddress(url);
    self->top_clicks_.push_back(PropertyText(message, "form").empty() ? followed : WithoutQuery(followed));
  } else if (kind == "refresh" && self->refresh_targets_.size() < kMaxRefreshes) {
    self->refresh_targets_.push_back(url);
  }
}

void WebKitBrowser::OnScriptMessage(WebKitUserContentManager*, WebKitJavascriptResult* result, gpointer data) {
  auto* self = static_cast<WebKitBrowser*>(data);
  JSCValue* message = webkit_javascript_result_get_js_value(result);
  if (!message || !jsc_value_is_object(message)) return;
  if (!self->TrustedCall(PropertyText(message, "token"))) return;
  const std::string command = PropertyText(message, "command");
  if (command == "openFile") {
    self->events_->openFile(PropertyText(message, "a"), PropertyText(message, "b"), PropertyText(message, "c"),
                            PropertyInt(message, "n"));
  } else if (command == "openFolder") {
    self->events_->openFolder(PropertyText(message, "a"));
  } else if (command == "openControlPanel") {
    self->events_->openControlPanel();
  }
}

gboolean WebKitBrowser::OnScriptDialog(WebKitWebView*, WebKitScriptDialog* dialog, gpointer data) {
  auto* self = static_cast<WebKitBrowser*>(data);
  const char* raw = webkit_script_dialog_get_message(dialog);
  const std::string message = raw ? raw : "";
  const WebKitScriptDialogType type = webkit_script_dialog_get_dialog_type(dialog);
  if (type == WEBKIT_SCRIPT_DIALOG_PROMPT && message.rfind(kDrivesQuestionMarker, 0) == 0) {
    const std::string rest = message.substr(kDrivesQuestionMarker.size());
    const std::string token = rest.substr(0, rest.find(':'));
    const bool trusted = self->TrustedCall(token) && message == DrivesQuestion(token);
    webkit_script_dialog_prompt_set_text(dialog, trusted ? self->events_->getLocalDrives().c_str() : "");
    return TRUE;
  }
  if (!self->MayShowDialog(dialog)) return TRUE;
  switch (type) {
    case WEBKIT_SCRIPT_DIALOG_ALERT:
      if (self->events_) {
        self->events_->WBMessages_ShowMessage(message, MB_OK | MB_ICONINFORMATION, "Alert", "", 0);
      }
      break;
    case WEBKIT_SCRIPT_DIALOG_CONFIRM: {
      const int pressed = self->events_ ? self->events_->WBMessages_ShowMessage(
                                              message, MB_OKCANCEL | MB_ICONQUESTION, "Confirm", "", 0)
                                        : IDCANCEL;
      webkit_script_dialog_confirm_set_confirmed(dialog, pressed == IDOK);
      break;
    }
    default:
      // An ordinary prompt(), or leaving a page that asks first: WebKit's own
      // box, which the page waits for; its gap counts from now.
      self->dialog_flood_.Closed(PageClock::now());
      return FALSE;
  }
  self->dialog_flood_.Closed(PageClock::now());
  return TRUE;
}

bool WebKitBrowser::MayShowDialog(WebKitScriptDialog* dialog) {
  const bool was_dropping = dialog_flood_.dropping();
  if (dialog_flood_.MayShow(PageClock::now())) return true;
  if (!was_dropping) {
    Note("a page asks for message boxes without pause; the rest are dropped until you load a page or it is quiet for a minute: " +
         LocationURL());
  }
  // A dropped box answers as if dismissed; a page never keeps anyone from
  // leaving it.
  if (!dialog) return false;
  switch (webkit_script_dialog_get_dialog_type(dialog)) {
    case WEBKIT_SCRIPT_DIALOG_CONFIRM: webkit_script_dialog_confirm_set_confirmed(dialog, FALSE); break;
    case WEBKIT_SCRIPT_DIALOG_BEFORE_UNLOAD_CONFIRM: webkit_script_dialog_confirm_set_confirmed(dialog, TRUE); break;
    default: break;
  }
  return false;
}

void WebKitBrowser::OnWebProcessTerminated(WebKitWebView*, WebKitWebProcessTerminationReason reason,
                                           gpointer data) {
  auto* self = static_cast<WebKitBrowser*>(data);
  self->load_ = Load::Idle;
  if (self->shut_down_ || reason == WEBKIT_WEB_PROCESS_TERMINATED_BY_API) return;
  self->crashed_uri_ = self->LocationURL();
  self->reload_after_crash_ =
      self->crash_recovery_.OnCrash(PageClock::now()) == CrashRecovery::Action::Reload;
  Note(std::string("the page's web process ") +
       (reason == WEBKIT_WEB_PROCESS_EXCEEDED_MEMORY_LIMIT ? "ran out of memory" : "ended") + "; " +
       (self->reload_after_crash_ ? "loading the page again: " : "showing what happened instead of: ") +
       self->crashed_uri_);
  // Not from inside WebKit's own signal.
  if (!self->recover_idle_) self->recover_idle_ = g_idle_add(RecoverFromCrash, self);
}

gboolean WebKitBrowser::RecoverFromCrash(gpointer data) {
  auto* self = static_cast<WebKitBrowser*>(data);
  self->recover_idle_ = 0;
  if (self->shut_down_) return G_SOURCE_REMOVE;
  GCharPtr crash_page(g_filename_to_uri((ProgramFolder() / "help" / "crashed.html").c_str(), nullptr, nullptr));
  if (!crash_page || self->crashed_uri_.empty()) return G_SOURCE_REMOVE;
  // The page that says what happened does not try itself again.
  if (self->crashed_uri_.rfind(crash_page.get(), 0) == 0) return G_SOURCE_REMOVE;
  self->ExpectProgramLoad();
  if (self->reload_after_crash_) {
    webkit_web_view_reload(self->view_.get());
  } else {
    GCharPtr escaped(g_uri_escape_string(self->crashed_uri_.c_str(), nullptr, FALSE));
    webkit_web_view_load_uri(self->view_.get(), (std::string(crash_page.get()) + "#" + escaped.get()).c_str());
  }
  return G_SOURCE_REMOVE;
}

gboolean WebKitBrowser::OnPrint(WebKitWebView* view, WebKitPrintOperation* operation, gpointer data) {
  auto* self = static_cast<WebKitBrowser*>(data);
  // A print dialog is as modal as a message box and a page could bring one
  // back after every Escape: only the user's own page may print, and its
  // dialogs count with its message boxes.
  if (!self->main_local_ || self->foreign_documents_) {
    Note("refused to print for a page that is not the desktop's own: " + self->LocationURL());
    return TRUE;
  }
  if (!self->MayShowDialog(nullptr)) return TRUE;
  GtkWidget* top = gtk_widget_get_toplevel(GTK_WIDGET(view));
  webkit_print_operation_run_dialog(operation, GTK_IS_WINDOW(top) ? GTK_WINDOW(top) : nullptr);
  self->dialog_flood_.Closed(PageClock::now());
  return TRUE;
}

gboolean WebKitBrowser::OnInput(GtkWidget*, GdkEvent* event, gpointer data) {
  auto* self = static_cast<WebKitBrowser*>(data);
  ++self->input_serial_;
  // The menu is the desktop's: it comes from the input event here, not from
  // the web process, which a page can keep busy for ever.
  if (event->type == GDK_BUTTON_PRESS && event->button.button == GDK_BUTTON_SECONDARY) {
    self->pending_menu_event_.reset(gdk_event_copy(event));
    if (!self->menu_idle_) self->menu_idle_ = g_idle_add(ShowContextMenuLater, self);
    return TRUE;
  }
  return FALSE;
}

gboolean WebKitBrowser::OnDragMotion(GtkWidget* widget, GdkDragContext* context, gint, gint, guint time,
                                     gpointer) {
  // Dragging within the page is the page's business. A link or file dropped
  // from another program would be loaded in the desktop's place (a dropped
  // HTML file would even become a local page, with window.external).
  if (gtk_drag_get_source_widget(context) == widget) return FALSE;
  gdk_drag_status(context, static_cast<GdkDragAction>(0), time);
  return TRUE;
}

gboolean WebKitBrowser::OnDragDrop(GtkWidget* widget, GdkDragContext* context, gint, gint, guint time, gpointer) {
  if (gtk_drag_get_source_widget(context) == widget) return FALSE;
  gtk_drag_finish(context, FALSE, FALSE, time);
  Note("refused a drop from another program: the desktop's page stays");
  return TRUE;
}

void WebKitBrowser::OnDragLeave(GtkWidget* widget, GdkDragContext* context, guint, gpointer) {
  // WebKit never saw this drag enter.
  if (gtk_drag_get_source_widget(context) != widget) g_signal_stop_emission_by_name(widget, "drag-leave");
}

void WebKitBrowser::OnDownloadStarted(WebKitWebContext*, WebKitDownload* download, gpointer) {
  // Nothing a page offers is saved without the user choosing to: there is
  // no download window to choose in, so none is saved.
  const char* uri = webkit_uri_request_get_uri(webkit_download_get_request(download));
  webkit_download_cancel(download);
  Note(std::string("cancelled a download the page started: ") + (uri ? uri : ""));
}

gboolean WebKitBrowser::OnContextMenu(WebKitWebView*, WebKitContextMenu*, GdkEvent* event,
                                      WebKitHitTestResult*, gpointer data) {
  auto* self = static_cast<WebKitBrowser*>(data);
  // Our menu runs a nested loop; start it from the main loop rather than
  // inside WebKit's message dispatch.
  self->pending_menu_event_.reset(event ? gdk_event_copy(event) : nullptr);
  if (!self->menu_idle_) self->menu_idle_ = g_idle_add(ShowContextMenuLater, self);
  return TRUE;  // WebKit shows no menu of its own
}

gboolean WebKitBrowser::ShowContextMenuLater(gpointer data) {
  auto* self = static_cast<WebKitBrowser*>(data);
  self->menu_idle_ = 0;
  if (!self->events_) return G_SOURCE_REMOVE;
  if (self->context_hook_) self->context_hook_(self->pending_menu_event_.get());
  self->pending_menu_event_.reset();
  self->events_->ShowContextMenu();
  return G_SOURCE_REMOVE;
}

}  // namespace vantile
