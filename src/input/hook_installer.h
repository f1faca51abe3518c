// What the keyboard hook asks of Windows, as a portable interface:
// Win32HookInstaller does it for real, tests keep it in memory.
#pragma once

#include <cstdint>

#include "input/key_event.h"

namespace tapvero::input {

using HookHandle = std::uintptr_t;

class KeyboardHook;

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
