// Notices a keyboard hook that the system has dropped. Windows removes a
// low-level hook without a word when its procedure once keeps an event too
// long; the program is not told, and the hook is simply no longer called.
// Raw input still sees every key press, and it sees each one after the hook
// has: a press that raw input reports and the hook did not see within a
// short while means the hook is gone.
#pragma once

#include <cstdint>
#include <optional>

namespace tapvero::input {

class HookWatch {
 public:
  // How long a press raw input saw may go unseen by the hook.
  static constexpr std::uint32_t kPatienceMs = 200;
  // How many presses the hook may be seen to be ahead of raw input.
  static constexpr std::uint64_t kLead = 2;

  // A press the hook was called for.
  void hook_saw_press() { ++hook_presses_; }

  // A press raw input saw. When the hook has not seen as many presses,
  // the ticket to check with once the patience is over.
  std::optional<std::uint64_t> raw_input_saw_press() {
    ++raw_presses_;
    // The hook may be ahead: it sees the presses it synthesises itself at
    // once, nested in its own call, before raw input reports the press that
    // made it synthesise them. Presses raw input never reports (or loses)
    // would hide a later loss, so it is never far ahead.
    if (hook_presses_ > raw_presses_ + kLead) hook_presses_ = raw_presses_ + kLead;
    if (hook_presses_ < raw_presses_) return raw_presses_;
    return std::nullopt;
  }

  // Whether the hook has still not seen the press of `ticket`.
  bool hook_lost(std::uint64_t ticket) const { return hook_presses_ < ticket; }

  // A new hook: nothing is owed, and no ticket given before is lost.
  void reset() { hook_presses_ = raw_presses_; }

 private:
  std::uint64_t hook_presses_ = 0;
  std::uint64_t raw_presses_ = 0;
};

}  // namespace tapvero::input
