// A clock the test sets. Each reading may also move it on by a fixed step,
// as time passes while the program works.
#pragma once

#include <cstdint>

#include "base/clock.h"

namespace tapvero::test {

class ManualClock final : public base::Clock {
 public:
  explicit ManualClock(base::Tick start = {}, std::int32_t step = 0) : now(start), per_reading(step) {}

  base::Tick tick_ms() override {
    const base::Tick t = now;
    advance(per_reading);
    return t;
  }
  void advance(std::int32_t ms) { now += ms; }
  base::LocalTime local_time() override { return local; }

  base::Tick now;
  base::LocalTime local{2026, 12, 9, 18, 30, 5};
  std::int32_t per_reading;
};

}  // namespace tapvero::test
