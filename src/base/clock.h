// The program's millisecond clock, as the portable code sees it.
#pragma once

#include "base/tick.h"

namespace tapvero::base {

// A millisecond tick counter: a 32-bit value that wraps.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual Tick tick_ms() = 0;
};

}  // namespace tapvero::base
