// A game's stand-in for the benches that run behind one: a window of the
// bench's own, on a thread of its own, reading raw input for itself as a
// game in front does, from construction until destruction.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <vector>

namespace tapvero::bench {

class StandInWindow {
 public:
  // Handles one of the window's messages, given the performance counter as
  // the window procedure began; false sends it on to DefWindowProcW.
  using Handler = bool (*)(void* context, UINT msg, WPARAM wp, LPARAM lp, LONGLONG at);
  struct Options {
    const wchar_t* class_name;
    const wchar_t* title;
    POINT at;
    SIZE size;
    std::vector<USHORT> usages;  // of the generic desktop page: 2 the mouse, 6 the keyboard
    bool time_critical;          // the window's thread
    Handler handler;
    void* context;
  };

  explicit StandInWindow(const Options& options);
  ~StandInWindow();
  StandInWindow(const StandInWindow&) = delete;
  StandInWindow& operator=(const StandInWindow&) = delete;

  HWND window() const { return window_; }
  bool reads_raw_input() const { return raw_input_; }
  DWORD raw_input_error() const { return raw_input_error_; }
  // Whether it is in front, with the keyboard focus.
  bool in_front() const;
  // Brings it in front and gives it the X display's focus, as the UI tests
  // bring their game there: clicked, given the X focus, brought to the
  // front from here if need be, once both programs have handled every
  // notice. False if it would not come.
  bool bring_to_front(HWND tapvero);

 private:
  static DWORD WINAPI thread_main(void* param);
  static LRESULT CALLBACK procedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

  struct HandleCloser {
    void operator()(HANDLE h) const {
      if (h) CloseHandle(h);
    }
  };
  using Handle = std::unique_ptr<void, HandleCloser>;

  const Options options_;
  std::atomic<int> clicks_{0};
  Handle ready_;
  Handle thread_;
  HWND window_ = nullptr;
  bool raw_input_ = false;
  DWORD raw_input_error_ = 0;
};

}  // namespace tapvero::bench
