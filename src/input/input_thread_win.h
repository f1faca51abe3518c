// The input thread on Windows: a thread of time-critical priority with a
// message-only window of its own, which receives the raw input of the
// whole desktop and the thread's timers; the keyboard hook installed from
// its tasks is called on it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>

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
  static DWORD WINAPI thread_main(void* self);
  static LRESULT CALLBACK window_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT handle(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

  HANDLE thread_ = nullptr;
  HANDLE ready_ = nullptr;
  HWND window_ = nullptr;
  RawInputHandler raw_input_;
  std::map<UINT_PTR, std::function<void()>> timers_;  // by timer id
  UINT_PTR next_timer_ = 1;
};

}  // namespace tapvero::input
