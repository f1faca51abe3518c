#include "input/input_thread_win.h"

#include <algorithm>
#include <utility>

namespace tapvero::input {
namespace {

constexpr wchar_t kWindowClass[] = L"TapveroInput";
// The system's own timer message (the caret's), which names code to call
// as WM_TIMER may.
constexpr UINT kSystemTimer = 0x0118;

}  // namespace

Win32InputThread::Win32InputThread() {
  ready_ = base::UniqueHandle(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  wake_ = base::UniqueHandle(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  if (!ready_ || !wake_) return;
  thread_ = base::UniqueHandle(CreateThread(nullptr, 0, thread_main, this, 0, nullptr));
  if (thread_) WaitForSingleObject(ready_.get(), INFINITE);
}

Win32InputThread::~Win32InputThread() { stop(); }

void Win32InputThread::stop() {
  if (!thread_) return;
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  SetEvent(wake_.get());
  WaitForSingleObject(thread_.get(), INFINITE);
  thread_ = base::UniqueHandle();
  window_ = nullptr;
}

void Win32InputThread::run(const std::function<void()>& task) {
  if (!window_) {
    task();
    return;
  }
  const base::UniqueHandle ran(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  Pending pending{&task, ran.get()};
  {
    const std::lock_guard lock(mutex_);
    tasks_.push_back(&pending);
  }
  SetEvent(wake_.get());
  // The thread only ever runs short tasks and the hook: this returns at
  // once. Meanwhile this thread answers what other threads send it, as it
  // would inside SendMessage: a task may ask its windows something (a
  // message box's owner is disabled while the box shows). Without an event
  // (the system out of handles) it looks every millisecond.
  for (;;) {
    {
      const std::lock_guard lock(mutex_);
      if (pending.done) break;
    }
    MsgWaitForMultipleObjects(pending.ran ? 1 : 0, &pending.ran, FALSE, pending.ran ? INFINITE : 1, QS_SENDMESSAGE);
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

void Win32InputThread::after(std::uint32_t milliseconds, std::function<void()> task) {
  if (window_) timers_.emplace_back(GetTickCount64() + milliseconds, std::move(task));
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
  const HWND window = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, self);
  self->window_ = window;
  SetEvent(self->ready_.get());
  if (window) {
    self->loop();
    DestroyWindow(window);
  }
  UnregisterClassW(kWindowClass, instance);
  return 0;
}

void Win32InputThread::loop() {
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      // The thread keeps its own timers and ends only when stopped: a timer
      // or a quit in its queue is someone else's.
      if (msg.message != WM_TIMER && msg.message != kSystemTimer && msg.message != WM_QUIT) DispatchMessageW(&msg);
    }
    if (!run_tasks()) return;
    const HANDLE wake = wake_.get();
    MsgWaitForMultipleObjectsEx(1, &wake, time_to_next_timer(), QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
}

bool Win32InputThread::run_tasks() {
  for (;;) {
    Pending* pending = nullptr;
    {
      const std::lock_guard lock(mutex_);
      if (tasks_.empty()) break;
      pending = tasks_.front();
      tasks_.pop_front();
    }
    (*pending->task)();
    // Under the lock: the waiting caller closes the event once it sees done.
    const std::lock_guard lock(mutex_);
    pending->done = true;
    if (pending->ran) SetEvent(pending->ran);
  }
  // Due timers one at a time: a timer's task may set another.
  for (;;) {
    const ULONGLONG now = GetTickCount64();
    const auto due = std::find_if(timers_.begin(), timers_.end(), [&](const auto& t) { return t.first <= now; });
    if (due == timers_.end()) break;
    const std::function<void()> task = std::move(due->second);
    timers_.erase(due);
    task();
  }
  const std::lock_guard lock(mutex_);
  return !stopping_;
}

DWORD Win32InputThread::time_to_next_timer() const {
  if (timers_.empty()) return INFINITE;
  ULONGLONG next = timers_.front().first;
  for (const auto& t : timers_) next = std::min(next, t.first);
  const ULONGLONG now = GetTickCount64();
  return next <= now ? 0 : static_cast<DWORD>(next - now);
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

// Whatever the arguments, and whoever sent them: raw input is read through
// the system, which refuses a handle that is none of its own.
LRESULT Win32InputThread::handle(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_INPUT:
      if (raw_input_) raw_input_(reinterpret_cast<HRAWINPUT>(lp));
      break;  // the system cleans up after it
    case WM_CLOSE:
      return 0;  // the window goes when the thread is stopped, and only then
    default:
      break;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace tapvero::input
