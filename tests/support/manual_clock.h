// A clock the test sets. Each reading may also move it on by a fixed step,
// as time passes while the program works.
#pragma once

#include <cstdint>

#include "widgets/clock.h"

namespace tapvero::testing {

class ManualClock final : public widgets::Clock {
 public:
  explicit ManualClock(std::int32_t start = 0, std::int32_t step = 0) : now(start), per_reading(step) {}

  std::int32_t tick_ms() override {
    const std::int32_t t = now;
    advance(per_reading);
    return t;
  }
  // Moves the clock on, wrapping as the 32-bit tick counter does.
  void advance(std::int32_t ms) {
    now = static_cast<std::int32_t>(static_cast<std::uint32_t>(now) + static_cast<std::uint32_t>(ms));
  }

  std::int32_t now;
  std::int32_t per_reading;
};

}  // namespace tapvero::testing
