// The helper window's behaviour over fakes: commands, states, hint texts,
// and the two settings it keeps.
#include <gtest/gtest.h>

#include <deque>

#include "common/zq_registry.h"
#include "imagehelper/helper_window.h"
#include "imagehelper/icon_convert.h"
#include "tests/imagehelper/test_support.h"

namespace vantile {
namespace {

class FakeView : public HelperView {
 public:
  bool save_enabled = true;
  std::string hint;
  std::vector<std::pair<std::string, std::string>> messages;
  const RgbaPicture* preview = nullptr;
  int previews = 0;
  WindowRect frame{100, 50, 400, 200};
  std::optional<std::pair<int, int>> moved;
  int closes = 0;

  void SetSaveEnabled(bool enabled) override { save_enabled = enabled; }
  void SetHint(const std::string& text) override { hint = text; }
  void ShowMessage(const std::string& text, const std::string& title) override { messages.emplace_back(text, title); }
  void ShowPreview(const RgbaPicture* picture) override {
    preview = picture;
    ++previews;
  }
  WindowRect Frame() override { return frame; }
  std::int32_t ScreenWidth() override { return 1280; }
  std::int32_t ScreenHeight() override { return 800; }
  void MoveTo(std::int32_t x, std::int32_t y) override {
    moved = {x, y};
    frame.x = x;
    frame.y = y;
  }
  void Close() override { ++closes; }
  OwnerWindow Handle() override { return reinterpret_cast<OwnerWindow>(0x1234); }
};

// Answers only the dialogs a test scripted; any other one fails the test.
class ScriptedChooser : public FileChooser {
 public:
  std::deque<std::optional<std::string>> answers;  // nullopt = cancelled
  std::vector<Request> requests;

  std::optional<Response> Run(const Request& request) override {
    requests.push_back(request);
    if (answers.empty()) {
      ADD_FAILURE() << "unexpected dialog: " << request.title;
      return std::nullopt;
    }
    auto answer = answers.front();
    answers.pop_front();
    if (!answer) return std::nullopt;
    Response response;
    response.files = {*answer};
    response.flags = request.flags;
    return response;
  }
};

class HelperWindowTest : public ::testing::Test {
 protected:
  HelperWindowTest()
      : store_({home_.path() / "settings", home_.path() / "autostart"}),
        form_(view_, chooser_, store_, icons_, IconLookupOptions{{home_.path() / "apps"}}) {}

  void WriteSettings(const std::string& last_save_dir, const std::optional<std::string>& window_pos) {
    ZqRegistry registry(store_);
    ASSERT_TRUE(registry.OpenRegistry(HKEY_CURRENT_USER, kHelperSettingsKey, true));
    registry.SetStringValue("LastSaveDir", last_save_dir);
    if (window_pos) registry.SetStringValue("WindowPos", *window_pos);
  }
  std::string Setting(const std::string& name) {
    ZqRegistry registry(store_);
    if (!registry.OpenRegistry(HKEY_CURRENT_USER, kHelperSettingsKey)) return "<no key>";
    return registry.GetStringValue(name);
  }
  std::string Sample(const std::string& relative) { return testing::DataPath(relative).string(); }

  testing::TempDir home_;
  RegistryStore store_;
  FakeView view_;
  ScriptedChooser chooser_;
  testing::StrictIconPlatform icons_;
  Form1 form_;
};

TEST_F(HelperWindowTest, FirstStartCreatesTheKeyWithBothValuesAtExit) {
  form_.Form_Load();
  EXPECT_FALSE(view_.save_enabled);
  EXPECT_FALSE(view_.moved);
  EXPECT_EQ(form_.LastSaveDir(), "");
  EXPECT_EQ(Setting("WindowPos"), "<no key>");
  EXPECT_TRUE(form_.InstanceMutex().held());
  view_.frame.x = 80;
  view_.frame.y = 60;
  form_.Form_Unload();
  EXPECT_FALSE(form_.InstanceMutex().held());
  EXPECT_EQ(Setting("WindowPos"), "1200,900");
  EXPECT_EQ(Setting("LastSaveDir"), "");
}

TEST_F(HelperWindowTest, WindowPosIsClampedPerCoordinate) {
  struct Case {
    std::string stored;
    std::optional<std::pair<int, int>> moved;  // pixels
  };
  // The screen is 1280 x 800 pixels, the window 400 x 200: the largest
  // position that keeps it whole is 13200 x 9000 twips.
  const std::vector<Case> cases = {
      {"1200,900", std::pair{80, 60}},
      {"-50,300", std::pair{1, 20}},       // left 10 twips
      {"13200,9000", std::pair{880, 600}},
      {"13215,4500", std::pair{1, 300}},   // partly off the right edge only
      {"4500,9015", std::pair{300, 1}},    // partly off the bottom only
      {" 150 , 150 ", std::pair{10, 10}},
      {"1200", std::nullopt},
      {"1,2,3", std::nullopt},
      {"abc,12", std::nullopt},
      {"12.5,30", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& c : cases) {
    testing::TempDir home;
    RegistryStore store({home.path() / "settings", home.path() / "autostart"});
    {
      ZqRegistry registry(store);
      ASSERT_TRUE(registry.OpenRegistry(HKEY_CURRENT_USER, kHelperSettingsKey, true));
      registry.SetStringValue("WindowPos", c.stored);
    }
    FakeView view;
    Form1 form(view, chooser_, store, icons_);
    form.Form_Load();
    EXPECT_EQ(view.moved, c.moved) << '"' << c.stored << '"';
  }
  EXPECT_EQ(ParseWindowPos("99999999999999999999999,5")->first > 1'000'000'000, true);
}

TEST_F(HelperWindowTest, SelectShowsTheIconAndEnablesSave) {
  WriteSettings("/srv/art", std::nullopt);
  form_.Form_Load();
  EXPECT_EQ(form_.LastSaveDir(), "/srv/art");
  chooser_.answers = {Sample("ico/sizes.ico")};
  form_.cmdBrowse_Click();
  ASSERT_EQ(chooser_.requests.size(), 1u);
  const auto& request = chooser_.requests[0];
  EXPECT_EQ(request.mode, FileChooser::Mode::Open);
  EXPECT_EQ(request.title, "Select a program or file");
  EXPECT_EQ(request.filters, (std::vector<FileFilter>{{"Programs (*.exe)", "*.exe"}, {"All Files (*.*)", "*.*"}}));
  EXPECT_EQ(request.flags & 0x801004u, 0x801004u);
  EXPECT_EQ(request.initial_dir, "");
  EXPECT_EQ(request.owner, reinterpret_cast<OwnerWindow>(0x1234));
  ASSERT_TRUE(form_.ImageBuffer());
  EXPECT_EQ(view_.preview, form_.ImageBuffer());
  EXPECT_EQ(form_.ImageWidth(), 32);
  EXPECT_EQ(form_.ImageHeight(), 32);
  EXPECT_TRUE(view_.save_enabled);
  EXPECT_EQ(form_.LastOpenDir(), testing::DataPath("ico").string());
  EXPECT_TRUE(view_.messages.empty());

  // The next Select starts in the folder of the last one.
  chooser_.answers = {std::nullopt};
  form_.cmdBrowse_Click();
  EXPECT_EQ(chooser_.requests[1].initial_dir, testing::DataPath("ico").string());
  EXPECT_EQ(form_.ImageWidth(), 32);
}

TEST_F(HelperWindowTest, FailedLoadKeepsThePreviousPicture) {
  form_.Form_Load();
  form_.LoadIconImage(Sample("pe/icons.exe"));
  const RgbaPicture* before = form_.ImageBuffer();
  ASSERT_TRUE(before);
  const int previews = view_.previews;
  form_.LoadIconImage(Sample("bad/pe_no_resources.exe"));
  EXPECT_EQ(view_.messages, (std::vector<std::pair<std::string, std::string>>{
                                {"Unable to read an image from the selected file.", "Action Canceled"}}));
  EXPECT_EQ(form_.ImageBuffer(), before);
  EXPECT_EQ(view_.previews, previews);
  EXPECT_TRUE(view_.save_enabled);
}

TEST_F(HelperWindowTest, SaveBeforeAnyPictureDoesNothing) {
  form_.Form_Load();
  form_.cmdSave_Click();
  form_.SaveImageAsPng();
  EXPECT_TRUE(chooser_.requests.empty());
  EXPECT_TRUE(view_.messages.empty());
}

TEST_F(HelperWindowTest, SaveWritesThePngAndRemembersItsFolder) {
  const auto out_dir = home_.path() / "out";
  std::filesystem::create_directories(out_dir);
  WriteSettings("/srv/art", std::nullopt);
  form_.Form_Load();
  form_.LoadIconImage(Sample("ico/mono.ico"));  // few colours: written exactly
  chooser_.answers = {(out_dir / "icon.png").string()};
  form_.cmdSave_Click();
  ASSERT_EQ(chooser_.requests.size(), 1u);
  const auto& request = chooser_.requests[0];
  EXPECT_EQ(request.mode, FileChooser::Mode::Save);
  EXPECT_EQ(request.title, "Save Image");
  EXPECT_EQ(request.filters, (std::vector<FileFilter>{{"PNG Images (*.png)", "*.png"}}));
  EXPECT_EQ(request.default_extension, "png");
  EXPECT_EQ(request.initial_dir, "/srv/art");
  EXPECT_EQ(request.flags & 0x800806u, 0x800806u);
  EXPECT_TRUE(view_.messages.empty());
  auto png = testing::DecodePngIndependently(testing::ReadFile(out_dir / "icon.png"));
  ASSERT_TRUE(png);
  EXPECT_EQ(png->rgba, form_.ImageBuffer()->pixels);
  EXPECT_EQ(form_.LastSaveDir(), out_dir.string());
  form_.Form_Unload();
  EXPECT_EQ(Setting("LastSaveDir"), out_dir.string());
}

TEST_F(HelperWindowTest, SaveToAnUnopenableFileShowsOpenFileErrorAndKeepsTheFolder) {
  form_.Form_Load();
  form_.LoadIconImage(Sample("ico/sizes.ico"));
  chooser_.answers = {(home_.path() / "missing" / "icon.png").string()};
  form_.cmdSave_Click();
  EXPECT_EQ(view_.messages, (std::vector<std::pair<std::string, std::string>>{
                                {"Error on file open.", "Open File Error"}}));
  EXPECT_EQ(form_.LastSaveDir(), (home_.path() / "missing").string());
  EXPECT_TRUE(form_.ImageBuffer());
  // A cancelled Save dialog changes nothing.
  chooser_.answers = {std::nullopt};
  form_.cmdSave_Click();
  EXPECT_EQ(form_.LastSaveDir(), (home_.path() / "missing").string());
}

TEST_F(HelperWindowTest, HintsFollowThePointerAndExitClosesTheWindow) {
  form_.Form_Load();
  const std::vector<std::pair<HelperControl, std::string>> hints = {
      {HelperControl::cmdBrowse, "Click to select a program of file to grab an image from."},
      {HelperControl::cmdSave, "Click to save the image shown."},
      {HelperControl::cmdExit, "This will end the program... don't leave :("},
      {HelperControl::picIcon, "Image preview area"},
      {HelperControl::Background, kHelperCreditText},
  };
  for (const auto& [control, text] : hints) {
    form_.MouseMove(control);
    EXPECT_EQ(view_.hint, text);
  }
  form_.cmdExit_Click();
  EXPECT_EQ(view_.closes, 1);
}

TEST_F(HelperWindowTest, SeveralCopiesMayRun) {
  form_.Form_Load();
  FakeView second_view;
  Form1 second(second_view, chooser_, store_, icons_);
  second.Form_Load();
  EXPECT_TRUE(form_.InstanceMutex().held());
  EXPECT_FALSE(second.InstanceMutex().held());
  EXPECT_EQ(second_view.hint, kHelperCreditText);
}

}  // namespace
}  // namespace vantile
