// "memory": the machine's memory and swap, in bytes.
#include <algorithm>

#include "shell/page_api/page_sources.h"

namespace vantile {

namespace {

class MemorySource : public PageSource {
 public:
  void Read(SystemData& system, std::uint64_t, const PageReply& reply) override {
    reply(AnswerOf(system.Memory(), [](const MemoryFigures& m) {
      const std::uint64_t available = std::min(m.available, m.total);
      const std::uint64_t swap_free = std::min(m.swap_free, m.swap_total);
      return Json{{"total", m.total},           {"available", available},
                  {"used", m.total - available}, {"swapTotal", m.swap_total},
                  {"swapUsed", m.swap_total - swap_free}};
    }));
  }
};

}  // namespace

std::unique_ptr<PageSource> MakeMemorySource() { return std::make_unique<MemorySource>(); }

}  // namespace vantile
