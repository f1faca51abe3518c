// The system clock every Windows part of the program reads.
#pragma once

#include <windows.h>

#include "base/clock.h"

namespace tapvero::base {

// Milliseconds from the performance counter, exact to the fraction.
double precise_now_ms();

// The program's millisecond tick counter: a monotonic count with 1 ms
// resolution (the performance counter), as a 32-bit value that wraps.
class SystemClock final : public Clock {
 public:
  Tick tick_ms() override;
  LocalTime local_time() override;
};

// A performance-counter reading in the tick counter's scale.
Tick tick_ms_of(LONGLONG counter);

}  // namespace tapvero::base
