#include "shell/page_api/page_sources.h"

#include <array>

namespace vantile {

namespace {

constexpr std::array kSources = {
    PageSourceRow{"cpu", MakeCpuSource},
    PageSourceRow{"memory", MakeMemorySource},
    PageSourceRow{"network", MakeNetworkSource},
    PageSourceRow{"disks", MakeDisksSource},
    PageSourceRow{"power", MakePowerSource},
    PageSourceRow{"desktop", MakeDesktopSource},
};

std::string SourceNames() {
  std::string names;
  for (const PageSourceRow& row : kSources) {
    if (!names.empty()) names += ", ";
    names += row.name;
  }
  return names;
}

}  // namespace

std::span<const PageSourceRow> PageSourceTable() { return kSources; }

void PageSources::Read(std::string_view name, std::uint64_t watch, const PageReply& reply) {
  auto made = made_.find(name);
  if (made == made_.end()) {
    const PageSourceRow* row = nullptr;
    for (const PageSourceRow& candidate : kSources) {
      if (candidate.name == name) row = &candidate;
    }
    if (!row) {
      return reply(PageAnswer::Error("there is no source \"" + std::string(name.substr(0, 40)) + "\"; the sources are " +
                                     SourceNames()));
    }
    made = made_.emplace(std::string(name), row->make()).first;
  }
  made->second->Read(system_, watch, reply);
}

}  // namespace vantile
