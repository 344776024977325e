// SystemData with the figures a test sets, for the page data sources.
#pragma once

#include <functional>
#include <utility>
#include <vector>

#include "shell/page_api/system_data.h"

namespace vantile::test {

class FixtureSystem : public SystemData {
 public:
  Reading<CpuFigures> cpu = Reading<CpuFigures>::Missing("no cpu figures");
  Reading<MemoryFigures> memory = Reading<MemoryFigures>::Missing("no memory figures");
  Reading<NetworkFigures> network = Reading<NetworkFigures>::Missing("no network figures");
  Reading<std::vector<DiskFigures>> disks = Reading<std::vector<DiskFigures>>::Missing("no disks");
  Reading<PowerFigures> power = Reading<PowerFigures>::Missing("the power daemon (UPower) is not running");
  Reading<DesktopFolderFigures> desktop = Reading<DesktopFolderFigures>::Missing("no desktop folder");
  double now = 100;

  Reading<CpuFigures> Cpu() override { return cpu; }
  Reading<MemoryFigures> Memory() override { return memory; }
  Reading<NetworkFigures> Network() override { return network; }
  Reading<std::vector<DiskFigures>> Disks() override { return disks; }
  Reading<DesktopFolderFigures> DesktopFolder() override { return desktop; }
  // With `power_later`, the answer waits until AnswerPower().
  bool power_later = false;
  std::vector<std::function<void(Reading<PowerFigures>)>> power_waiting;
  void AnswerPower() {
    for (auto& done : std::exchange(power_waiting, {})) done(power);
  }

  void Power(std::function<void(Reading<PowerFigures>)> done) override {
    power_later ? power_waiting.push_back(std::move(done)) : done(power);
  }
  // What the sources follow; Change() tells them as the platform would.
  std::function<void(Followed)> changed;
  void Follow(std::function<void(Followed)> follow) override { changed = std::move(follow); }
  void Change(Followed which) {
    if (changed) changed(which);
  }
  double Now() override { return now; }
};

}  // namespace vantile::test
