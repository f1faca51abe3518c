// The program's millisecond clock, as the portable code sees it.
#pragma once

#include <compare>

#include "base/tick.h"

namespace tapvero::base {

// A date and time of the local calendar, to the second.
struct LocalTime {
  int year = 0;
  int month = 0;  // 1 to 12
  int day = 0;    // 1 to 31
  int hour = 0;
  int minute = 0;
  int second = 0;

  friend auto operator<=>(const LocalTime&, const LocalTime&) = default;
};

// A millisecond tick counter: a 32-bit value that wraps; and the local
// date and time, for what the program keeps with a date.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual Tick tick_ms() = 0;
  virtual LocalTime local_time() = 0;
};

}  // namespace tapvero::base
