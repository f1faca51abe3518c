#include "input/input_system_win.h"

#include <windows.h>

#include <string>

#include "input/hotkeys.h"
#include "input/keyboard_hook.h"
#include "text/encoding.h"

namespace tapvero::input {
namespace {

// The Windows numbers the portable side spells out for itself.
static_assert(kWmHotkey == WM_HOTKEY);
static_assert(kInformationBoxStyle == (MB_OK | MB_ICONINFORMATION));
static_assert(kKeyEventKeyUp == KEYEVENTF_KEYUP);
static_assert(kKeyExtended == LLKHF_EXTENDED);
static_assert(kKeyLowerIntegrityInjected == LLKHF_LOWER_IL_INJECTED);
static_assert(kKeyInjected == LLKHF_INJECTED);
static_assert(kKeyAltDown == LLKHF_ALTDOWN);
static_assert(kKeyUp == LLKHF_UP);

KeyboardHook* g_hook = nullptr;

// Windows calls it on the thread that installed the hook. Every event of
// an action goes to the hook as it is, then on to the next hook (whose
// handle Windows no longer needs: the hook may be removed by then).
LRESULT CALLBACK low_level_keyboard_procedure(int code, WPARAM wp, LPARAM lp) {
  if (code == HC_ACTION && g_hook) {
    const auto& record = *reinterpret_cast<const KBDLLHOOKSTRUCT*>(lp);
    g_hook->on_key_event({static_cast<std::int32_t>(record.vkCode), record.flags, record.time});
  }
  return CallNextHookEx(nullptr, code, wp, lp);
}

HWND window_of(WindowHandle window) { return reinterpret_cast<HWND>(window); }

std::wstring wide(std::string_view gbk) {
  const std::u16string s = text::gbk_to_utf16(gbk);
  return std::wstring(s.begin(), s.end());
}

}  // namespace

Win32InputSystem::~Win32InputSystem() { g_hook = nullptr; }

HookHandle Win32InputSystem::set_keyboard_hook(KeyboardHook& hook) {
  g_hook = &hook;
  return reinterpret_cast<HookHandle>(
      SetWindowsHookExW(WH_KEYBOARD_LL, low_level_keyboard_procedure, GetModuleHandleW(nullptr), 0));
}

void Win32InputSystem::unhook(HookHandle handle) { UnhookWindowsHookEx(reinterpret_cast<HHOOK>(handle)); }

bool Win32InputSystem::register_hotkey(WindowHandle window, int id, std::uint32_t modifiers, std::int32_t key_code) {
  return RegisterHotKey(window_of(window), id, modifiers, static_cast<UINT>(key_code)) != FALSE;
}

void Win32InputSystem::unregister_hotkey(WindowHandle window, int id) { UnregisterHotKey(window_of(window), id); }

WindowHandle Win32InputSystem::own_window() {
  struct Search {
    DWORD process;
    HWND found;
  } search{GetCurrentProcessId(), nullptr};
  // The enumeration runs to its end; the first match is kept.
  EnumWindows(
      [](HWND hwnd, LPARAM lp) -> BOOL {
        auto* s = reinterpret_cast<Search*>(lp);
        DWORD process = 0;
        GetWindowThreadProcessId(hwnd, &process);
        if (!s->found && process == s->process && IsWindowVisible(hwnd)) s->found = hwnd;
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return reinterpret_cast<WindowHandle>(search.found);
}

void Win32InputSystem::message_box(WindowHandle owner, std::string_view text, std::string_view title,
                                   std::uint32_t style) {
  MessageBoxW(window_of(owner), wide(text).c_str(), wide(title).c_str(), style);
}

void Win32InputSystem::key_event(std::int32_t key_code, std::uint32_t flags) {
  keybd_event(static_cast<BYTE>(key_code), 0, flags, 0);
}

}  // namespace tapvero::input
