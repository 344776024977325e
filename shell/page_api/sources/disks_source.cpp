// "disks": the file systems the user sees, with their size and free space
// in bytes.
#include <algorithm>

#include "shell/page_api/page_sources.h"

namespace vantile {

namespace {

class DisksSource : public PageSource {
 public:
  void Read(SystemData& system, std::uint64_t, const PageReply& reply) override {
    reply(AnswerOf(system.Disks(), [](const std::vector<DiskFigures>& disks) {
      Json list = Json::array();
      for (const DiskFigures& d : disks) {
        list.push_back({{"mount", d.mount},
                        {"device", d.device},
                        {"type", d.type},
                        {"total", d.total},
                        {"free", std::min(d.free, d.total)}});
      }
      return list;
    }));
  }
};

}  // namespace

std::unique_ptr<PageSource> MakeDisksSource() { return std::make_unique<DisksSource>(); }

}  // namespace vantile
