// The input thread on Windows: a thread of time-critical priority with a
// message-only window of its own, which receives the raw input of the
// whole desktop; the keyboard hook installed from its tasks is called on
// it. Its tasks and timers are its own, not window messages: any program
// on the desktop can find its window and send it anything, and nothing it
// sends runs code here.
#pragma once

#include <windows.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <utility>
#include <vector>

#include "base/unique_win.h"
#include "input/input_thread.h"

namespace tapvero::input {

class Win32InputThread final : public InputThread {
 public:
  // Raw input that reaches the thread's window (the HRAWINPUT of a WM_INPUT).
  using RawInputHandler = std::function<void(HRAWINPUT input)>;

  // Starts the thread and waits until its window exists.
  Win32InputThread();
  ~Win32InputThread() override;
  Win32InputThread(const Win32InputThread&) = delete;
  Win32InputThread& operator=(const Win32InputThread&) = delete;

  // Whether the thread and its window could be had. Without them, tasks run
  // on the caller's thread.
  bool running() const { return window_ != nullptr; }
  // Ends the thread once its tasks have run; later tasks run on the caller.
  void stop();

  void run(const std::function<void()>& task) override;
  void after(std::uint32_t milliseconds, std::function<void()> task) override;
  HWND hwnd() const { return window_; }

  // Where the window's WM_INPUT goes; set from a task (or before the first
  // raw input device is registered).
  void route_raw_input_to(RawInputHandler handler) { raw_input_ = std::move(handler); }

 private:
  // A task handed to the thread by run(), which waits until it is done.
  struct Pending {
    const std::function<void()>* task;
    HANDLE ran;         // set once done, if the event could be had
    bool done = false;  // guarded by mutex_
  };

  static DWORD WINAPI thread_main(void* self);
  static LRESULT CALLBACK window_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT handle(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  void loop();
  // Runs the tasks waiting and the timers due; false once the thread is to end.
  bool run_tasks();
  // How long the thread may sleep before its next timer.
  DWORD time_to_next_timer() const;

  base::UniqueHandle thread_;
  base::UniqueHandle ready_;
  base::UniqueHandle wake_;  // set when a task waits or the thread is to end
  HWND window_ = nullptr;
  RawInputHandler raw_input_;
  std::mutex mutex_;
  std::deque<Pending*> tasks_;  // guarded by mutex_
  bool stopping_ = false;       // guarded by mutex_
  // When each timer is due (GetTickCount64) and its task; the thread's own.
  std::vector<std::pair<ULONGLONG, std::function<void()>>> timers_;
};

}  // namespace tapvero::input
