// The link guard's decision for each link form, one row per case.
#include "shell/trust/navigation_guard.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <tuple>
#include <vector>

namespace vantile {
namespace {

using Action = GuardDecision::Action;

struct GuardCase {
  const char* name;
  std::string url;
  std::vector<std::string> programs;
  Action action;
  bool cancel;
  std::string program = {};
  std::string parameters = {};
  std::string directory = {};
  std::string folder = {};
};

// Failures name the address rather than dumping the row's bytes.
void PrintTo(const GuardCase& c, std::ostream* os) { *os << '"' << c.url << '"'; }

const std::vector<std::string> kEdit = {"C:\\Tools\\edit.exe"};
const std::vector<std::string> kEd = {"/usr/bin/ed"};

const GuardCase kCases[] = {
    // The worked example: decoded, split, allowed, started, cancelled.
    {"worked_example_starts_the_allowed_program",
     "launch:C:%5CTools%5Cedit.exe?dir=C:%5CDocs&param=notes+today.txt", kEdit, Action::Launch,
     true, "C:\\Tools\\edit.exe", "notes today.txt", "C:\\Docs"},
    {"worked_example_with_empty_allow_list_starts_nothing",
     "launch:C:%5CTools%5Cedit.exe?dir=C:%5CDocs&param=notes+today.txt", {}, Action::None, true},
    {"allow_list_compares_case_sensitively",
     "launch:C:%5CTools%5Cedit.exe", {"c:\\tools\\edit.exe"}, Action::None, true},
    {"allow_list_compares_without_path_normalisation", "launch:/usr/bin/../bin/ed", kEd,
     Action::None, true},
    {"allow_list_matches_any_entry", "launch:/usr/bin/ed", {"/bin/true", "/usr/bin/ed"},
     Action::Launch, true, "/usr/bin/ed"},

    // Keywords ignore case; the escapes do not.
    {"upper_case_launch_keyword", "LAUNCH:/usr/bin/ed", kEd, Action::Launch, true, "/usr/bin/ed"},
    {"mixed_case_keys", "LaUnCh:/usr/bin/ed?DiR=/tmp&PaRaM=x", kEd, Action::Launch, true,
     "/usr/bin/ed", "x", "/tmp"},
    {"lower_case_5c_stays_undecoded_in_launch_links", "launch:C:%5cTools%5Cedit.exe",
     {"C:%5cTools\\edit.exe"}, Action::Launch, true, "C:%5cTools\\edit.exe"},
    {"percent_20_becomes_space", "launch:/opt/My%20App/run", {"/opt/My App/run"}, Action::Launch,
     true, "/opt/My App/run"},
    {"other_escapes_stay_as_written", "launch:/opt/a%2Fb", {"/opt/a%2Fb"}, Action::Launch, true,
     "/opt/a%2Fb"},

    // "+" is a space everywhere in a launch link, program path included.
    {"plus_is_a_space_in_program_and_parameters", "launch:/opt/my+app/run?param=a+b",
     {"/opt/my app/run"}, Action::Launch, true, "/opt/my app/run", "a b"},
    {"plus_in_program_does_not_match_a_plus_entry", "launch:/opt/c++/run", {"/opt/c++/run"},
     Action::None, true},

    // The query: keys in either order, first occurrence, values end at "&".
    {"param_before_dir_gives_the_same_split", "launch:/usr/bin/ed?param=x.txt&dir=/tmp", kEd,
     Action::Launch, true, "/usr/bin/ed", "x.txt", "/tmp"},
    {"only_param_means_no_working_directory", "launch:/usr/bin/ed?param=notes", kEd,
     Action::Launch, true, "/usr/bin/ed", "notes", ""},
    {"only_dir_means_no_parameters", "launch:/usr/bin/ed?dir=/home", kEd, Action::Launch, true,
     "/usr/bin/ed", "", "/home"},
    {"query_without_keys", "launch:/usr/bin/ed?verbose", kEd, Action::Launch, true,
     "/usr/bin/ed"},
    {"first_dir_counts", "launch:/usr/bin/ed?dir=/a&dir=/b", kEd, Action::Launch, true,
     "/usr/bin/ed", "", "/a"},
    {"value_ends_at_next_ampersand", "launch:/usr/bin/ed?dir=/a&b&param=c", kEd, Action::Launch,
     true, "/usr/bin/ed", "c", "/a"},
    {"keys_before_the_question_mark_are_part_of_the_program", "launch:/x/dir=y/ed?param=1",
     {"/x/dir=y/ed"}, Action::Launch, true, "/x/dir=y/ed", "1", ""},
    {"param_value_may_hold_a_question_mark", "launch:/usr/bin/ed?param=a?b", kEd, Action::Launch,
     true, "/usr/bin/ed", "a?b"},

    // The forms are schemes: the same text inside another address is just text.
    {"launch_in_a_query_is_an_ordinary_address", "http://example.com/?x=launch:/usr/bin/ed", kEd,
     Action::None, false},
    {"folder_naming_launch_opens_that_folder", "folder:/tmp?launch:/usr/bin/ed", kEd, Action::OpenFolder, true,
     "", "", "", "/tmp?launch:/usr/bin/ed"},
    {"bare_launch_keyword_starts_nothing", "launch:", kEd, Action::None, true},

    // Folder links: no allow-list, "+" kept, %5C decoded, %5c kept.
    {"folder_link_opens_any_folder", "folder:/home/user/Documents", {}, Action::OpenFolder, true,
     "", "", "", "/home/user/Documents"},
    {"upper_case_folder_keyword", "FOLDER:/srv", {}, Action::OpenFolder, true, "", "", "", "/srv"},
    {"folder_link_keeps_plus_and_decodes_space_and_backslash", "folder:/a+b%20c%5Cd%5ce", {},
     Action::OpenFolder, true, "", "", "", "/a+b c\\d%5ce"},
    {"folder_after_other_text_is_an_ordinary_address", "file:///x/folder:C:%5CDocs", {}, Action::None, false},

    // WebKit's escapes of non-ASCII characters are undone first, so an entry
    // holding "é" matches; ASCII escapes and broken UTF-8 stay as written.
    {"escaped_utf8_matches_the_entry_as_written", "launch:/home/jos%C3%A9/bin/tool?param=%E2%82%AC",
     {"/home/josé/bin/tool"}, Action::Launch, true, "/home/josé/bin/tool", "€"},
    {"escaped_utf8_in_a_folder_link", "folder:/home/jos%c3%a9/Docs%20old", {}, Action::OpenFolder, true,
     "", "", "", "/home/josé/Docs old"},
    {"latin1_escape_is_not_utf8_and_stays", "launch:/opt/caf%E9", {"/opt/caf%E9"}, Action::Launch, true,
     "/opt/caf%E9"},

    // Everything else goes on.
    {"web_address_passes", "http://example.com/index.html", kEd, Action::None, false},
    {"file_address_passes", "file:///home/user/desk.html", kEd, Action::None, false},
    {"short_address_passes", "abc", kEd, Action::None, false},
    {"empty_address_passes", "", kEd, Action::None, false},
};

class GuardTable : public ::testing::TestWithParam<GuardCase> {};

TEST_P(GuardTable, Decides) {
  const GuardCase& c = GetParam();
  GuardDecision d = DecideNavigation(c.url, c.programs, static_cast<std::int32_t>(c.programs.size()));
  EXPECT_EQ(d.action, c.action);
  EXPECT_EQ(d.cancel, c.cancel);
  EXPECT_EQ(d.program, c.program);
  EXPECT_EQ(d.parameters, c.parameters);
  EXPECT_EQ(d.directory, c.directory);
  EXPECT_EQ(d.folder, c.folder);
}

INSTANTIATE_TEST_SUITE_P(LinkForms, GuardTable, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<GuardCase>& info) {
                           return std::string(info.param.name);
                         });

TEST(NavigationGuard, OnlyTheFirstProgramCountEntriesAreAllowed) {
  std::vector<std::string> programs = {"/bin/true", "/usr/bin/ed"};
  EXPECT_EQ(DecideNavigation("launch:/usr/bin/ed", programs, 1).action, Action::None);
  EXPECT_EQ(DecideNavigation("launch:/usr/bin/ed", programs, 2).action, Action::Launch);
  // A count larger than the list never reads past it.
  EXPECT_EQ(DecideNavigation("launch:/usr/bin/ed", programs, 50).action, Action::Launch);
  EXPECT_EQ(DecideNavigation("launch:/usr/bin/ed", programs, -1).action, Action::None);
}

TEST(NavigationGuard, OnlyOrdinaryAddressesOfFourOrMoreCharactersLogFinished) {
  std::vector<std::string> finished = {"BeforeNavigate:Finished"};
  EXPECT_EQ(DecideNavigation("http://a.b/", {}, 0).log_lines, finished);
  EXPECT_EQ(DecideNavigation("abcd", {}, 0).log_lines, finished);
  EXPECT_TRUE(DecideNavigation("abc", {}, 0).log_lines.empty());
  EXPECT_TRUE(DecideNavigation("launch:/usr/bin/ed", kEd, 1).log_lines.empty());
  EXPECT_TRUE(DecideNavigation("launch:/bin/sh", {}, 0).log_lines.empty());
  EXPECT_TRUE(DecideNavigation("folder:/tmp", {}, 0).log_lines.empty());
  EXPECT_EQ(GuardStartLine("folder:/tmp"), "BeforeNavigate:Start - folder:/tmp");
}

TEST(DecodeUtf8Escapes, DecodesOnlyWholeValidUtf8Characters) {
  EXPECT_EQ(DecodeUtf8Escapes("a%F0%9F%98%80b"), "a\xF0\x9F\x98\x80" "b");
  EXPECT_EQ(DecodeUtf8Escapes("%41%2F%25%20"), "%41%2F%25%20") << "ASCII escapes are the page's own";
  EXPECT_EQ(DecodeUtf8Escapes("%C0%AF"), "%C0%AF") << "overlong";
  EXPECT_EQ(DecodeUtf8Escapes("%ED%A0%80"), "%ED%A0%80") << "surrogate";
  EXPECT_EQ(DecodeUtf8Escapes("%E2%82"), "%E2%82") << "cut short";
  EXPECT_EQ(DecodeUtf8Escapes("%C3%A9%C3"), "\xC3\xA9%C3");
  EXPECT_EQ(DecodeUtf8Escapes("%C3%A"), "%C3%A");
}

// Who may trigger a link: one row per kind of asker.
enum class Outcome { Acts, Asks, Refused };
struct SourceCase {
  const char* name;
  std::string url;
  NavigationSource source;
  Outcome outcome;
};

void PrintTo(const SourceCase& c, std::ostream* os) { *os << c.name; }

NavigationSource Source(void (*set)(NavigationSource&)) {
  NavigationSource source;
  set(source);
  return source;
}

const SourceCase kSources[] = {
    {"the_program_itself", "launch:/usr/bin/ed", NavigationSource::Program(), Outcome::Acts},
    {"script_of_a_page_of_only_local_documents", "launch:/usr/bin/ed",
     Source([](NavigationSource& s) { s.only_local_documents = true; }), Outcome::Acts},
    {"a_link_scheme_only_a_local_document_can_ask_for", "launch:/usr/bin/ed",
     Source([](NavigationSource& s) { s.local_schemes_checked = true; }), Outcome::Acts},
    {"a_folder_scheme_only_a_local_document_can_ask_for", "FOLDER:/tmp",
     Source([](NavigationSource& s) { s.local_schemes_checked = true; }), Outcome::Acts},
    {"a_link_followed_in_a_document_from_elsewhere", "launch:/usr/bin/ed",
     Source([](NavigationSource& s) { s.foreign_asker = "https://x.example"; }), Outcome::Asks},
    {"a_folder_followed_in_a_document_from_elsewhere", "folder:/tmp",
     Source([](NavigationSource& s) { s.foreign_asker = "https://x.example"; }), Outcome::Asks},
    {"nobody_known_asked", "launch:/usr/bin/ed", NavigationSource{}, Outcome::Refused},
    {"a_server_redirect_even_from_the_users_own_page", "launch:/usr/bin/ed",
     Source([](NavigationSource& s) { s.redirect = s.only_local_documents = true; }), Outcome::Refused},
    {"a_page_refresh_even_in_the_users_own_page", "folder:/tmp",
     Source([](NavigationSource& s) { s.client_pull = s.only_local_documents = true; }), Outcome::Refused},
};

class SourceTable : public ::testing::TestWithParam<SourceCase> {};

TEST_P(SourceTable, DecidesWhoMayTriggerALinkAndWhoOnlyAsks) {
  const SourceCase& c = GetParam();
  GuardDecision d = DecideNavigation(c.url, kEd, 1, c.source);
  EXPECT_TRUE(d.cancel);
  EXPECT_EQ(d.action != Action::None, c.outcome != Outcome::Refused);
  EXPECT_EQ(d.needs_consent, c.outcome == Outcome::Asks);
  EXPECT_EQ(d.asker, c.outcome == Outcome::Asks ? c.source.foreign_asker : "");
  if (c.outcome == Outcome::Refused) {
    ASSERT_EQ(d.log_lines.size(), 1u);
    EXPECT_EQ(d.log_lines[0].rfind("BeforeNavigate:Refused - ", 0), 0u) << d.log_lines[0];
  }
  // A program off the allow-list is refused before anyone is asked.
  EXPECT_FALSE(DecideNavigation("launch:/bin/sh", kEd, 1, c.source).needs_consent);
}

INSTANTIATE_TEST_SUITE_P(Askers, SourceTable, ::testing::ValuesIn(kSources),
                         [](const ::testing::TestParamInfo<SourceCase>& info) {
                           return std::string(info.param.name);
                         });

TEST(TopLoad, OnlyTheProgramAClickInTheTopDocumentOrTheUsersOwnPageReplacesTheDesktop) {
  const std::tuple<const char*, TopLoadFacts, TopLoad> rows[] = {
      {"https://x/", {.program = true}, TopLoad::Allow}, {"https://x/", {.only_local_documents = true}, TopLoad::Allow},
      {"https://x/", {.top_clicked = true}, TopLoad::Allow}, {"https://x/", {}, TopLoad::Refuse},
      {"HTTP://x/", {.user_gesture = true}, TopLoad::OpenInBrowser}, {"about:blank", {.user_gesture = true}, TopLoad::Refuse},
      {"file:///home/u/page.html", {.user_gesture = true}, TopLoad::Refuse}};
  for (const auto& [url, facts, expected] : rows) EXPECT_EQ(DecideTopLoad(url, facts), expected) << url;
}

TEST(NavigationGuard, OrdinaryAddressesPassWhoeverAsks) {
  GuardDecision d = DecideNavigation("http://example.com/", kEd, 1, NavigationSource{});
  EXPECT_FALSE(d.cancel);
  EXPECT_EQ(d.log_lines, std::vector<std::string>{"BeforeNavigate:Finished"});
}

TEST(NewWindow, WebAddressesGoToTheBrowserAndOnlyTheUsersPageMayReplaceTheDesktop) {
  const NavigationSource untrusted = Source([](NavigationSource& s) { s.local_schemes_checked = true; });
  const NavigationSource local = Source([](NavigationSource& s) { s.only_local_documents = true; });
  EXPECT_EQ(DecideNewWindow("HTTPS://example.com/", untrusted), NewWindowPlace::UserBrowser);
  EXPECT_EQ(DecideNewWindow("file:///home/u/other.html", untrusted), NewWindowPlace::ThisView);
  EXPECT_EQ(DecideNewWindow("file:///home/u/other.html", NavigationSource{}), NewWindowPlace::Nowhere);
  for (const char* url : {"javascript:window.external.openFile('/bin/sh')", "data:text/html,x",
                          "blob:http://x/1", "about:blank"}) {
    EXPECT_EQ(DecideNewWindow(url, untrusted), NewWindowPlace::Nowhere) << url;
    EXPECT_EQ(DecideNewWindow(url, local), NewWindowPlace::ThisView) << url;
  }
  EXPECT_EQ(DecideNewWindow("", local), NewWindowPlace::Nowhere);
}

TEST(RefreshTarget, MatchesTheSameLinkWhateverItsSpellingAndNothingElse) {
  const std::vector<std::string> targets = {"LAUNCH:/opt/my app/run?param=%C3%A9"};
  EXPECT_TRUE(IsRefreshTarget("launch:/opt/my%20app/run?param=%C3%A9", targets));
  EXPECT_FALSE(IsRefreshTarget("launch:/opt/my%20app/run?param=other", targets));
  EXPECT_FALSE(IsRefreshTarget("launch:/opt/my%20app/run", targets)) << "a longer refresh names another link";
  EXPECT_FALSE(IsRefreshTarget("http://x/?launch:/opt/my%20app/run?param=%C3%A9", targets));
  EXPECT_FALSE(IsRefreshTarget("http://x/", {"http://x/"})) << "only links are refused";
}

}  // namespace
}  // namespace vantile
