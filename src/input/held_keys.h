// Which keys are held down, as the keyboard hook sees every key of the
// desktop go down and up: a key-down of a key already down is the
// keyboard's auto-repeat, not a new press.
//
// A release the hook never hears of (it went by on the secure desktop, or
// to a window the hook is not called for) must not leave a key held for
// ever. A held key repeats at least once a
// second (Windows' longest keyboard delay; its slowest rate repeats every
// 400 ms), so a key that has not gone down for longer than kRepeatGapMs is
// taken as released: its next key-down is a press again.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace tapvero::input {

class HeldKeys {
 public:
  static constexpr std::int32_t kRepeatGapMs = 1500;

  // `key` went down at `time` (the event's message time); true if it was
  // held already.
  bool went_down(std::int32_t key, std::uint32_t time) {
    Key* k = find(key);
    if (!k) return false;
    const bool repeat = k->down && static_cast<std::int32_t>(time - k->time) <= kRepeatGapMs;
    *k = {true, time};
    return repeat;
  }
  // `key` went up at `time`. A release older than the key's last key-down
  // (one that reached us late) leaves it held.
  void went_up(std::int32_t key, std::uint32_t time) {
    Key* k = find(key);
    if (k && static_cast<std::int32_t>(time - k->time) >= 0) k->down = false;
  }

 private:
  struct Key {
    bool down = false;
    std::uint32_t time = 0;  // of its last key-down
  };
  static constexpr std::size_t kKeys = 256;  // virtual-key codes

  Key* find(std::int32_t key) {
    if (key <= 0 || key >= static_cast<std::int32_t>(kKeys)) return nullptr;
    return &keys_[static_cast<std::size_t>(key)];
  }

  std::array<Key, kKeys> keys_{};
};

}  // namespace tapvero::input
