// The times of the latest key presses and button releases, taken the moment
// each arrived on the input thread, for the window's thread to find when it
// gets to the same event: it may be busy long after the press, or get there
// first.
#pragma once

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>

#include "base/tick.h"

namespace tapvero::input {

using base::Tick;

// What was pressed or released: a virtual-key code (1 to 254) for a key
// press, or one of these for a mouse button's release, as the window's
// messages name the buttons.
enum PressCode : int { kLeftRelease = 0x1001, kRightRelease = 0x1002 };

// What an input method leaves of a key it took (VK_PROCESSKEY): no key's
// own code, and so never stamped.
inline constexpr int kInputMethodKey = 0xE5;

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

}  // namespace tapvero::input
