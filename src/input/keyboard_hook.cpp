#include "input/keyboard_hook.h"

#include <utility>

namespace tapvero::input {
namespace {

// Presses with any mix of the extended and injected bits, and with Alt held;
// not with Alt held and injected, and never a release (0x80). One compare of
// the whole value, not a test of the release bit: that would also report the
// injected presses with Alt held, which the lock leaves alone.
constexpr std::uint32_t kFirstUnreportedFlags = 0x23;

}  // namespace

void KeyboardHook::install_keyboard_hook(Callback callback, Observer observer) {
  if (handle_ != 0) return;
  callback_ = std::move(callback);
  observer_ = std::move(observer);
  // What went up while no hook of ours was called is not known: a new hook
  // takes every key as up, and a key held across it as pressed again.
  held_ = {};
  handle_ = system_.set_keyboard_hook(*this);
}

void KeyboardHook::remove_keyboard_hook() {
  system_.unhook(handle_);
  handle_ = 0;
}

bool KeyboardHook::decide(const KeyEvent& event) {
  if (event.released()) {
    held_.went_up(event.key_code, event.time);
    return false;
  }
  const bool repeat = held_.went_down(event.key_code, event.time);
  return event.flags < kFirstUnreportedFlags && callback_ && callback_(event.key_code, repeat);
}

bool KeyboardHook::on_key_event(const KeyEvent& event) {
  if (observer_) observer_(event);
  const bool withheld = decide(event);
  if (!withheld && !event.released() && asked_ && asked_(event.key_code))
    passed_[next_passed_++ % kPassedKept] = {event.key_code, event.time};
  return withheld;
}

bool KeyboardHook::on_own_window_event(const KeyEvent& event) {
  if (handle_ == 0) return false;
  if (!event.released()) {
    for (Passed& p : passed_) {
      if (p.key_code == event.key_code && p.time == event.time) {
        p = {};
        return false;
      }
    }
  }
  return decide(event);
}

}  // namespace tapvero::input
