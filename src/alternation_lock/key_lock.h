// The alternation lock's work on the input thread: while it is on, the
// trigger key just pressed is withheld from every program until the other
// trigger key is pressed. The keyboard hook reports each press; the pressed
// key is withheld by registering it as a hotkey without modifier keys, and
// the other one freed by unregistering its hotkey. Everything here but the
// calls marked "any thread" runs on the input thread, where Windows holds
// each key of the desktop until the hook returns: it touches no control and
// waits for nobody.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string_view>

#include "input/hook_watch.h"
#include "input/hotkeys.h"
#include "input/input_system.h"
#include "input/input_thread.h"
#include "input/keyboard_hook.h"

namespace tapvero::alternation_lock {

// The hotkey identifiers of the two trigger keys, in GBK.
inline constexpr std::string_view kLeftKey = "\xD7\xF3\xBC\xFC";   // 左键, the Z slot
inline constexpr std::string_view kRightKey = "\xD3\xD2\xBC\xFC";  // 右键, the X slot

inline constexpr std::int32_t kF12 = 0x7B;

class KeyLock {
 public:
  // `switched_itself_off` is called, on the input thread, when the lock went
  // off by itself: F12, or a hook lost and not to be had again.
  KeyLock(input::InputSystem& system, input::InputThread& thread, std::function<void()> switched_itself_off);
  KeyLock(const KeyLock&) = delete;
  KeyLock& operator=(const KeyLock&) = delete;

  // Any thread: the trigger keys from the next press on.
  void set_trigger_keys(std::int32_t z_key_code, std::int32_t x_key_code);
  // Any thread: whether the hook is on.
  bool on() const { return on_.load(); }

  // The hook on, nothing locked yet; false (and still off) when Windows
  // refuses the hook.
  bool switch_lock_on();
  // Every key press the hook reports, physical or synthesised.
  void lock_key_step(std::int32_t key_code);
  // The hook off, both keys free.
  void switch_lock_off();
  // Every key press that raw input saw. A trigger key's press that the hook
  // has not seen within a short while means that Windows removed the hook:
  // the withheld key is freed, and the hook installed again or the lock
  // switched off.
  void raw_input_press(std::int32_t key_code);

  // The window the hotkeys are registered for, as taken when the lock was
  // last switched on; 0 before.
  input::WindowHandle hotkey_window() const { return window_; }
  // The trigger key whose press was last acted on; 0 at start.
  std::int32_t last_alternation_key() const { return last_key_; }
  input::KeyboardHook& hook() { return hook_; }
  input::Hotkeys& hotkeys() { return hotkeys_; }

 private:
  void install_hook();
  void lock(std::int32_t pressed, std::int32_t other, std::string_view locked_identifier,
            std::string_view freed_identifier);
  void check_hook(std::uint64_t ticket);
  void free_both_keys();

  input::InputSystem& system_;
  input::InputThread& thread_;
  const std::function<void()> switched_itself_off_;
  input::KeyboardHook hook_;
  input::Hotkeys hotkeys_;
  input::HookWatch watch_;
  const input::Hotkeys::Handler ignore_press_;  // a withheld key's press changes nothing
  std::atomic<std::int32_t> z_key_{0};
  std::atomic<std::int32_t> x_key_{0};
  std::atomic<bool> on_{false};
  input::WindowHandle window_ = 0;
  std::int32_t last_key_ = 0;
};

}  // namespace tapvero::alternation_lock
