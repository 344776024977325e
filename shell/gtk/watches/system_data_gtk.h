// The machine's figures for the page data sources, read where the desktop
// reads them: processors, memory, swap and network counters through GNOME's
// system statistics library (libgtop), connectivity and mounts through GIO,
// power through PowerDataGtk. Nothing is opened before a page first asks.
#pragma once

#include <memory>

#include "shell/gtk/watches/desktop_folder_gtk.h"
#include "shell/page_api/system_data.h"

namespace vantile {

class PowerDataGtk;

class SystemDataGtk : public SystemData {
 public:
  SystemDataGtk();
  ~SystemDataGtk() override;
  SystemDataGtk(const SystemDataGtk&) = delete;
  SystemDataGtk& operator=(const SystemDataGtk&) = delete;

  Reading<CpuFigures> Cpu() override;
  Reading<MemoryFigures> Memory() override;
  Reading<NetworkFigures> Network() override;
  // At most kMaxDisks file systems, each once, in mount order.
  Reading<std::vector<DiskFigures>> Disks() override;
  void Power(std::function<void(Reading<PowerFigures>)> done) override;
  Reading<DesktopFolderFigures> DesktopFolder() override { return desktop_.Read(); }
  void Follow(std::function<void(Followed)> changed) override;
  double Now() override;

  static constexpr std::size_t kMaxDisks = 32;
  static constexpr std::size_t kMaxInterfaces = 64;

 private:
  std::unique_ptr<PowerDataGtk> power_;  // made when a page first asks
  DesktopFolderGtk desktop_;
  std::function<void(Followed)> changed_;
};

}  // namespace vantile
