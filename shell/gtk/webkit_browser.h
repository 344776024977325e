// `WB`: the page browser, a WebKitWebView behind the Browser interface.
//
// - Every navigation WebKit is about to make (main frame, frames, new-window
//   requests) goes through BrowserEvents::WB_BeforeNavigate2 first, with what
//   WebKit tells about who asked (a click? a redirect? a page of only local
//   documents?); Cancel means the navigation is ignored and the page stays.
// - launch:, folder: and file: are local schemes: WebKit refuses them to any
//   document that is not local, so only a local document can ask for them.
//   A launch: or folder: link followed in a document from elsewhere is
//   reported by a script in an isolated world and passed to the guard as a
//   request from that document's site, which the user must accept.
// - The main frame loads another document only when the program asked, the
//   user followed a link or form of the top document, or every document in
//   the view is the user's own: a frame cannot replace the desktop.
// - window.external (openFile, openFolder, openControlPanel, getLocalDrives)
//   exists only in local (file:) documents in the main frame, and its calls
//   reach us only through an isolated script world: a web page, or a frame
//   from elsewhere inside a local page, can neither see nor forge them. The
//   page is untrusted input, and these calls start programs.
// - A new-window request opens a web address in the user's browser; anything
//   else replaces the desktop only when the user's own page asked.
// - Nothing a page does can take the desktop away: drops from other programs
//   are refused, downloads are cancelled, a burst of message boxes (print
//   dialogs included) is cut off, print is the user's own page's alone, one
//   input opens the user's browser at most once, and a crashed web process
//   is reloaded.
// - alert() and confirm() become our own message boxes; a right-click shows
//   our popup menu instead of WebKit's, straight from the input event, so it
//   opens whatever the page's script is doing.
#pragma once

#include <webkit2/webkit2.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/gtk/glib_util.h"
#include "shell/page_limits.h"
#include "shell/platform.h"

namespace vantile {

// Rendering choices that trade a feature for start-up time and memory.
struct BrowserTuning {
  // WebKit's default hardware acceleration policy (GPU compositing). Off by
  // default: software painting starts faster and needs far less memory.
  bool accelerated_compositing = false;
  // Keep WebKit's page cache and browser-sized memory caches. Off by
  // default: a desktop page is mostly one local document.
  bool browser_caches = false;
  // Start WebKit's network process as the view is made, not at the first
  // page, so that it starts while the first view is made. On by default.
  // (The web process starts with the start page, which start-up asks for
  // as soon as the settings are read.)
  bool warm_up = true;

  // From VANTILE_ACCELERATED_COMPOSITING=1, VANTILE_BROWSER_CACHES=1 and
  // VANTILE_WARM_UP=0.
  static BrowserTuning FromEnvironment();
};

class WebKitBrowser : public Browser {
 public:
  // `related`: another view whose web process this one shares (WebKit
  // starts no second one); null: a process of its own.
  explicit WebKitBrowser(const BrowserTuning& tuning, WebKitWebView* related = nullptr);
  ~WebKitBrowser() override;
  WebKitBrowser(const WebKitBrowser&) = delete;
  WebKitBrowser& operator=(const WebKitBrowser&) = delete;

  GtkWidget* widget() const { return GTK_WIDGET(view_.get()); }
  // Called with the right-click that asked for the context menu, just
  // before BrowserEvents::ShowContextMenu.
  void SetContextMenuEventHook(std::function<void(const GdkEvent*)> hook) { context_hook_ = std::move(hook); }
  // Shutdown: stops loading and makes ReadyState report complete, so that
  // no wait that is still on the stack outlives the program.
  void Shutdown();

  void SetEvents(BrowserEvents* events) override { events_ = events; }
  void SetUserAgent(const std::string& user_agent) override;
  // DOCHOSTUIFLAG_SCROLL_NO (8): a user style sheet hides the page's scroll
  // bars; other flags have no counterpart.
  void SetHostFlags(std::uint32_t flags) override;
  // DLCTL_DLIMAGES -> auto-load-images; DLCTL_NO_SCRIPTS -> the page's own
  // scripts off (enable-javascript-markup); DLCTL_VIDEOS -> media elements
  // (enable-media, MediaSource); DLCTL_BGSOUNDS -> sound (Web Audio, and the
  // view muted without it). Java, ActiveX and client-pull have no counterpart.
  void SetDownloadControl(std::uint32_t flags) override;
  void Navigate(const std::string& url) override;
  void Refresh() override;
  void Refresh2() override;
  bool GoBack() override;
  bool GoForward() override;
  int ReadyState() override;
  // Whether a page has committed in the view (start-up's first page may
  // still be on its way).
  bool PageCommitted() const { return !committed_uri_.empty(); }
  std::string LocationURL() override;

 private:
  static gboolean OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision*, WebKitPolicyDecisionType, gpointer);
  static void OnLoadChanged(WebKitWebView*, WebKitLoadEvent, gpointer);
  static gboolean OnScriptDialog(WebKitWebView*, WebKitScriptDialog*, gpointer);
  static gboolean OnContextMenu(WebKitWebView*, WebKitContextMenu*, GdkEvent*, WebKitHitTestResult*, gpointer);
  static void OnScriptMessage(WebKitUserContentManager*, WebKitJavascriptResult*, gpointer);
  static void OnLinkMessage(WebKitUserContentManager*, WebKitJavascriptResult*, gpointer);
  static void OnWebProcessTerminated(WebKitWebView*, WebKitWebProcessTerminationReason, gpointer);
  static gboolean ShowContextMenuLater(gpointer);
  static gboolean OnDragMotion(GtkWidget*, GdkDragContext*, gint, gint, guint, gpointer);
  static gboolean OnDragDrop(GtkWidget*, GdkDragContext*, gint, gint, guint, gpointer);
  static void OnDragLeave(GtkWidget*, GdkDragContext*, guint, gpointer);
  static void OnDownloadStarted(WebKitWebContext*, WebKitDownload*, gpointer);
  static gboolean RecoverFromCrash(gpointer);
  static gboolean OnPrint(WebKitWebView*, WebKitPrintOperation*, gpointer);
  static gboolean OnInput(GtkWidget*, GdkEvent*, gpointer);

  // Runs the guard; true when the navigation may go on.
  bool PassesGuard(const std::string& uri, const NavigationSource& source);
  // What WebKit tells about who asked for a navigation.
  NavigationSource SourceOf(WebKitNavigationAction* action, const std::string& uri);
  void OnNewWindow(const std::string& uri, const NavigationSource& source);
  // A response for a frame: notes documents from elsewhere. False when the
  // main frame's document must not replace the page.
  bool OnFrameResponse(WebKitResponsePolicyDecision* decision);
  // The main frame started loading: notes who asked. JudgeTopLoad decides,
  // once the address is known, whether it may replace the page.
  void CheckTopLoad();
  void JudgeTopLoad(const std::string& uri);
  // The program itself is about to load something in the main frame.
  void ExpectProgramLoad();
  // Opens a web address in the user's browser, once per input event.
  void OpenInUserBrowser(const std::string& uri);
  // Whether a call through window.external comes from where it may.
  bool TrustedCall(const std::string& token) const;
  // A page's alert(), confirm() or prompt(): false when it is dropped.
  bool MayShowDialog(WebKitScriptDialog* dialog);
  void RebuildUserContent();
  void ExpectLoad();

  GObjectPtr<WebKitUserContentManager> content_;
  GObjectPtr<WebKitWebView> view_;  // our reference; the window holds another
  BrowserEvents* events_ = nullptr;
  std::function<void(const GdkEvent*)> context_hook_;
  struct EventFree {
    void operator()(GdkEvent* e) const { gdk_event_free(e); }
  };
  std::unique_ptr<GdkEvent, EventFree> pending_menu_event_;
  guint menu_idle_ = 0;

  // Secret that the isolated bridge passes with every call; page content
  // cannot read it. Without one (no random numbers) the bridge is off.
  std::optional<std::string> token_;
  bool hide_scrollbars_ = false;

  // What we know about the documents in the view, for the guard. The main
  // frame's committed document is local (file:); a document from elsewhere
  // was loaded into a frame since; page refreshes that name a link.
  bool main_local_ = false;
  bool foreign_documents_ = false;
  std::vector<std::string> refresh_targets_;
  // Links and forms of the top document the user followed, until the main
  // frame starts loading them.
  std::vector<std::string> top_clicks_;
  // The address the program itself asked for last and WebKit has not yet
  // put to the guard.
  std::string program_request_;
  // The program asked for a main-frame load that has not started yet.
  bool program_load_pending_ = false;
  std::chrono::steady_clock::time_point program_load_at_{};
  // The main frame's provisional load: who asked, whether its address is
  // still to be judged, and whether it was refused; the page it would
  // replace.
  TopLoadFacts top_facts_;
  bool top_pending_ = false;
  bool top_load_refused_ = false;
  guint stop_idle_ = 0;
  std::string committed_uri_;
  // The last address asked for during a user gesture.
  std::string gesture_uri_;
  // Button and key presses on the view, counted; the one that last opened
  // the user's browser.
  std::uint64_t input_serial_ = 0;
  std::uint64_t browser_serial_ = UINT64_MAX;

  DialogFlood dialog_flood_;
  CrashRecovery crash_recovery_;
  guint recover_idle_ = 0;
  bool reload_after_crash_ = false;
  std::string crashed_uri_;

  // Ready state: a requested load counts from the request until WebKit
  // finishes or fails it, or until its navigation is cancelled.
  enum class Load { Idle, Requested, Loading, Interactive };
  Load load_ = Load::Idle;
  std::chrono::steady_clock::time_point requested_at_{};
  bool shut_down_ = false;
};

}  // namespace vantile
