// The time of each key press and button release as the window's thread
// handles it, from the input thread's stamps where it can have them.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

#include "base/tick.h"
#include "input/message_time_scale.h"
#include "input/press_stamps.h"

namespace tapvero::widgets {

using base::Tick;

// The time of each key press and button release as the window's thread
// handles it. The timing thread gets every event at the same moment as the
// window's thread, and usually stamps it first, but not always: then an
// exact message time stands in for the stamp, and without one the window's
// thread waits a moment for the stamp before it takes its own handling time.
// A time given is never later than the handling (the timing thread may have
// been held up too), and never earlier than the one given before it: events
// come in order, and one timed at its handling may precede one whose stamp
// is found.
class PressTimes {
 public:
  // The timing thread runs ahead of every other: its stamp comes within
  // this or not at all.
  static constexpr std::chrono::milliseconds kStampWait{5};
  // An exact message time further before the handling than this is none of
  // the event's own; a window's thread held up for seconds still gets it.
  static constexpr std::int32_t kLatestHandlingMs = 60'000;

  // Without `stamps`, no stamp is looked for.
  explicit PressTimes(input::PressStamps* stamps = nullptr, input::MessageTimeScale scale = {},
                      std::chrono::microseconds stamp_wait = kStampWait)
      : stamps_(stamps), scale_(scale), stamp_wait_(stamp_wait) {}

  // The time of the event with `code` and `message_time` handled at `handled`.
  Tick time_of(int code, std::int32_t message_time, Tick handled) {
    std::optional<Tick> at = stamps_ ? stamps_->take(code, message_time) : std::nullopt;
    if (!at && scale_.exact) {
      const Tick sent = scale_.tick_of(message_time);
      const std::int32_t late = handled - sent;
      if (late >= -1 && late <= kLatestHandlingMs) at = sent;
    }
    if (!at && stamps_) at = stamps_->take(code, message_time, stamp_wait_);
    Tick t = at ? earlier_of(*at, handled) : handled;
    // Compared by how long before the handling each was, which holds however
    // long the program sat idle since the last event.
    if (last_ && handled.since(t) > handled.since(*last_)) t = *last_;
    last_ = t;
    return t;
  }

 private:
  input::PressStamps* stamps_;
  input::MessageTimeScale scale_;
  std::chrono::microseconds stamp_wait_;
  std::optional<Tick> last_;
};

}  // namespace tapvero::widgets
