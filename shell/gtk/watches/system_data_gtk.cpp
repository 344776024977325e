#include "shell/gtk/watches/system_data_gtk.h"

#include <gio/gio.h>
#include <gio/gunixmounts.h>
#include <glibtop.h>
#include <glibtop/cpu.h>
#include <glibtop/loadavg.h>
#include <glibtop/mem.h>
#include <glibtop/netlist.h>
#include <glibtop/netload.h>
#include <glibtop/swap.h>
#include <sys/stat.h>
#include <sys/statvfs.h>

#include <algorithm>
#include <charconv>
#include <fstream>
#include <set>
#include <string_view>

#include "common/gtk/glib_util.h"
#include "shell/gtk/watches/power_data_gtk.h"

namespace vantile {
namespace {

// libgtop keeps one state for the whole process; it is opened the first time
// a page asks for a figure it holds, and kept until the process ends.
void OpenGtop() {
  static const bool opened = (glibtop_init(), true);
  (void)opened;
}

std::string Text(const char* text) { return text ? text : ""; }

bool Has(guint64 flags, int field) { return (flags & (guint64{1} << field)) != 0; }

// libgtop 2.40 offers no MemAvailable (its "free" leaves out reclaimable
// caches, its "user" counts some of them as used), so the kernel's own
// estimate is read here. Kernels before 3.14 lack it: none then.
std::optional<std::uint64_t> KernelMemAvailable() {
  std::ifstream meminfo("/proc/meminfo");
  std::string line;
  constexpr std::string_view kKey = "MemAvailable:";
  for (int lines = 0; lines < 200 && std::getline(meminfo, line); ++lines) {
    if (!line.starts_with(kKey)) continue;
    std::string_view rest = std::string_view(line).substr(kKey.size());
    rest.remove_prefix(std::min(rest.find_first_not_of(' '), rest.size()));
    std::uint64_t kib = 0;
    const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), kib);
    if (error != std::errc() || std::string_view(end, rest.data() + rest.size()) != " kB") return std::nullopt;
    return kib * 1024;
  }
  return std::nullopt;
}

struct MountListDeleter {
  void operator()(GList* mounts) const { g_list_free_full(mounts, reinterpret_cast<GDestroyNotify>(g_unix_mount_free)); }
};

// File systems that hold no disk a user would call one: memory, images,
// layers. Network and userspace file systems are left out too: statvfs on
// one whose server went away blocks, and this runs on the desktop's loop.
bool ShownType(std::string_view type) {
  constexpr std::string_view kNotShown[] = {
      "tmpfs", "devtmpfs", "ramfs",  "overlay", "squashfs", "autofs", "nfs",  "nfs4",
      "cifs",  "smb3",     "smbfs", "ceph",    "glusterfs", "9p",    "nsfs", "efivarfs",
  };
  if (type.starts_with("fuse.")) return false;  // portals, gvfs, sshfs, AppImages; fuseblk (NTFS, exFAT) stays
  return std::find(std::begin(kNotShown), std::end(kNotShown), type) == std::end(kNotShown);
}

}  // namespace

SystemDataGtk::SystemDataGtk() {
  desktop_.Follow([this] {
    if (changed_) changed_(Followed::DesktopFolder);
  });
}
SystemDataGtk::~SystemDataGtk() = default;

Reading<CpuFigures> SystemDataGtk::Cpu() {
  OpenGtop();
  glibtop_cpu cpu{};
  glibtop_get_cpu(&cpu);
  if (!Has(cpu.flags, GLIBTOP_CPU_TOTAL) || !Has(cpu.flags, GLIBTOP_CPU_IDLE)) {
    return Reading<CpuFigures>::Missing("the processor times cannot be read here");
  }
  CpuFigures figures;
  figures.all = {cpu.total, cpu.idle + (Has(cpu.flags, GLIBTOP_CPU_IOWAIT) ? cpu.iowait : 0)};
  // libgtop's ncpu is the highest processor number it follows, not a count.
  const int cores = std::clamp(glibtop_global_server->ncpu + 1, 1, GLIBTOP_NCPU);
  if (Has(cpu.flags, GLIBTOP_XCPU_TOTAL) && Has(cpu.flags, GLIBTOP_XCPU_IDLE)) {
    for (int i = 0; i < cores; ++i) {
      const guint64 iowait = Has(cpu.flags, GLIBTOP_XCPU_IOWAIT) ? cpu.xcpu_iowait[i] : 0;
      figures.cores.push_back({cpu.xcpu_total[i], cpu.xcpu_idle[i] + iowait});
    }
  }
  glibtop_loadavg load{};
  glibtop_get_loadavg(&load);
  if (Has(load.flags, GLIBTOP_LOADAVG_LOADAVG)) std::copy(std::begin(load.loadavg), std::end(load.loadavg), figures.load);
  return Reading<CpuFigures>::Of(std::move(figures));
}

Reading<MemoryFigures> SystemDataGtk::Memory() {
  OpenGtop();
  glibtop_mem mem{};
  glibtop_get_mem(&mem);
  if (!Has(mem.flags, GLIBTOP_MEM_TOTAL)) return Reading<MemoryFigures>::Missing("the memory figures cannot be read here");
  glibtop_swap swap{};
  glibtop_get_swap(&swap);
  MemoryFigures figures;
  figures.total = mem.total;
  // Without the kernel's estimate, free memory plus the caches it could drop
  // is the nearest figure.
  figures.available = KernelMemAvailable().value_or(mem.free + mem.buffer + mem.cached);
  figures.swap_total = swap.total;
  figures.swap_free = swap.free;
  return Reading<MemoryFigures>::Of(figures);
}

Reading<NetworkFigures> SystemDataGtk::Network() {
  OpenGtop();
  glibtop_netlist list{};
  GStrvPtr names(glibtop_get_netlist(&list));
  if (!names) return Reading<NetworkFigures>::Missing("the network interfaces cannot be listed here");
  NetworkFigures figures;
  for (char** name = names.get(); *name && figures.interfaces.size() < kMaxInterfaces; ++name) {
    glibtop_netload load{};
    glibtop_get_netload(&load, *name);
    figures.interfaces.push_back({*name, Has(load.flags, GLIBTOP_NETLOAD_IF_FLAGS) && Has(load.if_flags, GLIBTOP_IF_FLAGS_UP),
                                  load.bytes_in, load.bytes_out});
  }
  // Online means the desktop believes the internet is reachable: full
  // connectivity, not merely a network (a captive portal or a local link is
  // "limited" or "local"). The monitor is GIO's shared one, not ours to free.
  GNetworkMonitor* monitor = g_network_monitor_get_default();
  figures.online = g_network_monitor_get_connectivity(monitor) == G_NETWORK_CONNECTIVITY_FULL;
  return Reading<NetworkFigures>::Of(std::move(figures));
}

Reading<std::vector<DiskFigures>> SystemDataGtk::Disks() {
  std::unique_ptr<GList, MountListDeleter> mounts(g_unix_mounts_get(nullptr));
  std::vector<DiskFigures> disks;
  std::set<std::string> devices;  // a file system mounted twice (bind mounts, subvolumes) counts once
  for (GList* item = mounts.get(); item && disks.size() < kMaxDisks; item = item->next) {
    auto* mount = static_cast<GUnixMountEntry*>(item->data);
    DiskFigures disk{Text(g_unix_mount_get_mount_path(mount)), Text(g_unix_mount_get_device_path(mount)),
                     Text(g_unix_mount_get_fs_type(mount))};
    // GIO's g_unix_mount_is_system_internal() would also drop "/", "/boot"
    // and the like (file managers show them as the computer, not as drives),
    // which are the disks a page shows: only its type and device tests are used.
    if (g_unix_is_system_fs_type(disk.type.c_str()) || g_unix_is_system_device_path(disk.device.c_str()) ||
        !ShownType(disk.type) || devices.contains(disk.device)) {
      continue;
    }
    // A file mounted over a file (a container's /etc/hosts) is no disk.
    struct stat where {};
    if (stat(disk.mount.c_str(), &where) != 0 || !S_ISDIR(where.st_mode)) continue;
    struct statvfs sizes {};
    if (statvfs(disk.mount.c_str(), &sizes) != 0 || sizes.f_blocks == 0) continue;
    disk.total = std::uint64_t{sizes.f_blocks} * sizes.f_frsize;
    disk.free = std::uint64_t{sizes.f_bavail} * sizes.f_frsize;
    devices.insert(disk.device);
    disks.push_back(std::move(disk));
  }
  return Reading<std::vector<DiskFigures>>::Of(std::move(disks));
}

void SystemDataGtk::Power(std::function<void(Reading<PowerFigures>)> done) {
  if (!power_) {
    power_ = std::make_unique<PowerDataGtk>();
    power_->Follow([this] {
      if (changed_) changed_(Followed::Power);
    });
  }
  power_->Read(std::move(done));
}

void SystemDataGtk::Follow(std::function<void(Followed)> changed) { changed_ = std::move(changed); }

double SystemDataGtk::Now() { return static_cast<double>(g_get_monotonic_time()) / 1e6; }

}  // namespace vantile
