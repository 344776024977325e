#include "common/open_save_dialog.h"

#include <gtest/gtest.h>

#include <deque>

namespace vantile {
namespace {

// Answers each Run with the next scripted response and keeps every request.
class ScriptedChooser : public FileChooser {
 public:
  std::deque<std::optional<Response>> answers;
  std::vector<Request> requests;
  std::optional<Response> Run(const Request& request) override {
    requests.push_back(request);
    if (answers.empty()) ADD_FAILURE() << "unexpected chooser call";
    if (answers.empty()) return std::nullopt;
    auto a = answers.front();
    answers.pop_front();
    return a;
  }
  void Answer(std::vector<std::string> files, std::uint32_t flags = 0, int filter = 1) {
    answers.push_back(Response{std::move(files), filter, flags});
  }
};

TEST(OpenSaveDialog, PassesPropertiesToTheChooser) {
  ScriptedChooser chooser;
  OpenSaveDialog dlg(chooser);
  dlg.SetFilter("Applications (*.exe)|*.exe|All Files (*.*)|*.*");
  dlg.SetFilterIndex(2);
  dlg.SetDialogTitle("Pick");
  dlg.SetInitialDir("/srv");
  dlg.SetFilename("start.html");
  dlg.SetFlags(OFN_FILEMUSTEXIST);
  dlg.SetDefExt("p.n.g");
  EXPECT_EQ(dlg.DefExt(), "png");
  dlg.SetDefExt(".txt");
  EXPECT_EQ(dlg.DefExt(), "txt");
  chooser.answers.push_back(std::nullopt);
  EXPECT_FALSE(dlg.ShowOpen(reinterpret_cast<OwnerWindow>(42)));
  ASSERT_EQ(chooser.requests.size(), 1u);
  const auto& r = chooser.requests[0];
  EXPECT_EQ(r.mode, FileChooser::Mode::Open);
  EXPECT_EQ(r.owner, reinterpret_cast<OwnerWindow>(42));
  EXPECT_EQ(r.filters, (std::vector<FileFilter>{{"Applications (*.exe)", "*.exe"}, {"All Files (*.*)", "*.*"}}));
  EXPECT_EQ(r.filter_index, 2);
  EXPECT_EQ(r.title, "Pick");
  EXPECT_EQ(r.initial_dir, "/srv");
  EXPECT_EQ(r.file_name, "start.html");
  EXPECT_EQ(r.default_extension, "txt");
  EXPECT_EQ(r.flags, OFN_FILEMUSTEXIST);
  // A cancelled dialog changes nothing.
  EXPECT_EQ(dlg.Filename(), "start.html");
  EXPECT_EQ(dlg.FilterIndex(), 2);
  EXPECT_EQ(dlg.FileCount(), 0);
}

TEST(OpenSaveDialog, SingleAndMultipleSelection) {
  ScriptedChooser chooser;
  OpenSaveDialog dlg(chooser);
  dlg.SetFlags(OFN_ALLOWMULTISELECT | OFN_EXPLORER);
  chooser.Answer({"/home/ana/dir/a.txt", "/home/ana/dir/b.txt"}, OFN_ALLOWMULTISELECT | OFN_EXPLORER);
  ASSERT_TRUE(dlg.ShowOpen());
  EXPECT_EQ(dlg.Filename(), "/home/ana/dir");
  EXPECT_EQ(dlg.FileCount(), 2);
  EXPECT_EQ(dlg.Files(0), "a.txt");
  EXPECT_EQ(dlg.Files(1), "b.txt");
  EXPECT_EQ(dlg.FileTitle(), "");
  EXPECT_THROW(dlg.Files(2), std::out_of_range);
  EXPECT_THROW(dlg.Files(-1), std::out_of_range);

  chooser.Answer({"/home/ana/one.txt"}, OFN_ALLOWMULTISELECT | OFN_EXPLORER | OFN_READONLY, 3);
  ASSERT_TRUE(dlg.ShowOpen());
  EXPECT_EQ(dlg.FileCount(), 1);
  EXPECT_EQ(dlg.Filename(), "/home/ana/one.txt");
  EXPECT_EQ(dlg.FileTitle(), "one.txt");
  EXPECT_THROW(dlg.Files(0), std::out_of_range) << "a single selection fills no Files";
  EXPECT_EQ(dlg.Flags(), static_cast<std::int32_t>(OFN_ALLOWMULTISELECT | OFN_EXPLORER | OFN_READONLY));
  EXPECT_EQ(dlg.FilterIndex(), 3);
  // The returned flags and the last result go into the next showing.
  chooser.answers.push_back(std::nullopt);
  dlg.ShowOpen();
  EXPECT_EQ(chooser.requests.back().flags, OFN_ALLOWMULTISELECT | OFN_EXPLORER | OFN_READONLY);
  EXPECT_EQ(chooser.requests.back().file_name, "/home/ana/one.txt");
}

TEST(OpenSaveDialog, TypedWebAddressComesBackAsTyped) {
  ScriptedChooser chooser;
  OpenSaveDialog dlg(chooser);
  dlg.SetFlags(OFN_NOVALIDATE);
  chooser.Answer({"www.example.com"}, OFN_NOVALIDATE);
  ASSERT_TRUE(dlg.ShowOpen());
  EXPECT_EQ(dlg.Filename(), "www.example.com");
}

TEST(OpenSaveDialog, SaveForcesTheDefaultExtension) {
  struct Case {
    const char* chosen;
    const char* def_ext;
    const char* expected;
  } cases[] = {
      {"/a/pic", "png", "/a/pic.png"},
      {"/a/PIC.PNG", "png", "/a/PIC.PNG"},
      {"/a/pic.jpg", "png", "/a/pic.jpg.png"},
      {"/a/pic", "", "/a/pic."},
      {"/a/pic.", "", "/a/pic."},
  };
  for (const Case& c : cases) {
    ScriptedChooser chooser;
    OpenSaveDialog dlg(chooser);
    dlg.SetDefExt(c.def_ext);
    dlg.SetForceExtension(true);
    chooser.Answer({c.chosen});
    ASSERT_TRUE(dlg.ShowSave());
    EXPECT_EQ(dlg.Filename(), c.expected) << c.chosen;
    EXPECT_EQ(dlg.FileTitle(), std::string(c.chosen).substr(3)) << "the title is not changed";
    EXPECT_EQ(dlg.FileCount(), 1);
    EXPECT_EQ(chooser.requests[0].mode, FileChooser::Mode::Save);
  }
}

TEST(OpenSaveDialog, RaisingMethodsReachListenersAndNeverRunByThemselves) {
  ScriptedChooser chooser;
  OpenSaveDialog dlg(chooser);
  std::vector<std::string> heard;
  dlg.InitDialogEvent = [&](std::int32_t h) { heard.push_back("init " + std::to_string(h)); };
  dlg.DialogOKEvent = [&](bool& cancel) {
    heard.push_back("ok");
    cancel = true;
  };
  dlg.WMCommandEvent = [&](std::int32_t, std::int32_t& w, std::int32_t& l) {
    w = 7;
    l = 8;
  };
  chooser.Answer({"/x"});
  dlg.ShowOpen();
  EXPECT_TRUE(heard.empty());
  EXPECT_EQ(dlg.InitDialog(5), 0);
  EXPECT_FALSE(dlg.ConfirmOK());
  std::int32_t w = 0, l = 0;
  dlg.WMCommand(1, w, l);
  EXPECT_EQ(w, 7);
  EXPECT_EQ(l, 8);
  EXPECT_EQ(heard, (std::vector<std::string>{"init 5", "ok"}));
  OpenSaveDialog quiet(chooser);
  EXPECT_TRUE(quiet.ConfirmOK());
  EXPECT_EQ(quiet.TypeChange(1), 0);
}

}  // namespace
}  // namespace vantile
