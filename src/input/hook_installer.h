// What the keyboard hook asks of Windows, as a portable interface:
// Win32HookInstaller does it for real, tests keep it in memory.
#pragma once

#include <cstdint>

namespace tapvero::input {

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

  bool released() const { return (flags & kKeyUp) != 0; }
};

class HookInstaller {
 public:
  virtual ~HookInstaller() = default;

  // A low-level keyboard hook for every thread of the desktop, installed
  // with the executable's module handle on the calling thread, which must
  // go on handling its messages. Each event goes to `hook.on_key_event`,
  // which says whether the event is withheld from every program or goes on
  // to the next hook. The hook's handle, or 0 if it failed.
  virtual HookHandle set_keyboard_hook(KeyboardHook& hook) = 0;
  virtual void unhook(HookHandle handle) = 0;  // failure (also for 0) ignored
};

}  // namespace tapvero::input
