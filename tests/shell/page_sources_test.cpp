// What a page reads of each source, from fixture figures: one table per
// source, plus what every source shares (unknown names, missing figures,
// one answer per reading).
#include "shell/page_api/page_sources.h"

#include <gtest/gtest.h>

#include "shell/page_api/icon_address.h"
#include "tests/shell/fixture_system.h"

namespace vantile {
namespace {

class PageSourcesTest : public ::testing::Test {
 protected:
  // The reading, or "error: why".
  Json Read(std::string_view source, std::uint64_t watch = 0) {
    int answers = 0;
    Json got;
    sources.Read(source, watch, [&](PageAnswer answer) {
      ++answers;
      got = answer.ok() ? answer.value : Json("error: " + answer.error);
    });
    EXPECT_EQ(answers, 1) << source;
    return got;
  }

  test::FixtureSystem system;
  PageSources sources{system};
};

CpuFigures Cpu(CpuTicks all, std::vector<CpuTicks> cores) { return {all, std::move(cores), {0.5, 0.25, 0.125}}; }

TEST_F(PageSourcesTest, CpuUsageIsTheShareNotIdleSinceTheWatchsLastReading) {
  const struct {
    const char* name;
    CpuFigures before, after;
    double usage;
    std::vector<double> cores;
  } rows[] = {
      {"half busy", Cpu({1000, 800}, {{500, 400}, {500, 400}}), Cpu({1200, 900}, {{600, 450}, {600, 450}}), 50,
       {50, 50}},
      {"one core busy", Cpu({1000, 500}, {{500, 250}, {500, 250}}), Cpu({1100, 550}, {{550, 250}, {550, 300}}), 50,
       {100, 0}},
      {"no time passed", Cpu({1000, 500}, {{500, 250}}), Cpu({1000, 500}, {{500, 250}}), 0, {0}},
      {"counters went back: a fresh start", Cpu({1000, 500}, {{500, 250}}), Cpu({400, 100}, {{400, 100}}), 75, {75}},
      {"a core came online", Cpu({1000, 500}, {{1000, 500}}), Cpu({1300, 600}, {{1100, 550}, {200, 50}}), 66.7,
       {50, 75}},
  };
  std::uint64_t watch = 0;
  for (const auto& row : rows) {
    ++watch;
    system.cpu = Reading<CpuFigures>::Of(row.before);
    Read("cpu", watch);
    system.cpu = Reading<CpuFigures>::Of(row.after);
    const Json got = Read("cpu", watch);
    EXPECT_DOUBLE_EQ(got["usage"].get<double>(), row.usage) << row.name;
    EXPECT_EQ(got["cores"].get<std::vector<double>>(), row.cores) << row.name;
    EXPECT_EQ(got["load"], Json({0.5, 0.25, 0.125})) << row.name;
  }
  // A single read has no previous reading: the time since the machine started.
  system.cpu = Reading<CpuFigures>::Of(Cpu({1000, 250}, {{1000, 250}}));
  EXPECT_DOUBLE_EQ(Read("cpu")["usage"].get<double>(), 75);
}

TEST_F(PageSourcesTest, MemoryAndDisksAreBytesAndNeverNegative) {
  system.memory = Reading<MemoryFigures>::Of({8000, 3000, 2000, 500});
  EXPECT_EQ(Read("memory"), Json::parse(R"({"total":8000,"available":3000,"used":5000,"swapTotal":2000,
                                            "swapUsed":1500})"));
  // A kernel figure past the total (counters read a moment apart) is capped.
  system.memory = Reading<MemoryFigures>::Of({8000, 9000, 0, 10});
  EXPECT_EQ(Read("memory")["used"], 0);
  EXPECT_EQ(Read("memory")["swapUsed"], 0);

  system.disks = Reading<std::vector<DiskFigures>>::Of({{"/", "/dev/sda1", "ext4", 1000, 400},
                                                         {"/media/usb", "/dev/sdb1", "vfat", 50, 60}});
  EXPECT_EQ(Read("disks"), Json::parse(R"([{"mount":"/","device":"/dev/sda1","type":"ext4","total":1000,"free":400},
      {"mount":"/media/usb","device":"/dev/sdb1","type":"vfat","total":50,"free":50}])"));
}

TEST_F(PageSourcesTest, NetworkRatesAreBytesPerSecondOverTheWatchsInterval) {
  auto network = [](std::uint64_t rx, std::uint64_t tx) {
    return Reading<NetworkFigures>::Of({{{"lo", true, rx, tx}, {"eth0", false, 10, 10}}, true});
  };
  system.network = network(1000, 500);
  const Json first = Read("network", 1);
  EXPECT_EQ(first["interfaces"][0], Json::parse(R"({"name":"lo","up":true,"rxBytes":1000,"txBytes":500,
                                                    "rxRate":0,"txRate":0})"));
  EXPECT_EQ(first["online"], true);
  const struct {
    double seconds;
    std::uint64_t rx, tx;
    double rx_rate, tx_rate;
  } rows[] = {{2, 5000, 500, 2000, 0}, {0.5, 5500, 1500, 1000, 2000}, {1, 100, 1600, 0, 100}, {0, 200, 1700, 0, 0}};
  for (const auto& row : rows) {
    system.now += row.seconds;
    system.network = network(row.rx, row.tx);
    const Json lo = Read("network", 1)["interfaces"][0];
    EXPECT_EQ(lo["rxRate"], row.rx_rate) << row.rx;
    EXPECT_EQ(lo["txRate"], row.tx_rate) << row.tx;
  }
  EXPECT_EQ(Read("network", 2)["interfaces"][0]["rxRate"], 0) << "another watch has its own interval";
}

TEST_F(PageSourcesTest, PowerSaysWhatIsThereAndNullForWhatIsNot) {
  const struct {
    PowerFigures figures;
    const char* reading;
  } rows[] = {
      {{BatteryFigures{42, "discharging", 5400, 0}, true, "power-saver"},
       R"({"battery":{"percent":42.0,"state":"discharging","timeToEmpty":5400,"timeToFull":0},"onBattery":true,
           "profile":"power-saver"})"},
      {{std::nullopt, false, std::nullopt}, R"({"battery":null,"onBattery":false,"profile":null})"},
      {{BatteryFigures{120, "", -1, -1}, false, "balanced"},
       R"({"battery":{"percent":100.0,"state":"unknown","timeToEmpty":0,"timeToFull":0},"onBattery":false,
           "profile":"balanced"})"},
  };
  for (const auto& row : rows) {
    system.power = Reading<PowerFigures>::Of(row.figures);
    EXPECT_EQ(Read("power"), Json::parse(row.reading)) << row.reading;
  }
}

TEST_F(PageSourcesTest, TheDesktopFolderListsFoldersFirstWithIconsOnlyLocalPagesLoad) {
  using Kind = DesktopEntryFigures::Kind;
  system.desktop = Reading<DesktopFolderFigures>::Of(
      {"/home/u/Desktop",
       {{"notes today.txt", "/home/u/Desktop/notes today.txt", Kind::File, "text/plain", 12, 1700000000},
        {"Work", "/home/u/Desktop/Work", Kind::Folder, "inode/directory", 4096, 1700000001},
        {"editor.desktop", "/home/u/Desktop/editor.desktop", Kind::Program, "application/x-desktop", 200, 5}}});
  const Json got = Read("desktop");
  EXPECT_EQ(got["folder"], "/home/u/Desktop");
  std::vector<std::string> listed;
  for (const Json& e : got["entries"]) listed.push_back(e["kind"].get<std::string>() + " " + e["name"].get<std::string>());
  EXPECT_EQ(listed, (std::vector<std::string>{"folder Work", "program editor.desktop", "file notes today.txt"}));
  EXPECT_EQ(got["entries"][2]["icon"], "vantile-icon:///home/u/Desktop/notes%20today.txt?v=1700000000");
  EXPECT_EQ(got["entries"][2]["type"], "text/plain");

  // An icon address names its file again; nothing else names a file.
  for (const char* path : {"/home/u/Desktop/notes today.txt", "/a/%41/é#?&", "/"}) EXPECT_EQ(IconPath(IconAddress(path, 1)), path);
  for (const char* address : {"file:///etc/passwd", "vantile-icon://relative", "vantile-icon:///a/../etc/passwd",
                              "vantile-icon:///a/..", "vantile-icon:///a%2", "vantile-icon:///a%00b"}) {
    EXPECT_EQ(IconPath(address), std::nullopt) << address;
  }
}

TEST_F(PageSourcesTest, WhatCannotBeReadSaysWhyInPlainWords) {
  const std::pair<const char*, const char*> rows[] = {
      {"cpu", "error: no cpu figures"},
      {"power", "error: the power daemon (UPower) is not running"},
      {"gpu", "error: there is no source \"gpu\"; the sources are cpu, memory, network, disks, power, desktop"},
  };
  for (const auto& [source, error] : rows) EXPECT_EQ(Read(source), error) << source;
  system.memory = Reading<MemoryFigures>::Missing("");
  EXPECT_EQ(Read("memory"), "error: it cannot be read here");
}

TEST_F(PageSourcesTest, AWatchOfPowerOrTheDesktopIsAnsweredAtItsNextChangeOnly) {
  // Each call's answers so far, as "error: why" or the profile.
  std::vector<std::vector<std::string>> calls;
  auto ask = [&](std::string_view source, std::uint64_t watch) {
    calls.emplace_back();
    sources.ReadChange(source, watch, [&, call = calls.size() - 1](PageAnswer answer) {
      calls[call].push_back(answer.ok() ? answer.value.value("profile", answer.value.dump()) : "error: " + answer.error);
    });
  };
  auto profile = [&](const char* name) { system.power = Reading<PowerFigures>::Of({std::nullopt, false, name}); };
  profile("balanced");
  system.power_later = true;  // the bus answers later
  ask("power", 1);
  EXPECT_TRUE(calls[0].empty());
  system.AnswerPower();
  EXPECT_EQ(calls[0], (std::vector<std::string>{"balanced"})) << "the first call has the reading as it is";
  system.power_later = false;
  ask("power", 1);
  system.Change(Followed::Power);
  system.Change(Followed::DesktopFolder);
  EXPECT_TRUE(calls[1].empty()) << "nothing changed: the call waits";
  profile("power-saver");
  system.Change(Followed::Power);
  system.Change(Followed::Power);
  EXPECT_EQ(calls[1], (std::vector<std::string>{"power-saver"})) << "answered once, at the change";

  ask("cpu", 1);  // a source that changes by the second is read at once
  EXPECT_EQ(calls[2], (std::vector<std::string>{"error: no cpu figures"}));

  // Bounded: past the limit the first watch's waiting call is answered and
  // dropped; another document ends every call still waiting.
  for (std::uint64_t watch = 1; watch <= PageSources::kMaxWaiting + 1; ++watch) {
    if (watch > 1) ask("power", watch);  // the first is answered now: its reading is new to it
    ask("power", watch);
  }
  EXPECT_EQ(calls[3].size(), 1u);
  EXPECT_EQ(calls[3].front().substr(0, 45), "error: the page follows too many changes at o");
  sources.Forget();
  for (std::size_t call = 5; call < calls.size(); call += 2) {
    EXPECT_EQ(calls[call], (std::vector<std::string>{"error: the page was replaced"})) << call;
  }
  ask("power", 2);
  EXPECT_EQ(calls.back(), (std::vector<std::string>{"power-saver"})) << "a new document's watch starts afresh";
}

}  // namespace
}  // namespace vantile
