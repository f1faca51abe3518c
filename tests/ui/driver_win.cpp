#include "driver_win.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "tapvero_version.h"

namespace tapvero::uitest {
namespace {

constexpr wchar_t kTitle[] = L"" TAPVERO_TITLE;

std::wstring window_text(HWND h) {
  const int n = static_cast<int>(SendMessageW(h, WM_GETTEXTLENGTH, 0, 0));
  std::wstring s(static_cast<std::size_t>(n) + 1, L'\0');
  const int got = static_cast<int>(SendMessageW(h, WM_GETTEXT, s.size(), reinterpret_cast<LPARAM>(s.data())));
  s.resize(static_cast<std::size_t>(got));
  return s;
}

std::wstring class_name(HWND h) {
  wchar_t buf[64] = {};
  GetClassNameW(h, buf, 64);
  return buf;
}

void remove_folder(const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName;
      if (name != L"." && name != L"..") DeleteFileW((folder + L"\\" + name).c_str());
    } while (FindNextFileW(h, &found));
    FindClose(h);
  }
  RemoveDirectoryW(folder.c_str());
}

struct Search {
  DWORD pid;
  HWND found;
  bool dialog;  // a message box rather than the main window
};

BOOL CALLBACK find_window(HWND h, LPARAM lp) {
  auto* s = reinterpret_cast<Search*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(h, &pid);
  if (pid != s->pid || !IsWindowVisible(h)) return TRUE;
  const bool dialog = class_name(h) == L"#32770";
  if (dialog != s->dialog) return TRUE;
  if (!dialog && window_text(h) != kTitle) return TRUE;
  s->found = h;
  return FALSE;
}

void send_mouse(POINT screen, DWORD down, DWORD up) {
  INPUT in[3] = {mouse_input(screen, 0), mouse_input(screen, down), mouse_input(screen, up)};
  SendInput(down ? 3 : 1, in, sizeof(INPUT));
}

// Whether the static control `shown` shows the system icon `id`. Icons do not
// cross processes, so the screen's pixels are compared with the icon drawn
// here on the same background.
bool shows_icon(HWND shown, LPCWSTR id) {
  RECT r{};
  GetWindowRect(shown, &r);
  const int w = r.right - r.left, h = r.bottom - r.top;
  if (w <= 0 || h <= 0) return false;
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(dc, bitmap);
  const std::size_t n = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);

  BitBlt(dc, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
  GdiFlush();
  const std::vector<std::uint32_t> on_screen(static_cast<std::uint32_t*>(bits), static_cast<std::uint32_t*>(bits) + n);

  HBRUSH background = CreateSolidBrush(GetPixel(screen, r.left, r.top));
  RECT all{0, 0, w, h};
  FillRect(dc, &all, background);
  DeleteObject(background);
  DrawIconEx(dc, 0, 0, LoadIconW(nullptr, id), 0, 0, 0, nullptr, DI_NORMAL);
  GdiFlush();
  const bool same = std::equal(on_screen.begin(), on_screen.end(), static_cast<std::uint32_t*>(bits));

  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return same;
}

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

INPUT mouse_input(POINT screen, DWORD buttons) {
  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  INPUT i{};
  i.type = INPUT_MOUSE;
  i.mi.dx = (screen.x * 65535 + w / 2) / (w - 1);
  i.mi.dy = (screen.y * 65535 + h / 2) / (h - 1);
  i.mi.dwFlags = buttons | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  return i;
}

INPUT key_input(WORD vk, bool up) {
  INPUT i{};
  i.type = INPUT_KEYBOARD;
  i.ki.wVk = vk;
  i.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
  i.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return i;
}

void wait_until_ms(double until_ms) {
  LARGE_INTEGER frequency{};
  QueryPerformanceFrequency(&frequency);
  for (;;) {
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    const double left = until_ms - static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
    if (left <= 0) return;
    if (left > 4) Sleep(1);
  }
}

bool under_wine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

std::wstring beside_this_program(const std::wstring& name) {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring dir = self;
  dir.resize(dir.find_last_of(L'\\'));
  return dir + L"\\" + name;
}

::testing::AssertionResult same_rect(const RECT& actual, const RECT& expected) {
  if (EqualRect(&actual, &expected)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "(" << actual.left << ", " << actual.top << ", " << actual.right - actual.left
                                       << " x " << actual.bottom - actual.top << ") instead of (" << expected.left
                                       << ", " << expected.top << ", " << expected.right - expected.left << " x "
                                       << expected.bottom - expected.top << ")";
}

bool wait_until(const std::function<bool()>& condition, int timeout_ms) {
  const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(timeout_ms);
  for (;;) {
    if (condition()) return true;
    if (GetTickCount64() > end) return false;
    Sleep(10);
  }
}

void click_screen(POINT screen) { send_mouse(screen, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP); }

std::wstring host_path(const std::string& unix_path) {
  std::wstring path = L"Z:";
  for (char c : unix_path) path += c == '/' ? L'\\' : static_cast<wchar_t>(c);
  return path;
}

::testing::AssertionResult run_unix(const std::string& command, int timeout_ms) {
  // Named by the moment too: process ids repeat in every Wine prefix, and
  // other test runs on the machine share /tmp.
  static int counter = 0;
  LARGE_INTEGER now{};
  QueryPerformanceCounter(&now);
  const std::string marker = "/tmp/tapvero-unix-" + std::to_string(GetCurrentProcessId()) + "-" +
                             std::to_string(++counter) + "-" + std::to_string(now.QuadPart);
  const std::string script = command + "; touch " + marker;
  std::wstring line = L"/bin/sh -c \"" + std::wstring(script.begin(), script.end()) + L"\"";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(L"Z:\\bin\\sh", line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return ::testing::AssertionFailure() << command << " did not start: error " << GetLastError();
  if (pi.hThread) CloseHandle(pi.hThread);
  if (pi.hProcess) CloseHandle(pi.hProcess);
  const std::wstring windows_marker = host_path(marker);
  if (!wait_until([&] { return exists(windows_marker); }, timeout_ms))
    return ::testing::AssertionFailure() << command << " did not finish";
  DeleteFileW(windows_marker.c_str());
  return ::testing::AssertionSuccess();
}

std::wstring program_under_test() {
  // The build's path on the host.
  if (const char* unix_path = std::getenv("TAPVERO_EXE")) return host_path(unix_path);
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring dir = self;
  dir.resize(dir.find_last_of(L'\\'));
  return dir + L"\\..\\..\\Tapvero.exe";
}

Tapvero::Tapvero(std::optional<std::string> config) {
  static int counter = 0;
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  folder_ =
      std::wstring(temp) + L"tapvero-ui-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter);
  remove_folder(folder_);
  CreateDirectoryW(folder_.c_str(), nullptr);
  const std::wstring exe = folder_ + L"\\Tapvero.exe";
  if (!CopyFileW(program_under_test().c_str(), exe.c_str(), FALSE)) {
    start_error_ = "copying the program failed: error " + std::to_string(GetLastError());
    return;
  }
  if (config) {
    HANDLE f = CreateFileW((folder_ + L"\\Config.ini").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(f, config->data(), static_cast<DWORD>(config->size()), &written, nullptr);
    CloseHandle(f);
  }
  STARTUPINFOW si{};
  si.cb = sizeof si;
  std::wstring command = L"\"" + exe + L"\"";
  if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder_.c_str(), &si,
                      &process_)) {
    start_error_ = "starting the program failed: error " + std::to_string(GetLastError());
    return;
  }
  if (!wait_until([&] {
        Search s{process_.dwProcessId, nullptr, false};
        EnumWindows(find_window, reinterpret_cast<LPARAM>(&s));
        window_ = s.found;
        return window_ != nullptr;
      }))
    start_error_ = "the program's window never showed";
}

Tapvero::~Tapvero() {
  if (process_.hProcess) {
    if (running()) {
      TerminateProcess(process_.hProcess, 255);
      WaitForSingleObject(process_.hProcess, kTimeoutMs);
    }
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
  }
  wait_until(
      [&] {
        remove_folder(folder_);
        return GetFileAttributesW(folder_.c_str()) == INVALID_FILE_ATTRIBUTES;
      },
      5000);
}

HWND Tapvero::control(int id) const { return id == 0 ? window_ : GetDlgItem(window_, id); }

std::wstring Tapvero::text(int id) const { return window_text(control(id)); }

bool Tapvero::enabled(int id) const { return IsWindowEnabled(control(id)) != FALSE; }

bool Tapvero::visible(int id) const { return IsWindowVisible(control(id)) != FALSE; }

bool Tapvero::ticked(int id) const { return SendMessageW(control(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

RECT Tapvero::client_rect(int id) const {
  RECT r{};
  GetWindowRect(control(id), &r);
  MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

RECT Tapvero::window_rect() const {
  RECT r{};
  GetWindowRect(window_, &r);
  return r;
}

SIZE Tapvero::client_size() const {
  RECT r{};
  GetClientRect(window_, &r);
  return {r.right, r.bottom};
}

std::optional<int> Tapvero::focused_control() const {
  GUITHREADINFO info{sizeof info};
  if (!GetGUIThreadInfo(process_.dwThreadId, &info) || !info.hwndFocus) return std::nullopt;
  return GetDlgCtrlID(info.hwndFocus);
}

int Tapvero::current_page() const { return static_cast<int>(SendMessageW(control(1), TCM_GETCURSEL, 0, 0)); }

void Tapvero::bring_to_front() const {
  if (GetForegroundWindow() != window_) {
    SetForegroundWindow(window_);
    wait_until([&] { return GetForegroundWindow() == window_; }, 5000);
  }
}

void Tapvero::click(int id, bool right) const {
  RECT r{};
  GetWindowRect(control(id), &r);
  click_at({(r.left + r.right) / 2, (r.top + r.bottom) / 2}, right);
}

void Tapvero::click_at(POINT screen, bool right) const {
  bring_to_front();
  wait_for_no_capture();
  send_mouse(screen, right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN,
             right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP);
}

// Under Wine each move made here also reaches the program as an X crossing
// event, which its thread turns back into a move of the pointer when it gets
// round to it: a late one puts the pointer back where an earlier move left it,
// until the program's next event brings it here again. The move holds once the
// pointer has stayed here, with the program's thread answering all along, for
// longer than Wine trusts its own record of the position (100 ms): the X
// server has been asked since, so it has sent every such event, and the
// program has had every chance to take them.
constexpr ULONGLONG kPointerStillMs = 150;

bool Tapvero::move_pointer(POINT screen) const {
  wait_for_no_capture();
  send_mouse(screen, 0, 0);
  ULONGLONG here_since = GetTickCount64();
  return wait_until([&] {
    settle({window_});
    POINT at{};
    const ULONGLONG now = GetTickCount64();
    if (GetCursorPos(&at) && at.x == screen.x && at.y == screen.y) return now - here_since >= kPointerStillMs;
    send_mouse(screen, 0, 0);
    here_since = now;
    return false;
  });
}

// Mouse input goes to the window holding the capture when it arrives: a
// button still finishing an earlier click (Wine's buttons change their
// state before releasing the capture) would take the next one.
void Tapvero::wait_for_no_capture() const {
  wait_until(
      [&] {
        GUITHREADINFO info{sizeof info};
        return !GetGUIThreadInfo(process_.dwThreadId, &info) || !info.hwndCapture;
      },
      5000);
}

void Tapvero::key(WORD vk, bool with_shift, bool with_ctrl) const {
  bring_to_front();
  std::vector<INPUT> in;
  if (with_ctrl) in.push_back(key_input(VK_CONTROL, false));
  if (with_shift) in.push_back(key_input(VK_SHIFT, false));
  in.push_back(key_input(vk, false));
  in.push_back(key_input(vk, true));
  if (with_shift) in.push_back(key_input(VK_SHIFT, true));
  if (with_ctrl) in.push_back(key_input(VK_CONTROL, true));
  SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
}

void Tapvero::type(const std::wstring& characters) const {
  bring_to_front();
  std::vector<INPUT> in;
  for (wchar_t c : characters) {
    INPUT i{};
    i.type = INPUT_KEYBOARD;
    i.ki.wScan = c;
    i.ki.dwFlags = KEYEVENTF_UNICODE;
    in.push_back(i);
    i.ki.dwFlags |= KEYEVENTF_KEYUP;
    in.push_back(i);
  }
  SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
}

void Tapvero::select_page(int page) const {
  // The tab's rectangle lives in the program's memory: ask for it there.
  HWND tab = control(1);
  void* remote = VirtualAllocEx(process_.hProcess, nullptr, sizeof(RECT), MEM_COMMIT, PAGE_READWRITE);
  RECT r{};
  SendMessageW(tab, TCM_GETITEMRECT, static_cast<WPARAM>(page), reinterpret_cast<LPARAM>(remote));
  ReadProcessMemory(process_.hProcess, remote, &r, sizeof r, nullptr);
  VirtualFreeEx(process_.hProcess, remote, 0, MEM_RELEASE);
  MapWindowPoints(tab, nullptr, reinterpret_cast<POINT*>(&r), 2);
  click_at({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
  wait_until([&] { return current_page() == page; });
}

std::optional<std::string> Tapvero::config() const {
  HANDLE f = CreateFileW((folder_ + L"\\Config.ini").c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return std::nullopt;
  std::string bytes(static_cast<std::size_t>(GetFileSize(f, nullptr)), '\0');
  DWORD got = 0;
  ReadFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
  CloseHandle(f);
  bytes.resize(got);
  return bytes;
}

std::optional<MessageBoxInfo> Tapvero::message_box() const {
  Search s{process_.dwProcessId, nullptr, true};
  EnumWindows(find_window, reinterpret_cast<LPARAM>(&s));
  if (!s.found) return std::nullopt;
  MessageBoxInfo info;
  info.hwnd = s.found;
  info.title = window_text(s.found);
  info.text = window_text(GetDlgItem(s.found, 0xFFFF));
  // The icon, in the box's one static control that shows one.
  for (HWND child = GetWindow(s.found, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (class_name(child) == L"Static" && (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
      info.error_icon = shows_icon(child, IDI_HAND);
      info.information_icon = shows_icon(child, IDI_ASTERISK);
    }
  }
  return info;
}

std::optional<MessageBoxInfo> Tapvero::wait_message_box(int timeout_ms) const {
  std::optional<MessageBoxInfo> box;
  wait_until([&] { return (box = message_box()).has_value() && !box->text.empty(); }, timeout_ms);
  return box;
}

std::optional<MessageBoxInfo> Tapvero::expect_message_box(const std::wstring& title, bool error_icon) const {
  const std::optional<MessageBoxInfo> box = wait_message_box();
  EXPECT_TRUE(box.has_value());
  if (!box) return box;
  EXPECT_EQ(box->title, title);
  EXPECT_EQ(GetWindow(box->hwnd, GW_OWNER), nullptr);
  // The icon may be drawn a moment after the text.
  EXPECT_TRUE(wait_until([&] {
    const auto shown = message_box();
    return shown && shown->error_icon == error_icon && shown->information_icon == !error_icon;
  }));
  return box;
}

void Tapvero::dismiss(const MessageBoxInfo& box) const {
  PostMessageW(box.hwnd, WM_COMMAND, IDOK, 0);
  wait_until([&] { return !IsWindow(box.hwnd) || !IsWindowVisible(box.hwnd); });
}

bool Tapvero::running() const { return process_.hProcess && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT; }

std::optional<DWORD> Tapvero::wait_exit(int timeout_ms) {
  if (!process_.hProcess || WaitForSingleObject(process_.hProcess, static_cast<DWORD>(timeout_ms)) != WAIT_OBJECT_0)
    return std::nullopt;
  DWORD code = 0;
  GetExitCodeProcess(process_.hProcess, &code);
  return code;
}

void settle(std::initializer_list<HWND> windows) {
  for (HWND w : windows) {
    if (IsWindow(w)) SendMessageTimeoutW(w, WM_NULL, 0, 0, SMTO_NORMAL, kTimeoutMs, nullptr);
  }
}

KeyLogWindow::KeyLogWindow(const std::wstring& folder) : log_(folder + L"\\keys.log") {
  const std::wstring exe = beside_this_program(L"key_log_window.exe");
  std::wstring command = L"\"" + exe + L"\" " + log_;
  STARTUPINFOW si{};
  si.cb = sizeof si;
  if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &process_))
    return;
  wait_until([&] {
    window_ = FindWindowW(L"TapveroKeyLog", nullptr);
    return window_ != nullptr && IsWindowVisible(window_) && exists(log_);
  });
}

KeyLogWindow::~KeyLogWindow() {
  if (!process_.hProcess) return;
  TerminateProcess(process_.hProcess, 0);
  WaitForSingleObject(process_.hProcess, kTimeoutMs);
  CloseHandle(process_.hThread);
  CloseHandle(process_.hProcess);
}

void KeyLogWindow::click() const {
  RECT r{};
  GetWindowRect(window_, &r);
  click_screen({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
}

std::vector<std::string> KeyLogWindow::lines() const {
  std::vector<std::string> out;
  HANDLE f = CreateFileW(log_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return out;
  std::string bytes(static_cast<std::size_t>(GetFileSize(f, nullptr)), '\0');
  DWORD got = 0;
  ReadFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
  CloseHandle(f);
  bytes.resize(got);
  for (std::size_t begin = 0, end; (end = bytes.find("\r\n", begin)) != std::string::npos; begin = end + 2)
    out.push_back(bytes.substr(begin, end - begin));
  return out;
}

namespace {

std::vector<std::string> lines_starting(const std::vector<std::string>& lines, const std::string& start,
                                        const std::string& except = {}) {
  std::vector<std::string> out;
  for (const std::string& line : lines) {
    if (line.rfind(start, 0) == 0 && line != except) out.push_back(line);
  }
  return out;
}

}  // namespace

std::vector<std::string> KeyLogWindow::presses() const { return lines_starting(lines(), "down ", "down 51"); }

std::vector<std::string> KeyLogWindow::raw_presses() const { return lines_starting(lines(), "raw ", "raw 51"); }

int KeyLogWindow::without_scan_code() const { return static_cast<int>(lines_starting(lines(), "scan0 ").size()); }

int KeyLogWindow::count(const std::string& line) const {
  int n = 0;
  for (const std::string& l : lines()) n += l == line;
  return n;
}

}  // namespace tapvero::uitest
