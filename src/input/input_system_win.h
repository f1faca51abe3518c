// The keyboard hook, the hotkeys and synthesised keys through USER32.
#pragma once

#include "input/input_system.h"

namespace tapvero::input {

// One per process: Windows calls the hook procedure and the replaced window
// procedure without a pointer of ours, so they find their targets in
// process-wide variables.
class Win32InputSystem final : public InputSystem {
 public:
  Win32InputSystem() = default;
  ~Win32InputSystem() override;
  Win32InputSystem(const Win32InputSystem&) = delete;
  Win32InputSystem& operator=(const Win32InputSystem&) = delete;

  HookHandle set_keyboard_hook(KeyboardHook& hook) override;
  void unhook(HookHandle handle) override;
  std::intptr_t call_next_hook(HookHandle handle, int code, std::uintptr_t wparam, std::intptr_t lparam) override;
  bool register_hotkey(WindowHandle window, int id, std::uint32_t modifiers, std::int32_t key_code) override;
  void unregister_hotkey(WindowHandle window, int id) override;
  WindowProcedure replace_window_procedure(WindowHandle window, Hotkeys& hotkeys) override;
  std::intptr_t call_window_procedure(WindowProcedure procedure, WindowHandle window, std::uint32_t message,
                                      std::uintptr_t wparam, std::intptr_t lparam) override;
  WindowHandle own_window() override;
  void message_box(WindowHandle owner, std::string_view text, std::string_view title, std::uint32_t style) override;
  void key_event(std::int32_t key_code, std::uint32_t flags) override;
};

}  // namespace tapvero::input
