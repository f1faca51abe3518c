#include "input/hook_installer_win.h"

#include <windows.h>

#include "input/keyboard_hook.h"

namespace tapvero::input {
namespace {

// The Windows numbers the portable side spells out for itself.
static_assert(kKeyExtended == LLKHF_EXTENDED);
static_assert(kKeyLowerIntegrityInjected == LLKHF_LOWER_IL_INJECTED);
static_assert(kKeyInjected == LLKHF_INJECTED);
static_assert(kKeyAltDown == LLKHF_ALTDOWN);
static_assert(kKeyUp == LLKHF_UP);
static_assert(kShiftKey == VK_SHIFT && kShiftKey + 2 == VK_MENU);
static_assert(kLeftShiftKey == VK_LSHIFT && kLeftShiftKey + 5 == VK_RMENU);

KeyboardHook* g_hook = nullptr;

// Windows calls it on the thread that installed it. A nonzero answer keeps
// the event from every program, raw input readers included; every other
// event goes on to the next hook (whose handle Windows no longer needs: the
// hook may be removed by then).
LRESULT CALLBACK low_level_keyboard_procedure(int code, WPARAM wp, LPARAM lp) {
  if (code == HC_ACTION && g_hook) {
    const auto& record = *reinterpret_cast<const KBDLLHOOKSTRUCT*>(lp);
    if (g_hook->on_key_event({static_cast<std::int32_t>(record.vkCode), record.flags, record.time, record.scanCode}))
      return 1;
  }
  return CallNextHookEx(nullptr, code, wp, lp);
}

}  // namespace

Win32HookInstaller::~Win32HookInstaller() { g_hook = nullptr; }

HookHandle Win32HookInstaller::set_keyboard_hook(KeyboardHook& hook) {
  g_hook = &hook;
  return reinterpret_cast<HookHandle>(
      SetWindowsHookExW(WH_KEYBOARD_LL, low_level_keyboard_procedure, GetModuleHandleW(nullptr), 0));
}

void Win32HookInstaller::unhook(HookHandle handle) { UnhookWindowsHookEx(reinterpret_cast<HHOOK>(handle)); }

}  // namespace tapvero::input
