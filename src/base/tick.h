// A reading of the program's millisecond tick counter. The counter is held
// in 32 bits: it changes sign after 24.8 days and wraps after 49.7, so two
// readings are only ever compared through their difference modulo 2^32.
#pragma once

#include <cstdint>

namespace tapvero::base {

class Tick {
 public:
  constexpr Tick() = default;
  // The reading whose 32 bits are `bits`; only ever said out loud, so that
  // no plain integer becomes a time by accident.
  constexpr explicit Tick(std::uint32_t bits) : bits_(bits) {}

  constexpr std::uint32_t bits() const { return bits_; }

  // `ms` milliseconds later (earlier when negative), wrapping as the counter does.
  constexpr Tick& operator+=(std::int32_t ms) {
    bits_ += static_cast<std::uint32_t>(ms);
    return *this;
  }
  friend constexpr Tick operator+(Tick t, std::int32_t ms) { return t += ms; }

  // The time from `earlier` on to this reading: right for readings up to
  // 49.7 days apart, this one the later.
  constexpr std::uint32_t since(Tick earlier) const { return bits_ - earlier.bits_; }

  // The time from `earlier` on to this reading, 0 if this one is the
  // earlier: an input can be timed a moment before one handled ahead of it,
  // and a time that ran backwards would otherwise read as 49.7 days. Right
  // for readings less than 24.8 days apart.
  constexpr std::int32_t elapsed_since(Tick earlier) const {
    const std::int32_t ms = *this - earlier;
    return ms > 0 ? ms : 0;
  }

  // `a - b`, the shorter way round the counter: right for readings less
  // than 24.8 days apart, either way.
  friend constexpr std::int32_t operator-(Tick a, Tick b) { return static_cast<std::int32_t>(a.bits_ - b.bits_); }

  friend constexpr bool operator==(Tick, Tick) = default;

 private:
  std::uint32_t bits_ = 0;
};

// The earlier of two readings less than 24.8 days apart.
constexpr Tick earlier_of(Tick a, Tick b) { return a - b < 0 ? a : b; }

}  // namespace tapvero::base
