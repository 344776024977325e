// "cpu": how busy the processors are. Usage is the share of time not idle
// since the watch's previous reading (a single read, or a watch's first,
// covers the time since the machine started), all cores and each core.
#include <algorithm>
#include <cmath>

#include "shell/page_api/page_sources.h"

namespace vantile {

namespace {

double Usage(const CpuTicks& now, const CpuTicks& before) {
  // Counters that went back (a core taken offline and on again) read as
  // a fresh start.
  const CpuTicks from = now.total >= before.total && now.idle >= before.idle ? before : CpuTicks{};
  const double total = static_cast<double>(now.total - from.total);
  if (total <= 0) return 0;
  const double busy = total - static_cast<double>(now.idle - from.idle);
  return std::round(std::clamp(busy / total * 100.0, 0.0, 100.0) * 10) / 10;
}

class CpuSource : public PageSource {
 public:
  void Read(SystemData& system, std::uint64_t watch, const PageReply& reply) override {
    const Reading<CpuFigures> reading = system.Cpu();
    const std::optional<CpuFigures> before = reading.figures ? last_.Swap(watch, *reading.figures) : std::nullopt;
    reply(AnswerOf(reading, [&](const CpuFigures& now) {
      Json cores = Json::array();
      for (std::size_t i = 0; i < now.cores.size(); ++i) {
        const bool known = before && i < before->cores.size();
        cores.push_back(Usage(now.cores[i], known ? before->cores[i] : CpuTicks{}));
      }
      return Json{{"usage", Usage(now.all, before ? before->all : CpuTicks{})},
                  {"cores", cores},
                  {"load", {now.load[0], now.load[1], now.load[2]}}};
    }));
  }

 private:
  PerWatch<CpuFigures> last_;
};

}  // namespace

std::unique_ptr<PageSource> MakeCpuSource() { return std::make_unique<CpuSource>(); }

}  // namespace vantile
