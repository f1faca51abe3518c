// A clock the test sets. Each reading may also move it on by a fixed step,
// as time passes while the program works.
#pragma once

#include <cstdint>

#include "widgets/clock.h"

namespace tapvero::test {

class ManualClock final : public widgets::Clock {
 public:
  explicit ManualClock(widgets::Tick start = {}, std::int32_t step = 0) : now(start), per_reading(step) {}

  widgets::Tick tick_ms() override {
    const widgets::Tick t = now;
    advance(per_reading);
    return t;
  }
  void advance(std::int32_t ms) { now += ms; }

  widgets::Tick now;
  std::int32_t per_reading;
};

}  // namespace tapvero::test
