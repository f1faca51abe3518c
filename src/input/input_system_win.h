// The keyboard hook and synthesised keys through USER32.
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
  std::uint32_t scan_code(std::int32_t key_code) override;
  void key_event(std::int32_t key_code, std::uint32_t scan_code, std::uint32_t flags) override;
};

}  // namespace tapvero::input
