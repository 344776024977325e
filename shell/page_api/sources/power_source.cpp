// "power": the battery (null without one), whether the machine runs on it,
// and the power profile (null where the session has no profile service).
// The power services answer over the system bus, so this reading may come
// later than the others.
#include <algorithm>
#include <cmath>

#include "shell/page_api/page_sources.h"

namespace vantile {

namespace {

Json PowerJson(const PowerFigures& power) {
  Json battery = nullptr;
  if (const auto& b = power.battery) {
    battery = {{"percent", std::round(std::clamp(b->percent, 0.0, 100.0) * 10) / 10},
               {"state", b->state.empty() ? "unknown" : b->state},
               {"timeToEmpty", std::max<std::int64_t>(b->time_to_empty, 0)},
               {"timeToFull", std::max<std::int64_t>(b->time_to_full, 0)}};
  }
  return Json{{"battery", battery},
              {"onBattery", power.on_battery},
              {"profile", power.profile ? Json(*power.profile) : Json(nullptr)}};
}

class PowerSource : public PageSource {
 public:
  void Read(SystemData& system, std::uint64_t, const PageReply& reply) override {
    system.Power([reply](Reading<PowerFigures> reading) { reply(AnswerOf(reading, PowerJson)); });
  }
};

}  // namespace

std::unique_ptr<PageSource> MakePowerSource() { return std::make_unique<PowerSource>(); }

}  // namespace vantile
