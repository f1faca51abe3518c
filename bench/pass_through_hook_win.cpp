// A pass-through keyboard hook in a process of its own, for
// lock_delay_bench: a WH_KEYBOARD_LL hook on a thread of time-critical
// priority whose procedure only calls CallNextHookEx, pumping messages
// until the bench posts the thread WM_QUIT. The cheapest hook a program can
// have, which the lock's cost is measured beside. It sets the event
// "TapveroPassThroughHookIn", if the bench made it, once the hook is in.
#include <windows.h>

namespace {

LRESULT CALLBACK pass(int code, WPARAM wp, LPARAM lp) { return CallNextHookEx(nullptr, code, wp, lp); }

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
  MSG msg;
  PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the thread's queue, for WM_QUIT
  const HHOOK hook = SetWindowsHookExW(WH_KEYBOARD_LL, pass, instance, 0);
  if (!hook) return 1;
  if (HANDLE in = OpenEventW(EVENT_MODIFY_STATE, FALSE, L"TapveroPassThroughHookIn")) {
    SetEvent(in);
    CloseHandle(in);
  }
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  UnhookWindowsHookEx(hook);
  return 0;
}
