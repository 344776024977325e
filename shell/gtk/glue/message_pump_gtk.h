// One pass of the GLib main loop for the behaviour's waits.
#pragma once

#include <chrono>
#include <functional>

#include "shell/platform.h"

namespace vantile {

class GtkMessagePump : public MessagePump {
 public:
  // Runs whatever is ready. When nothing is, and something the caller waits
  // for is in flight (a page loading), it sleeps in poll() until the next
  // event or for at most a millisecond, so the loop that waits for a page
  // does not take the CPU the page needs. With nothing in flight a pass
  // returns at once, and one that follows an empty pass by less than
  // 0.2 ms does not poll again, so long runs of passes stay fast.
  void DoEvents() override;

  // Whether something is in flight; unset means never.
  void SetInFlightProbe(std::function<bool()> probe) { in_flight_ = std::move(probe); }

 private:
  using Clock = std::chrono::steady_clock;
  std::function<bool()> in_flight_;
  Clock::time_point last_pass_{};
  bool dispatched_ = false;
  bool traced_ = false;  // the start-up trace has its mark
};

}  // namespace vantile
