#include "shell/page_api/page_sources.h"

#include <array>
#include <utility>
#include <vector>

namespace vantile {

namespace {

constexpr std::array kSources = {
    PageSourceRow{"cpu", MakeCpuSource},
    PageSourceRow{"memory", MakeMemorySource},
    PageSourceRow{"network", MakeNetworkSource},
    PageSourceRow{"disks", MakeDisksSource},
    PageSourceRow{"power", MakePowerSource, Followed::Power},
    PageSourceRow{"desktop", MakeDesktopSource, Followed::DesktopFolder},
};

std::string SourceNames() {
  std::string names;
  for (const PageSourceRow& row : kSources) {
    if (!names.empty()) names += ", ";
    names += row.name;
  }
  return names;
}

const PageSourceRow* RowNamed(std::string_view name) {
  for (const PageSourceRow& row : kSources) {
    if (row.name == name) return &row;
  }
  return nullptr;
}

}  // namespace

std::span<const PageSourceRow> PageSourceTable() { return kSources; }

PageSources::PageSources(SystemData& system) : system_(system), alive_(std::make_shared<PageSources*>(this)) {
  system_.Follow([this](Followed which) { Changed(which); });
}

// Calls still waiting are dropped with the view they would answer.
PageSources::~PageSources() { system_.Follow(nullptr); }

void PageSources::Read(std::string_view name, std::uint64_t watch, const PageReply& reply) {
  auto made = made_.find(name);
  if (made == made_.end()) {
    const PageSourceRow* row = RowNamed(name);
    if (!row) {
      return reply(PageAnswer::Error("there is no source \"" + std::string(name.substr(0, 40)) + "\"; the sources are " +
                                     SourceNames()));
    }
    made = made_.emplace(std::string(name), row->make()).first;
  }
  made->second->Read(system_, watch, reply);
}


void PageSources::ReadChange(std::string_view name, std::uint64_t watch, const PageReply& reply) {
  const PageSourceRow* row = RowNamed(name);
  if (!row || !row->followed || watch == 0) return Read(name, watch, reply);
  auto found = waiting_.find(watch);
  if (found == waiting_.end()) {
    if (waiting_.size() >= kMaxWaiting) {
      auto lowest = waiting_.begin();
      PageReply dropped = std::exchange(lowest->second.reply, nullptr);
      waiting_.erase(lowest);
      if (dropped) dropped(PageAnswer::Error("the page follows too many changes at once; its oldest watch was dropped"));
    }
    found = waiting_.emplace(watch, Waiting{std::string(name), {}, nullptr, 0}).first;
  }
  // The page scripts ask again only once answered; a second call is told so.
  if (PageReply earlier = std::exchange(found->second.reply, reply)) {
    earlier(PageAnswer::Error("the watch asked again before its answer"));
  }
  found->second.source = std::string(name);
  found->second.call = ++calls_;
  Check(watch);
}

void PageSources::Check(std::uint64_t watch) {
  const auto found = waiting_.find(watch);
  if (found == waiting_.end() || !found->second.reply) return;
  const std::uint64_t call = found->second.call;
  Read(found->second.source, watch, [alive = std::weak_ptr(alive_), watch, call](PageAnswer answer) {
    const std::shared_ptr<PageSources*> owner = alive.lock();
    if (!owner) return;
    PageSources& self = **owner;
    const auto now = self.waiting_.find(watch);
    // Answered already, dropped, or asked by another document.
    if (now == self.waiting_.end() || now->second.call != call || !now->second.reply) return;
    std::string text = answer.ok() ? answer.value.dump() : "error: " + answer.error;
    if (text == now->second.given) return;  // nothing new: the call waits on
    now->second.given = std::move(text);
    std::exchange(now->second.reply, nullptr)(std::move(answer));
  });
}

void PageSources::Changed(Followed which) {
  // An answer may bring the page's next call at once: the watches are taken first.
  std::vector<std::uint64_t> watches;
  for (const auto& [watch, waiting] : waiting_) {
    const PageSourceRow* row = RowNamed(waiting.source);
    if (waiting.reply && row && row->followed == which) watches.push_back(watch);
  }
  for (std::uint64_t watch : watches) Check(watch);
}

void PageSources::Forget() {
  std::map<std::uint64_t, Waiting> waiting = std::exchange(waiting_, {});
  made_.clear();
  for (auto& [watch, one] : waiting) {
    if (one.reply) one.reply(PageAnswer::Error("the page was replaced"));
  }
}

}  // namespace vantile
