// Why the page might be paused, and whether it is: each watch reports one
// reason coming and going, and a pure function of the reasons and the
// settings decides, so the GTK side only reports and carries out. A new
// reason is one value here and one watch that reports it.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>

namespace vantile {

class RegistryStore;

enum class PauseReason : int {
  Covered,  // other windows cover the desktop's whole monitor
  Locked,   // the screen is locked or blanked
  kCount,
};

// How a watch reports its reason: active or gone.
using PauseReport = std::function<void(PauseReason reason, bool active)>;

// A set of reasons.
class PauseReasons {
 public:
  constexpr PauseReasons() = default;
  constexpr PauseReasons(std::initializer_list<PauseReason> reasons) {
    for (PauseReason reason : reasons) Set(reason, true);
  }
  constexpr void Set(PauseReason reason, bool active) {
    if (active) {
      bits_ |= Bit(reason);
    } else {
      bits_ &= ~Bit(reason);
    }
  }
  constexpr bool Has(PauseReason reason) const { return (bits_ & Bit(reason)) != 0; }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr bool Overlaps(PauseReasons other) const { return (bits_ & other.bits_) != 0; }
  friend constexpr bool operator==(PauseReasons, PauseReasons) = default;

 private:
  static constexpr std::uint32_t Bit(PauseReason reason) { return 1u << static_cast<int>(reason); }
  std::uint32_t bits_ = 0;
};
static_assert(static_cast<int>(PauseReason::kCount) <= 32, "PauseReasons holds 32 reasons");

// What the settings say about pausing.
struct PauseRules {
  // "PauseWhenHidden": a page that must keep running while nobody sees it
  // (covered or locked) can say so in the settings file.
  bool pause_when_hidden = true;
};

PauseRules ReadPauseRules(RegistryStore& store);

// The reasons worth watching: one the rules ignore needs no watch, and with
// none, nothing is connected at all.
PauseReasons ReasonsToWatch(const PauseRules& rules);

// Whether the page is paused while `active` hold: when any reason the rules
// heed does.
bool PagePaused(PauseReasons active, const PauseRules& rules);

}  // namespace vantile
