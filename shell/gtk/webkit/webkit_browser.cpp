#include "shell/gtk/webkit/webkit_browser.h"

#include <memory>

#include "common/file_util.h"
#include "common/gtk/web_browser.h"
#include "shell/file_uri.h"
#include "shell/gtk/glue/startup_trace.h"
#include "shell/gtk/webkit/browser_note.h"
#include "shell/gtk/webkit/icon_scheme_gtk.h"
#include "shell/gtk/webkit/view_refusals.h"
#include "shell/gtk/webkit/web_sandbox.h"
#include "shell/settings.h"

namespace vantile {

namespace {

// A requested load that WebKit never starts (a cancelled or same-document
// navigation we did not recognise) stops counting as loading after this, so
// no wait can hang on it.
constexpr auto kNeverStartedLimit = std::chrono::seconds(10);

std::string UriOf(WebKitURIRequest* request) {
  const char* uri = request ? webkit_uri_request_get_uri(request) : nullptr;
  return uri ? uri : "";
}

NavigationFacts FactsOf(WebKitNavigationAction* action) {
  NavigationFacts facts;
  facts.uri = UriOf(webkit_navigation_action_get_request(action));
  facts.user_gesture = webkit_navigation_action_is_user_gesture(action);
  facts.redirect = webkit_navigation_action_is_redirect(action);
  switch (webkit_navigation_action_get_navigation_type(action)) {
    case WEBKIT_NAVIGATION_TYPE_LINK_CLICKED: facts.kind = NavigationFacts::Kind::LinkClicked; break;
    case WEBKIT_NAVIGATION_TYPE_FORM_SUBMITTED: facts.kind = NavigationFacts::Kind::FormSubmitted; break;
    default: facts.kind = NavigationFacts::Kind::Other; break;
  }
  return facts;
}

// The one context of every desktop view, made with the web process's
// memory limit: WebKit's policies free caches as a page nears it, and stop
// the process past it at their own (slow) checks; WebMemoryWatch stops it
// within a second.
WebKitWebContext* DesktopContext(unsigned memory_limit_mib) {
  static WebKitWebContext* const context = [memory_limit_mib] {
    WebKitMemoryPressureSettings* memory = webkit_memory_pressure_settings_new();
    if (memory_limit_mib) {
      webkit_memory_pressure_settings_set_memory_limit(memory, memory_limit_mib);
      webkit_memory_pressure_settings_set_kill_threshold(memory, 1.0);
    }
    auto* made = WEBKIT_WEB_CONTEXT(g_object_new(WEBKIT_TYPE_WEB_CONTEXT, "memory-pressure-settings", memory, nullptr));
    webkit_memory_pressure_settings_free(memory);
    return made;  // kept for the program's life
  }();
  return context;
}

}  // namespace

WebKitBrowser::WebKitBrowser(const BrowserTuning& tuning, WebKitWebView* related)
    : channel_(trust_, events_, [this] { return LocationURL(); }, sources_) {
  WebKitWebContext* context = related ? webkit_web_view_get_context(related) : DesktopContext(tuning.memory_limit_mib);
  SetUpWebSandbox(context);
  StartupMark("context");
  if (!tuning.browser_caches) webkit_web_context_set_cache_model(context, WEBKIT_CACHE_MODEL_DOCUMENT_VIEWER);
  // Local schemes: WebKit lets only a local document link to, load, refresh
  // to or script its way to these addresses, whichever frame it sits in.
  WebKitSecurityManager* security = webkit_web_context_get_security_manager(context);
  webkit_security_manager_register_uri_scheme_as_local(security, "launch");
  webkit_security_manager_register_uri_scheme_as_local(security, "folder");
  CancelDownloads(context);
  RegisterIconScheme(context);
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

  auto settings_owner = GObjectPtr<WebKitSettings>(webkit_settings_new());
  WebKitSettings* settings = settings_owner.get();
  if (!tuning.accelerated_compositing) {
    webkit_settings_set_hardware_acceleration_policy(settings, WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
  }
  if (!tuning.browser_caches) webkit_settings_set_enable_page_cache(settings, FALSE);
  webkit_settings_set_javascript_can_open_windows_automatically(settings, FALSE);

  // The view's floating reference is sunk into ours; the window adds its own.
  GtkWidget* view = GTK_WIDGET(related ? g_object_new(WEBKIT_TYPE_WEB_VIEW, "user-content-manager", channel_.content(),
                                                      "settings", settings, "related-view", related, nullptr)
                                       : g_object_new(WEBKIT_TYPE_WEB_VIEW, "user-content-manager", channel_.content(),
                                                      "settings", settings, "web-context", context, nullptr));
  view_ = GObjectPtr<WebKitWebView>(WEBKIT_WEB_VIEW(g_object_ref_sink(view)));
  ConnectSignals();
  dialogs_ = std::make_unique<PageDialogsGtk>(view_.get(), events_, channel_, trust_);
  input_ = std::make_unique<ViewInputGtk>(view_.get(), events_, trust_);
  memory_ = std::make_unique<WebMemoryWatch>(tuning.memory_limit_mib, [this] {
    if (out_of_memory_ || shut_down_) return;
    out_of_memory_ = true;
    webkit_web_view_terminate_web_process(view_.get());
  });
}

void WebKitBrowser::ConnectSignals() {
  GtkWidget* view = widget();
  g_signal_connect(view, "decide-policy", G_CALLBACK(OnDecidePolicy), this);
  g_signal_connect(view, "load-changed", G_CALLBACK(OnLoadChanged), this);
  g_signal_connect(view, "web-process-terminated", G_CALLBACK(OnWebProcessTerminated), this);
  g_signal_connect(view, "notify::uri", G_CALLBACK(OnAddressChanged), this);
  g_signal_connect(view, "enter-fullscreen", G_CALLBACK(OnEnterFullscreen), this);
  // Before WebKit's own handlers, which would load a dropped link or file.
  RefuseForeignDrops(view_.get());
}

WebKitBrowser::~WebKitBrowser() {
  if (recover_idle_) g_source_remove(recover_idle_);
  if (stop_idle_) g_source_remove(stop_idle_);
  input_.reset();
  dialogs_.reset();
  g_signal_handlers_disconnect_by_data(view_.get(), this);
}

void WebKitBrowser::Shutdown() {
  shut_down_ = true;
  events_ = nullptr;
  webkit_web_view_stop_loading(view_.get());
}

void WebKitBrowser::SetUserAgent(const std::string& user_agent) {
  StartupMark("settings-loaded");
  webkit_settings_set_user_agent(webkit_web_view_get_settings(view_.get()), user_agent.c_str());
}

void WebKitBrowser::SetHostFlags(std::uint32_t flags) {
  channel_.SetHideScrollbars((flags & DOCHOSTUIFLAG_SCROLL_NO) != 0);
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
  dialogs_->UserLoadsPage();
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
  trust_.ProgramNavigates(uri, PageClock::now());
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

gboolean WebKitBrowser::OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision,
                                       WebKitPolicyDecisionType type, gpointer data) {
  auto* self = static_cast<WebKitBrowser*>(data);
  if (type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE) {
    auto* response = WEBKIT_RESPONSE_POLICY_DECISION(decision);
    std::optional<TopLoadVerdict> verdict;
    const bool allowed =
        self->trust_.FrameResponse(UriOf(webkit_response_policy_decision_get_request(response)),
                                   webkit_response_policy_decision_is_main_frame_main_resource(response), verdict);
    self->CarryOut(verdict);
    if (allowed) return FALSE;
    webkit_policy_decision_ignore(decision);
    return TRUE;
  }
  const NavigationFacts facts = FactsOf(
      webkit_navigation_policy_decision_get_navigation_action(WEBKIT_NAVIGATION_POLICY_DECISION(decision)));
  const NavigationSource source = self->trust_.Navigation(facts);
  if (!self->PassesGuard(facts.uri, source)) {
    webkit_policy_decision_ignore(decision);
    // The load we were asked for may be the one that was just cancelled.
    if (type == WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION && self->load_ == Load::Requested) {
      self->load_ = Load::Idle;
    }
    return TRUE;
  }
  if (type == WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION) {
    webkit_policy_decision_ignore(decision);
    self->OnNewWindow(facts.uri, source);
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
      self->CarryOut(self->trust_.TopLoadStarted(PageClock::now(), self->LocationURL()));
      break;
    case WEBKIT_LOAD_REDIRECTED: break;
    case WEBKIT_LOAD_COMMITTED: {
      StartupMark("load-committed");
      self->load_ = Load::Interactive;
      // Another document in the main frame. Its message boxes are still
      // limited with the last one's: they belong to the view, so a page
      // that reloads itself gets no new allowance.
      // The last document's watches end with it.
      self->sources_.Forget();
      const DocumentTrust::Commit commit = self->trust_.Committed(self->LocationURL());
      // Only the user's own page may ask for the whole screen; any other
      // document finds full screen unavailable, so its request fails.
      webkit_settings_set_enable_fullscreen(webkit_web_view_get_settings(self->view_.get()),
                                            self->trust_.MainDocumentLocal(self->LocationURL()));
      self->CarryOut(commit.verdict);
      if (!commit.restore.empty()) {
        // The refused load came without a response to refuse (about:blank):
        // the page it replaced comes back.
        self->ExpectProgramLoad();
        webkit_web_view_load_uri(self->view_.get(), commit.restore.c_str());
      }
      break;
    }
    case WEBKIT_LOAD_FINISHED: self->load_ = Load::Idle; break;  // also after a failed load
  }
}

void WebKitBrowser::OnAddressChanged(GObject*, GParamSpec*, gpointer data) {
  auto* self = static_cast<WebKitBrowser*>(data);
  // A same-document navigation changes the address without a load.
  if (self->load_ == Load::Requested && !webkit_web_view_is_loading(self->view_.get())) self->load_ = Load::Idle;
  self->CarryOut(self->trust_.AddressChanged(self->LocationURL()));
}

gboolean WebKitBrowser::OnEnterFullscreen(WebKitWebView*, gpointer data) {
  auto* self = static_cast<WebKitBrowser*>(data);
  // Full screen would hide the panel and every other window behind content
  // the user did not choose as a desktop; their own page may (it fills the
  // screen anyway). Other documents have full screen turned off as they
  // commit; this holds for a frame from elsewhere in the user's page.
  if (self->trust_.UsersOwnPage()) return FALSE;
  Note("refused full screen to a page that is not the desktop's own: " + self->LocationURL());
  return TRUE;
}

void WebKitBrowser::CarryOut(const std::optional<TopLoadVerdict>& verdict) {
  if (!verdict || !verdict->refused()) return;
  Note("refused to replace the desktop's page with " + verdict->uri +
       ": neither the program nor a link of the page asked");
  if (verdict->decision == TopLoad::OpenInBrowser) OpenInUserBrowser(verdict->uri);
  // Its response is refused too; a document without one (about:blank) is
  // stopped here, from the main loop rather than inside WebKit's signal.
  if (stop_idle_) return;
  stop_idle_ = g_idle_add(+[](gpointer data) -> gboolean {
    auto* self = static_cast<WebKitBrowser*>(data);
    self->stop_idle_ = 0;
    if (self->trust_.top_load_refused() && !self->shut_down_) webkit_web_view_stop_loading(self->view_.get());
    return G_SOURCE_REMOVE;
  }, this);
}

void WebKitBrowser::OpenInUserBrowser(const std::string& uri) {
  if (!trust_.TakeBrowserOpening()) {
    Note("refused to open " + uri + " in the browser: this input opened it already");
    return;
  }
  if (const LaunchResult result = OpenInWebBrowser(uri); !result.ok) Note(result.error);
}

void WebKitBrowser::OnWebProcessTerminated(WebKitWebView*, WebKitWebProcessTerminationReason reason,
                                           gpointer data) {
  auto* self = static_cast<WebKitBrowser*>(data);
  self->load_ = Load::Idle;
  // Stopped by us for its memory, or by WebKit's own limit: either way,
  // a page that took too much memory would take it again, so it is not
  // reloaded.
  const bool out_of_memory = reason == WEBKIT_WEB_PROCESS_EXCEEDED_MEMORY_LIMIT || self->out_of_memory_;
  self->out_of_memory_ = out_of_memory;
  if (self->shut_down_ || (reason == WEBKIT_WEB_PROCESS_TERMINATED_BY_API && !out_of_memory)) return;
  self->crashed_uri_ = self->LocationURL();
  self->reload_after_crash_ =
      self->crash_recovery_.OnCrash(PageClock::now()) == CrashRecovery::Action::Reload && !self->out_of_memory_;
  Note(std::string("the page's web process ") +
       (out_of_memory ? "used more memory than a page may" : "ended") + "; " +
       (self->reload_after_crash_ ? "loading the page again: " : "showing what happened instead of: ") +
       self->crashed_uri_);
  // Not from inside WebKit's own signal.
  if (!self->recover_idle_) self->recover_idle_ = g_idle_add(RecoverFromCrash, self);
}

gboolean WebKitBrowser::RecoverFromCrash(gpointer data) {
  auto* self = static_cast<WebKitBrowser*>(data);
  self->recover_idle_ = 0;
  const bool out_of_memory = std::exchange(self->out_of_memory_, false);
  if (self->shut_down_ || self->crashed_uri_.empty()) return G_SOURCE_REMOVE;
  const std::string crash_page = CrashPageAddress(ProgramFolder());
  // The page that says what happened does not try itself again.
  if (self->crashed_uri_.starts_with(crash_page)) return G_SOURCE_REMOVE;
  self->ExpectProgramLoad();
  if (self->reload_after_crash_) {
    webkit_web_view_reload(self->view_.get());
  } else {
    GCharPtr escaped(g_uri_escape_string(self->crashed_uri_.c_str(), nullptr, FALSE));
    const std::string why = out_of_memory ? "?memory" : "";
    webkit_web_view_load_uri(self->view_.get(), (crash_page + why + "#" + escaped.get()).c_str());
  }
  return G_SOURCE_REMOVE;
}

}  // namespace vantile
