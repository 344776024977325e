// What the launch confirmation shows: the site, the program, each argument
// and the folder, with nothing that could make one text read as another.
#include "dialogs/launch_consent.h"

#include <gtest/gtest.h>

namespace vantile {
namespace {

using Row = ConsentText::Row;

// The platform's tables in small: the C0 controls, DEL and one direction
// mark are marks, everything else shows as itself.
Glyph SmallLook(char32_t c) { return c < 0x20 || c == 0x7F || c == 0x202E ? Glyph::Mark : Glyph::Itself; }

TEST(LaunchConsent, ShowsTheSiteTheProgramEachArgumentAndTheFolderUnambiguously) {
  const ConsentText launch = DescribeConsent({LaunchConsent::Kind::Launch, "https://x.example", "/usr/bin/xterm",
                                              {"-e", "sh -c 'id'\n", "", "a\u202Etxt.exe", "caf\xC3\xA9\x7F\xFF"},
                                              "/tmp", ""},
                                             SmallLook);
  EXPECT_EQ(launch.heading, "https://x.example wants to start a program");
  EXPECT_EQ(launch.accept_caption, "&Start");
  EXPECT_EQ(launch.rows, (std::vector<Row>{{"Program:", "/usr/bin/xterm"},
                                           {"In folder:", "/tmp"},
                                           {"Arguments (5):", "-e", "2 characters"},
                                           {"", "sh -c 'id'\u240A", "11 characters"},
                                           {"", "\"\"", "0 characters"},
                                           {"", "a<U+202E>txt.exe", "9 characters"},
                                           {"", "caf\xC3\xA9\u2421<0xFF>", "6 characters"}}));
  const ConsentText folder = DescribeConsent({LaunchConsent::Kind::Folder, "https://x.example", "", {}, "", "/srv"}, SmallLook);
  EXPECT_EQ(folder.heading, "https://x.example wants to open a folder");
  EXPECT_EQ(folder.accept_caption, "&Open");
  EXPECT_EQ(folder.rows, (std::vector<Row>{{"Folder:", "/srv"}}));
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
