#include "alternation_lock/key_lock.h"

namespace tapvero::alternation_lock {

KeyLock::KeyLock(input::HookInstaller& system, input::InputThread& thread, std::function<void()> switched_itself_off)
    : thread_(thread), switched_itself_off_(std::move(switched_itself_off)), hook_(system) {
  hook_.keep_passed_presses_of([this](std::int32_t key_code) { return concerns(key_code); });
}

void KeyLock::set_trigger_keys(std::int32_t z_key_code, std::int32_t x_key_code) {
  trigger_keys_.store(static_cast<std::uint32_t>(z_key_code) |
                      static_cast<std::uint64_t>(static_cast<std::uint32_t>(x_key_code)) << 32);
}

std::pair<std::int32_t, std::int32_t> KeyLock::trigger_keys() const {
  const std::uint64_t keys = trigger_keys_.load();
  return {static_cast<std::int32_t>(static_cast<std::uint32_t>(keys)),
          static_cast<std::int32_t>(static_cast<std::uint32_t>(keys >> 32))};
}

void KeyLock::install_hook() {
  hook_.install_keyboard_hook([this](std::int32_t key_code, bool repeat) { return lock_key_step(key_code, repeat); },
                              [this](const input::KeyEvent& event) {
                                watch_.hook_saw(event);
                                if (watching_ && !hook_heard_) hook_heard();
                              });
  watch_.reset();
}

bool KeyLock::start() {
  install_hook();
  locked_key_ = 0;
  state_.store(hook_.handle() != 0 ? LockState::kNothingLocked : LockState::kOff);
  ++switched_on_;
  set_watching(on());
  return on();
}

void KeyLock::set_watching(bool watching) {
  hook_heard_ = false;
  if (watching == watching_) return;
  watching_ = watching;
  if (watching) watch_.reset();  // what went by unwatched is owed by nobody
  if (watching_observer_) watching_observer_(watching);
}

// Called while Windows holds the key: raw input is given up once the hook
// has returned.
void KeyLock::hook_heard() {
  hook_heard_ = true;
  thread_.after(0, [this, since = switched_on_] {
    if (since != switched_on_ || !watching_ || !hook_heard_) return;
    set_watching(false);
    check_silence(watch_.hook_events());
  });
}

// Looks again once kSilenceMs have passed: a hook called meanwhile is
// alive; one that was not may be gone, and raw input is needed again.
void KeyLock::check_silence(std::uint64_t hook_events) {
  thread_.after(kSilenceMs, [this, since = switched_on_, hook_events] {
    if (since != switched_on_ || !on() || watching_) return;
    if (watch_.hook_events() != hook_events) {
      check_silence(watch_.hook_events());
    } else {
      set_watching(true);
    }
  });
}

// Runs while Windows holds the keystroke: a few comparisons.
bool KeyLock::lock_key_step(std::int32_t key_code, bool repeat) {
  const bool locked = locked_key_ != 0 && key_code == locked_key_;
  // A held key's repeat, or another press of the last key, changes nothing;
  // it is withheld while its key is the locked one (after switching off and
  // on, nothing is).
  if (repeat || key_code == last_key_) return locked;
  const auto [z, x] = trigger_keys();
  if (key_code == z) {
    lock(LockState::kZLocked, z);
  } else if (key_code == x) {
    lock(LockState::kXLocked, x);
  } else if (key_code == kF12) {
    switch_itself_off();
  }
  return false;
}

// The other key is free again; this press goes on as the player made it.
void KeyLock::lock(LockState state, std::int32_t pressed) {
  last_key_ = pressed;
  locked_key_ = pressed;
  state_.store(state);
}

bool KeyLock::concerns(std::int32_t key_code) const {
  if (!on() || key_code == 0) return false;
  const auto [z, x] = trigger_keys();
  return key_code == z || key_code == x || key_code == kF12;
}

bool KeyLock::own_window_key(const input::KeyEvent& event) { return on() && hook_.on_own_window_event(event); }

void KeyLock::stop() {
  hook_.remove_keyboard_hook();
  locked_key_ = 0;
  state_.store(LockState::kOff);
  set_watching(false);
}

void KeyLock::switch_itself_off() {
  stop();
  switched_itself_off_();
}

void KeyLock::raw_input_press(const input::KeyEvent& press, bool in_front) {
  const std::int32_t key_code = input::as_the_hook_names_it(press).key_code;
  if (in_front || !watching_ || !concerns(key_code)) return;
  if (const auto ticket = watch_.raw_input_saw_press(key_code))
    thread_.after(input::HookWatch::kPatienceMs, [this, t = *ticket] { check_hook(t); });
}

void KeyLock::check_hook(const input::HookWatch::Ticket& ticket) {
  if (!on() || !watch_.hook_lost(ticket)) return;
  // Presses went by undecided. An F12 among them switched the lock off
  // (unless it is a trigger key); otherwise it starts again with nothing
  // locked.
  const auto [z, x] = trigger_keys();
  if (z == kF12 || x == kF12 || !watch_.owes(kF12)) {
    hook_.remove_keyboard_hook();
    install_hook();
    if (hook_.handle() != 0) {
      locked_key_ = 0;
      state_.store(LockState::kNothingLocked);
      set_watching(true);  // until the new hook is heard
      return;
    }
  }
  switch_itself_off();
}

}  // namespace tapvero::alternation_lock
