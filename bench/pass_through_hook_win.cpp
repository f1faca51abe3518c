// A pass-through keyboard hook in a process of its own, for
// lock_delay_bench: a WH_KEYBOARD_LL hook on a thread of time-critical
// priority whose procedure only calls CallNextHookEx, pumping messages
// until the bench posts it WM_QUIT (or WM_CLOSE to its window). The
// cheapest hook a program can have: what the lock costs is measured
// beside it. Its window's title says once the hook is in.
#include <windows.h>

namespace {

LRESULT CALLBACK pass(int code, WPARAM wp, LPARAM lp) { return CallNextHookEx(nullptr, code, wp, lp); }

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
  const HHOOK hook = SetWindowsHookExW(WH_KEYBOARD_LL, pass, instance, 0);
  if (!hook) return 1;
  // A message-only window, for the bench to find and end it by.
  HWND window = CreateWindowExW(0, L"STATIC", L"TapveroPassThroughHook", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                instance, nullptr);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WM_CLOSE || (msg.hwnd == window && msg.message == WM_APP)) break;
    DispatchMessageW(&msg);
  }
  UnhookWindowsHookEx(hook);
  return 0;
}
