// frmOptions over a fake window: the exchange, the working flags, the list
// operations, the choosers and Save/Cancel.
#include "dialogs/frm_options.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <deque>
#include <filesystem>
#include <fstream>

namespace vantile {
namespace {

using Strings = std::vector<std::string>;

class FakeHost : public OptionsHost, public FileChooser {
 public:
  std::deque<std::optional<std::string>> picks;  // what the person chooses, in turn
  std::vector<Request> requests;
  Strings messages;
  int ended = 0;

  OwnerWindow WindowHandle() override { return reinterpret_cast<OwnerWindow>(7); }
  FileChooser& Chooser() override { return *this; }
  void ShowMessage(const std::string& text, const std::string& title) override {
    messages.push_back(text + "|" + title);
  }
  void ControlsChanged() override {}
  void EndModal() override { ++ended; }
  std::optional<Response> Run(const Request& request) override {
    requests.push_back(request);
    std::optional<std::string> pick = picks.front();
    picks.pop_front();
    if (!pick) return std::nullopt;
    Response r;
    r.files = {*pick};
    return r;
  }
};

struct FrmOptionsTest : ::testing::Test {
  frmOptions dialog;
  FakeHost host;

  void SetUp() override { dialog.SetHost(&host); }

  std::string MakeFile(const std::string& name, bool executable) {
    std::string folder = (std::filesystem::path(::testing::TempDir()) / "vantile_options_XXXXXX").string();
    if (!::mkdtemp(folder.data())) return "";
    folders_.push_back(folder);
    std::string path = folder + "/" + name;
    std::ofstream(path) << "x";
    ::chmod(path.c_str(), executable ? 0755 : 0644);
    return path;
  }
  void TearDown() override {
    for (const auto& f : folders_) std::filesystem::remove_all(f);
  }

 private:
  Strings folders_;
};

TEST_F(FrmOptionsTest, LoadFillsTheControlsAndSaveWithoutChangesGivesEverythingBack) {
  dialog.EnableSound = dialog.EnableJava = dialog.RunAtStartup = dialog.NoHideTaskbar = true;
  dialog.Home = "/home/u/desk.html";
  dialog.Editor = "";
  dialog.Form_Load();
  EXPECT_FALSE(dialog.Initializing());
  for (int i = 0; i < kOptionCheckCount; ++i) {
    auto box = static_cast<OptionCheck>(i);
    EXPECT_EQ(dialog.Checked(box), dialog.WorkingFlag(box)) << i;
  }
  EXPECT_TRUE(dialog.Checked(OptionCheck::EnableSound));
  EXPECT_TRUE(dialog.Checked(OptionCheck::Taskbar));
  EXPECT_EQ(dialog.txtHome, "/home/u/desk.html");
  EXPECT_TRUE(dialog.PageVisible(0));

  dialog.cmdSave_Click();
  EXPECT_EQ(host.ended, 1);
  EXPECT_FALSE(dialog.Canceled);
  EXPECT_TRUE(dialog.EnableSound && dialog.EnableJava && dialog.RunAtStartup && dialog.NoHideTaskbar);
  EXPECT_FALSE(dialog.EnableImages || dialog.EnableVideo || dialog.LoadLast || dialog.NoScrollbars);
  EXPECT_EQ(dialog.Home, "/home/u/desk.html");
  EXPECT_EQ(dialog.Editor, "notepad.exe") << "an empty editor becomes the default";
}

TEST_F(FrmOptionsTest, CheckBoxChangesFlipTheirFlagsAndTwiceGivesTheStart) {
  dialog.EnableImages = true;
  dialog.Form_Load();
  dialog.SetCheckValue(OptionCheck::EnableGraphics, false);
  dialog.SetCheckValue(OptionCheck::LoadLast, true);
  dialog.SetCheckValue(OptionCheck::LoadLast, false);
  dialog.SetCheckValue(OptionCheck::NoScrollbars, true);
  dialog.cmdSave_Click();
  EXPECT_FALSE(dialog.EnableImages);
  EXPECT_FALSE(dialog.LoadLast);
  EXPECT_TRUE(dialog.NoScrollbars);
}

TEST_F(FrmOptionsTest, ProgramListRoundTripsAndCountZeroLeavesTheCallersList) {
  Strings programs = {"/usr/bin/a", "/usr/bin/b", "left over"};
  dialog.ProgramCount = 2;
  dialog.SetPrograms(programs);
  EXPECT_EQ(dialog.lstPrograms(), (Strings{"/usr/bin/a", "/usr/bin/b"}));
  dialog.cmdSave_Click();
  Strings back;
  dialog.GetPrograms(back);
  EXPECT_EQ(back, (Strings{"/usr/bin/a", "/usr/bin/b"}));

  frmOptions cleared;
  cleared.ProgramCount = 2;
  cleared.SetPrograms(programs);
  cleared.cmdClearPrograms_Click();
  cleared.cmdSave_Click();
  EXPECT_EQ(cleared.ProgramCount, 0);
  cleared.GetPrograms(programs);
  EXPECT_EQ(programs.size(), 3u) << "untouched: the caller goes by the count";
}

TEST_F(FrmOptionsTest, AddRemoveAndClear) {
  dialog.Form_Load();
  host.picks = {"/opt/Tool", "/opt/Tool", "/opt/tool", std::nullopt};
  for (int i = 0; i < 4; ++i) dialog.cmdAddProgram_Click();
  EXPECT_EQ(dialog.lstPrograms(), (Strings{"/opt/Tool", "/opt/tool"})) << "exact, case-sensitive duplicates only";
  const FileChooser::Request& r = host.requests.front();
  EXPECT_EQ(r.title, "Add Program");
  EXPECT_EQ(r.filters, (std::vector<FileFilter>{{"Applications (*.exe)", "*.exe"}, {"All Files (*.*)", "*.*"}}));
  EXPECT_EQ(r.flags, 0x801000u);
  EXPECT_EQ(r.owner, host.WindowHandle());

  dialog.cmdRemoveProgram_Click();  // nothing selected
  EXPECT_EQ(dialog.lstPrograms().size(), 2u);
  dialog.SetListIndex(0);
  dialog.cmdRemoveProgram_Click();
  EXPECT_EQ(dialog.lstPrograms(), Strings{"/opt/tool"});
  EXPECT_EQ(dialog.ListIndex(), -1);
  dialog.cmdClearPrograms_Click();
  EXPECT_TRUE(dialog.lstPrograms().empty());
}

TEST_F(FrmOptionsTest, EditorMustBeAProgramHere) {
  dialog.Editor = "/usr/bin/vi";
  dialog.Form_Load();
  const std::string script = MakeFile("Edit.EXE", true);
  const std::string entry = MakeFile("editor.desktop", false);
  const std::string batch = MakeFile("edit.bat", false);
  host.picks = {batch, std::nullopt, script, entry};
  dialog.cmdEditor_Click();
  EXPECT_EQ(host.messages, Strings{"The editor must be an application.|Invalid File"});
  EXPECT_EQ(dialog.txtEditor, "/usr/bin/vi");
  dialog.cmdEditor_Click();  // cancelled
  dialog.cmdEditor_Click();
  EXPECT_EQ(dialog.txtEditor, script);
  dialog.cmdEditor_Click();
  EXPECT_EQ(dialog.txtEditor, entry);
  EXPECT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.requests[0].title, "Select Editor");
  EXPECT_EQ(host.requests[0].filters, (std::vector<FileFilter>{{"Applications (*.exe)", "*.exe"}}));
  EXPECT_EQ(host.requests[0].default_extension, "exe");
}

TEST_F(FrmOptionsTest, HomeChooserTakesTheFullPath) {
  dialog.Form_Load();
  host.picks = {"/home/u/My Pages/desk.HTM"};
  dialog.cmdHome_Click();
  EXPECT_EQ(dialog.txtHome, "/home/u/My Pages/desk.HTM");
  EXPECT_EQ(host.requests[0].filters, (std::vector<FileFilter>{{"Web Pages (*.htm, *.html)", "*.htm;*.html"}}));
}

TEST_F(FrmOptionsTest, TabChangeShowsExactlyOnePage) {
  dialog.Form_Load();
  for (std::int16_t tab : {2, 0, 1}) {
    dialog.LightTab1.SetActiveTab(tab);
    for (int page = 0; page < 3; ++page) EXPECT_EQ(dialog.PageVisible(page), page == tab) << tab << " " << page;
    EXPECT_EQ(dialog.CurrentTab(), tab);
  }
  EXPECT_EQ(dialog.LightTab1.NumberOfTabs(), 3);
  EXPECT_EQ(dialog.LightTab1.Caption(2), "Programs");
}

TEST_F(FrmOptionsTest, CancelMarksTheDialogCancelledAndKeepsTheExchangeValues) {
  dialog.Home = "a";
  dialog.Form_Load();
  dialog.txtHome = "b";
  dialog.SetCheckValue(OptionCheck::EnableVideo, true);
  dialog.cmdCancel_Click();
  EXPECT_TRUE(dialog.Canceled);
  EXPECT_EQ(host.ended, 1);
  EXPECT_EQ(dialog.Home, "a");
  EXPECT_FALSE(dialog.EnableVideo);
}

}  // namespace
}  // namespace vantile
