// A stand-in for a game in the UI tests: one window that writes every key
// message it receives, down and up, to the file named on its command line,
// one line each ("down 5A", "up 5A"), as it receives them. Like many games
// it also reads the keyboard's raw input while it is in front, and logs
// each raw key-down ("raw 5A"). A key-down that comes without a scan code,
// by either path, gets a line of its own too ("scan0 down 5A", "scan0 raw 5A").
// It opens below where Tapvero's window opens, so that clicks on Tapvero
// never hit it.
#include <windows.h>

#include <string>

namespace {

HANDLE g_log = INVALID_HANDLE_VALUE;

void log_key(const char* what, WPARAM key, bool without_scan_code = false) {
  if (without_scan_code) {
    const std::string scan0 = std::string("scan0 ") + what;
    log_key(scan0.c_str(), key);
  }
  static const char kDigits[] = "0123456789ABCDEF";
  std::string line = what;
  line += ' ';
  line += kDigits[(key >> 4) & 0xF];
  line += kDigits[key & 0xF];
  line += "\r\n";
  DWORD written = 0;
  WriteFile(g_log, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

LRESULT CALLBACK window_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      log_key("down", wp, ((lp >> 16) & 0xFF) == 0);
      return 0;
    case WM_INPUT: {
      RAWINPUT raw{};
      UINT size = sizeof raw;
      if (GetRawInputData(reinterpret_cast<HRAWINPUT>(lp), RID_INPUT, &raw, &size, sizeof(RAWINPUTHEADER)) !=
              static_cast<UINT>(-1) &&
          raw.header.dwType == RIM_TYPEKEYBOARD && !(raw.data.keyboard.Flags & RI_KEY_BREAK))
        log_key("raw", raw.data.keyboard.VKey, raw.data.keyboard.MakeCode == 0);
      break;  // the system cleans up after it
    }
    case WM_KEYUP:
    case WM_SYSKEYUP:
      log_key("up", wp);
      return 0;
    // Not keys, but they tell what became of a click meant to focus it.
    case WM_LBUTTONDOWN:
      log_key("click", 0);
      break;
    case WM_ACTIVATE:
      log_key(LOWORD(wp) == WA_INACTIVE ? "inactive" : "active", LOWORD(wp));
      break;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR command_line, int show) {
  std::wstring path = command_line;
  if (path.size() >= 2 && path.front() == L'"' && path.back() == L'"') path = path.substr(1, path.size() - 2);
  g_log = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (g_log == INVALID_HANDLE_VALUE) return 1;

  WNDCLASSW wc{};
  wc.lpfnWndProc = window_proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = L"TapveroKeyLog";
  if (!RegisterClassW(&wc)) return 1;
  HWND window = CreateWindowExW(0, wc.lpszClassName, L"Key log", WS_OVERLAPPEDWINDOW, 20, 580, 320, 180, nullptr,
                                nullptr, instance, nullptr);
  if (!window) return 1;
  const RAWINPUTDEVICE keyboard{1, 6, 0, window};
  if (!RegisterRawInputDevices(&keyboard, 1, sizeof keyboard)) return 1;
  ShowWindow(window, show);
  UpdateWindow(window);

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  CloseHandle(g_log);
  return 0;
}
