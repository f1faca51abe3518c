#include "alternation_lock/key_lock.h"

#include <utility>

namespace tapvero::alternation_lock {

KeyLock::KeyLock(input::InputSystem& system, input::InputThread& thread, std::function<void()> switched_itself_off)
    : system_(system),
      thread_(thread),
      switched_itself_off_(std::move(switched_itself_off)),
      hook_(system),
      hotkeys_(system),
      ignore_press_(
          [](input::WindowHandle, std::uint32_t, std::uintptr_t, std::intptr_t) -> std::intptr_t { return 0; }) {}

void KeyLock::set_trigger_keys(std::int32_t z_key_code, std::int32_t x_key_code) {
  z_key_.store(z_key_code);
  x_key_.store(x_key_code);
}

void KeyLock::install_hook() {
  hook_.install_keyboard_hook([this](std::int32_t key_code) { lock_key_step(key_code); },
                              [this](const input::KeyEvent& event) {
                                if (!event.released()) watch_.hook_saw_press();
                              });
  watch_.reset();
}

bool KeyLock::switch_lock_on() {
  install_hook();
  window_ = thread_.window();
  on_.store(hook_.handle() != 0);
  return on_.load();
}

// Runs while Windows holds the keystroke: a few calls, the same few
// however long the lock has been on.
void KeyLock::lock_key_step(std::int32_t key_code) {
  // A repeat of the last key (also our own synthesised press coming back
  // through the hook) changes nothing; Windows withholds it if it is locked.
  if (key_code == last_key_) return;
  const std::int32_t z = z_key_.load();
  const std::int32_t x = x_key_.load();
  if (key_code == z) {
    lock(z, x, kLeftKey, kRightKey);
  } else if (key_code == x) {
    lock(x, z, kRightKey, kLeftKey);
  } else if (key_code == kF12) {
    switch_lock_off();
    switched_itself_off_();
  }
}

void KeyLock::lock(std::int32_t pressed, std::int32_t other, std::string_view locked_identifier,
                   std::string_view freed_identifier) {
  last_key_ = pressed;
  // Release the other key, so that no program takes it as still held, and
  // give the focused program the press that the hotkey is about to withhold.
  system_.key_event(other, input::kKeyEventKeyUp);
  system_.key_event(pressed, 0);
  hotkeys_.unregister_hotkey(window_, freed_identifier);
  // A key another program holds is simply not withheld.
  hotkeys_.窗口_热键注册(window_, 0, pressed, ignore_press_, locked_identifier);
}

void KeyLock::free_both_keys() {
  hotkeys_.unregister_hotkey(window_, kLeftKey);
  hotkeys_.unregister_hotkey(window_, kRightKey);
}

void KeyLock::switch_lock_off() {
  hook_.remove_keyboard_hook();
  free_both_keys();
  on_.store(false);
}

void KeyLock::raw_input_press(std::int32_t key_code) {
  if (!on_.load()) return;
  const std::optional<std::uint64_t> ticket = watch_.raw_input_saw_press();
  if (!ticket || key_code == 0 || (key_code != z_key_.load() && key_code != x_key_.load())) return;
  thread_.after(input::HookWatch::kPatienceMs, [this, t = *ticket] { check_hook(t); });
}

void KeyLock::check_hook(std::uint64_t ticket) {
  if (!on_.load() || !watch_.hook_lost(ticket)) return;
  // Without a hook nothing would ever free the withheld key.
  free_both_keys();
  hook_.remove_keyboard_hook();
  install_hook();
  if (hook_.handle() != 0) return;
  on_.store(false);
  switched_itself_off_();
}

}  // namespace tapvero::alternation_lock
