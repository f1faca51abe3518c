// Keeps another program's GUI thread busy for a while, for lock_delay_bench:
// the bench sets hold_hook as a WH_GETMESSAGE hook on that thread (Windows
// loads this DLL into the program for it) and posts the program's window
// the registered message "TapveroBenchHoldGuiThread" with a time in
// milliseconds as wParam. The thread retrieves it as it would any message
// and, here, spins on the performance counter for that long before the
// message goes on to the window (which ignores it): the same as a message
// handler of the program's own that takes that long. The event
// "TapveroBenchHoldStarted", if the bench made it, is set as the hold
// starts.
#include <windows.h>

namespace {

UINT hold_message() {
  static const UINT message = RegisterWindowMessageW(L"TapveroBenchHoldGuiThread");
  return message;
}

void spin_for_ms(WPARAM ms) {
  LARGE_INTEGER frequency{}, start{}, now{};
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  const LONGLONG ticks = frequency.QuadPart * static_cast<LONGLONG>(ms) / 1000;
  do {
    QueryPerformanceCounter(&now);
  } while (now.QuadPart - start.QuadPart < ticks);
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK hold_hook(int code, WPARAM wp, LPARAM lp) {
  if (code == HC_ACTION && wp == PM_REMOVE) {
    auto* msg = reinterpret_cast<MSG*>(lp);
    if (msg->message == hold_message()) {
      if (HANDLE started = OpenEventW(EVENT_MODIFY_STATE, FALSE, L"TapveroBenchHoldStarted")) {
        SetEvent(started);
        CloseHandle(started);
      }
      spin_for_ms(msg->wParam);
      msg->message = WM_NULL;
    }
  }
  return CallNextHookEx(nullptr, code, wp, lp);
}
