#include "input/input_system_win.h"

#include <windows.h>

#include <cstddef>
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
static_assert(kHookAction == HC_ACTION);
static_assert(kKeyEventRecordKeyCode == offsetof(KBDLLHOOKSTRUCT, vkCode));
static_assert(kKeyEventRecordFlags == offsetof(KBDLLHOOKSTRUCT, flags));
static_assert(kKeyEventRecordSize <= sizeof(KBDLLHOOKSTRUCT));

KeyboardHook* g_hook = nullptr;
Hotkeys* g_hotkeys = nullptr;
// The main window's own procedure, also for the messages that arrive once
// the hotkey module is gone (the window is destroyed after it).
WNDPROC g_previous_procedure = nullptr;

LRESULT CALLBACK low_level_keyboard_procedure(int code, WPARAM wp, LPARAM lp) {
  if (g_hook) return g_hook->hook_procedure(code, wp, lp);
  return CallNextHookEx(nullptr, code, wp, lp);
}

LRESULT CALLBACK hotkey_procedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (g_hotkeys) return g_hotkeys->hotkey_window_procedure(reinterpret_cast<WindowHandle>(hwnd), msg, wp, lp);
  if (g_previous_procedure) return CallWindowProcW(g_previous_procedure, hwnd, msg, wp, lp);
  return DefWindowProcW(hwnd, msg, wp, lp);
}

HWND window_of(WindowHandle window) { return reinterpret_cast<HWND>(window); }

std::wstring wide(std::string_view gbk) {
  const std::u16string s = text::gbk_to_utf16(gbk);
  return std::wstring(s.begin(), s.end());
}

}  // namespace

Win32InputSystem::~Win32InputSystem() {
  g_hook = nullptr;
  g_hotkeys = nullptr;
}

HookHandle Win32InputSystem::set_keyboard_hook(KeyboardHook& hook) {
  g_hook = &hook;
  return reinterpret_cast<HookHandle>(
      SetWindowsHookExW(WH_KEYBOARD_LL, low_level_keyboard_procedure, GetModuleHandleW(nullptr), 0));
}

void Win32InputSystem::unhook(HookHandle handle) { UnhookWindowsHookEx(reinterpret_cast<HHOOK>(handle)); }

std::intptr_t Win32InputSystem::call_next_hook(HookHandle handle, int code, std::uintptr_t wparam,
                                               std::intptr_t lparam) {
  return CallNextHookEx(reinterpret_cast<HHOOK>(handle), code, wparam, lparam);
}

bool Win32InputSystem::register_hotkey(WindowHandle window, int id, std::uint32_t modifiers, std::int32_t key_code) {
  return RegisterHotKey(window_of(window), id, modifiers, static_cast<UINT>(key_code)) != FALSE;
}

void Win32InputSystem::unregister_hotkey(WindowHandle window, int id) { UnregisterHotKey(window_of(window), id); }

WindowProcedure Win32InputSystem::replace_window_procedure(WindowHandle window, Hotkeys& hotkeys) {
  g_hotkeys = &hotkeys;
  // The W function keeps the window a Unicode window: the toolkit's own
  // procedure, called through CallWindowProcW, still gets UTF-16 texts.
  const LONG_PTR previous =
      SetWindowLongPtrW(window_of(window), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(hotkey_procedure));
  if (previous) g_previous_procedure = reinterpret_cast<WNDPROC>(previous);
  return static_cast<WindowProcedure>(previous);
}

std::intptr_t Win32InputSystem::call_window_procedure(WindowProcedure procedure, WindowHandle window,
                                                      std::uint32_t message, std::uintptr_t wparam,
                                                      std::intptr_t lparam) {
  if (!procedure) return DefWindowProcW(window_of(window), message, wparam, lparam);
  return CallWindowProcW(reinterpret_cast<WNDPROC>(procedure), window_of(window), message, wparam, lparam);
}

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
