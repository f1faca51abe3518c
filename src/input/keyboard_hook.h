// The system-wide low-level keyboard hook: every key press on the desktop,
// whichever program has the focus, goes to one callback. It only watches:
// every event goes on to the next hook unchanged.
#pragma once

#include <cstdint>
#include <functional>

#include "input/input_system.h"

namespace tapvero::input {

class KeyboardHook {
 public:
  // Receives the virtual-key code of each reported key press.
  using Callback = std::function<void(std::int32_t key_code)>;

  explicit KeyboardHook(InputSystem& system) : system_(system) {}
  KeyboardHook(const KeyboardHook&) = delete;
  KeyboardHook& operator=(const KeyboardHook&) = delete;

  // Installs the hook with `callback`; while a hook is installed, does
  // nothing at all (the callback given then is not taken). A failed
  // installation leaves the handle 0, and a later call tries again.
  void install_keyboard_hook(Callback callback);
  // Removes the hook, whatever the handle (a failure is ignored), and
  // leaves the handle 0. The callback may call it while it runs.
  void remove_keyboard_hook();

  // The hook procedure. For an action event it reads its own copy of the
  // 20-byte event record at `lparam`; a press (flags below 0x23: never a
  // release, nor an injected key with Alt held) goes to the callback, which
  // returns before the event goes on to the next hook with the handle as it
  // is then.
  std::intptr_t hook_procedure(int code, std::uintptr_t wparam, std::intptr_t lparam);

  HookHandle handle() const { return handle_; }

 private:
  InputSystem& system_;
  HookHandle handle_ = 0;
  Callback callback_;
};

// The hook code of an event the hook must act on.
inline constexpr int kHookAction = 0;
// The layout of the event record Windows passes to a low-level keyboard hook.
inline constexpr std::size_t kKeyEventRecordSize = 20;
inline constexpr std::size_t kKeyEventRecordKeyCode = 0;
inline constexpr std::size_t kKeyEventRecordFlags = 8;

}  // namespace tapvero::input
