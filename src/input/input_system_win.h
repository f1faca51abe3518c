// The keyboard hook through USER32.
#pragma once

#include "input/input_system.h"

namespace tapvero::input {

// One per process: Windows calls the hook procedure without a pointer of
// ours, so it finds its hook in a process-wide variable.
class Win32InputSystem final : public InputSystem {
 public:
  Win32InputSystem() = default;
  ~Win32InputSystem() override;
  Win32InputSystem(const Win32InputSystem&) = delete;
  Win32InputSystem& operator=(const Win32InputSystem&) = delete;

  HookHandle set_keyboard_hook(KeyboardHook& hook) override;
  void unhook(HookHandle handle) override;
};

}  // namespace tapvero::input
