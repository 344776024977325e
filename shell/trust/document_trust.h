// What one view knows about who its documents belong to, and so what they
// may ask of the desktop.
//
// The user's own page is a local (file:) document in the main frame, with no
// document from elsewhere loaded into any of its frames since it committed.
// Everything else (a web page, a frame from elsewhere, what such content
// makes, a redirect, a page refresh) is untrusted: it may ask, and the user
// decides. WebKit reports keys, labels and script-driven activation as
// trusted clicks, so no event here proves that the user meant anything; trust
// rests on which documents the view holds and on what the program itself
// asked for.
//
// The browser adapter feeds DocumentTrust the plain facts WebKit reports (a
// navigation with its gesture and type, a frame's response, the main frame
// starting, committing or changing its address, a click or form in the top
// document, a page refresh's target, an input event) and carries out what it
// answers. The clock is passed in, so every rule is tested as a table.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "shell/page_limits.h"
#include "shell/trust/navigation_guard.h"

namespace vantile {

// Whether `uri` is a local document's address (file:, in any case): the only
// kind of document that can be the user's own page.
bool IsLocalDocument(std::string_view uri);

// One spelling of an address for telling the program's own request, or the
// link the user followed, from what WebKit hands back: WebKit escapes what it
// must and writes the scheme in lower case. Every escape decoded, the scheme
// in lower case; an address with a broken escape or an escaped NUL is kept as
// it is.
std::string ComparableAddress(std::string_view uri);

// The address without its query and fragment: a form sent with GET goes to
// its action with the fields as the query.
std::string WithoutQuery(std::string_view uri);

// What WebKit tells about a navigation it is about to make.
struct NavigationFacts {
  enum class Kind { LinkClicked, FormSubmitted, Other };
  std::string uri;
  bool user_gesture = false;
  bool redirect = false;
  Kind kind = Kind::Other;
};

// The verdict on a load that would replace the desktop's page: `decision`
// for `uri`. Refuse and OpenInBrowser mean the load must be stopped.
struct TopLoadVerdict {
  TopLoad decision = TopLoad::Allow;
  std::string uri;
  bool refused() const { return decision != TopLoad::Allow; }
};

class DocumentTrust {
 public:
  // A load the program asked for that never starts stops counting after this.
  static constexpr auto kProgramLoadLimit = std::chrono::seconds(10);
  // Page refreshes remembered per document: a page cannot grow the list
  // without bound.
  static constexpr std::size_t kMaxRefreshes = 32;
  // Followed links of the top document waiting for their load to start.
  static constexpr std::size_t kMaxTopClicks = 8;
  // How long a site's name may be in the confirmation.
  static constexpr std::size_t kMaxAskerLength = 200;

  // The program asks the main frame to load `uri` (the start page, a menu
  // command, a page the user typed): its navigation counts as the program's.
  void ProgramNavigates(const std::string& uri, PageClock::time_point now);
  // The program is about to load something in the main frame by other means
  // (a reload, history, the page it puts back, crash recovery).
  void ProgramLoads(PageClock::time_point now);

  // A navigation WebKit is about to make, in any frame: what the link guard
  // should know about who asked.
  NavigationSource Navigation(const NavigationFacts& facts);
  // A launch: or folder: link followed in a document that is not local,
  // reported by the links world with the asking document's origin: the
  // source to put to the guard, or nothing for another kind of address.
  std::optional<NavigationSource> LinkAsked(std::string_view url, std::string_view asker) const;
  // The user followed a link, or sent a form, of the top document.
  void TopDocumentFollowed(std::string_view url, bool form);
  // A page refresh in some frame is about to go to `url`.
  void RefreshNamed(std::string_view url);

  // A frame's document has its response. For a document of a frame, always
  // true; for the main frame's, false when it must not replace the page.
  // `verdict` receives a judgement made now.
  bool FrameResponse(std::string_view uri, bool main_frame, std::optional<TopLoadVerdict>& verdict);
  // The main frame started loading; `location` is the view's address now.
  std::optional<TopLoadVerdict> TopLoadStarted(PageClock::time_point now, const std::string& location);
  // The view's address changed (a load the page started shows it only now).
  std::optional<TopLoadVerdict> AddressChanged(const std::string& location);
  // The main frame committed `location`. When the load had been refused and
  // came without a response to refuse (about:blank), the page it replaced
  // must come back: `restore` says which (empty: none).
  struct Commit {
    std::optional<TopLoadVerdict> verdict;
    std::string restore;
  };
  Commit Committed(const std::string& location);
  // A refused main-frame load is still to be stopped.
  bool top_load_refused() const { return top_load_refused_; }

  // Whether every document in the view is the user's own.
  bool UsersOwnPage() const { return main_local_ && !foreign_documents_; }
  // Whether a call on the page's channel may come from the user's own page:
  // the committed main document is local, and so is `location`, the view's
  // address when the call arrives.
  bool MainDocumentLocal(std::string_view location) const { return main_local_ && IsLocalDocument(location); }
  // The last document the main frame committed and kept.
  const std::string& committed() const { return committed_; }

  // A button or key press reached the view.
  void Input() { ++input_serial_; }
  // Whether the user's browser may open now: once per input event, so a
  // click handler that asks for ten windows gets one.
  bool TakeBrowserOpening();

 private:
  std::optional<TopLoadVerdict> Judge(const std::string& uri);

  bool main_local_ = false;
  bool foreign_documents_ = false;
  std::vector<std::string> refresh_targets_;
  std::vector<std::string> top_clicks_;
  // The address the program asked for last and WebKit has not yet put to
  // the guard.
  std::string program_request_;
  bool program_load_pending_ = false;
  PageClock::time_point program_load_at_{};
  // The main frame's provisional load: who asked, whether its address is
  // still to be judged, and whether it was refused.
  TopLoadFacts top_facts_;
  bool top_pending_ = false;
  bool top_load_refused_ = false;
  std::string committed_;
  // The last address asked for during a user gesture.
  std::string gesture_uri_;
  std::uint64_t input_serial_ = 0;
  std::uint64_t browser_serial_ = UINT64_MAX;
};

}  // namespace vantile
