// The times of the latest key presses and button releases, taken the moment
// each arrived on a thread of their own, for the window's thread to find
// when it gets to the same event: it may be busy long after the press, or
// get there first.
#pragma once

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <span>
#include <utility>

#include "widgets/tick.h"

namespace tapvero::widgets {

// What was pressed or released: a virtual-key code (1 to 254) for a key
// press, or one of these for a mouse button's release, as the window's
// messages name the buttons.
enum PressCode : int { kLeftRelease = 0x1001, kRightRelease = 0x1002 };

// What an input method leaves of a key it took (VK_PROCESSKEY): no key's
// own code, and so never stamped.
inline constexpr int kInputMethodKey = 0xE5;

// The button flags of raw mouse input for the physical left and right
// buttons' releases.
inline constexpr std::uint16_t kRawLeftButtonUp = 0x0002;
inline constexpr std::uint16_t kRawRightButtonUp = 0x0008;

// The releases that raw mouse input's button flags report, as the window's
// messages name them: raw input names the physical buttons, the messages
// the logical ones, and those are swapped for a left-handed mouse.
struct ButtonReleases {
  std::array<int, 2> codes{};
  int count = 0;
};
inline ButtonReleases button_releases(std::uint16_t raw_flags, bool swapped) {
  ButtonReleases r;
  if (raw_flags & kRawLeftButtonUp) r.codes[r.count++] = swapped ? kRightRelease : kLeftRelease;
  if (raw_flags & kRawRightButtonUp) r.codes[r.count++] = swapped ? kLeftRelease : kRightRelease;
  return r;
}

// A small ring of {code, message time, stamp}: one thread records, another
// takes. Nothing but codes and times is kept; the oldest entry gives way to
// a new one.
class PressStamps {
 public:
  static constexpr std::size_t kCapacity = 64;

  // `message_time` is the system's time for the event, by which the window's
  // thread knows it again; `at` the exact time it arrived.
  void record(int code, std::int32_t message_time, Tick at) {
    {
      const std::lock_guard lock(mutex_);
      entries_[next_ % kCapacity] = {code, message_time, at, next_, false};
      ++next_;
    }
    recorded_.notify_all();
  }

  // What the recording thread records from now on: key presses (of keys'
  // own codes), mouse buttons' releases, both or neither.
  void set_recording(bool key_presses, bool button_releases) {
    const std::lock_guard lock(mutex_);
    recording_keys_ = key_presses;
    recording_buttons_ = button_releases;
  }

  // The exact time of the event with this code and message time: the oldest
  // such entry not taken yet, which is then taken. If there is none, waits
  // up to `wait` for it to be recorded, unless no such event is being
  // recorded. None if it never came (or has given way to newer ones).
  std::optional<Tick> take(int code, std::int32_t message_time, std::chrono::microseconds wait = {}) {
    std::unique_lock lock(mutex_);
    Entry* found = find(code, message_time);
    if (!found && wait > wait.zero() && recording(code)) {
      ++waiting_;
      recorded_.wait_for(lock, wait, [&] { return (found = find(code, message_time)) != nullptr; });
      --waiting_;
    }
    if (!found) return std::nullopt;
    found->taken = true;
    return found->at;
  }

  // How many takers are waiting for their event right now.
  int waiting() const {
    const std::lock_guard lock(mutex_);
    return waiting_;
  }

 private:
  struct Entry {
    int code = 0;
    std::int32_t message_time = 0;
    Tick at;
    std::uint64_t sequence = 0;
    bool taken = false;
    bool recorded = false;

    Entry() = default;
    Entry(int c, std::int32_t t, Tick a, std::uint64_t s, bool tk)
        : code(c), message_time(t), at(a), sequence(s), taken(tk), recorded(true) {}
  };

  bool recording(int code) const {
    if (code == kLeftRelease || code == kRightRelease) return recording_buttons_;
    return recording_keys_ && code > 0 && code < 255 && code != kInputMethodKey;
  }

  Entry* find(int code, std::int32_t message_time) {
    Entry* found = nullptr;
    for (Entry& e : entries_) {
      if (e.recorded && !e.taken && e.code == code && e.message_time == message_time &&
          (!found || e.sequence < found->sequence))
        found = &e;
    }
    return found;
  }

  mutable std::mutex mutex_;
  std::condition_variable recorded_;
  std::array<Entry, kCapacity> entries_{};
  std::uint64_t next_ = 0;
  int waiting_ = 0;
  bool recording_keys_ = false;
  bool recording_buttons_ = false;
};

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
  explicit PressTimes(PressStamps* stamps = nullptr, MessageTimeScale scale = {},
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
  PressStamps* stamps_;
  MessageTimeScale scale_;
  std::chrono::microseconds stamp_wait_;
  std::optional<Tick> last_;
};

}  // namespace tapvero::widgets
