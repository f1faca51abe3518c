// The program's millisecond clock, as the portable code sees it.
#pragma once

#include <cstdint>

namespace tapvero::widgets {

// A millisecond tick counter: a 32-bit value that wraps.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual std::int32_t tick_ms() = 0;
};

}  // namespace tapvero::widgets
