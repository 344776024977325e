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
                                           {"Arguments (5):", "-e"},
                                           {"", "sh -c 'id'\u240A"},
                                           {"", "\"\""},
                                           {"", "a<U+202E>txt.exe"},
                                           {"", "caf\xC3\xA9\u2421\xFF"}}));
  const ConsentText folder = DescribeConsent({LaunchConsent::Kind::Folder, "https://x.example", "", {}, "", "/srv"});
  EXPECT_EQ(folder.heading, "https://x.example wants to open a folder");
  EXPECT_EQ(folder.accept_caption, "&Open");
  EXPECT_EQ(folder.rows, (std::vector<Row>{{"Folder:", "/srv"}}));
}

}  // namespace
}  // namespace vantile
