#include "widgets/input_timer_win.h"

#include <vector>

#include "widgets/clock_win.h"

namespace tapvero::widgets {
namespace {

constexpr wchar_t kWindowClass[] = L"TapveroInputTimer";

Tick tick_now() { return SystemClock().tick_ms(); }

// Posts messages to this thread and reads them back for 20 ms, to learn how
// fine the message times are.
MessageTimeScale measure_message_times() {
  std::vector<std::pair<Tick, std::int32_t>> samples;
  const Tick start = tick_now();
  MSG msg;
  while (tick_now() - start < 20 && samples.size() < 100000) {
    PostThreadMessageW(GetCurrentThreadId(), WM_APP, 0, 0);
    if (!PeekMessageW(&msg, nullptr, WM_APP, WM_APP, PM_REMOVE)) break;
    samples.emplace_back(tick_now(), static_cast<std::int32_t>(msg.time));
  }
  return message_time_scale(samples);
}

}  // namespace

InputTimer::InputTimer(PressStamps& stamps) : stamps_(stamps) {
  ready_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!ready_) return;
  thread_ = CreateThread(nullptr, 0, thread_main, this, 0, &thread_id_);
  if (thread_) WaitForSingleObject(ready_, INFINITE);
}

InputTimer::~InputTimer() {
  if (thread_) {
    // The thread's queue exists once it has said it is ready.
    PostThreadMessageW(thread_id_, WM_QUIT, 0, 0);
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
  }
  if (ready_) CloseHandle(ready_);
}

DWORD WINAPI InputTimer::thread_main(void* param) {
  auto* self = static_cast<InputTimer*>(param);
  // Ahead of the window's thread, so that a press is stamped as it comes.
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
  MSG msg;
  PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the thread's message queue
  self->scale_ = measure_message_times();

  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = window_proc;
  wc.hInstance = instance;
  wc.lpszClassName = kWindowClass;
  RegisterClassExW(&wc);
  HWND hwnd = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
  if (hwnd) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    // Keyboard and mouse, whichever window has the focus.
    RAWINPUTDEVICE devices[2] = {{1, 6, RIDEV_INPUTSINK, hwnd}, {1, 2, RIDEV_INPUTSINK, hwnd}};
    self->running_ = RegisterRawInputDevices(devices, 2, sizeof devices[0]) != FALSE;
  }
  SetEvent(self->ready_);
  if (self->running_) {
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    RAWINPUTDEVICE removed[2] = {{1, 6, RIDEV_REMOVE, nullptr}, {1, 2, RIDEV_REMOVE, nullptr}};
    RegisterRawInputDevices(removed, 2, sizeof removed[0]);
  }
  if (hwnd) DestroyWindow(hwnd);
  UnregisterClassW(kWindowClass, instance);
  return 0;
}

LRESULT CALLBACK InputTimer::window_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_INPUT) {
    if (auto* self = reinterpret_cast<InputTimer*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)))
      self->stamp(reinterpret_cast<HRAWINPUT>(lp));
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

void InputTimer::stamp(HRAWINPUT input) {
  const auto message_time = static_cast<std::int32_t>(GetMessageTime());
  const Tick at = input_stamp(tick_now(), message_time, scale_);
  RAWINPUT raw{};
  UINT size = sizeof raw;
  if (GetRawInputData(input, RID_INPUT, &raw, &size, sizeof(RAWINPUTHEADER)) == static_cast<UINT>(-1)) return;
  if (raw.header.dwType == RIM_TYPEKEYBOARD) {
    if (!(raw.data.keyboard.Flags & RI_KEY_BREAK) && raw.data.keyboard.VKey > 0 && raw.data.keyboard.VKey < 255)
      stamps_.record(raw.data.keyboard.VKey, message_time, at);
  } else if (raw.header.dwType == RIM_TYPEMOUSE) {
    const USHORT buttons = raw.data.mouse.usButtonFlags;
    if (buttons & RI_MOUSE_LEFT_BUTTON_UP) stamps_.record(kLeftRelease, message_time, at);
    if (buttons & RI_MOUSE_RIGHT_BUTTON_UP) stamps_.record(kRightRelease, message_time, at);
  }
}

}  // namespace tapvero::widgets
