// The times of the latest key presses and button releases, taken the moment
// each arrived on a thread of their own, for the window's thread to find
// when it gets to the same event: it may be busy long after the press.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>

namespace tapvero::widgets {

// What was pressed or released: a virtual-key code (1 to 254) for a key
// press, or one of these for a mouse button's release.
enum PressCode : int { kLeftRelease = 0x1001, kRightRelease = 0x1002 };

// A small ring of {code, message time, stamp}: one thread records, another
// takes. Nothing but codes and times is kept; the oldest entry gives way to
// a new one.
class PressStamps {
 public:
  static constexpr std::size_t kCapacity = 64;

  // `message_time` is the system's time for the event, by which the window's
  // thread knows it again; `at_ms` the exact time it arrived.
  void record(int code, std::int32_t message_time, std::int32_t at_ms) {
    const std::lock_guard lock(mutex_);
    entries_[next_ % kCapacity] = {code, message_time, at_ms, next_, false};
    ++next_;
  }

  // The exact time of the event with this code and message time: the oldest
  // such entry not taken yet, which is then taken. None if it never came
  // (or has given way to newer ones).
  std::optional<std::int32_t> take(int code, std::int32_t message_time) {
    const std::lock_guard lock(mutex_);
    Entry* found = nullptr;
    for (Entry& e : entries_) {
      if (e.recorded && !e.taken && e.code == code && e.message_time == message_time &&
          (!found || e.sequence < found->sequence))
        found = &e;
    }
    if (!found) return std::nullopt;
    found->taken = true;
    return found->at_ms;
  }

 private:
  struct Entry {
    int code = 0;
    std::int32_t message_time = 0;
    std::int32_t at_ms = 0;
    std::uint64_t sequence = 0;
    bool taken = false;
    bool recorded = false;

    Entry() = default;
    Entry(int c, std::int32_t t, std::int32_t at, std::uint64_t s, bool tk)
        : code(c), message_time(t), at_ms(at), sequence(s), taken(tk), recorded(true) {}
  };

  std::mutex mutex_;
  std::array<Entry, kCapacity> entries_{};
  std::uint64_t next_ = 0;
};

// The earlier of two times on the wrapping millisecond tick.
inline std::int32_t earlier_tick(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b)) < 0 ? a : b;
}

}  // namespace tapvero::widgets
