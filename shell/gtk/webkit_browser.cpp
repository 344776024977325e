#include "shell/gtk/webkit_browser.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

#include "common/file_util.h"
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
// Clicked links waiting for WebKit to ask about them.
constexpr std::size_t kMaxClickedLinks = 8;

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

WebKitBrowser::WebKitBrowser(const BrowserTuning& tuning) : token_(MakeBridgeToken(SystemRandomBytes)) {
  WebKitWebContext* context = webkit_web_context_get_default();
  StartupMark("context");
  if (!tuning.browser_caches) webkit_web_context_set_cache_model(context, WEBKIT_CACHE_MODEL_DOCUMENT_VIEWER);
  // Local schemes: WebKit lets only a local document link to, load, refresh
  // to or script its way to these addresses, whichever frame it sits in.
  WebKitSecurityManager* security = webkit_web_context_get_security_manager(context);
  webkit_security_manager_register_uri_scheme_as_local(security, "launch");
  webkit_security_manager_register_uri_scheme_as_local(security, "folder");
  g_signal_connect(context, "download-started", G_CALLBACK(OnDownloadStarted), this);

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

  if (tuning.warm_up) {
    // WebKit starts a web process for a view's first load, and that start
    // is most of the time to the first page. A hidden view of our own loads
    // an empty document now, so the process starts while the program reads
    // its settings and puts its window up; the desktop's view is made
    // related to it and so shares that process. The hidden view never shows,
    // has no bridge, and goes once the desktop's first page has committed.
    warm_view_ = GObjectPtr<WebKitWebView>(
        WEBKIT_WEB_VIEW(g_object_ref_sink(g_object_new(WEBKIT_TYPE_WEB_VIEW, "settings", settings, nullptr))));
    webkit_web_view_load_uri(warm_view_.get(), "about:blank");
    StartupMark("warm-load");
  }
  // The view's floating reference is sunk into ours; the window adds its own.
  GtkWidget* view = GTK_WIDGET(g_object_new(WEBKIT_TYPE_WEB_VIEW, "user-content-manager", content_.get(),
                                            "settings", settings, "related-view", warm_view_.get(), nullptr));
  view_ = GObjectPtr<WebKitWebView>(WEBKIT_WEB_VIEW(g_object_ref_sink(view)));

  g_signal_connect(view, "decide-policy", G_CALLBACK(OnDecidePolicy), this);
  g_signal_connect(view, "load-changed", G_CALLBACK(OnLoadChanged), this);
  g_signal_connect(view, "script-dialog", G_CALLBACK(OnScriptDialog), this);
  g_signal_connect(view, "context-menu", G_CALLBACK(OnContextMenu), this);
  g_signal_connect(view, "web-process-terminated", G_CALLBACK(OnWebProcessTerminated), this);
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
                   }),
                   this);
  RebuildUserContent();
}

WebKitBrowser::~WebKitBrowser() {
  if (menu_idle_) g_source_remove(menu_idle_);
  if (recover_idle_) g_source_remove(recover_idle_);
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
  // WebKit counts script that clicks a link during a user's click as the
  // user's; only a real click on that very link, reported by the links
  // world just before, counts here.
  if (webkit_navigation_action_is_user_gesture(action) &&
      webkit_navigation_action_get_navigation_type(action) == WEBKIT_NAVIGATION_TYPE_LINK_CLICKED) {
    const auto clicked = std::find(clicked_links_.begin(), clicked_links_.end(), ComparableAddress(uri));
    source.user_gesture = clicked != clicked_links_.end();
    if (source.user_gesture) clicked_links_.erase(clicked);
  }
  source.redirect = webkit_navigation_action_is_redirect(action);
  source.only_local_documents = main_local_ && !foreign_documents_;
  source.local_schemes_checked = true;
  if (!program_request_.empty() && !source.redirect &&
      ComparableAddress(uri) == ComparableAddress(program_request_)) {
    source.program = true;
    program_request_.clear();
  }
  source.client_pull = !source.user_gesture && IsRefreshTarget(uri, refresh_contents_);
  return source;
}

void WebKitBrowser::OnFrameResponse(WebKitResponsePolicyDecision* decision) {
  // WebKit asks about the response of every document a frame loads; one
  // that is not local makes the page one of mixed trust until the main
  // frame loads another document. An about: document belongs to whoever
  // made it, and a frame from elsewhere that makes one was noticed itself.
  if (webkit_response_policy_decision_is_main_frame_main_resource(decision)) return;
  const char* uri = webkit_uri_request_get_uri(webkit_response_policy_decision_get_request(decision));
  if (!IsLocalAddress(uri) && !(uri && g_ascii_strncasecmp(uri, "about:", 6) == 0)) foreign_documents_ = true;
}

gboolean WebKitBrowser::OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision,
                                       WebKitPolicyDecisionType type, gpointer data) {
  auto* self = static_cast<WebKitBrowser*>(data);
  if (type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE) {
    self->OnFrameResponse(WEBKIT_RESPONSE_POLICY_DECISION(decision));
    return FALSE;
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
    case NewWindowPlace::UserBrowser: {
      GError* raw = nullptr;
      if (!g_app_info_launch_default_for_uri(uri.c_str(), nullptr, &raw)) {
        GErrorPtr error(raw);
        Note("open " + uri + " in the default browser: " + ErrorText(error));
      }
      break;
    }
    case NewWindowPlace::ThisView:
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
      break;
    case WEBKIT_LOAD_REDIRECTED: break;
    case WEBKIT_LOAD_COMMITTED: {
      StartupMark("load-committed");
      // The desktop's own page has its process now; the view that started
      // it early is no longer needed.
      self->warm_view_.reset();
      self->load_ = Load::Interactive;
      // Another document in the main frame: its frames, refreshes and
      // message boxes start afresh.
      self->main_local_ = IsLocalAddress(webkit_web_view_get_uri(self->view_.get()));
      self->foreign_documents_ = false;
      self->refresh_contents_.clear();
      self->clicked_links_.clear();
      self->dialog_flood_.Reset();
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
  if (kind == "click") {
    // A click on a launch: or folder: link in a document that WebKit does
    // not let ask for them itself.
    const std::string url = PropertyText(message, "url");
    if (FindIgnoreCase(url, "launch:") != 0 && FindIgnoreCase(url, "folder:") != 0) return;
    NavigationSource source;
    source.user_gesture = true;
    source.local_schemes_checked = true;
    bool cancel = false;
    self->events_->WB_BeforeNavigate2(url, source, cancel);
  } else if (kind == "clicked") {
    // Kept until WebKit asks about the navigation, which comes next.
    if (self->clicked_links_.size() >= kMaxClickedLinks) self->clicked_links_.erase(self->clicked_links_.begin());
    self->clicked_links_.push_back(ComparableAddress(PropertyText(message, "url")));
  } else if (kind == "refresh" && self->refresh_contents_.size() < kMaxRefreshes) {
    self->refresh_contents_.push_back(PropertyText(message, "content"));
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
    Note("a page asks for message boxes without pause; the rest are dropped until another page is shown: " +
         LocationURL());
  }
  // A dropped box answers as if dismissed; a page never keeps anyone from
  // leaving it.
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
  if (self->reload_after_crash_) {
    webkit_web_view_reload(self->view_.get());
  } else {
    GCharPtr escaped(g_uri_escape_string(self->crashed_uri_.c_str(), nullptr, FALSE));
    webkit_web_view_load_uri(self->view_.get(), (std::string(crash_page.get()) + "#" + escaped.get()).c_str());
  }
  return G_SOURCE_REMOVE;
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
