// The link guard: every navigation passes it before it starts. "launch:" links
// start a program, but only one that is on the user's allow-list word for word;
// "folder:" links open a folder in the file manager. Both are always cancelled,
// so the desktop page stays on screen. Everything else is left to the browser.
//
// The decision is a pure function of the address, the allow-list and what the
// browser could tell about who asked, so the link forms and the rules about
// untrusted documents can be tested as tables; frmMain carries it out.
//
// Who may trigger a link: the user's own local page may, by any route (a
// click, script, a frame it loads). Any other document (a web page, a frame
// from elsewhere, what such content makes) only asks: the user sees what
// would run and decides. WebKit reports keys, labels and script-driven
// activation as trusted clicks, so no event can prove that the user meant
// the link. A server redirect and a page refresh never start anything.
//
// The link forms are schemes: "launch:" and "folder:" count only at the
// start of an address, never as text inside another one.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vantile {

// Whoever asked is the user's: the program itself (start-up, a menu command,
// a page the user typed), or a view whose every document is the user's own.
constexpr bool UsersOwnPageAsked(bool program, bool only_local_documents) { return program || only_local_documents; }

// What the browser could tell about the navigation and the document that
// asked for it. The browser does not say which frame asked, so trust rests on
// these facts.
struct NavigationSource {
  // The program itself asked: the start page, a menu command, a page the
  // user typed.
  bool program = false;
  // The link was activated in a document the user did not write; this
  // names the site that asks, as the user should see it. Such a link acts
  // only after the user's yes.
  std::string foreign_asker;
  // A server redirect led here.
  bool redirect = false;
  // A page refresh (<meta http-equiv="refresh">) led here. Client pull is
  // always off (DLCTL_NO_CLIENTPULL), so it never triggers a link.
  bool client_pull = false;
  // Every document in the view is local: the main frame shows a file:
  // document and no document from elsewhere has been loaded into any of its
  // frames since, so whichever document asked is the user's own.
  bool only_local_documents = false;
  // The browser lets only local documents ask for launch:, folder: and file:
  // addresses, so such an address that reaches the guard was asked for by a
  // local document even when the page also holds documents from elsewhere.
  bool local_schemes_checked = false;

  // The program, or the user's own page, asked.
  bool FromUsersOwnPage() const { return UsersOwnPageAsked(program, only_local_documents); }

  // The program's own navigations and the tests of the link forms.
  static NavigationSource Program() {
    NavigationSource source;
    source.program = true;
    return source;
  }
};

struct GuardDecision {
  enum class Action {
    None,        // nothing to start (ordinary address, or a program not allowed)
    Launch,      // start `program` with `parameters` in `directory`
    OpenFolder,  // show `folder` in the file manager
  };
  Action action = Action::None;
  // The user must say yes first: a document from elsewhere asked.
  bool needs_consent = false;
  // Who asks (NavigationSource::foreign_asker), when needs_consent.
  std::string asker;
  // Stop the navigation (every launch and folder link, allowed or not).
  bool cancel = false;
  std::string program;
  std::string parameters;
  std::string directory;
  std::string folder;
  // Debug log lines after the start line, in order (information entries).
  std::vector<std::string> log_lines;

  bool operator==(const GuardDecision&) const = default;
};

// The start line the guard logs on entry, before anything else.
std::string GuardStartLine(std::string_view url);

// The decision of `WB_BeforeNavigate2` for the navigation to `url`. `programs` is the allow-list;
// only its first `program_count` entries count. A launch or folder link that
// `source` may not trigger is cancelled, starts nothing and logs why.
GuardDecision DecideNavigation(std::string_view url, const std::vector<std::string>& programs,
                               std::int32_t program_count,
                               const NavigationSource& source = NavigationSource::Program());

// WebKit hands over addresses percent-encoded; a page that wrote
// /home/josé arrives as /home/jos%C3%A9. This gives back every escaped
// UTF-8 character as the page wrote it and leaves ASCII escapes (%20, %5C,
// %2F ...) and anything that is not valid UTF-8 exactly as they were, so the
// link rules see what the page's author wrote.
std::string DecodeUtf8Escapes(std::string_view url);

// Where a request for a new window goes. There is one window: a web address
// opens in the user's browser; anything else may replace the desktop only
// when the user's own local page asked.
enum class NewWindowPlace { UserBrowser, ThisView, Nowhere };
NewWindowPlace DecideNewWindow(std::string_view url, const NavigationSource& source);

// Whether the main frame may load `url`, which would replace the desktop's
// page. The browser does not say which frame asked, so a frame from
// elsewhere that sets top.location cannot be told from the top document's
// own script; only what the program or the user asked for passes.
struct TopLoadFacts {
  // The program asked: start-up, Load Page, Home, history, Demos, Refresh.
  bool program = false;
  // Every document in the view is the user's own, so whoever asked is.
  bool only_local_documents = false;
  // The user clicked a link to it in the top document (or sent a form of
  // the top document there).
  bool top_clicked = false;
  // It was asked for during a user gesture somewhere in the page.
  bool user_gesture = false;

  bool FromUsersOwnPage() const { return UsersOwnPageAsked(program, only_local_documents); }
};
enum class TopLoad { Allow, OpenInBrowser, Refuse };
TopLoad DecideTopLoad(std::string_view url, const TopLoadFacts& facts);

// Whether `url` is where a page refresh is about to go: it is a launch or
// folder link and one of `refresh_targets` (the addresses the page's
// <meta http-equiv="refresh"> elements resolve to) is the same link,
// whatever its spelling.
bool IsRefreshTarget(std::string_view url, const std::vector<std::string>& refresh_targets);

// Whether `url` is a launch: or folder: link (the scheme, in any case).
bool IsLinkScheme(std::string_view url);

}  // namespace vantile
