// "network": each interface with its counters and its rates in bytes per
// second since the watch's previous reading (0 for a single read, which has
// no interval), and whether the desktop thinks it is online.
#include <cmath>
#include <map>

#include "shell/page_api/page_sources.h"

namespace vantile {

namespace {

struct Sample {
  double at = 0;
  std::map<std::string, std::pair<std::uint64_t, std::uint64_t>> bytes;  // name -> received, sent
};

double Rate(std::uint64_t now, std::uint64_t before, double seconds) {
  // A counter that went back (the interface came up again) starts afresh.
  if (seconds <= 0 || now < before) return 0;
  return std::round(static_cast<double>(now - before) / seconds);
}

class NetworkSource : public PageSource {
 public:
  void Read(SystemData& system, std::uint64_t watch, const PageReply& reply) override {
    const Reading<NetworkFigures> reading = system.Network();
    Sample now{system.Now(), {}};
    if (reading.figures) {
      for (const InterfaceFigures& i : reading.figures->interfaces) now.bytes[i.name] = {i.rx_bytes, i.tx_bytes};
    }
    const std::optional<Sample> before = reading.figures ? last_.Swap(watch, now) : std::nullopt;
    reply(AnswerOf(reading, [&](const NetworkFigures& network) {
      Json interfaces = Json::array();
      for (const InterfaceFigures& i : network.interfaces) {
        double rx_rate = 0, tx_rate = 0;
        if (before) {
          if (const auto old = before->bytes.find(i.name); old != before->bytes.end()) {
            rx_rate = Rate(i.rx_bytes, old->second.first, now.at - before->at);
            tx_rate = Rate(i.tx_bytes, old->second.second, now.at - before->at);
          }
        }
        interfaces.push_back({{"name", i.name},         {"up", i.up},         {"rxBytes", i.rx_bytes},
                              {"txBytes", i.tx_bytes}, {"rxRate", rx_rate}, {"txRate", tx_rate}});
      }
      return Json{{"interfaces", interfaces}, {"online", network.online}};
    }));
  }

 private:
  PerWatch<Sample> last_;
};

}  // namespace

std::unique_ptr<PageSource> MakeNetworkSource() { return std::make_unique<NetworkSource>(); }

}  // namespace vantile
