#include "positioning_test/window_services_win.h"

#include <cmath>

namespace tapvero::positioning_test {
namespace {

// Keys, mouse moves and buttons, posted and sent messages, timers, paints
// and hotkeys all wake the wait.
constexpr DWORD kWakeMask =
    QS_KEY | QS_MOUSEMOVE | QS_MOUSEBUTTON | QS_POSTMESSAGE | QS_TIMER | QS_PAINT | QS_SENDMESSAGE | QS_HOTKEY;
static_assert(kWakeMask == 0xFF);

}  // namespace

UniqueHandle make_waitable_timer(LONGLONG due) {
  UniqueHandle timer(CreateWaitableTimerW(nullptr, FALSE, nullptr));
  if (!timer) return {};
  LARGE_INTEGER when{};
  when.QuadPart = due;
  if (!SetWaitableTimer(timer.get(), &when, 0, nullptr, nullptr, FALSE)) return {};
  return timer;
}

Win32WindowServices::Win32WindowServices(std::function<void()> process_pending_messages, TimerMaker make_timer)
    : process_pending_messages_(std::move(process_pending_messages)), make_timer_(std::move(make_timer)) {}

widgets::Size Win32WindowServices::screen_size() const {
  return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

widgets::Rect Win32WindowServices::work_area() const {
  RECT r{};
  if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0)) return {0, 0, screen_size().width, screen_size().height};
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

widgets::Point Win32WindowServices::pointer_position() const {
  POINT p{};
  GetCursorPos(&p);
  return {p.x, p.y};
}

void Win32WindowServices::bring_to_front_maximized(std::uintptr_t window) {
  HWND hwnd = reinterpret_cast<HWND>(window);
  SetForegroundWindow(hwnd);
  // Posted, not sent: the window is maximized when its messages are next
  // processed, which works without a maximize box too.
  PostMessageW(hwnd, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
}

void Win32WindowServices::precise_wait(std::int32_t milliseconds) {
  const double started = base::precise_now_ms();
  // 100-nanosecond units; negative: relative to when the timer is set, so
  // the messages handled meanwhile do not lengthen the wait.
  const auto due = static_cast<LONGLONG>(std::trunc(milliseconds * -10000.0));
  if (UniqueHandle timer = make_timer_(due)) {
    HANDLE handle = timer.get();
    for (;;) {
      const DWORD woken = MsgWaitForMultipleObjects(1, &handle, FALSE, INFINITE, kWakeMask);
      if (woken == WAIT_OBJECT_0) return;
      if (woken == WAIT_FAILED) break;  // the rest of the time without the timer
      process_pending_messages_();
    }
  }
  plain_wait_until(started + milliseconds);
}

// Sleeps until input arrives or the end comes, dispatching the input.
void Win32WindowServices::plain_wait_until(double end_ms) {
  for (;;) {
    process_pending_messages_();
    const double left = end_ms - base::precise_now_ms();
    if (left <= 0) return;
    // Rounded up, so that the last sleep does not end just short of the end.
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(std::ceil(left)), kWakeMask);
  }
}

}  // namespace tapvero::positioning_test
