#include "shell/live_page.h"

#include <gtest/gtest.h>

#include "temp_dir.h"

namespace vantile {
namespace {

using namespace std::chrono_literals;
using testing::TempDir;
using testing::WriteFile;

TEST(LocalPathFromFileUri, OnlyLocalFilesWithEscapesDecoded) {
  const struct {
    const char* uri;
    const char* path;
  } cases[] = {
      {"file:///home/ann/desk/index.html", "/home/ann/desk/index.html"},
      {"FILE://localhost/home/ann/My%20Desk/a%23b.html?x=1#top", "/home/ann/My Desk/a#b.html"},
      {"file:/srv/page.html", "/srv/page.html"},
      {"file:///bad%zzescape", "/bad%zzescape"},
      {"file:///cut%00here", ""},
      {"file://server/share/page.html", ""},
      {"http://example.org/index.html", ""},
      {"about:blank", ""},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(LocalPathFromFileUri(c.uri), c.path) << c.uri;
}

TEST(LivePage, ThePageAndWhatItDrawsOnInItsFolderConcernIt) {
  LivePage live;
  EXPECT_EQ(live.Watch("file:///home/ann/desk/.index.html#top"), "/home/ann/desk");
  const auto now = LivePage::Clock::now();
  const struct {
    const char* path;
    bool concerns;
  } cases[] = {
      {"/home/ann/desk/.index.html", true},  // the page itself, even hidden
      {"/home/ann/desk/style.css", true},
      {"/home/ann/desk/Photo.JPEG", true},
      {"/home/ann/desk/notes.txt", false},
      {"/home/ann/desk/launch.log", false},
      {"/home/ann/desk/icons", false},
      {"/home/ann/desk/.style.css.swp", false},
      {"/home/ann/desk/style.css~", false},
      {"/home/ann/desk/#style.css#", false},
      {"/home/ann/desk/sub/style.css", false},
      {"/home/ann/other/index.html", false},
  };
  for (const auto& c : cases) EXPECT_EQ(live.Changed(c.path, now), c.concerns) << c.path;

  live.Watch("http://example.org/");
  EXPECT_EQ(live.folder(), "");
  EXPECT_FALSE(live.Changed("/home/ann/desk/style.css", now));
}

TEST(LivePage, ReloadsOnceWhenTheWritesHaveSettledAndNotWhileAPageLoads) {
  LivePage live;
  live.Watch("file:///desk/index.html");
  const auto t0 = LivePage::Clock::now();
  EXPECT_FALSE(live.Remaining(t0));
  live.Changed("/desk/index.html", t0);
  live.Changed("/desk/index.html", t0 + 200ms);  // a second write restarts the wait
  EXPECT_EQ(live.Remaining(t0 + 300ms), 200ms);
  EXPECT_FALSE(live.TakeDue(t0 + 400ms, false));
  EXPECT_FALSE(live.TakeDue(t0 + 500ms, true));  // loading: wait another settle time
  EXPECT_FALSE(live.TakeDue(t0 + 700ms, false));
  EXPECT_TRUE(live.TakeDue(t0 + 800ms, false));
  EXPECT_FALSE(live.TakeDue(t0 + 900ms, false));
  EXPECT_FALSE(live.Remaining(t0 + 900ms));

  // Another page in the same folder keeps what waits; another folder drops it.
  live.Changed("/desk/index.html", t0);
  live.Watch("file:///desk/other.html");
  EXPECT_TRUE(live.Remaining(t0));
  live.Watch("file:///elsewhere/index.html");
  EXPECT_FALSE(live.Remaining(t0));
}

TEST(LivePageEnabled, OnUnlessTheSettingIsZero) {
  const struct {
    const char* line;
    bool enabled;
  } cases[] = {{"", true}, {"\"LiveReload\"=dword:00000000", false}, {"\"LiveReload\"=dword:ffffffff", true},
               {"\"LiveReload\"=\"0\"", true}};
  for (const auto& c : cases) {
    TempDir dir;
    RegistryStore store({dir / "settings", dir / "autostart"});
    WriteFile(store.HiveFile(HKEY_CURRENT_USER),
              std::string("Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Quorel\\Vantile]\n") +
                  c.line + "\n");
    EXPECT_EQ(LivePageEnabled(store), c.enabled) << c.line;
  }
}

}  // namespace
}  // namespace vantile
