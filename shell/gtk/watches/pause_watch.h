// What the watches that report a reason to pause the page have in common:
// the glue owns them as one list, each reporting its own PauseReason
// through the PauseReport it was made with, and ending them stops the
// reports.
#pragma once

#include "shell/pause_reasons.h"

namespace vantile {

class PauseWatch {
 public:
  virtual ~PauseWatch() = default;
};

}  // namespace vantile
