#include "shell/trust/document_trust.h"

#include <algorithm>

#include "common/text.h"

namespace vantile {

bool IsLocalDocument(std::string_view uri) { return StartsWithIgnoreCase(uri, "file:"); }

std::string ComparableAddress(std::string_view uri) {
  std::string text = PercentDecoded(uri).value_or(std::string(uri));
  const std::size_t colon = text.find(':');
  if (colon != std::string::npos) text = AsciiLower(std::string_view(text).substr(0, colon)) + text.substr(colon);
  return text;
}

std::string WithoutQuery(std::string_view uri) { return std::string(uri.substr(0, uri.find_first_of("?#"))); }

void DocumentTrust::ProgramNavigates(const std::string& uri, PageClock::time_point now) {
  ProgramLoads(now);
  program_request_ = uri;
}

void DocumentTrust::ProgramLoads(PageClock::time_point now) {
  program_load_pending_ = true;
  program_load_at_ = now;
}

NavigationSource DocumentTrust::Navigation(const NavigationFacts& facts) {
  NavigationSource source;
  if (facts.user_gesture) gesture_uri_ = ComparableAddress(facts.uri);
  source.redirect = facts.redirect;
  source.only_local_documents = UsersOwnPage();
  // The browser refuses launch:, folder: and file: to documents that are
  // not local (they are registered as local schemes).
  source.local_schemes_checked = true;
  if (!program_request_.empty() && !source.redirect &&
      ComparableAddress(facts.uri) == ComparableAddress(program_request_)) {
    source.program = true;
    program_request_.clear();
  }
  // A refresh is no link the user follows; a real click on the same link
  // later is one, whichever frame's refresh named it.
  source.client_pull = facts.kind == NavigationFacts::Kind::Other && IsRefreshTarget(facts.uri, refresh_targets_);
  return source;
}

std::optional<NavigationSource> DocumentTrust::LinkAsked(std::string_view url, std::string_view asker) const {
  if (!IsLinkScheme(url)) return std::nullopt;
  NavigationSource source;
  source.foreign_asker = std::string(asker.substr(0, kMaxAskerLength));
  if (source.foreign_asker.empty()) source.foreign_asker = "a page from elsewhere";
  return source;
}

void DocumentTrust::TopDocumentFollowed(std::string_view url, bool form) {
  // Kept until the main frame starts loading, which comes next.
  if (top_clicks_.size() >= kMaxTopClicks) top_clicks_.erase(top_clicks_.begin());
  const std::string followed = ComparableAddress(url);
  top_clicks_.push_back(form ? WithoutQuery(followed) : followed);
}

void DocumentTrust::RefreshNamed(std::string_view url) {
  if (refresh_targets_.size() < kMaxRefreshes) refresh_targets_.emplace_back(url);
}

bool DocumentTrust::FrameResponse(std::string_view uri, bool main_frame, std::optional<TopLoadVerdict>& verdict) {
  // The main frame's document: the last point before it replaces the page.
  if (main_frame) {
    if (top_pending_) verdict = Judge(std::string(uri));
    return !top_load_refused_;
  }
  // One document from elsewhere makes the page one of mixed trust until the
  // main frame loads another document. An about: document belongs to
  // whoever made it, and a frame from elsewhere that makes one was noticed
  // itself.
  if (!IsLocalDocument(uri) && !StartsWithIgnoreCase(uri, "about:")) foreign_documents_ = true;
  return true;
}

std::optional<TopLoadVerdict> DocumentTrust::TopLoadStarted(PageClock::time_point now, const std::string& location) {
  // Who asked is known now; where to only once WebKit tells the address
  // (for a load the page started, after this), so the rest waits for it.
  top_facts_ = TopLoadFacts{};
  top_facts_.program = program_load_pending_ && now - program_load_at_ < kProgramLoadLimit;
  program_load_pending_ = false;
  top_facts_.only_local_documents = UsersOwnPage();
  top_load_refused_ = false;
  top_pending_ = !top_facts_.FromUsersOwnPage();
  return AddressChanged(location);
}

std::optional<TopLoadVerdict> DocumentTrust::AddressChanged(const std::string& location) {
  if (!top_pending_ || location == committed_) return std::nullopt;
  return Judge(location);
}

DocumentTrust::Commit DocumentTrust::Committed(const std::string& location) {
  // Another document in the main frame: its frames and refreshes start
  // afresh.
  Commit commit;
  main_local_ = IsLocalDocument(location);
  foreign_documents_ = false;
  refresh_targets_.clear();
  if (top_pending_) commit.verdict = Judge(location);
  top_clicks_.clear();
  if (top_load_refused_) {
    top_load_refused_ = false;
    commit.restore = committed_;
    return commit;
  }
  committed_ = location;
  return commit;
}

std::optional<TopLoadVerdict> DocumentTrust::Judge(const std::string& uri) {
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
  TopLoadVerdict verdict{DecideTopLoad(uri, facts), uri};
  top_load_refused_ = verdict.refused();
  return verdict;
}

bool DocumentTrust::TakeBrowserOpening() {
  if (browser_serial_ == input_serial_) return false;
  browser_serial_ = input_serial_;
  return true;
}

}  // namespace vantile
