// One pass of the GLib main loop for the behaviour's waits.
#pragma once

#include <functional>

#include "shell/platform.h"

namespace vantile {

class GtkMessagePump : public MessagePump {
 public:
  // Runs whatever is ready. When nothing is, and something the caller waits
  // for is in flight (a page loading), it sleeps in poll() until the next
  // event or for at most a millisecond, so the loop that waits for a page
  // does not take the CPU the page needs. With nothing in flight a pass
  // returns at once, so long runs of passes stay fast.
  void DoEvents() override;

  // Whether something is in flight; unset means never.
  void SetInFlightProbe(std::function<bool()> probe) { in_flight_ = std::move(probe); }

 private:
  std::function<bool()> in_flight_;
};

}  // namespace vantile
