#include "stand_in_window_win.h"

#include <string>

#include "driver_win.h"

namespace tapvero::bench {

StandInWindow::StandInWindow(const Options& options)
    : options_(options), ready_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
  thread_.reset(CreateThread(nullptr, 0, thread_main, this, 0, nullptr));
  if (thread_) WaitForSingleObject(ready_.get(), INFINITE);
}

StandInWindow::~StandInWindow() {
  if (window_) PostMessageW(window_, WM_CLOSE, 0, 0);
  if (thread_) WaitForSingleObject(thread_.get(), 5000);
}

LRESULT CALLBACK StandInWindow::procedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  LARGE_INTEGER at{};
  QueryPerformanceCounter(&at);
  if (msg == WM_NCCREATE)
    SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
  auto* self = reinterpret_cast<StandInWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcW(hwnd, msg, wp, lp);  // the messages before WM_NCCREATE
  if (msg == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  if (msg == WM_LBUTTONDOWN) self->clicks_.fetch_add(1);
  if (self->options_.handler(self->options_.context, msg, wp, lp, at.QuadPart)) return 0;
  return DefWindowProcW(hwnd, msg, wp, lp);
}

DWORD WINAPI StandInWindow::thread_main(void* param) {
  auto& self = *static_cast<StandInWindow*>(param);
  if (self.options_.time_critical) SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
  WNDCLASSW wc{};
  wc.lpfnWndProc = procedure;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = self.options_.class_name;
  RegisterClassW(&wc);
  const HWND window = CreateWindowExW(0, wc.lpszClassName, self.options_.title, WS_OVERLAPPEDWINDOW, self.options_.at.x,
                                      self.options_.at.y, self.options_.size.cx, self.options_.size.cy, nullptr,
                                      nullptr, wc.hInstance, &self);
  if (window) {
    // As a game reads raw input: for its own window, while in front.
    std::vector<RAWINPUTDEVICE> devices;
    for (const USHORT usage : self.options_.usages) devices.push_back({1, usage, 0, window});
    self.raw_input_ =
        RegisterRawInputDevices(devices.data(), static_cast<UINT>(devices.size()), sizeof devices[0]) != FALSE;
    if (!self.raw_input_) self.raw_input_error_ = GetLastError();
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
  }
  self.window_ = window;
  SetEvent(self.ready_.get());
  if (!window) return 1;
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  return 0;
}

bool StandInWindow::in_front() const {
  GUITHREADINFO info{sizeof info};
  return GetForegroundWindow() == window_ && GetGUIThreadInfo(GetWindowThreadProcessId(window_, nullptr), &info) &&
         info.hwndFocus == window_;
}

bool StandInWindow::bring_to_front(HWND tapvero) {
  const std::string x_focus = "windowfocus --sync " + std::to_string(uitest::x_window(window_));
  for (int attempt = 0; attempt < 5; ++attempt) {
    RECT r{};
    GetWindowRect(window_, &r);
    const int clicks = clicks_.load();
    uitest::click_screen({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    uitest::wait_until([&] { return clicks_.load() > clicks; }, 5000);
    if (uitest::under_wine()) uitest::run_xdotool(x_focus);
    uitest::settle({window_, tapvero});
    if (in_front()) return true;
    SetForegroundWindow(window_);
    uitest::settle({window_, tapvero});
    if (in_front()) return true;
  }
  return false;
}

}  // namespace tapvero::bench
