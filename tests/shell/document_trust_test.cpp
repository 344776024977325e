// Which loads may replace the desktop's page, and what the guard hears about
// who asked, from the events the browser reports; one row per path a page
// or the user takes.
#include "shell/trust/document_trust.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vantile {
namespace {

const std::string kHome = "file:///home/u/desk.html";
const std::string kWeb = "https://x.example/page";

// One event the browser reports, in a compact form for the tables.
struct Step {
  enum Kind { Program, Commit, Frame, Follow, FollowForm, Gesture, Start, Address, Response, Later };
  Kind kind;
  std::string uri = {};
};

struct Outcome {
  std::optional<TopLoad> verdict;  // the last judgement made
  std::string restore;             // what a refused commit brings back
  bool users_own = false;          // UsersOwnPage() at the end
};

Outcome Replay(const std::vector<Step>& steps) {
  DocumentTrust trust;
  Outcome outcome;
  auto now = PageClock::time_point{} + std::chrono::hours(1);
  auto note = [&](const std::optional<TopLoadVerdict>& v) {
    if (v) outcome.verdict = v->decision;
  };
  for (const Step& step : steps) {
    switch (step.kind) {
      case Step::Program: trust.ProgramNavigates(step.uri, now); break;
      case Step::Commit: {
        auto commit = trust.Committed(step.uri);
        note(commit.verdict);
        outcome.restore = commit.restore;
        break;
      }
      case Step::Frame: {
        std::optional<TopLoadVerdict> v;
        EXPECT_TRUE(trust.FrameResponse(step.uri, false, v));
        break;
      }
      case Step::Follow: trust.TopDocumentFollowed(step.uri, false); break;
      case Step::FollowForm: trust.TopDocumentFollowed(step.uri, true); break;
      case Step::Gesture: trust.Navigation({step.uri, true, false, NavigationFacts::Kind::Other}); break;
      case Step::Start: note(trust.TopLoadStarted(now, step.uri)); break;
      case Step::Address: note(trust.AddressChanged(step.uri)); break;
      case Step::Response: {
        std::optional<TopLoadVerdict> v;
        const bool allowed = trust.FrameResponse(step.uri, true, v);
        note(v);
        EXPECT_EQ(allowed, !v || !v->refused());
        break;
      }
      case Step::Later: now += std::chrono::seconds(11); break;
    }
  }
  outcome.users_own = trust.UsersOwnPage();
  return outcome;
}

TEST(DocumentTrust, OnlyTheProgramTheUsersOwnPageOrAClickInTheTopDocumentReplacesThePage) {
  using S = Step;
  const std::vector<Step> shown = {{S::Program, kHome}, {S::Start, kHome}, {S::Commit, kHome}};
  auto with = [&](std::vector<Step> more) {
    std::vector<Step> all = shown;
    all.insert(all.end(), more.begin(), more.end());
    return all;
  };
  const struct {
    const char* name;
    std::vector<Step> steps;
    Outcome expected;
  } rows[] = {
      {"the program's own start page", shown, {std::nullopt, "", true}},
      {"script of a page of only local documents", with({{S::Start, kHome}, {S::Address, kWeb}}),
       {std::nullopt, "", true}},
      {"a frame from elsewhere sets top.location",
       with({{S::Frame, kWeb}, {S::Start, kHome}, {S::Address, kWeb}}), {TopLoad::Refuse, "", false}},
      {"about: and file: frames keep the page the user's own",
       with({{S::Frame, "about:blank"}, {S::Frame, "file:///home/u/f.html"}, {S::Start, kHome}, {S::Address, kWeb}}),
       {std::nullopt, "", true}},
      {"the user followed that link in the top document",
       with({{S::Frame, kWeb}, {S::Follow, "HTTPS://x.example/%70age"}, {S::Start, kHome}, {S::Response, kWeb}}),
       {TopLoad::Allow, "", false}},
      {"a form of the top document sent with its fields",
       with({{S::Frame, kWeb}, {S::FollowForm, kWeb + "?q=1"}, {S::Start, kHome}, {S::Response, kWeb + "?q=2"}}),
       {TopLoad::Allow, "", false}},
      {"a click in a frame asks for a web page: the user's browser",
       with({{S::Frame, kWeb}, {S::Gesture, kWeb}, {S::Start, kHome}, {S::Response, kWeb}}),
       {TopLoad::OpenInBrowser, "", false}},
      {"a click in a frame asks for another kind of address",
       with({{S::Frame, kWeb}, {S::Gesture, "data:text/html,x"}, {S::Start, kHome}, {S::Address, "data:text/html,x"}}),
       {TopLoad::Refuse, "", false}},
      {"the program's request never started counts no more",
       with({{S::Frame, kWeb}, {S::Program, kWeb}, {S::Later}, {S::Start, kHome}, {S::Response, kWeb}}),
       {TopLoad::Refuse, "", false}},
      {"a refused about:blank commits without a response: the page comes back",
       with({{S::Frame, kWeb}, {S::Start, kHome}, {S::Commit, "about:blank"}}), {TopLoad::Refuse, kHome, false}},
      {"a web page the user asked for is not the user's own", with({{S::Program, kWeb}, {S::Start, kHome}, {S::Commit, kWeb}}),
       {std::nullopt, "", false}},
  };
  for (const auto& row : rows) {
    const Outcome got = Replay(row.steps);
    EXPECT_EQ(got.verdict, row.expected.verdict) << row.name;
    EXPECT_EQ(got.restore, row.expected.restore) << row.name;
    EXPECT_EQ(got.users_own, row.expected.users_own) << row.name;
  }
}

TEST(DocumentTrust, TheGuardHearsWhoAskedForANavigation) {
  const auto now = PageClock::now();
  DocumentTrust trust;
  trust.Committed(kHome);
  std::optional<TopLoadVerdict> unused;
  // The program's request, as WebKit hands it back (escaped, scheme in lower
  // case), is the program's once; a redirect to it never is.
  trust.ProgramNavigates("FILE:///home/u/my page.html", now);
  EXPECT_FALSE(trust.Navigation({"file:///home/u/my%20page.html", false, true}).program);
  EXPECT_TRUE(trust.Navigation({"file:///home/u/my%20page.html", false, false}).program);
  EXPECT_FALSE(trust.Navigation({"file:///home/u/my%20page.html", false, false}).program);

  // A refresh named this link: a refresh, not a click, whoever follows it.
  trust.RefreshNamed("launch:/usr/bin/ed");
  using Kind = NavigationFacts::Kind;
  EXPECT_TRUE(trust.Navigation({"LAUNCH:/usr/bin/%65d", false, false, Kind::Other}).client_pull);
  EXPECT_FALSE(trust.Navigation({"launch:/usr/bin/ed", true, false, Kind::LinkClicked}).client_pull);
  EXPECT_TRUE(trust.Navigation({"launch:/usr/bin/ed"}).only_local_documents);

  // A document from elsewhere: the page is of mixed trust until the next commit.
  EXPECT_TRUE(trust.FrameResponse(kWeb, false, unused));
  EXPECT_FALSE(trust.Navigation({"launch:/usr/bin/ed"}).only_local_documents);
  trust.Committed(kHome);
  EXPECT_TRUE(trust.Navigation({"launch:/usr/bin/ed"}).only_local_documents);
  EXPECT_FALSE(trust.Navigation({"launch:/usr/bin/ed"}).client_pull) << "a new document's refreshes start afresh";
  EXPECT_TRUE(trust.Navigation({"launch:/usr/bin/ed"}).local_schemes_checked);
}

TEST(DocumentTrust, CallsLinkRequestsAndTheBrowserAreBounded) {
  DocumentTrust trust;
  EXPECT_FALSE(trust.MainDocumentLocal(kHome)) << "nothing committed yet";
  trust.Committed(kHome);
  EXPECT_TRUE(trust.MainDocumentLocal(kHome));
  EXPECT_FALSE(trust.MainDocumentLocal(kWeb)) << "the view's address moved on";

  EXPECT_EQ(trust.LinkAsked("https://x/", "https://x"), std::nullopt);
  EXPECT_EQ(trust.LinkAsked("folder:/tmp", "")->foreign_asker, "a page from elsewhere");
  EXPECT_EQ(trust.LinkAsked("launch:ed", std::string(500, 'a'))->foreign_asker.size(), DocumentTrust::kMaxAskerLength);

  // One input opens the user's browser once.
  EXPECT_TRUE(trust.TakeBrowserOpening());
  EXPECT_FALSE(trust.TakeBrowserOpening());
  trust.Input();
  EXPECT_TRUE(trust.TakeBrowserOpening());

  // Only the last eight followed links are kept.
  std::optional<TopLoadVerdict> verdict;
  trust.FrameResponse(kWeb, false, verdict);
  for (int i = 0; i <= 8; ++i) trust.TopDocumentFollowed("https://x/" + std::to_string(i), false);
  trust.TopLoadStarted(PageClock::now(), kHome);
  EXPECT_FALSE(trust.FrameResponse("https://x/0", true, verdict));
  trust.TopLoadStarted(PageClock::now(), kHome);
  EXPECT_TRUE(trust.FrameResponse("https://x/8", true, verdict));
}

TEST(DocumentTrust, AddressesCompareAsWebKitSpellsThem) {
  const std::pair<const char*, const char*> rows[] = {
      {"FILE:///a%20b", "file:///a b"},   {"Launch:x%2Fy", "launch:x/y"}, {"file:///a%2", "file:///a%2"},
      {"file:///a%zz/%41", "file:///a%zz/%41"}, {"file:///a%00b", "file:///a%00b"}, {"no scheme", "no scheme"},
  };
  for (const auto& [uri, comparable] : rows) EXPECT_EQ(ComparableAddress(uri), comparable) << uri;
  EXPECT_EQ(WithoutQuery("https://x/a?b#c"), "https://x/a");
  EXPECT_TRUE(IsLocalDocument("FILE:///x"));
  EXPECT_FALSE(IsLocalDocument("about:blank"));
}

}  // namespace
}  // namespace vantile
