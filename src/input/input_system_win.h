// The keyboard hook, the hotkeys and synthesised keys through USER32.
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
  bool register_hotkey(WindowHandle window, int id, std::uint32_t modifiers, std::int32_t key_code) override;
  void unregister_hotkey(WindowHandle window, int id) override;
  WindowHandle own_window() override;
  void message_box(WindowHandle owner, std::string_view text, std::string_view title, std::uint32_t style) override;
  void key_event(std::int32_t key_code, std::uint32_t flags) override;
};

}  // namespace tapvero::input
