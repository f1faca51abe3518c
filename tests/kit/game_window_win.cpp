#include "kit/game_window_win.h"

#include "kit/tapvero_driver_win.h"

namespace tapvero::kit {

GameWindow::GameWindow(const Options& options)
    : options_(options), ready_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
  thread_ = UniqueHandle(CreateThread(nullptr, 0, thread_main, this, 0, nullptr));
  if (thread_) WaitForSingleObject(ready_.get(), INFINITE);
}

GameWindow::~GameWindow() {
  if (window_) PostMessageW(window_, WM_CLOSE, 0, 0);
  if (thread_) WaitForSingleObject(thread_.get(), 5000);
}

void GameWindow::add(const KeyEvent& e) {
  const int n = count_.load(std::memory_order_relaxed);
  if (static_cast<std::size_t>(n) == kCapacity) return;
  events_[static_cast<std::size_t>(n)] = e;
  count_.store(n + 1, std::memory_order_release);
}

bool GameWindow::handle(UINT msg, WPARAM wp, LPARAM lp, LONGLONG at) {
  switch (msg) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP:
      add({KeyEvent::kMessage, msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN, static_cast<WORD>(wp),
           static_cast<WORD>((lp >> 16) & 0xFF), static_cast<ULONG_PTR>(GetMessageExtraInfo()), at});
      return true;
    case WM_INPUT: {
      RAWINPUT raw{};
      UINT size = sizeof raw;
      if (GetRawInputData(reinterpret_cast<HRAWINPUT>(lp), RID_INPUT, &raw, &size, sizeof(RAWINPUTHEADER)) ==
          static_cast<UINT>(-1))
        return false;
      if (raw.header.dwType == RIM_TYPEMOUSE) raw_mouse_moves_.fetch_add(1, std::memory_order_relaxed);
      const RAWKEYBOARD& k = raw.data.keyboard;
      if (raw.header.dwType == RIM_TYPEKEYBOARD)
        add({KeyEvent::kRaw, !(k.Flags & RI_KEY_BREAK), k.VKey, k.MakeCode, k.ExtraInformation, at});
      return false;  // on to DefWindowProcW, which frees the input
    }
    case WM_LBUTTONDOWN:
      add({KeyEvent::kClick, true, 0, 0, 0, at});
      return false;
    case WM_ACTIVATE:
      add({KeyEvent::kActivate, LOWORD(wp) != WA_INACTIVE, LOWORD(wp), 0, 0, at});
      return false;
    default:
      return false;
  }
}

LRESULT CALLBACK GameWindow::procedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  const LONGLONG at = counter();
  if (msg == WM_NCCREATE)
    SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
  auto* self = reinterpret_cast<GameWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (msg == WM_DESTROY) PostQuitMessage(0);
  if (self && msg != WM_DESTROY && self->handle(msg, wp, lp, at)) return 0;
  return DefWindowProcW(hwnd, msg, wp, lp);
}

DWORD WINAPI GameWindow::thread_main(void* param) {
  auto& self = *static_cast<GameWindow*>(param);
  if (self.options_.time_critical) SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
  WNDCLASSW wc{};
  wc.lpfnWndProc = procedure;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = L"TapveroGameStandIn";
  RegisterClassW(&wc);
  const Options& o = self.options_;
  const HWND window = CreateWindowExW(0, wc.lpszClassName, o.title, WS_OVERLAPPEDWINDOW, o.at.x, o.at.y, o.size.cx,
                                      o.size.cy, nullptr, nullptr, wc.hInstance, &self);
  if (window) {
    const DWORD flags = o.input_sink ? RIDEV_INPUTSINK : 0;
    std::vector<RAWINPUTDEVICE> devices{{1, 6, flags, window}};
    if (o.raw_mouse) devices.insert(devices.begin(), {1, 2, flags, window});
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

bool GameWindow::in_front() const {
  GUITHREADINFO info{sizeof info};
  return GetForegroundWindow() == window_ && GetGUIThreadInfo(GetWindowThreadProcessId(window_, nullptr), &info) &&
         info.hwndFocus == window_;
}

::testing::AssertionResult GameWindow::bring_to_front(HWND other) {
  const std::string x_focus = "windowfocus --sync " + std::to_string(x_window(window_));
  for (int attempt = 0; attempt < 5; ++attempt) {
    RECT r{};
    GetWindowRect(window_, &r);
    const int clicks = count("click 00");
    click_screen({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    wait_until([&] { return count("click 00") > clicks; }, 5000);  // activation comes before the click
    if (under_wine())
      if (auto focused = run_xdotool(x_focus); !focused) return focused;
    settle({window_, other});
    if (in_front()) return ::testing::AssertionSuccess();
    SetForegroundWindow(window_);
    settle({window_, other});
    if (in_front()) return ::testing::AssertionSuccess();
  }
  ::testing::AssertionResult failure = ::testing::AssertionFailure();
  failure << "foreground " << GetForegroundWindow() << " instead of the game " << window_ << "; the game's log:";
  for (const std::string& line : lines()) failure << " " << line;
  return failure;
}

std::vector<KeyEvent> GameWindow::events(int from) const {
  const int n = size();
  return std::vector<KeyEvent>(events_.get() + std::min(from, n), events_.get() + n);
}

std::vector<std::string> event_lines(const std::vector<KeyEvent>& events) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::vector<std::string> out;
  for (const KeyEvent& e : events) {
    std::string what = e.kind == KeyEvent::kClick      ? "click"
                       : e.kind == KeyEvent::kActivate ? (e.down ? "active" : "inactive")
                       : e.kind == KeyEvent::kRaw      ? (e.down ? "raw" : "raw up")
                                                       : (e.down ? "down" : "up");
    what += ' ';
    what += kDigits[(e.vk >> 4) & 0xF];
    what += kDigits[e.vk & 0xF];
    if (e.kind <= KeyEvent::kRaw && e.down && e.scan == 0) out.push_back("scan0 " + what);
    out.push_back(what);
  }
  return out;
}

std::vector<std::string> GameWindow::lines() const { return event_lines(events()); }

namespace {

std::vector<std::string> lines_starting(const std::vector<std::string>& lines, const std::string& start,
                                        const std::string& except) {
  std::vector<std::string> out;
  for (const std::string& line : lines)
    if (line.starts_with(start) && line != except && !line.starts_with("raw up")) out.push_back(line);
  return out;
}

}  // namespace

std::vector<std::string> GameWindow::presses() const { return lines_starting(lines(), "down ", "down 51"); }

std::vector<std::string> GameWindow::raw_presses() const { return lines_starting(lines(), "raw ", "raw 51"); }

int GameWindow::without_scan_code() const { return static_cast<int>(lines_starting(lines(), "scan0 ", "").size()); }

int GameWindow::count(const std::string& line) const {
  const std::vector<std::string> all = lines();
  return static_cast<int>(std::count(all.begin(), all.end(), line));
}

}  // namespace tapvero::kit
