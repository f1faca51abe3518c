#include "alternation_lock/alternation_lock.h"

#include "app/main_form.h"

namespace tapvero::alternation_lock {

AlternationLock::AlternationLock(widgets::Ui& ui, const app::SharedValues& keys, input::InputSystem& system,
                                 input::KeyboardHook& hook, input::Hotkeys& hotkeys)
    : ui_(ui),
      keys_(keys),
      system_(system),
      hook_(hook),
      hotkeys_(hotkeys),
      ignore_press_(
          [](input::WindowHandle, std::uint32_t, std::uintptr_t, std::intptr_t) -> std::intptr_t { return 0; }) {}

void AlternationLock::switch_lock_on() {
  hook_.install_keyboard_hook([this](std::int32_t key_code) { lock_key_step(key_code); });
  main_window_ = ui_.window_handle();
  ui_.set_enabled(app::按钮_开启自动锁定, false);
  ui_.set_enabled(app::按钮_关闭自动锁定, true);
}

// Runs while Windows holds the keystroke: a few calls, the same few
// however long the lock has been on.
void AlternationLock::lock_key_step(std::int32_t key_code) {
  // A repeat of the last key (also our own synthesised press coming back
  // through the hook) changes nothing; Windows withholds it if it is locked.
  if (key_code == last_key_) return;
  const std::int32_t z = keys_.z_key_code;
  const std::int32_t x = keys_.x_key_code;
  if (key_code == z) {
    lock(z, x, kLeftKey, kRightKey);
  } else if (key_code == x) {
    lock(x, z, kRightKey, kLeftKey);
  } else if (key_code == kF12) {
    switch_lock_off();
  }
}

void AlternationLock::lock(std::int32_t pressed, std::int32_t other, std::string_view locked_identifier,
                           std::string_view freed_identifier) {
  last_key_ = pressed;
  // Release the other key, so that no program takes it as still held, and
  // give the focused program the press that the hotkey is about to withhold.
  system_.key_event(other, input::kKeyEventKeyUp);
  system_.key_event(pressed, 0);
  hotkeys_.unregister_hotkey(main_window_, freed_identifier);
  // A key another program holds is simply not withheld.
  hotkeys_.窗口_热键注册(main_window_, 0, pressed, ignore_press_, locked_identifier);
}

void AlternationLock::switch_lock_off() {
  hook_.remove_keyboard_hook();
  hotkeys_.unregister_hotkey(main_window_, kLeftKey);
  hotkeys_.unregister_hotkey(main_window_, kRightKey);
  ui_.set_enabled(app::按钮_开启自动锁定, true);
  ui_.set_enabled(app::按钮_关闭自动锁定, false);
}

}  // namespace tapvero::alternation_lock
