// What the keyboard hook, the global hotkeys and the alternation lock ask of
// Windows, as a portable interface: Win32InputSystem does it for real, tests
// keep it in memory.
#pragma once

#include <cstdint>
#include <string_view>

namespace tapvero::input {

using WindowHandle = std::uintptr_t;
using HookHandle = std::uintptr_t;

class KeyboardHook;

// The flag bits of a key event, as the low-level keyboard hook reports them.
inline constexpr std::uint32_t kKeyExtended = 0x01;
inline constexpr std::uint32_t kKeyLowerIntegrityInjected = 0x02;
inline constexpr std::uint32_t kKeyInjected = 0x10;
inline constexpr std::uint32_t kKeyAltDown = 0x20;
inline constexpr std::uint32_t kKeyUp = 0x80;

// One key going down or up anywhere on the desktop, as the hook is told of
// it: the Windows side turns each hook call into one of these.
struct KeyEvent {
  std::int32_t key_code = 0;  // virtual-key code; Shift, Ctrl and Alt side-specific
  std::uint32_t flags = 0;    // the bits above, as the system gave them
  std::uint32_t time = 0;     // the event's message time, in milliseconds

  bool injected() const { return (flags & kKeyInjected) != 0; }
  bool released() const { return (flags & kKeyUp) != 0; }
};

class InputSystem {
 public:
  virtual ~InputSystem() = default;

  // A low-level keyboard hook for every thread of the desktop, installed
  // with the executable's module handle on the calling thread, which must
  // go on handling its messages: each event goes to `hook.on_key_event` and
  // then on to the next hook. The hook's handle, or 0 if it failed.
  virtual HookHandle set_keyboard_hook(KeyboardHook& hook) = 0;
  virtual void unhook(HookHandle handle) = 0;  // failure (also for 0) ignored

  // A system-wide hotkey for a window of the calling thread; false if
  // Windows refused it.
  virtual bool register_hotkey(WindowHandle window, int id, std::uint32_t modifiers, std::int32_t key_code) = 0;
  virtual void unregister_hotkey(WindowHandle window, int id) = 0;  // failure ignored
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
