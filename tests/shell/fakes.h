// Strict fakes of the platform interfaces in shell/platform.h.
//
// Every call is written, in order, to a CallJournal shared by the fakes, so a
// test can compare the exact sequence of platform calls. Each fake is strict:
// a method the test has not allowed (Allow / AllowAll) fails the test, naming
// the call. Results are plain public fields the test sets beforehand.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/file_chooser.h"
#include "dialogs/frm_options.h"
#include "shell/platform.h"

namespace vantile::test {

// Ordered record of platform calls. Consecutive identical calls are folded
// into one entry "call x N", so 10,001 message-loop passes stay one line.
class CallJournal {
 public:
  // Sees every call as it is made, e.g. to check the window's state then.
  std::function<void(const std::string& call)> on_record;

  void Record(std::string call) {
    if (on_record) on_record(call);
    if (!entries_.empty() && entries_.back().first == call) {
      ++entries_.back().second;
    } else {
      entries_.emplace_back(std::move(call), 1);
    }
  }
  std::vector<std::string> Calls() const {
    std::vector<std::string> calls;
    for (const auto& [call, count] : entries_) {
      calls.push_back(count == 1 ? call : call + " x" + std::to_string(count));
    }
    return calls;
  }
  bool Empty() const { return entries_.empty(); }
  void Clear() { entries_.clear(); }

 private:
  std::vector<std::pair<std::string, int>> entries_;
};

// Base of the fakes: the strictness check and the journal entry.
class StrictFake {
 public:
  StrictFake(std::string name, CallJournal& journal) : name_(std::move(name)), journal_(journal) {}

  // Lets the named methods be called; anything else fails the test.
  StrictFake& Allow(std::initializer_list<std::string_view> methods) {
    for (std::string_view m : methods) allowed_.emplace(m);
    return *this;
  }
  StrictFake& AllowAll() {
    allow_all_ = true;
    return *this;
  }
  // Back to allowing nothing.
  StrictFake& AllowNone() {
    allowed_.clear();
    allow_all_ = false;
    return *this;
  }

 protected:
  void Called(std::string_view method, const std::string& arguments = {}) {
    std::string call = name_ + "." + std::string(method);
    if (!arguments.empty()) call += "(" + arguments + ")";
    journal_.Record(call);
    if (!allow_all_ && !allowed_.contains(std::string(method))) {
      ADD_FAILURE() << "unexpected platform call: " << call;
    }
  }
  static std::string Bool(bool value) { return value ? "true" : "false"; }
  static std::string Hex(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", value);
    return text;
  }

 private:
  std::string name_;
  CallJournal& journal_;
  std::set<std::string, std::less<>> allowed_;
  bool allow_all_ = false;
};

// The browser. A load (Navigate, Refresh, Refresh2, GoBack, GoForward) keeps
// ReadyState at 1 until AdvanceLoad has been called `passes_per_load` times;
// wire AdvanceLoad to the pump to model "complete after N message-loop passes".
class FakeBrowser : public Browser, public StrictFake {
 public:
  explicit FakeBrowser(CallJournal& journal) : StrictFake("browser", journal) {}

  BrowserEvents* events = nullptr;
  int passes_per_load = 0;
  bool go_back_result = true;
  bool go_forward_result = true;
  std::string location;
  std::vector<std::string> navigated;

  void AdvanceLoad() {
    if (remaining_ > 0) --remaining_;
  }
  void FinishLoad() { remaining_ = 0; }

  void SetEvents(BrowserEvents* e) override {
    Called("SetEvents", e ? "set" : "null");
    events = e;
  }
  void SetUserAgent(const std::string& user_agent) override { Called("SetUserAgent", user_agent); }
  void SetHostFlags(std::uint32_t flags) override { Called("SetHostFlags", Hex(flags)); }
  void SetDownloadControl(std::uint32_t flags) override {
    Called("SetDownloadControl", Hex(flags));
  }
  // The browser's own travel list: what Back and Forward show.
  std::vector<std::string> travel;
  std::size_t travel_at = 0;
  void Navigate(const std::string& url) override {
    Called("Navigate", url);
    navigated.push_back(url);
    Visit(url);
    StartLoad();
  }
  // A link followed inside the page. Loading the page shown again adds no
  // entry, as in WebKit.
  void Visit(const std::string& url) {
    if (!travel.empty() && travel[travel_at] == url) return;
    if (!travel.empty()) travel.resize(travel_at + 1);
    travel.push_back(url);
    travel_at = travel.size() - 1;
    location = url;
  }
  void Refresh() override {
    Called("Refresh");
    StartLoad();
  }
  void Refresh2() override {
    Called("Refresh2");
    StartLoad();
  }
  bool GoBack() override {
    Called("GoBack");
    if (go_back_result) Travel(-1);
    return go_back_result;
  }
  bool GoForward() override {
    Called("GoForward");
    if (go_forward_result) Travel(1);
    return go_forward_result;
  }
  int ReadyState() override {
    int state = remaining_ > 0 ? 1 : READYSTATE_COMPLETE;
    Called("ReadyState", std::to_string(state));
    return state;
  }
  // A read with no effect: not in the journal, so the commands that check
  // what is on screen keep their journals about what they do.
  std::string LocationURL() override { return location; }

 private:
  void StartLoad() { remaining_ = passes_per_load; }
  void Travel(int step) {
    StartLoad();
    if (travel_at + step < travel.size()) location = travel[travel_at += step];  // wraps below 0
  }
  int remaining_ = 0;
};

class FakeDesktop : public Desktop, public StrictFake {
 public:
  explicit FakeDesktop(CallJournal& journal) : StrictFake("desktop", journal) {}

  ScreenRect work_area{0, 0, 1024, 768};
  bool taskbar_visible = true;
  WindowState window_state = WindowState::Normal;
  bool busy_cursor = false;
  int close_requests = 0;
  std::function<void()> on_close;  // e.g. run the window's shutdown

  ScreenRect WorkArea() override {
    Called("WorkArea");
    return work_area;
  }
  void ShowTaskbar(bool visible) override {
    Called("ShowTaskbar", Bool(visible));
    taskbar_visible = visible;
  }
  void SetWindowState(WindowState state) override {
    Called("SetWindowState", state == WindowState::Normal ? "Normal" : "Maximized");
    window_state = state;
  }
  void MoveWindow(int x, int y, int width, int height) override {
    Called("MoveWindow", std::to_string(x) + "," + std::to_string(y) + "," +
                             std::to_string(width) + "," + std::to_string(height));
  }
  void SetBusyCursor(bool busy) override {
    Called("SetBusyCursor", Bool(busy));
    busy_cursor = busy;
  }
  void Show() override { Called("Show"); }
  void Close() override {
    Called("Close");
    ++close_requests;
    if (on_close) on_close();
  }
  OwnerWindow WindowHandle() override {
    Called("WindowHandle");
    return reinterpret_cast<OwnerWindow>(1);
  }
};

class FakeShell : public Shell, public StrictFake {
 public:
  explicit FakeShell(CallJournal& journal) : StrictFake("shell", journal) {}

  struct OpenCall {
    std::string file, parameters, directory;
    std::int32_t show = 0;
    bool operator==(const OpenCall&) const = default;
  };
  bool open_result = true;
  bool open_folder_result = true;
  bool control_panel_result = true;
  std::vector<std::string> drives;
  std::vector<OpenCall> opened;
  std::vector<std::string> folders;

  bool Open(const std::string& file, const std::string& parameters, const std::string& directory,
            std::int32_t show) override {
    Called("Open", file + "|" + parameters + "|" + directory + "|" + std::to_string(show));
    opened.push_back({file, parameters, directory, show});
    return open_result;
  }
  // Launch answers with open_result too: both are the shell's "open".
  bool Launch(const std::string& program, const std::string& parameters,
              const std::string& directory) override {
    Called("Launch", program + "|" + parameters + "|" + directory);
    opened.push_back({program, parameters, directory, 1});
    return open_result;
  }
  std::map<std::string, std::string> listed;  // bare names and where they are
  std::string ListedProgramPath(const std::string& entry) override {
    Called("ListedProgramPath", entry);
    return listed.contains(entry) ? listed[entry] : entry.starts_with('/') ? entry : std::string();
  }
  bool OpenFolder(const std::string& folder) override {
    Called("OpenFolder", folder);
    folders.push_back(folder);
    return open_folder_result;
  }
  bool OpenControlPanel() override {
    Called("OpenControlPanel");
    return control_panel_result;
  }
  std::vector<std::string> LocalDrives() override {
    Called("LocalDrives");
    return drives;
  }

  // Programs FindProgram knows: the name asked for, and what it resolves to.
  std::map<std::string, std::string> programs;
  bool start_result = true;
  bool text_editor_result = true;
  bool browser_result = true;

  std::string FindProgram(const std::string& program) override {
    Called("FindProgram", program);
    auto found = programs.find(program);
    return found == programs.end() ? std::string() : found->second;
  }
  bool StartProgram(const std::string& program, const std::vector<std::string>& arguments) override {
    std::string text = program;
    for (const std::string& a : arguments) text += "|" + a;
    Called("StartProgram", text);
    return start_result;
  }
  bool OpenInTextEditor(const std::string& page) override {
    Called("OpenInTextEditor", page);
    return text_editor_result;
  }
  bool OpenInWebBrowser(const std::string& address) override {
    Called("OpenInWebBrowser", address);
    return browser_result;
  }
};

class FakeDialogs : public Dialogs, public StrictFake {
 public:
  explicit FakeDialogs(CallJournal& journal) : StrictFake("dialogs", journal) {}

  struct Message {
    std::string text, title;
    std::uint32_t style = 0;
    bool operator==(const Message&) const = default;
  };
  int answer = 1;  // IDOK
  std::vector<Message> shown;

  int ShowMessage(const std::string& text, const std::string& title,
                  std::uint32_t style) override {
    Called("ShowMessage", text + "|" + title + "|" + Hex(style));
    shown.push_back({text, title, style});
    return answer;
  }

  // The person in front of the Options dialog: acts on it once it has
  // loaded, as the shown dialog would. Without one, the dialog is cancelled.
  std::function<void(frmOptions& dialog)> on_options;

  void ShowOptions(frmOptions& dialog, OwnerWindow owner) override {
    Called("ShowOptions", owner ? "owned" : "no owner");
    dialog.Form_Load();
    if (on_options) on_options(dialog);
    else dialog.cmdCancel_Click();
  }

  // The user in front of the launch confirmation.
  bool consent_answer = false;
  std::vector<LaunchConsent> consents;
  std::function<void()> on_consent;  // what happens while the box is open
  bool ConfirmLaunch(const LaunchConsent& consent) override {
    Called("ConfirmLaunch", consent.asker);
    consents.push_back(consent);
    if (on_consent) on_consent();
    return consent_answer;
  }

  std::function<void()> on_show_about;  // what happens while the box is open
  void ShowAbout(const std::string& web_address) override {
    Called("ShowAbout", web_address);
    if (on_show_about) on_show_about();
  }
};

// The file chooser: answers every request with `answer` (nullopt: cancelled).
class FakeFileChooser : public FileChooser, public StrictFake {
 public:
  explicit FakeFileChooser(CallJournal& journal) : StrictFake("chooser", journal) {}

  std::optional<Response> answer;
  std::vector<Request> requests;

  // The user typed or picked `name` and confirmed.
  void Choose(const std::string& name) {
    answer = Response{};
    answer->files = {name};
  }

  std::optional<Response> Run(const Request& request) override {
    Called("Run", request.title);
    requests.push_back(request);
    if (answer) answer->flags = request.flags;
    return answer;
  }
};

class FakeMenu : public Menu, public StrictFake {
 public:
  explicit FakeMenu(CallJournal& journal) : StrictFake("menu", journal) {}

  bool build_result = true;
  int track_result = 0;
  bool built = false;
  std::vector<MenuEntry> entries;
  std::map<int, bool> enabled;  // last state set per id

  bool Build(const std::vector<MenuEntry>& new_entries) override {
    Called("Build", std::to_string(new_entries.size()) + " entries");
    entries = new_entries;
    built = build_result;
    return build_result;
  }
  void SetItemEnabled(int id, bool on) override {
    Called("SetItemEnabled", std::to_string(id) + "," + Bool(on));
    enabled[id] = on;
  }
  int Track() override {
    Called("Track");
    return track_result;
  }
  void Destroy() override {
    Called("Destroy");
    built = false;
  }
};

class FakeMessagePump : public MessagePump, public StrictFake {
 public:
  explicit FakeMessagePump(CallJournal& journal) : StrictFake("pump", journal) {}

  int passes = 0;
  std::function<void()> on_pass;  // what "arrives" during a pass
  // How long each pass takes on the wait's clock.
  std::chrono::steady_clock::duration pass_time{};
  std::chrono::steady_clock::time_point now{};

  void DoEvents() override {
    Called("DoEvents");
    ++passes;
    now += pass_time;
    if (on_pass) on_pass();
  }
  std::chrono::steady_clock::time_point Now() override { return now; }
};

// All the fakes over one journal, strict until the test allows calls.
struct FakePlatform {
  CallJournal journal;
  FakeBrowser browser{journal};
  FakeDesktop desktop{journal};
  FakeShell shell{journal};
  FakeDialogs dialogs{journal};
  FakeMenu menu{journal};
  FakeMessagePump pump{journal};
  FakeFileChooser chooser{journal};

  void AllowAll() {
    chooser.AllowAll();
    browser.AllowAll();
    desktop.AllowAll();
    shell.AllowAll();
    dialogs.AllowAll();
    menu.AllowAll();
    pump.AllowAll();
  }
  // Message-loop passes advance the browser's load.
  void WirePumpToBrowser() {
    pump.on_pass = [this] { browser.AdvanceLoad(); };
  }
};

}  // namespace vantile::test
