// The machine's figures checked against the kernel's own, and the power
// figures against UPower and the power-profile service mocked on a private
// bus that stands in for the system bus.
#include <arpa/inet.h>
#include <gio/gio.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <numeric>

#include "common/gtk/glib_util.h"
#include "shell/gtk/watches/power_data_gtk.h"
#include "shell/gtk/watches/system_data_gtk.h"

namespace vantile {
namespace {

TEST(SystemDataGtk, MemoryTotalIsTheKernelsMemTotal) {
  std::ifstream meminfo("/proc/meminfo");
  std::string key;
  std::uint64_t kib = 0;
  while (meminfo >> key >> kib && key != "MemTotal:") meminfo.ignore(100, '\n');
  const MemoryFigures memory = SystemDataGtk().Memory().figures.value();
  EXPECT_EQ(memory.total, kib * 1024);
  EXPECT_GT(memory.available, 0u);
  EXPECT_LE(memory.available, memory.total);
  EXPECT_LE(memory.swap_free, memory.swap_total);
}

TEST(SystemDataGtk, TheRootFileSystemIsListedOnceWithItsSizeAndNoPseudoFileSystemIs) {
  const std::vector<DiskFigures> disks = SystemDataGtk().Disks().figures.value();
  struct statvfs root {};
  ASSERT_EQ(statvfs("/", &root), 0);
  EXPECT_EQ(std::count_if(disks.begin(), disks.end(), [](const DiskFigures& d) { return d.mount == "/"; }), 1);
  for (const DiskFigures& disk : disks) {
    if (disk.mount == "/") {
      EXPECT_EQ(disk.total, std::uint64_t{root.f_blocks} * root.f_frsize);
    }
    EXPECT_LE(disk.free, disk.total) << disk.mount;
    for (const char* pseudo : {"tmpfs", "devtmpfs", "proc", "sysfs", "cgroup", "cgroup2", "overlay", "squashfs"}) {
      EXPECT_NE(disk.type, pseudo) << disk.mount;
    }
  }
}

std::optional<InterfaceFigures> Loopback(SystemData& data) {
  const NetworkFigures network = data.Network().figures.value();
  for (const InterfaceFigures& interface : network.interfaces) {
    if (interface.name == "lo") return interface;
  }
  return std::nullopt;
}

TEST(SystemDataGtk, LoopbackIsUpAndCountsTheBytesSentOverIt) {
  SystemDataGtk data;
  const std::optional<InterfaceFigures> before = Loopback(data);
  ASSERT_TRUE(before);
  EXPECT_TRUE(before->up);
  const int receiver = socket(AF_INET, SOCK_DGRAM, 0);
  const int sender = socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  ASSERT_EQ(bind(receiver, reinterpret_cast<sockaddr*>(&address), size), 0);
  ASSERT_EQ(getsockname(receiver, reinterpret_cast<sockaddr*>(&address), &size), 0);
  const std::string bytes(4000, 'x');
  for (int i = 0; i < 16; ++i) sendto(sender, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&address), size);
  close(sender);
  close(receiver);
  EXPECT_GE(Loopback(data)->rx_bytes, before->rx_bytes + 16 * bytes.size());
}

TEST(SystemDataGtk, EveryOnlineCoreIsReadAndTheTicksGrow) {
  SystemDataGtk data;
  const CpuFigures before = data.Cpu().figures.value();
  ASSERT_EQ(before.cores.size(), static_cast<std::size_t>(sysconf(_SC_NPROCESSORS_ONLN)));
  const auto core_sum = std::accumulate(before.cores.begin(), before.cores.end(), std::uint64_t{0},
                                        [](std::uint64_t sum, const CpuTicks& core) { return sum + core.total; });
  EXPECT_NEAR(static_cast<double>(core_sum), static_cast<double>(before.all.total), before.all.total * 0.01);
  const double start = data.Now();
  while (data.Now() - start < 0.1) {
  }
  const CpuFigures after = data.Cpu().figures.value();
  EXPECT_GT(after.all.total, before.all.total);
  EXPECT_LE(after.all.idle - before.all.idle, after.all.total - before.all.total);
}

// Runs the main loop until `done()` or `seconds` have passed; says whether
// `done()` came true.
bool RunUntil(const std::function<bool()>& done, double seconds) {
  const gint64 deadline = g_get_monotonic_time() + static_cast<gint64>(seconds * 1e6);
  const guint tick = g_timeout_add(20, [](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr);
  while (!done() && g_get_monotonic_time() < deadline) g_main_context_iteration(nullptr, TRUE);
  g_source_remove(tick);
  return done();
}

GPid Spawn(std::vector<const char*> argv, int* out = nullptr) {
  argv.push_back(nullptr);
  GPid pid = 0;
  GError* error = nullptr;
  g_spawn_async_with_pipes(nullptr, const_cast<char**>(argv.data()), nullptr,
                           static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD |
                                                    (out ? 0 : G_SPAWN_STDOUT_TO_DEV_NULL)), nullptr, nullptr,
                           &pid, nullptr, out, nullptr, &error);
  EXPECT_EQ(GErrorPtr(error), nullptr) << argv[0];
  return pid;
}

void Stop(GPid pid) {
  kill(pid, SIGCONT);
  kill(pid, SIGTERM);
  waitpid(pid, nullptr, 0);
}

// A child stopped on every way out of a test, failed assertions included.
struct Child {
  explicit Child(GPid started) : pid(started) {}
  Child(Child&& other) noexcept : pid(std::exchange(other.pid, 0)) {}
  ~Child() {
    if (pid) Stop(pid);
  }
  GPid pid;
};

// One private bus for the suite, as the system bus: GIO keeps one system
// bus connection per process, which must not end the process when the bus
// goes away at the end.
class PowerOnPrivateBus : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    int out = -1;
    bus_ = Spawn({"dbus-daemon", "--session", "--nofork", "--print-address=1"}, &out);
    char address[512] = {};
    const ssize_t got = read(out, address, sizeof address - 1);
    close(out);
    ASSERT_GT(got, 0) << "dbus-daemon printed no address";
    address[std::strcspn(address, "\n")] = '\0';
    g_setenv("DBUS_SYSTEM_BUS_ADDRESS", address, TRUE);
    connection_ = g_bus_get_sync(G_BUS_TYPE_SYSTEM, nullptr, nullptr);
    ASSERT_NE(connection_, nullptr);
    g_dbus_connection_set_exit_on_close(connection_, FALSE);
  }
  static void TearDownTestSuite() {
    g_clear_object(&connection_);
    Stop(bus_);
    g_unsetenv("DBUS_SYSTEM_BUS_ADDRESS");  // the tests after these use the machine's
  }

  static bool Owned(const char* name) {
    GVariantPtr reply(g_dbus_connection_call_sync(connection_, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                  "org.freedesktop.DBus", "NameHasOwner", g_variant_new("(s)", name),
                                                  G_VARIANT_TYPE("(b)"), G_DBUS_CALL_FLAGS_NONE, 1000, nullptr, nullptr));
    gboolean owned = FALSE;
    if (reply) g_variant_get(reply.get(), "(b)", &owned);
    return owned;
  }
  // python3-dbusmock's template serving `name`, ready.
  static Child Mock(const char* template_name, const char* parameters, const char* name) {
    // The system's Python, where the Debian package installs dbusmock.
    Child mock{Spawn({"/usr/bin/python3", "-m", "dbusmock", "--template", template_name, "-p", parameters})};
    EXPECT_TRUE(RunUntil([&] { return Owned(name); }, 10)) << template_name << " never appeared";
    return mock;
  }
  // The answer is shared: a late one, from the reader's end, still has a home.
  static std::optional<Reading<PowerFigures>> ReadOnce(PowerDataGtk& power, double seconds) {
    auto answer = std::make_shared<std::optional<Reading<PowerFigures>>>();
    power.Read([answer](Reading<PowerFigures> reading) { *answer = std::move(reading); });
    RunUntil([&] { return answer->has_value(); }, seconds);
    return *answer;
  }

  static inline GPid bus_ = 0;
  static inline GDBusConnection* connection_ = nullptr;
};

TEST_F(PowerOnPrivateBus, WithoutServicesThePageIsToldUPowerIsNotRunning) {
  PowerDataGtk power;
  const auto answer = ReadOnce(power, 1.5);
  ASSERT_TRUE(answer) << "no answer before the wait was over";
  EXPECT_EQ(answer->why_not, "the power daemon (UPower) is not running");
}

TEST_F(PowerOnPrivateBus, TheMockedBatteryAndProfileAreReadAndEveryWaitingReadIsAnsweredOnce) {
  const Child upower = Mock("upower", R"({"OnBattery": true})", "org.freedesktop.UPower");
  const Child profiles = Mock("power_profiles_daemon", R"({"ActiveProfile": "power-saver"})", "net.hadess.PowerProfiles");
  GVariantPtr(g_dbus_connection_call_sync(connection_, "org.freedesktop.UPower", "/org/freedesktop/UPower",
                                          "org.freedesktop.DBus.Mock", "SetupDisplayDevice",
                                          g_variant_new("(uuddddxxbsu)", 2, 2, 42.0, 42.0, 100.0, 10.0, gint64{3600},
                                                        gint64{0}, TRUE, "battery", 1),
                                          nullptr, G_DBUS_CALL_FLAGS_NONE, 2000, nullptr, nullptr));
  PowerDataGtk power;
  int answers = 0;
  for (int i = 0; i < 3; ++i) power.Read([&](Reading<PowerFigures>) { ++answers; });
  const auto answer = ReadOnce(power, 1.5);
  ASSERT_TRUE(answer && answer->figures) << (answer ? answer->why_not : "no answer");
  EXPECT_EQ(answers, 3);
  EXPECT_TRUE(answer->figures->on_battery);
  ASSERT_TRUE(answer->figures->battery);
  EXPECT_EQ(answer->figures->battery->percent, 42);
  EXPECT_EQ(answer->figures->battery->state, "discharging");
  EXPECT_EQ(answer->figures->battery->time_to_empty, 3600);
  EXPECT_EQ(answer->figures->profile, "power-saver");
}

TEST_F(PowerOnPrivateBus, AHungServiceIsAnsweredWhenTheWaitIsOverAndLeavingThenIsSafe) {
  const Child upower = Mock("upower", "{}", "org.freedesktop.UPower");
  kill(upower.pid, SIGSTOP);
  int late_answers = 0;
  {
    PowerDataGtk power(std::chrono::milliseconds(300));
    const auto answer = ReadOnce(power, 1);
    ASSERT_TRUE(answer) << "no answer after the wait";
    EXPECT_EQ(answer->why_not, "the power daemon (UPower) did not answer in time");
    // Another service's reply may still be on its way when the reader goes.
    PowerDataGtk leaving;
    leaving.Read([&](Reading<PowerFigures> reading) { late_answers += !reading.figures; });
  }
  EXPECT_EQ(late_answers, 1);
  RunUntil([] { return false; }, 0.3);  // the cancelled callbacks run against nothing
}

}  // namespace
}  // namespace vantile
