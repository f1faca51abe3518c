// Notices a keyboard hook that the system has dropped. Windows removes a
// low-level hook without a word when its procedure once keeps an event too
// long; the program is not told, and the hook is simply no longer called.
// Raw input still sees the key presses of other programs: a press of a key
// that raw input reports and the hook did not see within a short while
// means the hook is gone, unless the hook has been called for anything
// since. Presses are matched key by key, and a press the hook alone never
// saw (Windows may not call it for some windows) is forgotten once the hook
// shows it is alive, so it never makes a later press look lost.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "input/hook_installer.h"

namespace tapvero::input {

class HookWatch {
 public:
  // How long a press raw input saw may go unseen by the hook: on Windows
  // the hook is called first, under Wine raw input is.
  static constexpr std::uint32_t kPatienceMs = 200;
  // How many presses of one key the hook may be seen to be ahead of raw
  // input: raw input never reports the presses the hook withholds.
  static constexpr std::uint32_t kLead = 2;

  // A press to check once the patience is over: the key's raw-input press
  // number (from 1), and how many events the hook had seen then.
  struct Ticket {
    std::int32_t key_code;
    std::uint32_t press;
    std::uint64_t hook_events;
  };

  // An event the hook was called for.
  void hook_saw(const KeyEvent& event) {
    ++hook_events_;
    if (event.released()) return;
    if (Counts* c = counts(event.key_code)) ++c->hook;
  }

  // A press raw input saw. When the hook has not seen as many presses of
  // that key, the ticket to check with once the patience is over.
  std::optional<Ticket> raw_input_saw_press(std::int32_t key_code) {
    Counts* c = counts(key_code);
    if (!c) return std::nullopt;
    ++c->raw;
    // The presses the hook withheld, or that raw input lost, would hide a
    // later loss: the hook is never counted far ahead.
    if (c->hook > c->raw + kLead) c->hook = c->raw + kLead;
    if (c->hook < c->raw) return Ticket{key_code, c->raw, hook_events_};
    return std::nullopt;
  }

  // Whether the hook is gone: it has still not seen the press of `ticket`,
  // nor been called for anything since. A press it missed while alive is
  // forgiven.
  bool hook_lost(const Ticket& ticket) {
    Counts* c = counts(ticket.key_code);
    if (!c || c->hook >= ticket.press) return false;
    if (hook_events_ == ticket.hook_events) return true;
    c->hook = c->raw;
    return false;
  }

  // Whether raw input saw more presses of the key than the hook did.
  bool owes(std::int32_t key_code) {
    const Counts* c = counts(key_code);
    return c && c->hook < c->raw;
  }

  // How many events the hook has been called for.
  std::uint64_t hook_events() const { return hook_events_; }

  // A new hook: nothing is owed, and no ticket given before is lost.
  void reset() {
    for (Counts& c : keys_) c.hook = c.raw;
  }

 private:
  struct Counts {
    std::uint32_t hook = 0;
    std::uint32_t raw = 0;
  };
  static constexpr std::size_t kKeys = 256;  // virtual-key codes

  Counts* counts(std::int32_t key_code) {
    if (key_code <= 0 || key_code >= static_cast<std::int32_t>(kKeys)) return nullptr;
    return &keys_[static_cast<std::size_t>(key_code)];
  }

  std::array<Counts, kKeys> keys_{};
  std::uint64_t hook_events_ = 0;
};

}  // namespace tapvero::input
