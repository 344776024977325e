// What page script, page links and page message boxes reach through frmMain.
#include "shell/file_uri.h"
#include "shell/page_api/page_api.h"
#include "shell/page_api/page_sources.h"
#include "tests/shell/fixture_system.h"
#include "tests/shell/frm_main_fixture.h"

namespace vantile {
namespace {

using Calls = std::vector<std::string>;

class PageCommandsTest : public FrmMainTest {
 protected:
  // Started with an allow-list, then strict: each test allows what it expects.
  void StartWithPrograms(std::vector<std::string> programs) {
    Settings stored;
    stored.ProgramCount = static_cast<std::int32_t>(programs.size());
    stored.Programs = std::move(programs);
    StoreSettings(stored);
    Start();
    fakes.journal.Clear();
    fakes.browser.AllowNone();
    fakes.desktop.AllowNone();
    fakes.shell.AllowNone();
    fakes.dialogs.AllowNone();
    fakes.menu.AllowNone();
    fakes.pump.AllowNone();
  }

  // A call as the bridge sends it, run through the page command table.
  PageAnswer Call(const std::string& json, Delivery delivery = Delivery::Later,
                  PageTrust caller = PageTrust::UsersOwnPage) {
    const auto request = ParsePageRequest(json);
    if (!request) return PageAnswer::Error("not a request: " + json);
    PageAnswer answer = PageAnswer::Error("no answer");
    PageContext context{Form()};
    CallPageCommand(*request, caller, delivery, context, [&](PageAnswer a) { answer = std::move(a); });
    return answer;
  }
};

TEST_F(PageCommandsTest, AllowedLaunchLinkStartsTheProgramAndCancels) {
  StartWithPrograms({"/opt/tools/edit", "/usr/bin/ed"});
  fakes.shell.Allow({"Launch"});
  bool cancel = false;
  Form().WB_BeforeNavigate2("launch:/usr/bin/ed?dir=/home/u%20docs&param=notes+today.txt", cancel);
  EXPECT_TRUE(cancel);
  EXPECT_EQ(fakes.journal.Calls(), Calls{"shell.Launch(/usr/bin/ed|notes today.txt|/home/u docs)"});
}

TEST_F(PageCommandsTest, DisallowedLaunchLinkStartsNothingAndCancels) {
  StartWithPrograms({"/usr/bin/ed"});
  for (const char* url : {"launch:/usr/bin/ED", "launch:/bin/sh?param=-c+rm", "LAUNCH:/usr/bin/ed/"}) {
    bool cancel = false;
    Form().WB_BeforeNavigate2(url, cancel);
    EXPECT_TRUE(cancel) << url;
  }
  EXPECT_TRUE(fakes.journal.Empty());
}

TEST_F(PageCommandsTest, LinksFromADocumentElsewhereActOnlyWhenTheUserAcceptsWhatIsShown) {
  Settings stored;
  stored.ProgramCount = 1;
  stored.Programs = {"tool"};
  StoreSettings(stored);
  Start("/debug");
  fakes.shell.AllowNone().Allow({"Launch", "OpenFolder", "ListedProgramPath"});
  fakes.shell.listed = {{"tool", "/usr/local/bin/tool"}};
  fakes.dialogs.AllowNone().Allow({"ConfirmLaunch"});
  NavigationSource site;
  site.foreign_asker = "https://x.example";
  const char* link = "launch:tool?dir=/tmp&param=-e+sh%20-c+'echo hi'";

  // Cancel starts nothing; a second request while the box is open is
  // dropped without a second box; a program off the list is never asked.
  bool cancel = false;
  fakes.dialogs.on_consent = [&] { Form().WB_BeforeNavigate2(link, site, cancel); };
  Form().WB_BeforeNavigate2(link, site, cancel);
  EXPECT_TRUE(cancel);
  fakes.dialogs.on_consent = nullptr;
  Form().WB_BeforeNavigate2("launch:/bin/sh", site, cancel);
  EXPECT_TRUE(fakes.shell.opened.empty());
  EXPECT_EQ(fakes.dialogs.consents, (std::vector<LaunchConsent>{{LaunchConsent::Kind::Launch, "https://x.example",
                                                                   "/usr/local/bin/tool", {"-e", "sh", "-c", "echo hi"},
                                                                   "/tmp", ""}}));

  // Accepted: exactly what was shown starts. The same page asking again
  // within two seconds of a box is refused unasked.
  fakes.dialogs.consent_answer = true;
  fakes.pump.now += std::chrono::seconds(2);
  Form().WB_BeforeNavigate2(link, site, cancel);
  Form().WB_BeforeNavigate2("folder:/srv/x", site, cancel);
  EXPECT_EQ(fakes.dialogs.consents.size(), 2u);
  fakes.pump.now += std::chrono::seconds(2);
  Form().WB_BeforeNavigate2("folder:/srv/x", site, cancel);
  EXPECT_EQ(fakes.shell.opened,
            (std::vector<test::FakeShell::OpenCall>{{"/usr/local/bin/tool", "-e sh -c 'echo hi'", "/tmp", 1}}));
  EXPECT_EQ(fakes.shell.folders, Calls{"/srv/x"});
  EXPECT_EQ(fakes.dialogs.consents.back().kind, LaunchConsent::Kind::Folder);
  Form().Form_QueryUnload();
  Calls lines = LogLines();
  for (const char* expected : {"INFORMATION:  BeforeNavigate:Refused - a confirmation is already open",
                               "INFORMATION:  BeforeNavigate:Refused - the user did not accept",
                               "INFORMATION:  BeforeNavigate:Refused - asked again right after a confirmation"}) {
    EXPECT_NE(std::find(lines.begin(), lines.end(), expected), lines.end()) << expected;
  }
}

TEST_F(PageCommandsTest, FolderLinkOpensTheFileManagerAndCancels) {
  StartWithPrograms({});
  fakes.shell.Allow({"OpenFolder"});
  bool cancel = false;
  Form().WB_BeforeNavigate2("Folder:/home/u/My%20Files", cancel);
  EXPECT_TRUE(cancel);
  EXPECT_EQ(fakes.shell.folders, Calls{"/home/u/My Files"});
}

TEST_F(PageCommandsTest, OrdinaryAddressesLeaveCancelAsTheBrowserPassedIt) {
  StartWithPrograms({});
  bool cancel = false;
  Form().WB_BeforeNavigate2("http://example.com/", cancel);
  EXPECT_FALSE(cancel);
  cancel = true;
  Form().WB_BeforeNavigate2("file:///home/u/desk.html", cancel);
  EXPECT_TRUE(cancel);
  EXPECT_TRUE(fakes.journal.Empty());
}

TEST_F(PageCommandsTest, WindowExternalsCallsReachTheDesktopByName) {
  StartWithPrograms({});
  fakes.shell.Allow({"Open", "OpenFolder", "OpenControlPanel", "LocalDrives"});
  Call(R"({"id":1,"name":"openFile","args":{"sFile":"/home/u/report.pdf","sParams":"","sDir":"","showFormat":1}})");
  Call(R"({"id":2,"name":"openFile","args":{"sFile":"/usr/bin/xterm","sParams":"-e 'top -d 1'","sDir":"/tmp",)"
       R"("showFormat":3}})");
  // What is not text reads as no text, a missing show format as 0.
  EXPECT_TRUE(Call(R"({"name":"openFile","args":{"sFile":"/x","sParams":7}})").ok());
  EXPECT_EQ(fakes.shell.opened,
            (std::vector<test::FakeShell::OpenCall>{{"/home/u/report.pdf", "", "", 1},
                                                    {"/usr/bin/xterm", "-e 'top -d 1'", "/tmp", 3},
                                                    {"/x", "", "", 0}}));
  fakes.journal.Clear();
  Call(R"({"name":"openFolder","args":{"sFolder":"/media/usb"}})");
  Call(R"({"name":"openControlPanel"})");
  fakes.shell.drives = {"/", "/home/", "/media/usb/"};
  EXPECT_EQ(Call(R"({"name":"getLocalDrives"})", Delivery::AtOnce).value, "/,/home/,/media/usb/");
  fakes.shell.drives = {};
  EXPECT_EQ(Call(R"({"name":"getLocalDrives"})", Delivery::AtOnce).value, "");
  EXPECT_EQ(fakes.journal.Calls(), (Calls{"shell.OpenFolder(/media/usb)", "shell.OpenControlPanel",
                                          "shell.LocalDrives x2"}));
}

TEST_F(PageCommandsTest, WatchesDueTogetherAreAnsweredInOrderOnceTheLastReadingIsIn) {
  StartWithPrograms({});
  test::FixtureSystem system;
  system.power_later = true;
  PageSources sources(system);
  PageContext context{Form(), &sources};
  std::vector<Json> answers;
  auto call = [&](const char* args) {
    CallPageCommand(*ParsePageRequest(std::string(R"({"id":9,"name":"read","args":)") + args + "}"),
                    PageTrust::UsersOwnPage, Delivery::Later, context,
                    [&](PageAnswer answer) { answers.push_back(Json::parse(AnswerText(9, answer))); });
  };
  call(R"({"sources":[{"source":"power","watch":1},{"source":7},{"source":"memory","watch":2}]})");
  call(R"({"sources":[]})");
  ASSERT_EQ(answers.size(), 1u) << "the power services have not answered yet";
  EXPECT_EQ(answers[0]["error"], "name a source to read, such as \"cpu\"");
  system.power = Reading<PowerFigures>::Of({std::nullopt, false, "balanced"});
  system.AnswerPower();
  ASSERT_EQ(answers.size(), 2u);
  const Json& readings = answers[1]["value"];
  EXPECT_EQ(readings[0]["value"]["profile"], "balanced");
  EXPECT_EQ(readings[1]["error"], "name a source to read, such as \"cpu\"");
  EXPECT_EQ(readings[2]["error"], "no memory figures");
}

TEST_F(PageCommandsTest, ACallWithoutTheTrustOrTheWayItNeedsIsRefusedWithAReason) {
  StartWithPrograms({});
  const struct {
    const char* request;
    Delivery delivery;
    PageTrust caller;
    const char* error;
  } rows[] = {
      {R"({"name":"openFile","args":{"sFile":"/bin/sh"}})", Delivery::Later, PageTrust::Untrusted,
       "openFile is only for the desktop's own page"},
      {R"({"name":"getLocalDrives"})", Delivery::Later, PageTrust::UsersOwnPage,
       "getLocalDrives cannot be called this way"},
      {R"({"name":"openFolder"})", Delivery::AtOnce, PageTrust::UsersOwnPage, "openFolder cannot be called this way"},
      {R"({"name":"toString"})", Delivery::Later, PageTrust::UsersOwnPage, "there is no command \"toString\""},
      {R"({"name":"read","args":{"source":"cpu"}})", Delivery::Later, PageTrust::UsersOwnPage,
       "this desktop reads no sources"},
  };
  for (const auto& row : rows) EXPECT_EQ(Call(row.request, row.delivery, row.caller).error, row.error) << row.request;
  EXPECT_TRUE(fakes.journal.Empty());
}

TEST_F(PageCommandsTest, MessageBoxesAreTitledAndReturnTheButton) {
  StartWithPrograms({});
  fakes.dialogs.Allow({"ShowMessage"});
  EXPECT_EQ(Form().WBMessages_ShowMessage("Hello", 0x40, "Alert", "help.chm", 7), 1);
  fakes.dialogs.answer = 2;  // IDCANCEL
  EXPECT_EQ(Form().WBMessages_ShowMessage("Sure?", 0x21, "Confirm", "", 0), 2);
  Form().WBMessages_ShowMessage("untitled", 0, "", "", 0);
  EXPECT_EQ(fakes.dialogs.shown, (std::vector<test::FakeDialogs::Message>{
                                     {"Hello", "Alert - Vantile", 0x40},
                                     {"Sure?", "Confirm - Vantile", 0x21},
                                     {"untitled", " - Vantile", 0},
                                 }));
}

TEST_F(PageCommandsTest, HelpRequestsDoNothing) {
  StartWithPrograms({});
  Form().WBMessages_ShowHelp("x.chm", 1, 2, 3, 4);
  EXPECT_TRUE(fakes.journal.Empty());
}

TEST(ReloadAddress, PlainPathsBecomeEncodedFileUris) {
  EXPECT_EQ(ReloadAddress("/home/u/desk.html"), "file:///home/u/desk.html");
  EXPECT_EQ(ReloadAddress("/home/u/a b/100%?#.html"), "file:///home/u/a%20b/100%25%3F%23.html");
  EXPECT_EQ(ReloadAddress("/home/u/caf\xC3\xA9.html"), "file:///home/u/caf%C3%A9.html");
  EXPECT_EQ(ReloadAddress("/srv/a+b(1)~x.html"), "file:///srv/a+b(1)~x.html");
}

TEST(ReloadAddress, AddressesWithASchemeStayAsTheyAre) {
  EXPECT_EQ(ReloadAddress("file:///home/u/my page.html"), "file:///home/u/my page.html");
  EXPECT_EQ(ReloadAddress("http://www.example.com/a?b=c"), "http://www.example.com/a?b=c");
  EXPECT_EQ(ReloadAddress("about:blank"), "about:blank");
  EXPECT_FALSE(HasUriScheme("C:\\Pages\\home.htm"));
  EXPECT_FALSE(HasUriScheme("/tmp/a:b.html"));
  // Text without a scheme that is no path is a web address.
  EXPECT_EQ(ReloadAddress("www.example.com"), "http://www.example.com");
  EXPECT_EQ(ReloadAddress("example.com/news"), "http://example.com/news");
  EXPECT_EQ(ReloadAddress("C:\\Pages\\home.htm"), FileUriFromPath("C:\\Pages\\home.htm"));
}

}  // namespace
}  // namespace vantile
