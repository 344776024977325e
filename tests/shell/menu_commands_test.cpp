// The menu ids and keys, and the commands of their own: demos, Edit Page,
// Help; over the fakes.
#include "shell/file_uri.h"
#include "tests/shell/navigation_fixture.h"

namespace vantile {
namespace {

using Calls = std::vector<std::string>;

// The first platform call a command makes, "" for none.
std::string FirstCall(const test::CallJournal& journal) {
  Calls calls = journal.Calls();
  return calls.empty() ? "" : calls.front();
}

TEST_F(NavigationTest, EveryMenuIdRunsItsCommand) {
  std::filesystem::create_directories(program_folder_ / "Demos" / "Clock");
  std::filesystem::create_directories(program_folder_ / "Demos" / "Alpha");
  const std::string home = Page("home.html");
  StartAt(home);
  Load(Page("a.html"));
  fakes.chooser.answer.reset();
  fakes.desktop.AllowNone().Allow({"WindowHandle", "SetBusyCursor"});  // Close would end the test
  const std::string help = FileUriFromPath((program_folder_ / "help" / "index.html").string());
  const struct {
    int id;
    std::string first_call;
  } cases[] = {
      {0, ""},
      {1, "desktop.WindowHandle"},
      {2, ""},  // the Demos parent
      {3, "desktop.SetBusyCursor(true)"},
      {4, "desktop.SetBusyCursor(true)"},
      {5, "browser.Refresh"},
      {6, "desktop.SetBusyCursor(true)"},
      {7, "shell.FindProgram(notepad.exe)"},
      {8, "menu.SetItemEnabled(6,false)"},
      {14, "shell.OpenInWebBrowser(" + help + ")"},
      {15, "dialogs.ShowAbout(" + help + ")"},
      {99, ""},
      {100, "desktop.SetBusyCursor(true)"},
      {102, ""},  // beyond the two demos
      {-1, ""},
  };
  for (const auto& c : cases) {
    fakes.journal.Clear();
    Form().ProcessMenuClick(c.id);
    EXPECT_EQ(FirstCall(fakes.journal), c.first_call) << "id " << c.id;
  }
  fakes.journal.Clear();
  Form().ProcessMenuClick(5);
  EXPECT_EQ(fakes.journal.Calls(), Calls{"browser.Refresh"}) << "Refresh: nothing else";
  fakes.desktop.AllowAll();
  fakes.journal.Clear();
  Form().ProcessMenuClick(16);
  EXPECT_EQ(fakes.journal.Calls(), Calls{"desktop.Close"});
}

TEST_F(NavigationTest, KeysNeedTheirExactShiftState) {
  StartAt(Page("home.html"));
  Load(Page("a.html"));
  fakes.chooser.answer.reset();
  const std::string help = FileUriFromPath((program_folder_ / "help" / "index.html").string());
  constexpr int kNone = 0, kShift = 1, kCtrl = 2, kAlt = 4;
  const struct {
    int key, shift;
    std::string first_call;
  } cases[] = {
      {'O', kCtrl, "desktop.WindowHandle"},
      {'0', kCtrl, "desktop.WindowHandle"},
      {'O', kNone, ""},
      {'O', kCtrl | kShift, ""},
      {'B', kCtrl, "desktop.SetBusyCursor(true)"},
      {'B', kCtrl | kShift, ""},
      {'B', kCtrl | kAlt, ""},
      {'F', kCtrl, "desktop.SetBusyCursor(true)"},
      {'F', kAlt, ""},
      {'E', kCtrl, "shell.FindProgram(notepad.exe)"},
      {'E', kNone, ""},
      {0x74, kNone, "browser.Refresh"},  // F5
      {0x74, kShift, ""},
      {0x70, kNone, "shell.OpenInWebBrowser(" + help + ")"},  // F1
      {0x70, kCtrl, ""},
      {'H', kCtrl, "desktop.SetBusyCursor(true)"},
      {'H', kNone, ""},
      {'S', kShift, ""},
      {0x73, kCtrl, ""},  // F4
      {'Q', kCtrl | kShift, ""},
      {'X', kCtrl, ""},
  };
  for (const auto& c : cases) {
    fakes.journal.Clear();
    Form().Form_KeyUp(c.key, c.shift);
    EXPECT_EQ(FirstCall(fakes.journal), c.first_call) << "key " << c.key << " shift " << c.shift;
  }
  EXPECT_EQ(S().HomePage, (root_ / "home.html").string()) << "neither S nor F4 with another shift state";
}

TEST_F(NavigationTest, ChoosingADemoLoadsItsPageAndRecordsIt) {
  std::filesystem::create_directories(program_folder_ / "Demos" / "beta");
  std::filesystem::create_directories(program_folder_ / "Demos" / "Alpha");
  StartAt(Page("home.html"));
  fakes.browser.passes_per_load = 1;
  Form().ProcessMenuClick(101);
  const std::string address = "file://" + program_folder_.string() + "/Demos/beta/index.html";
  EXPECT_EQ(fakes.journal.Calls(), (Calls{"desktop.SetBusyCursor(true)", "browser.Navigate(" + address + ")",
                                          "browser.ReadyState(1)", "pump.DoEvents", "browser.ReadyState(4)",
                                          "desktop.SetBusyCursor(false)", "menu.SetItemEnabled(4,false)",
                                          "menu.SetItemEnabled(3,true)", "menu.SetItemEnabled(6,true)",
                                          "menu.SetItemEnabled(8,true)"}));
  EXPECT_EQ(S().CurrentAddress, address);
  EXPECT_EQ(S().HistoryTop, 1);
}

TEST_F(NavigationTest, EditPageGivesTheEditorTheLocalPathOrTheTextEditorWhenThereIsNone) {
  const std::string page = Page("My Page.HTM");
  StartAt(page);
  fakes.shell.programs = {{"/usr/bin/gedit", "/usr/bin/gedit"}, {"kate", "/usr/bin/kate"}};
  const struct {
    std::string address, editor, call;
  } cases[] = {
      {FileUriFromPath(page), "/usr/bin/gedit", "shell.StartProgram(/usr/bin/gedit|" + page + ")"},
      {"file://" + page, "kate", "shell.StartProgram(/usr/bin/kate|" + page + ")"},
      {page, "kate", "shell.StartProgram(/usr/bin/kate|" + page + ")"},
      {"http://host/a.php", "kate", "shell.StartProgram(/usr/bin/kate|http://host/a.php)"},
      {"file:///home/u/a.shtml", "notepad.exe", "shell.OpenInTextEditor(/home/u/a.shtml)"},
      {"file:///home/u/a.txt", "", "shell.OpenInTextEditor(/home/u/a.txt)"},
      {"/home/u/notes", "kate", ""},
      {"http://host/pic.jpg", "kate", "dialogs.ShowMessage(Unable to edit this page.|Edit Page Error|0x40)"},
      {"http://www.example.com/", "kate", "dialogs.ShowMessage(Unable to edit this page.|Edit Page Error|0x40)"},
      {"http://host/a.php?x=1", "kate", "dialogs.ShowMessage(Unable to edit this page.|Edit Page Error|0x40)"},
  };
  for (const auto& c : cases) {
    Settings stored;
    stored.HomePage = c.address;
    stored.SourceEditor = c.editor;
    StartWith(stored);
    fakes.browser.location = BrowserAddress(c.address);
    Form().Form_KeyUp('E', 2);
    Calls calls = fakes.journal.Calls();
    std::erase_if(calls, [](const std::string& call) { return call.rfind("shell.FindProgram", 0) == 0; });
    EXPECT_EQ(calls.empty() ? "" : calls.back(), c.call) << c.address << " with " << c.editor;
  }
}

TEST_F(FrmMainTest, DebugLogFollowsLoadPageAndTheHistory) {
  const std::string page = (root_ / "a.html").string();
  std::ofstream(page) << "x";
  Start("/debug");
  fakes.shell.browser_result = false;
  for (const std::string& name : {page, (root_ / "gone.html").string()}) {
    fakes.chooser.Choose(name);
    Form().ProcessMenuClick(1);
  }
  Form().Form_KeyUp(0x70, 0);
  Form().Form_QueryUnload();

  Calls lines = LogLines();
  lines.erase(lines.begin(), lines.begin() + 3);  // start line, menu lines
  const std::string help = FileUriFromPath((program_folder_ / "help" / "index.html").string());
  EXPECT_EQ(lines, (Calls{
                       "INFORMATION:  ProcessMenuClick:1",
                       "INFORMATION:  Display Load Page Dialog",
                       "INFORMATION:  Load Page = " + page,
                       "INFORMATION:  FormatAddress:addr = " + page + "; result = file://" + page,
                       "INFORMATION:  LoadPage:Navigate - file://" + page,
                       "INFORMATION:  LoadPage:Complete",
                       "INFORMATION:  UpdateNavigation:CurrentPage = 1",
                       "INFORMATION:  ProcessMenuClick:1",
                       "INFORMATION:  Display Load Page Dialog",
                       "INFORMATION:  Load Page = " + (root_ / "gone.html").string(),
                       "INFORMATION:  FormatAddress:addr = " + (root_ / "gone.html").string() + "; result = ",
                       "ERROR:  LoadPage:FileExists Failed",
                       "ERROR:  OpenHelpFile:Open Failed - " + help,
                       "INFORMATION:  QueryUnload",
                   }));
}

}  // namespace
}  // namespace vantile
