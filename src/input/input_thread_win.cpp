#include "input/input_thread_win.h"

#include <utility>

namespace tapvero::input {
namespace {

constexpr wchar_t kWindowClass[] = L"TapveroInput";
// Sent to the window: lParam points at the task to run.
constexpr UINT kRunTask = WM_APP + 1;

}  // namespace

Win32InputThread::Win32InputThread() {
  ready_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!ready_) return;
  thread_ = CreateThread(nullptr, 0, thread_main, this, 0, nullptr);
  if (thread_) WaitForSingleObject(ready_, INFINITE);
}

Win32InputThread::~Win32InputThread() {
  stop();
  if (ready_) CloseHandle(ready_);
}

void Win32InputThread::stop() {
  if (!thread_) return;
  // The window goes on its own thread, which then leaves its loop.
  if (window_) SendMessageW(window_, WM_CLOSE, 0, 0);
  WaitForSingleObject(thread_, INFINITE);
  CloseHandle(thread_);
  thread_ = nullptr;
  window_ = nullptr;
}

void Win32InputThread::run(const std::function<void()>& task) {
  if (!window_) {
    task();
    return;
  }
  // The thread only ever runs short tasks and the hook: this returns at once.
  SendMessageW(window_, kRunTask, 0, reinterpret_cast<LPARAM>(&task));
}

void Win32InputThread::after(std::uint32_t milliseconds, std::function<void()> task) {
  if (!window_) return;
  const UINT_PTR id = next_timer_++;
  if (SetTimer(window_, id, milliseconds, nullptr)) timers_.emplace(id, std::move(task));
}

DWORD WINAPI Win32InputThread::thread_main(void* param) {
  auto* self = static_cast<Win32InputThread*>(param);
  // Ahead of every other thread of ours: the whole desktop's keys wait for it.
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = window_proc;
  wc.hInstance = instance;
  wc.lpszClassName = kWindowClass;
  RegisterClassExW(&wc);
  self->window_ = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, self);
  const bool created = self->window_ != nullptr;
  SetEvent(self->ready_);
  if (created) {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  }
  UnregisterClassW(kWindowClass, instance);
  return 0;
}

LRESULT CALLBACK Win32InputThread::window_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
  }
  auto* self = reinterpret_cast<Win32InputThread*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
  return self->handle(hwnd, msg, wp, lp);
}

LRESULT Win32InputThread::handle(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case kRunTask:
      (*reinterpret_cast<const std::function<void()>*>(lp))();
      return 0;
    case WM_INPUT:
      if (raw_input_) raw_input_(reinterpret_cast<HRAWINPUT>(lp));
      break;  // the system cleans up after it
    case WM_TIMER: {
      const auto timer = timers_.find(wp);
      if (timer == timers_.end()) break;
      KillTimer(hwnd, wp);
      const std::function<void()> task = std::move(timer->second);
      timers_.erase(timer);
      task();
      return 0;
    }
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace tapvero::input
