// One pass of the GLib main loop for the behaviour's waits.
#pragma once

#include <chrono>

#include "shell/platform.h"

namespace vantile {

class GtkMessagePump : public MessagePump {
 public:
  // Runs whatever is ready and returns at once. A wait that has found
  // nothing to do for a while sleeps in poll() for at most a millisecond
  // instead of spinning, so a page load is not starved of the CPU by the
  // loop that waits for it; short bursts of passes stay fast.
  void DoEvents() override;

 private:
  using Clock = std::chrono::steady_clock;
  Clock::time_point idle_since_{};
  bool idle_ = false;
};

}  // namespace vantile
