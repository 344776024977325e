// Load Page, the address rules, the page history with Back, Forward and
// Home, Set As Home Page and the About box, over the fakes.
#include "shell/file_uri.h"
#include "shell/page_loading.h"
#include "tests/shell/navigation_fixture.h"

namespace vantile {
namespace {

using Calls = std::vector<std::string>;

TEST_F(FrmMainTest, FormatAddressFollowsTheKeywordAndFileRules) {
  const std::string page = (root_ / "home.htm").string();
  const std::string empty = (root_ / "empty.htm").string();
  std::ofstream(page) << "x";
  std::ofstream{empty};
  for (const char* folder : {"sub", "www.me.org"}) std::filesystem::create_directory(root_ / folder);
  for (const char* name : {"www.me.org/index.html", "a\\b.html", "sub/c.html"}) std::ofstream(root_ / name) << "x";
  const struct {
    std::string addr, result;
  } cases[] = {
      {page, "file://" + page},
      {empty, ""},                                     // an empty file counts as missing
      {(root_ / "missing.htm").string(), ""},
      {root_.string(), ""},                            // a folder has no length
      {"file://" + page, ""},                          // an address is no file name
      {"", ""},
      {"www.example.com", "http://www.example.com"},
      {"WwW.Example.com/A", "http://WwW.Example.com/A"},
      {"https://www.example.com/x", "https://www.example.com/x"},  // never downgraded
      {"HTTPS://u@Example.com/", "HTTPS://u@Example.com/"},
      {"ftp://www.example.com/x", ""},                             // "www." only without a scheme
      {"/home/u/www.site/page.html", "http://www.site/page.html"},  // no such file
      {(root_ / "www.me.org/index.html").string(), "file://" + (root_ / "www.me.org/index.html").string()},
      {(root_ / "a\\b.html").string(), "file://" + (root_ / "a\\b.html").string()},
      {root_.string() + "\\sub\\c.html", "file://" + (root_ / "sub/c.html").string()},
      {"HTTP://Example.com/Page", "HTTP://Example.com/Page"},
      {"see http://a.b/c", "http://a.b/c"},
      {"https://example.com/", "https://example.com/"},
      {"\\\\www.host\\a\\b.html", "http://www.host/a/b.html"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatAddress(c.addr), c.result) << c.addr;
  EXPECT_TRUE(FileExists(page));
  EXPECT_FALSE(FileExists(empty));
}

TEST_F(NavigationTest, LoadPageAsksTheChooserNavigatesWaitsAndRecordsThePage) {
  const std::string home = Page("home.html");
  const std::string second = Page("second page#2.html");
  StartAt(home);
  fakes.browser.passes_per_load = 1;
  fakes.chooser.Choose(second);
  Form().Form_KeyUp('O', 2);

  EXPECT_EQ(fakes.journal.Calls(), (Calls{
                                       "desktop.WindowHandle",
                                       "chooser.Run(Load Web Page)",
                                       "desktop.SetBusyCursor(true)",
                                       "browser.Navigate(" + FileUriFromPath(second) + ")",
                                       "browser.ReadyState(1)",
                                       "pump.DoEvents",
                                       "browser.ReadyState(4)",
                                       "desktop.SetBusyCursor(false)",
                                       "menu.SetItemEnabled(4,false)",
                                       "menu.SetItemEnabled(3,true)",
                                       "menu.SetItemEnabled(6,true)",
                                       "menu.SetItemEnabled(8,true)",
                                   }));
  const FileChooser::Request& request = fakes.chooser.requests.at(0);
  EXPECT_EQ(request.mode, FileChooser::Mode::Open);
  EXPECT_EQ(request.owner, reinterpret_cast<OwnerWindow>(1)) << "modal to the main window";
  EXPECT_EQ(request.filters, (std::vector<FileFilter>{{"Web Pages", "*.htm;*.html;*.asp;*.php?"}}));
  EXPECT_EQ(request.flags, 0x800100u);
  EXPECT_EQ(S().CurrentAddress, Address(second));
  EXPECT_EQ(S().History, (Calls{home, Address(second)}));
  EXPECT_EQ(S().HistoryIndex, 1);
  EXPECT_EQ(S().HistoryTop, 1);
}

TEST_F(NavigationTest, CancelOrANameThatIsNoPageLoadsNothing) {
  const std::string home = Page("home.html");
  StartAt(home);
  fakes.chooser.answer.reset();
  Form().ProcessMenuClick(1);
  EXPECT_EQ(fakes.journal.Calls(), (Calls{"desktop.WindowHandle", "chooser.Run(Load Web Page)"}));
  for (const std::string& name : {(root_ / "missing.html").string(), "file://" + home}) {
    fakes.journal.Clear();
    Load(name);
    EXPECT_EQ(fakes.journal.Calls(),
              (Calls{"desktop.WindowHandle", "chooser.Run(Load Web Page)",
                     "dialogs.ShowMessage(That file doesn't appear to exist.|Load Page Canceled|0x40)"}))
        << name;
  }
  EXPECT_EQ(S().History, Calls{home});
  EXPECT_EQ(S().CurrentAddress, home);
}

TEST_F(NavigationTest, LoadingTheCurrentPageRefreshesItAndKeepsHistoryAndMenu) {
  const std::string page = Page("a.html");
  StartAt(Page("home.html"));
  Load(page);
  fakes.journal.Clear();
  Load(page);
  EXPECT_EQ(fakes.journal.Calls(), (Calls{"desktop.WindowHandle", "chooser.Run(Load Web Page)",
                                          "desktop.SetBusyCursor(true)", "browser.Refresh2",
                                          "browser.ReadyState(4)", "desktop.SetBusyCursor(false)"}));
  EXPECT_EQ(S().HistoryTop, 1);
}

TEST_F(NavigationTest, LoadingTheNextPageOfTheHistoryKeepsItWhole) {
  const std::string s = Page("s.html"), a = Page("a.html"), b = Page("b.html"), c = Page("c.html");
  StartAt(s);
  for (const auto& page : {a, b, c}) Load(page);
  Form().Form_KeyUp('B', 2);
  Form().Form_KeyUp('B', 2);
  EXPECT_EQ(S().CurrentAddress, Address(a));
  EXPECT_EQ(S().HistoryIndex, 1);
  EXPECT_TRUE(fakes.menu.enabled.at(4));

  Load(b);
  EXPECT_EQ(S().History, (Calls{s, Address(a), Address(b), Address(c)}));
  EXPECT_EQ(S().HistoryIndex, 2);
  EXPECT_EQ(S().HistoryTop, 3);
  EXPECT_TRUE(fakes.menu.enabled.at(4)) << "Go Forward stays";
  EXPECT_TRUE(fakes.menu.enabled.at(3));
}

TEST_F(NavigationTest, LoadingAnotherPageCutsTheHistoryThere) {
  const std::string s = Page("s.html"), a = Page("a.html"), b = Page("b.html"), c = Page("c.html");
  const std::string d = Page("d.html");
  StartAt(s);
  for (const auto& page : {a, b, c}) Load(page);
  Form().ProcessMenuClick(3);
  Form().ProcessMenuClick(3);
  Load(d);
  EXPECT_EQ(S().History, (Calls{s, Address(a), Address(d)}));
  EXPECT_EQ(S().HistoryIndex, 2);
  EXPECT_EQ(S().HistoryTop, 2);
  EXPECT_FALSE(fakes.menu.enabled.at(4));
}

TEST_F(NavigationTest, BackAndForwardWalkTheHistoryAndSwitchTheItems) {
  const std::string s = Page("s.html"), a = Page("a.html");
  StartAt(s);
  Load(a);
  fakes.journal.Clear();
  Form().ProcessMenuClick(3);
  EXPECT_EQ(fakes.journal.Calls(), (Calls{"desktop.SetBusyCursor(true)", "browser.GoBack",
                                          "browser.ReadyState(4)", "menu.SetItemEnabled(3,false)",
                                          "menu.SetItemEnabled(4,true)", "menu.SetItemEnabled(6,false)",
                                          "menu.SetItemEnabled(8,false)", "desktop.SetBusyCursor(false)"}));
  EXPECT_EQ(S().CurrentAddress, s);

  fakes.journal.Clear();
  Form().Form_KeyUp('F', 2);
  EXPECT_EQ(fakes.journal.Calls(), (Calls{"desktop.SetBusyCursor(true)", "browser.GoForward",
                                          "browser.ReadyState(4)", "menu.SetItemEnabled(4,false)",
                                          "menu.SetItemEnabled(3,true)", "menu.SetItemEnabled(6,true)",
                                          "menu.SetItemEnabled(8,true)", "desktop.SetBusyCursor(false)"}));
  EXPECT_EQ(S().CurrentAddress, Address(a));
}

TEST_F(NavigationTest, BackAtTheStartOfTheHistoryLeavesTheIndexBelowZeroUntilTheNextLoad) {
  const std::string s = Page("s.html"), a = Page("a.html");
  StartAt(s);
  // A link inside the start page gave the browser a page behind it.
  fakes.journal.Clear();
  Form().ProcessMenuClick(3);
  EXPECT_EQ(fakes.journal.Calls(), (Calls{"desktop.SetBusyCursor(true)", "browser.GoBack", "browser.ReadyState(4)",
                                          "menu.SetItemEnabled(6,false)", "menu.SetItemEnabled(8,false)",
                                          "desktop.SetBusyCursor(false)"}));
  EXPECT_EQ(S().HistoryIndex, -1);
  EXPECT_EQ(S().CurrentAddress, s);
  Form().ProcessMenuClick(3);
  EXPECT_EQ(S().HistoryIndex, -2);

  // The next recorded page starts the history again.
  Load(a);
  EXPECT_EQ(S().History, Calls{Address(a)});
  EXPECT_EQ(S().HistoryIndex, 0);
  EXPECT_EQ(S().HistoryTop, 0);
  EXPECT_FALSE(fakes.menu.enabled.at(3));
  EXPECT_FALSE(fakes.menu.enabled.at(4));
}

TEST_F(NavigationTest, ABrowserWithNowhereToGoLeavesEverythingButThePointer) {
  StartAt(Page("s.html"));
  fakes.browser.go_back_result = fakes.browser.go_forward_result = false;
  Form().Form_KeyUp('B', 2);
  Form().Form_KeyUp('F', 2);
  EXPECT_EQ(fakes.journal.Calls(),
            (Calls{"desktop.SetBusyCursor(true)", "browser.GoBack", "desktop.SetBusyCursor(false)",
                   "desktop.SetBusyCursor(true)", "browser.GoForward", "desktop.SetBusyCursor(false)"}));
  EXPECT_EQ(S().HistoryIndex, 0);

  // Forward past the end of the history moves the index only.
  fakes.browser.go_forward_result = true;
  Form().Form_KeyUp('F', 2);
  EXPECT_EQ(S().HistoryIndex, 1);
  EXPECT_EQ(S().CurrentAddress, S().History.at(0));
}

TEST_F(NavigationTest, HomeNavigatesToTheStoredHomePageAndRecordsIt) {
  const std::string home = Page("home.html");
  StartAt(home);
  Load(Page("a.html"));
  fakes.journal.Clear();
  Form().Form_KeyUp('H', 2);
  EXPECT_EQ(fakes.journal.Calls(), (Calls{"desktop.SetBusyCursor(true)",
                                          "browser.Navigate(" + FileUriFromPath(home) + ")",
                                          "browser.ReadyState(4)", "desktop.SetBusyCursor(false)",
                                          "menu.SetItemEnabled(4,false)", "menu.SetItemEnabled(3,true)",
                                          "menu.SetItemEnabled(6,false)", "menu.SetItemEnabled(8,false)"}));
  EXPECT_EQ(S().History, (Calls{home, Address((root_ / "a.html").string()), home}));

  // Without a home page there is nowhere to go.
  StartAt("");
  Form().ProcessMenuClick(6);
  EXPECT_TRUE(fakes.journal.Empty()) << ::testing::PrintToString(fakes.journal.Calls());
}

TEST_F(NavigationTest, SetAsHomePageWaitsForTheActivateStepButF4DoesNot) {
  const std::string a = Page("a.html");
  StartAt(Page("home.html"));
  Load(a);
  // Both keys pressed while the activate step waits for the page.
  fakes.browser.passes_per_load = 2;
  fakes.pump.on_pass = [this] {
    fakes.browser.AdvanceLoad();
    if (fakes.pump.passes == 10002) Form().Form_KeyUp('S', 2);
  };
  Form().Form_Activate();
  EXPECT_NE(S().HomePage, Address(a)) << "Ctrl+S does nothing while busy";

  fakes.pump.on_pass = [this] {
    fakes.browser.AdvanceLoad();
    if (fakes.pump.passes == 10004) {
      fakes.journal.Clear();
      Form().Form_KeyUp(0x73, 0);
      EXPECT_TRUE(fakes.journal.Empty()) << "F4 leaves the menu as it is";
    }
  };
  Form().Form_Activate();
  EXPECT_EQ(S().HomePage, Address(a));

  Form().Form_KeyUp('B', 2);
  fakes.journal.Clear();
  Form().Form_KeyUp('S', 2);
  EXPECT_EQ(S().HomePage, S().History.at(0));
  EXPECT_EQ(fakes.journal.Calls(), (Calls{"menu.SetItemEnabled(6,false)", "menu.SetItemEnabled(8,false)"}));
}

TEST_F(NavigationTest, AfterALinkTheCommandsActOnThePageOnScreen) {
  const std::string s = Page("s.html"), a = Page("a.html"), b = Page("b.html");
  StartAt(s);
  Load(a);
  fakes.browser.Visit(FileUriFromPath(b));  // a link inside A
  Form().Form_KeyUp(0x73, 0);               // F4
  EXPECT_EQ(S().HomePage, Address(b));
  Form().Form_KeyUp('B', 2);
  EXPECT_EQ(S().CurrentAddress, Address(a)) << "Back shows A, not S";
  EXPECT_EQ(S().HistoryIndex, 0);
  fakes.journal.Clear();
  Form().Form_KeyUp('E', 2);
  EXPECT_EQ(fakes.journal.Calls().back(), "shell.OpenInTextEditor(" + a + ")");
  fakes.browser.Visit(FileUriFromPath(b));
  Form().Form_QueryUnload();
  EXPECT_EQ(S().CurrentAddress, Address(b)) << "stored as LastPage: the page on screen";
}

TEST_F(NavigationTest, AWaitForAPageThatNeverFinishesEndsAfterItsLimit) {
  StartAt(Page("s.html"));
  fakes.browser.passes_per_load = 1000000;
  fakes.pump.pass_time = std::chrono::seconds(1);
  const int before = fakes.pump.passes;
  Load(Page("slow.html"));
  EXPECT_EQ(fakes.pump.passes - before, kLoadWaitLimit.count());
  Form().Form_Activate();
  EXPECT_FALSE(S().IsBusy);
  EXPECT_EQ(S().CurrentAddress, Address((root_ / "slow.html").string())) << "recorded as after a failed load";
}

TEST_F(NavigationTest, ClosingTheAboutBoxRunsTheActivateStep) {
  const std::string home = Page("home.html");
  StartAt(home);
  Load(Page("a.html"));
  fakes.journal.Clear();
  Form().ProcessMenuClick(15);
  const Calls calls = fakes.journal.Calls();
  ASSERT_GE(calls.size(), 3u);
  EXPECT_EQ(calls[0], "dialogs.ShowAbout(" + FileUriFromPath((program_folder_ / "help/index.html").string()) + ")");
  EXPECT_EQ(calls[1], "desktop.SetBusyCursor(true)");
  EXPECT_EQ(calls[2], "browser.Navigate(" + FileUriFromPath((root_ / "a.html").string()) + ")");
  EXPECT_FALSE(fakes.menu.enabled.at(3)) << "the activate step greys Go Back";

  // The program closed while the box was open: no activate step after it.
  fakes.desktop.on_close = [this] { Form().Form_QueryUnload(); };
  fakes.dialogs.on_show_about = [this] { Form().Form_KeyUp('Q', 2); };
  fakes.journal.Clear();
  Form().ProcessMenuClick(15);
  const Calls after = fakes.journal.Calls();
  EXPECT_EQ(std::count(after.begin(), after.end(), "desktop.SetBusyCursor(true)"), 0);
}

TEST_F(FrmMainTest, FileAddressesGiveTheirLocalPathAndReachTheBrowserEncoded) {
  const std::string odd = (root_ / "x #1?.html").string();
  const std::string literal = (root_ / "a%20b.html").string();
  std::ofstream{odd} << "x";
  std::ofstream{literal} << "x";
  const struct {
    std::string address;
    std::optional<std::string> path;
  } paths[] = {
      {"file:///home/u/My%20Page.html", "/home/u/My Page.html"},
      {"FILE://localhost/tmp/a.html", "/tmp/a.html"},
      {"file:/tmp/a.html", "/tmp/a.html"},
      {"file:///tmp/100%.html", "/tmp/100%.html"},
      {"file://" + literal, literal},  // a name that holds an escape keeps it
      {"file://server/share/a.html", std::nullopt},
      {"http://host/a.html", std::nullopt},
      {"/tmp/a.html", std::nullopt},
  };
  for (const auto& c : paths) EXPECT_EQ(LocalPathOfFileAddress(c.address), c.path) << c.address;

  EXPECT_EQ(BrowserAddress("file://" + odd), FileUriFromPath(odd));
  EXPECT_NE(FileUriFromPath(odd).find("x%20%231%3F.html"), std::string::npos);
  EXPECT_EQ(BrowserAddress("file:///nowhere/a b.html"), "file:///nowhere/a b.html");
  EXPECT_EQ(BrowserAddress("http://host/a b"), "http://host/a b");
  EXPECT_EQ(BrowserAddress(""), "");
}

}  // namespace
}  // namespace vantile
