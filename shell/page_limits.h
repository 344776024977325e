// What keeps a page from taking the desktop away: a burst of message boxes
// is cut off, and a web process that keeps crashing is not reloaded forever.
// Pure logic over a clock the caller passes in, so the rules are tested as
// tables; the browser applies them.
#pragma once

#include <chrono>
#include <optional>
#include <vector>

namespace vantile {

using PageClock = std::chrono::steady_clock;

// `for(;;) alert(1)` would keep a modal box on the desktop for ever. A box
// asked for within kDialogGap of the previous one closing counts as one more
// in a row; after kDialogBurst in a row the view's further boxes are dropped
// until the user loads a page (Reset) or the page has asked for nothing for
// kQuietTime, the way browsers offer to stop a page's dialogs. The count
// belongs to the view, not the document: a page that reloads itself gets no
// new allowance. Boxes a page asks for now and then are never dropped.
class DialogFlood {
 public:
  static constexpr int kDialogBurst = 3;
  static constexpr auto kDialogGap = std::chrono::seconds(1);
  static constexpr auto kQuietTime = std::chrono::seconds(60);

  // Asked when the page wants a box at `now`: whether to show it.
  bool MayShow(PageClock::time_point now);
  // The box shown last has closed.
  void Closed(PageClock::time_point now) { last_closed_ = now; }
  // The user loads a page.
  void Reset() { *this = DialogFlood(); }
  bool dropping() const { return dropping_; }

 private:
  int in_a_row_ = 0;
  std::optional<PageClock::time_point> last_closed_;
  std::optional<PageClock::time_point> last_asked_;
  bool dropping_ = false;
};

// After the web process crashed or was killed: reload the page, unless it
// already crashed kMaxReloads times within kCrashWindow; then show the page
// that says what happened (and start counting afresh, so its retry gets the
// same chances).
class CrashRecovery {
 public:
  static constexpr int kMaxReloads = 3;
  static constexpr auto kCrashWindow = std::chrono::seconds(60);

  enum class Action { Reload, ShowCrashPage };
  Action OnCrash(PageClock::time_point now);

 private:
  std::vector<PageClock::time_point> recent_;
};

}  // namespace vantile
