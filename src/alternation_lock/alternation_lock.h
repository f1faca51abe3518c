// The alternation lock: while it is on, the trigger key just pressed is
// withheld from every program until the other trigger key is pressed, so
// that the player has to alternate. The keyboard hook reports each press;
// the pressed key is withheld by registering it as a hotkey without
// modifier keys, and the other one freed by unregistering its hotkey.
#pragma once

#include <cstdint>
#include <string_view>

#include "app/settings.h"
#include "input/hotkeys.h"
#include "input/input_system.h"
#include "input/keyboard_hook.h"
#include "widgets/ui.h"

namespace tapvero::alternation_lock {

// The hotkey identifiers of the two trigger keys, in GBK.
inline constexpr std::string_view kLeftKey = "\xD7\xF3\xBC\xFC";   // 左键, the Z slot
inline constexpr std::string_view kRightKey = "\xD3\xD2\xBC\xFC";  // 右键, the X slot

inline constexpr std::int32_t kF12 = 0x7B;

class AlternationLock {
 public:
  // The trigger keys are read from `keys` at every press, so that a key
  // setting saved while the lock is on applies from the next press.
  AlternationLock(widgets::Ui& ui, const app::SharedValues& keys, input::InputSystem& system, input::KeyboardHook& hook,
                  input::Hotkeys& hotkeys);
  AlternationLock(const AlternationLock&) = delete;
  AlternationLock& operator=(const AlternationLock&) = delete;

  // 按钮_开启自动锁定: the hook on, nothing locked yet.
  void switch_lock_on();
  // Every key press the hook reports, physical or synthesised.
  void lock_key_step(std::int32_t key_code);
  // 按钮_关闭自动锁定, or F12 while the lock is on: the hook off, both keys free.
  void switch_lock_off();

  // The main window, as taken when the lock was last switched on; 0 before.
  input::WindowHandle main_window() const { return main_window_; }
  // The trigger key whose press was last acted on; 0 at start.
  std::int32_t last_alternation_key() const { return last_key_; }

 private:
  void lock(std::int32_t pressed, std::int32_t other, std::string_view locked_identifier,
            std::string_view freed_identifier);

  widgets::Ui& ui_;
  const app::SharedValues& keys_;
  input::InputSystem& system_;
  input::KeyboardHook& hook_;
  input::Hotkeys& hotkeys_;
  const input::Hotkeys::Handler ignore_press_;  // a withheld key's press changes nothing
  input::WindowHandle main_window_ = 0;
  std::int32_t last_key_ = 0;
};

}  // namespace tapvero::alternation_lock
