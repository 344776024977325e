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
// - Which documents are the user's own, and so what they may ask, is
//   DocumentTrust's to decide; this class only reports WebKit's signals to
//   it and carries out its answers.
// - window.external exists only in local (file:) documents in the main
//   frame, and its calls reach us only through an isolated script world
//   (PageChannelGtk): a web page, or a frame from elsewhere inside a local
//   page, can neither see nor forge them.
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
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/gtk/glib_util.h"
#include "shell/gtk/watches/web_memory_watch.h"
#include "shell/gtk/webkit/browser_tuning.h"
#include "shell/gtk/webkit/page_channel_gtk.h"
#include "shell/gtk/webkit/page_dialogs_gtk.h"
#include "shell/gtk/webkit/view_input_gtk.h"
#include "shell/gtk/watches/system_data_gtk.h"
#include "shell/page_api/page_sources.h"
#include "shell/page_limits.h"
#include "shell/platform.h"
#include "shell/trust/document_trust.h"

namespace vantile {

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
  void SetContextMenuEventHook(std::function<void(const GdkEvent*)> hook) {
    input_->SetContextMenuEventHook(std::move(hook));
  }
  // Shutdown: stops loading and makes ReadyState report complete, so that
  // no wait that is still on the stack outlives the program.
  void Shutdown();

  void SetEvents(BrowserEvents* events) override { events_ = events; }
  void SetUserAgent(const std::string& user_agent) override;
  // DOCHOSTUIFLAG_SCROLL_NO: a user style sheet hides the page's scroll
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
  bool PageCommitted() const { return !trust_.committed().empty(); }
  std::string LocationURL() override;

 private:
  static gboolean OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision*, WebKitPolicyDecisionType, gpointer);
  static void OnLoadChanged(WebKitWebView*, WebKitLoadEvent, gpointer);
  static void OnAddressChanged(GObject*, GParamSpec*, gpointer);
  static gboolean OnEnterFullscreen(WebKitWebView*, gpointer);
  static void OnWebProcessTerminated(WebKitWebView*, WebKitWebProcessTerminationReason, gpointer);
  static gboolean RecoverFromCrash(gpointer);

  void ConnectSignals();
  // Runs the guard; true when the navigation may go on.
  bool PassesGuard(const std::string& uri, const NavigationSource& source);
  void OnNewWindow(const std::string& uri, const NavigationSource& source);
  // Carries out what DocumentTrust decided about a load that would replace
  // the page: a refused load is stopped, a web page the user clicked in a
  // frame opens in the user's browser.
  void CarryOut(const std::optional<TopLoadVerdict>& verdict);
  // Opens a web address in the user's browser, once per input event.
  void OpenInUserBrowser(const std::string& uri);
  // The program itself is about to load something in the main frame.
  void ExpectProgramLoad() { trust_.ProgramLoads(PageClock::now()); }
  void ExpectLoad();

  DocumentTrust trust_;
  BrowserEvents* events_ = nullptr;
  // What window.vantile reads; nothing is sampled until a page asks.
  SystemDataGtk system_;
  PageSources sources_{system_};
  PageChannelGtk channel_;
  GObjectPtr<WebKitWebView> view_;  // our reference; the window holds another
  std::unique_ptr<PageDialogsGtk> dialogs_;
  std::unique_ptr<ViewInputGtk> input_;
  guint stop_idle_ = 0;

  CrashRecovery crash_recovery_;
  guint recover_idle_ = 0;
  bool reload_after_crash_ = false;
  bool out_of_memory_ = false;  // the last crash: past the memory limit
  std::unique_ptr<WebMemoryWatch> memory_;
  std::string crashed_uri_;

  // Ready state: a requested load counts from the request until WebKit
  // finishes or fails it, or until its navigation is cancelled.
  enum class Load { Idle, Requested, Loading, Interactive };
  Load load_ = Load::Idle;
  std::chrono::steady_clock::time_point requested_at_{};
  bool shut_down_ = false;
};

}  // namespace vantile
