// The keyboard hook through USER32.
#pragma once

#include "input/hook_installer.h"

namespace tapvero::input {

// One per process: Windows calls the hook procedure without a pointer of
// ours, so it finds its hook in a process-wide variable.
class Win32HookInstaller final : public HookInstaller {
 public:
  Win32HookInstaller() = default;
  ~Win32HookInstaller() override;
  Win32HookInstaller(const Win32HookInstaller&) = delete;
  Win32HookInstaller& operator=(const Win32HookInstaller&) = delete;

  HookHandle set_keyboard_hook(KeyboardHook& hook) override;
  void unhook(HookHandle handle) override;
};

}  // namespace tapvero::input
