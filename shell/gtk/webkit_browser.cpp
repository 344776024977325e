#include "shell/gtk/webkit_browser.h"

#include <sys/random.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "shell/gtk/dialogs_gtk.h"
#include "shell/gtk/page_scripts.h"
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

std::string RandomToken() {
  unsigned char bytes[16] = {};
  std::size_t got = 0;
  while (got < sizeof bytes) {
    const ssize_t n = getrandom(bytes + got, sizeof bytes - got, 0);
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  std::string token;
  char hex[3];
  for (unsigned char b : bytes) {
    std::snprintf(hex, sizeof hex, "%02x", b);
    token += hex;
  }
  return token;
}

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

bool IsWebAddress(const std::string& uri) {
  return g_str_has_prefix(uri.c_str(), "http://") || g_str_has_prefix(uri.c_str(), "https://");
}

}  // namespace

BrowserTuning BrowserTuning::FromEnvironment() {
  BrowserTuning tuning;
  tuning.accelerated_compositing = EnvironmentFlag("VANTILE_ACCELERATED_COMPOSITING");
  tuning.browser_caches = EnvironmentFlag("VANTILE_BROWSER_CACHES");
  return tuning;
}

WebKitBrowser::WebKitBrowser(const BrowserTuning& tuning) : token_(RandomToken()) {
  if (!tuning.browser_caches) {
    webkit_web_context_set_cache_model(webkit_web_context_get_default(), WEBKIT_CACHE_MODEL_DOCUMENT_VIEWER);
  }
  content_ = GObjectPtr<WebKitUserContentManager>(webkit_user_content_manager_new());
  webkit_user_content_manager_register_script_message_handler(content_.get(), kExternalChannel);
  g_signal_connect(content_.get(), (std::string("script-message-received::") + kExternalChannel).c_str(),
                   G_CALLBACK(OnScriptMessage), this);

  auto settings_owner = GObjectPtr<WebKitSettings>(webkit_settings_new());
  WebKitSettings* settings = settings_owner.get();
  if (!tuning.accelerated_compositing) {
    webkit_settings_set_hardware_acceleration_policy(settings, WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
  }
  if (!tuning.browser_caches) webkit_settings_set_enable_page_cache(settings, FALSE);
  webkit_settings_set_javascript_can_open_windows_automatically(settings, FALSE);

  // The view's floating reference is sunk into ours; the window adds its own.
  GtkWidget* view = GTK_WIDGET(g_object_new(WEBKIT_TYPE_WEB_VIEW, "user-content-manager", content_.get(),
                                            "settings", settings, nullptr));
  view_ = GObjectPtr<WebKitWebView>(WEBKIT_WEB_VIEW(g_object_ref_sink(view)));

  g_signal_connect(view, "decide-policy", G_CALLBACK(OnDecidePolicy), this);
  g_signal_connect(view, "load-changed", G_CALLBACK(OnLoadChanged), this);
  g_signal_connect(view, "script-dialog", G_CALLBACK(OnScriptDialog), this);
  g_signal_connect(view, "context-menu", G_CALLBACK(OnContextMenu), this);
  g_signal_connect(view, "web-process-terminated", G_CALLBACK(OnWebProcessTerminated), this);
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

  static const char* const kLocalOnly[] = {"file:///*", nullptr};
  std::unique_ptr<WebKitUserScript, ScriptUnref> script(
      webkit_user_script_new(ExternalScript(token_).c_str(), WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                             WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, kLocalOnly, nullptr));
  webkit_user_content_manager_add_script(manager, script.get());

  if (hide_scrollbars_) {
    std::unique_ptr<WebKitUserStyleSheet, SheetUnref> sheet(
        webkit_user_style_sheet_new(kHideScrollbarsStyle, WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                                    WEBKIT_USER_STYLE_LEVEL_USER, nullptr, nullptr));
    webkit_user_content_manager_add_style_sheet(manager, sheet.get());
  }
}

void WebKitBrowser::SetUserAgent(const std::string& user_agent) {
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
  std::string uri = url;
  if (url.front() == '/') {
    GCharPtr converted(g_filename_to_uri(url.c_str(), nullptr, nullptr));
    if (converted) uri = converted.get();
  }
  ExpectLoad();
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

bool WebKitBrowser::PassesGuard(const std::string& uri) {
  // Without the window's guard nothing may navigate: fail closed.
  if (!events_) return false;
  bool cancel = false;
  events_->WB_BeforeNavigate2(uri, cancel);
  return !cancel;
}

gboolean WebKitBrowser::OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision,
                                       WebKitPolicyDecisionType type, gpointer data) {
  auto* self = static_cast<WebKitBrowser*>(data);
  if (type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE) return FALSE;
  WebKitNavigationAction* action =
      webkit_navigation_policy_decision_get_navigation_action(WEBKIT_NAVIGATION_POLICY_DECISION(decision));
  const char* raw_uri = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
  const std::string uri = raw_uri ? raw_uri : "";

  if (!self->PassesGuard(uri)) {
    webkit_policy_decision_ignore(decision);
    // The load we were asked for may be the one that was just cancelled.
    if (type == WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION && self->load_ == Load::Requested) {
      self->load_ = Load::Idle;
    }
    return TRUE;
  }
  if (type == WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION) {
    // There is one window. A web address goes to the user's browser, as a
    // desktop's links do; anything else that passed the guard is shown here.
    webkit_policy_decision_ignore(decision);
    if (IsWebAddress(uri)) {
      GError* raw = nullptr;
      if (!g_app_info_launch_default_for_uri(uri.c_str(), nullptr, &raw)) {
        GErrorPtr error(raw);
        std::fprintf(stderr, "vantile: open %s in the default browser: %s\n", uri.c_str(),
                     ErrorText(error).c_str());
      }
    } else if (!uri.empty()) {
      webkit_web_view_load_uri(self->view_.get(), uri.c_str());
    }
    return TRUE;
  }
  webkit_policy_decision_use(decision);
  return TRUE;
}

void WebKitBrowser::OnLoadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer data) {
  auto* self = static_cast<WebKitBrowser*>(data);
  switch (event) {
    case WEBKIT_LOAD_STARTED: self->load_ = Load::Loading; break;
    case WEBKIT_LOAD_REDIRECTED: break;
    case WEBKIT_LOAD_COMMITTED: self->load_ = Load::Interactive; break;
    case WEBKIT_LOAD_FINISHED: self->load_ = Load::Idle; break;  // also after a failed load
  }
}

void WebKitBrowser::OnWebProcessTerminated(WebKitWebView*, WebKitWebProcessTerminationReason, gpointer data) {
  static_cast<WebKitBrowser*>(data)->load_ = Load::Idle;
}

bool WebKitBrowser::TrustedCall(const std::string& token) const {
  if (!events_ || token != token_) return false;
  const char* uri = webkit_web_view_get_uri(view_.get());
  return uri && g_str_has_prefix(uri, "file:");
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
  switch (webkit_script_dialog_get_dialog_type(dialog)) {
    case WEBKIT_SCRIPT_DIALOG_PROMPT: {
      if (message.rfind(kDrivesQuestionMarker, 0) != 0) return FALSE;  // an ordinary prompt()
      const std::string rest = message.substr(kDrivesQuestionMarker.size());
      const std::string token = rest.substr(0, rest.find(':'));
      const bool trusted = self->TrustedCall(token) && message == DrivesQuestion(token);
      webkit_script_dialog_prompt_set_text(dialog, trusted ? self->events_->getLocalDrives().c_str() : "");
      return TRUE;
    }
    case WEBKIT_SCRIPT_DIALOG_ALERT:
      if (self->events_) {
        self->events_->WBMessages_ShowMessage(message, MB_OK | MB_ICONINFORMATION, "Alert", "", 0);
      }
      return TRUE;
    case WEBKIT_SCRIPT_DIALOG_CONFIRM: {
      const int pressed = self->events_ ? self->events_->WBMessages_ShowMessage(
                                              message, MB_OKCANCEL | MB_ICONQUESTION, "Confirm", "", 0)
                                        : IDCANCEL;
      webkit_script_dialog_confirm_set_confirmed(dialog, pressed == IDOK);
      return TRUE;
    }
    default:
      return FALSE;
  }
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
