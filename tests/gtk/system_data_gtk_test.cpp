// Power against UPower and the power-profile service mocked on a private
// bus posing as the system bus. (The other figures are checked against the
// kernel's own on the real program, in test_shell_system_data.py.)
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

#include "common/gtk/glib_util.h"
#include "shell/gtk/watches/power_data_gtk.h"

namespace vantile {
namespace {

// Runs the main loop until `done()` or `seconds` have passed.
void RunUntil(const std::function<bool()>& done, double seconds) {
  const gint64 deadline = g_get_monotonic_time() + static_cast<gint64>(seconds * 1e6);
  const guint tick = g_timeout_add(20, [](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr);
  while (!done() && g_get_monotonic_time() < deadline) g_main_context_iteration(nullptr, TRUE);
  g_source_remove(tick);
}

// A program of ours, stopped (resumed first) on every way out of a test.
struct Child {
  explicit Child(std::vector<const char*> argv, int* out = nullptr) {
    argv.push_back(nullptr);
    const auto flags = G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD | (out ? 0 : G_SPAWN_STDOUT_TO_DEV_NULL);
    EXPECT_TRUE(g_spawn_async_with_pipes(nullptr, const_cast<char**>(argv.data()), nullptr, GSpawnFlags(flags),
                                         nullptr, nullptr, &pid, nullptr, out, nullptr, nullptr)) << argv[0];
  }
  Child(Child&& other) noexcept : pid(std::exchange(other.pid, 0)) {}
  ~Child() { if (pid && kill(pid, SIGCONT) == 0 && kill(pid, SIGTERM) == 0) waitpid(pid, nullptr, 0); }
  GPid pid = 0;
};

// One private bus for the suite. GIO keeps one system bus connection per
// process; it must not end the process when the bus goes at the end.
class PowerOnPrivateBus : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    int out = -1;
    bus_ = std::make_unique<Child>(std::vector{"dbus-daemon", "--session", "--nofork", "--print-address=1"}, &out);
    char address[512] = {};
    ASSERT_GT(read(out, address, sizeof address - 1), 0) << "dbus-daemon printed no address";
    close(out);
    address[std::strcspn(address, "\n")] = '\0';
    g_setenv("DBUS_SYSTEM_BUS_ADDRESS", address, TRUE);
    connection_ = g_bus_get_sync(G_BUS_TYPE_SYSTEM, nullptr, nullptr);
    ASSERT_NE(connection_, nullptr);
    g_dbus_connection_set_exit_on_close(connection_, FALSE);
  }
  static void TearDownTestSuite() {
    g_clear_object(&connection_);
    bus_.reset();
    g_unsetenv("DBUS_SYSTEM_BUS_ADDRESS");  // the tests after these use the machine's
  }
  // python3-dbusmock's template (from the system's Python, where Debian
  // installs it), once it owns `name`.
  static Child Mock(const char* template_name, const char* parameters, const char* name) {
    Child mock({"/usr/bin/python3", "-m", "dbusmock", "--template", template_name, "-p", parameters});
    const char* wait[] = {"gdbus", "wait", "--system", "--timeout", "10", name, nullptr};
    gint status = -1;
    g_spawn_sync(nullptr, const_cast<char**>(wait), nullptr, G_SPAWN_SEARCH_PATH, nullptr, nullptr, nullptr, nullptr,
                 &status, nullptr);
    EXPECT_EQ(status, 0) << template_name << " never appeared";
    return mock;
  }
  // Shared, so an answer that comes after the wait still has a home.
  static std::optional<Reading<PowerFigures>> ReadOnce(PowerDataGtk& power, double seconds) {
    auto answer = std::make_shared<std::optional<Reading<PowerFigures>>>();
    power.Read([answer](Reading<PowerFigures> reading) { *answer = std::move(reading); });
    RunUntil([&] { return answer->has_value(); }, seconds);
    return *answer;
  }

  static inline std::unique_ptr<Child> bus_;
  static inline GDBusConnection* connection_ = nullptr;
};

// The figures the mocked services give are read on the real program, in
// test_shell_system_data.py; here, what no page could arrange.
TEST_F(PowerOnPrivateBus, WithoutServicesUPowerIsNotRunning) {
  PowerDataGtk power;
  EXPECT_EQ(ReadOnce(power, 1.5).value().why_not, "the power daemon (UPower) is not running");
}

TEST_F(PowerOnPrivateBus, AHungServiceIsAnsweredWhenTheWaitIsOverAndLeavingThenIsSafe) {
  const Child upower = Mock("upower", "{}", "org.freedesktop.UPower");
  kill(upower.pid, SIGSTOP);
  int late_answers = 0, waiting_answers = 0;
  {
    PowerDataGtk power(std::chrono::milliseconds(300));
    for (int i = 0; i < 3; ++i) power.Read([&](Reading<PowerFigures>) { ++waiting_answers; });
    EXPECT_EQ(ReadOnce(power, 1).value().why_not, "the power daemon (UPower) did not answer in time");
    EXPECT_EQ(waiting_answers, 3) << "every read waiting for the services gets its answer, once";
    PowerDataGtk leaving;  // goes while its proxies are still being made
    leaving.Read([&](Reading<PowerFigures> reading) { late_answers += !reading.figures; });
  }
  EXPECT_EQ(late_answers, 1);
  RunUntil([] { return false; }, 0.3);  // the cancelled callbacks run against nothing
}

}  // namespace
}  // namespace vantile
