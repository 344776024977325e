// What the machine tells about itself, for the page data sources: plain
// figures as the system keeps them (counters since boot, sizes in bytes).
// shell/gtk/watches/ reads them with GNOME's system statistics library,
// GIO and the power services on the system bus; tests use fixtures.
// Turning counters into rates and usage, and figures into what a page
// reads, is the sources' work (page_sources.h), not this interface's.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vantile {

// Time a processor spent, in the kernel's ticks since boot.
struct CpuTicks {
  std::uint64_t total = 0;  // every state
  std::uint64_t idle = 0;   // idle and waiting for input/output
  bool operator==(const CpuTicks&) const = default;
};

struct CpuFigures {
  CpuTicks all;                // every core together
  std::vector<CpuTicks> cores;  // one per core, in order
  double load[3] = {0, 0, 0};   // 1, 5 and 15 minute load averages
};

// Bytes.
struct MemoryFigures {
  std::uint64_t total = 0;
  std::uint64_t available = 0;  // what programs could still get without swapping
  std::uint64_t swap_total = 0;
  std::uint64_t swap_free = 0;
};

struct InterfaceFigures {
  std::string name;
  bool up = false;
  std::uint64_t rx_bytes = 0;  // received since the interface came up
  std::uint64_t tx_bytes = 0;  // sent
};

struct NetworkFigures {
  std::vector<InterfaceFigures> interfaces;
  bool online = false;  // the desktop's own idea of connectivity
};

// A mounted file system the user sees (no pseudo file systems).
struct DiskFigures {
  std::string mount;
  std::string device;
  std::string type;
  std::uint64_t total = 0;  // bytes
  std::uint64_t free = 0;   // bytes an ordinary user may still write
};

struct BatteryFigures {
  double percent = 0;
  std::string state;  // "charging", "discharging", "full", "empty", "unknown"
  std::int64_t time_to_empty = 0;  // seconds; 0: not known
  std::int64_t time_to_full = 0;
};

struct PowerFigures {
  std::optional<BatteryFigures> battery;  // none without one
  bool on_battery = false;
  std::optional<std::string> profile;  // "power-saver", "balanced", "performance"; none without the service
};

// One entry of the user's desktop folder.
struct DesktopEntryFigures {
  enum class Kind { File, Folder, Program };  // Program: a .desktop launcher
  std::string name;
  std::string path;
  Kind kind = Kind::File;
  std::string type;             // the content type
  std::uint64_t size = 0;       // bytes
  std::int64_t modified = 0;    // seconds since 1970
};

struct DesktopFolderFigures {
  std::string folder;  // the XDG desktop folder
  std::vector<DesktopEntryFigures> entries;
};

// A figure, or why it cannot be had here, in plain words.
template <typename T>
struct Reading {
  std::optional<T> figures;
  std::string why_not;
  static Reading Of(T value) { return {std::move(value), {}}; }
  static Reading Missing(std::string why) { return {std::nullopt, std::move(why)}; }
};

// The figures that change now and then, not by the second: a page is told
// of their changes instead of asking again and again.
enum class Followed { Power, DesktopFolder };

class SystemData {
 public:
  virtual ~SystemData() = default;
  virtual Reading<CpuFigures> Cpu() = 0;
  virtual Reading<MemoryFigures> Memory() = 0;
  virtual Reading<NetworkFigures> Network() = 0;
  virtual Reading<std::vector<DiskFigures>> Disks() = 0;
  // The desktop folder's entries, as they are now.
  virtual Reading<DesktopFolderFigures> DesktopFolder() = 0;
  // The power services answer over the system bus, so this may answer
  // later: `done` is called exactly once, now or from the main loop.
  virtual void Power(std::function<void(Reading<PowerFigures>)> done) = 0;
  // From now on, `changed` is called from the main loop whenever what
  // `which` reports may have changed (sometimes when nothing did), but only
  // for figures that have been read at least once. A later call replaces it.
  virtual void Follow(std::function<void(Followed which)> changed) = 0;
  // Seconds on a steady clock, for rates.
  virtual double Now() = 0;
};

}  // namespace vantile
