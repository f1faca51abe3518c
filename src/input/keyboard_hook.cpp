#include "input/keyboard_hook.h"

#include <utility>

namespace tapvero::input {
namespace {

// Presses with any mix of the extended and injected bits, and with Alt held;
// not with Alt held and injected, and never a release (0x80).
// One compare kept for compatibility: a test of the release bit alone would report Alt-held injected presses.
constexpr std::uint32_t kFirstUnreportedFlags = 0x23;

}  // namespace

void KeyboardHook::install_keyboard_hook(Callback callback, Observer observer) {
  if (handle_ != 0) return;
  callback_ = std::move(callback);
  observer_ = std::move(observer);
  handle_ = system_.set_keyboard_hook(*this);
}

void KeyboardHook::remove_keyboard_hook() {
  system_.unhook(handle_);
  handle_ = 0;
}

bool KeyboardHook::on_key_event(const KeyEvent& event) {
  if (observer_) observer_(event);
  return event.flags < kFirstUnreportedFlags && callback_ && callback_(event.key_code);
}

}  // namespace tapvero::input
