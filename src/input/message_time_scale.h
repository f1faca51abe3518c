// How exact the system's message times are, and the time of an input event
// that the input thread got.
#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <utility>

#include "base/tick.h"

namespace tapvero::input {

using base::Tick;

// How the system's message times (the time it gives every message, input
// included) relate to the program's tick. Where they are exact milliseconds
// (as under Wine) an input's message time is the moment of the input itself,
// better than any stamp taken when it arrives; where they follow a coarse
// system tick (about 15.6 ms on a default Windows) they only name the event.
struct MessageTimeScale {
  bool exact = false;
  std::int32_t offset = 0;  // the tick minus the message time

  // A message time moved onto the tick counter.
  Tick tick_of(std::int32_t message_time) const { return Tick(static_cast<std::uint32_t>(message_time)) + offset; }
};

// The scale from {tick, message time} samples of messages posted and read
// at once, one after another for some 20 ms: exact if the message time went
// on in steps of 1 or 2 ms at least 5 times (a coarse tick never does; a
// longer step is the thread being held up), with the offset most of the
// samples show.
inline MessageTimeScale message_time_scale(std::span<const std::pair<Tick, std::int32_t>> samples) {
  const MessageTimeScale unshifted{};
  int fine_steps = 0;
  std::map<std::int32_t, int> offsets;
  for (std::size_t i = 0; i < samples.size(); ++i) {
    ++offsets[samples[i].first - unshifted.tick_of(samples[i].second)];
    if (i == 0) continue;
    const std::int32_t step = unshifted.tick_of(samples[i].second) - unshifted.tick_of(samples[i - 1].second);
    if (step == 1 || step == 2) ++fine_steps;
  }
  MessageTimeScale scale;
  scale.exact = fine_steps >= 5;
  int most = 0;
  for (const auto& [offset, count] : offsets) {
    if (count > most) {
      most = count;
      scale.offset = offset;
    }
  }
  return scale;
}

// The time of an input event that reached the timing thread at `arrival`
// with `message_time`: its exact message time where the scale has one and
// it is plausible (not after the arrival but for rounding, nor a second
// before it); the arrival otherwise.
inline Tick input_stamp(Tick arrival, std::int32_t message_time, const MessageTimeScale& scale) {
  if (!scale.exact) return arrival;
  const Tick at = scale.tick_of(message_time);
  const std::int32_t delay = arrival - at;
  return delay >= -1 && delay <= 1000 ? at : arrival;
}

}  // namespace tapvero::input
