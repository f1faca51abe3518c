// What the keyboard hook, the global hotkeys and the alternation lock ask of
// Windows, as a portable interface: Win32InputSystem does it for real, tests
// record the calls.
#pragma once

#include <cstdint>
#include <string_view>

namespace tapvero::input {

using WindowHandle = std::uintptr_t;
using HookHandle = std::uintptr_t;
using WindowProcedure = std::uintptr_t;  // the address of a window procedure

class KeyboardHook;
class Hotkeys;

class InputSystem {
 public:
  virtual ~InputSystem() = default;

  // A low-level keyboard hook for every thread of the desktop, installed
  // with the executable's module handle, whose procedure hands every event
  // to `hook.hook_procedure`. The hook's handle, or 0 if it failed.
  virtual HookHandle set_keyboard_hook(KeyboardHook& hook) = 0;
  virtual void unhook(HookHandle handle) = 0;  // failure (also for 0) ignored
  virtual std::intptr_t call_next_hook(HookHandle handle, int code, std::uintptr_t wparam, std::intptr_t lparam) = 0;

  // A system-wide hotkey; false if Windows refused it.
  virtual bool register_hotkey(WindowHandle window, int id, std::uint32_t modifiers, std::int32_t key_code) = 0;
  virtual void unregister_hotkey(WindowHandle window, int id) = 0;  // failure ignored
  // Makes `hotkeys.hotkey_window_procedure` the window's procedure and
  // returns the procedure it replaced.
  virtual WindowProcedure replace_window_procedure(WindowHandle window, Hotkeys& hotkeys) = 0;
  virtual std::intptr_t call_window_procedure(WindowProcedure procedure, WindowHandle window, std::uint32_t message,
                                              std::uintptr_t wparam, std::intptr_t lparam) = 0;
  // The first top-level window, in the system's enumeration order, that
  // belongs to this process and is visible; 0 if there is none.
  virtual WindowHandle own_window() = 0;
  // A message box owned by `owner`; texts in GBK, `style` as MessageBox takes it.
  virtual void message_box(WindowHandle owner, std::string_view text, std::string_view title, std::uint32_t style) = 0;

  // A synthesised key event, as keybd_event(key_code, 0, flags, 0) makes it.
  virtual void key_event(std::int32_t key_code, std::uint32_t flags) = 0;
};

// keybd_event's flag for a release.
inline constexpr std::uint32_t kKeyEventKeyUp = 0x0002;

}  // namespace tapvero::input
