#include "shell/page_limits.h"

#include <algorithm>

namespace vantile {

bool DialogFlood::MayShow(PageClock::time_point now) {
  const auto last = std::max(last_asked_.value_or(PageClock::time_point{}), last_closed_.value_or(PageClock::time_point{}));
  if (last_asked_ && now - last >= kQuietTime) Reset();
  last_asked_ = now;
  if (dropping_) return false;
  const bool in_a_row = last_closed_ && now - *last_closed_ < kDialogGap;
  in_a_row_ = in_a_row ? in_a_row_ + 1 : 1;
  if (in_a_row_ > kDialogBurst) dropping_ = true;
  return !dropping_;
}

CrashRecovery::Action CrashRecovery::OnCrash(PageClock::time_point now) {
  std::erase_if(recent_, [now](PageClock::time_point at) { return now - at >= kCrashWindow; });
  if (static_cast<int>(recent_.size()) < kMaxReloads) {
    recent_.push_back(now);
    return Action::Reload;
  }
  recent_.clear();
  return Action::ShowCrashPage;
}

}  // namespace vantile
