#include "kit/tapvero_driver_win.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <thread>

#include "form/main_form.h"

#include "tapvero_version.h"

namespace tapvero::kit {
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

INPUT key_input(WORD vk, bool up, ULONG_PTR mark) {
  INPUT i{};
  i.type = INPUT_KEYBOARD;
  i.ki.wVk = vk;
  i.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
  i.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  i.ki.dwExtraInfo = mark;
  return i;
}

::testing::AssertionResult same_rect(const RECT& actual, const RECT& expected) {
  if (EqualRect(&actual, &expected)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "(" << actual.left << ", " << actual.top << ", " << actual.right - actual.left
                                       << " x " << actual.bottom - actual.top << ") instead of (" << expected.left
                                       << ", " << expected.top << ", " << expected.right - expected.left << " x "
                                       << expected.bottom - expected.top << ")";
}

void click_screen(POINT screen) { send_mouse(screen, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP); }

void send_paced(std::vector<Step>& steps, double spin_ms) {
  std::thread([&] {
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
    for (Step& s : steps) {
      wait_until_ms(s.due_ms, spin_ms);
      s.sent = counter();
      SendInput(static_cast<UINT>(s.inputs.size()), s.inputs.data(), sizeof(INPUT));
      s.returned = counter();
    }
  }).join();
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
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::string name = unique_name("tapvero-ui");
  folder_ = std::wstring(temp) + std::wstring(name.begin(), name.end());
  remove_folder(folder_);
  CreateDirectoryW(folder_.c_str(), nullptr);
  const std::wstring exe = folder_ + L"\\Tapvero.exe";
  if (!CopyFileW(program_under_test().c_str(), exe.c_str(), FALSE)) {
    start_error_ = "copying the program failed: error " + std::to_string(GetLastError());
    return;
  }
  if (config) write_file(folder_ + L"\\Config.ini", *config);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  std::wstring command = L"\"" + exe + L"\"";
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder_.c_str(), &si, &pi)) {
    start_error_ = "starting the program failed: error " + std::to_string(GetLastError());
    return;
  }
  process_ = UniqueHandle(pi.hProcess);
  thread_ = UniqueHandle(pi.hThread);
  process_id_ = pi.dwProcessId;
  thread_id_ = pi.dwThreadId;
  if (!wait_until([&] {
        Search s{process_id_, nullptr, false};
        EnumWindows(find_window, reinterpret_cast<LPARAM>(&s));
        window_ = s.found;
        return window_ != nullptr;
      }))
    start_error_ = "the program's window never showed";
}

Tapvero::~Tapvero() {
  if (running()) {
    TerminateProcess(process_.get(), 255);
    WaitForSingleObject(process_.get(), kTimeoutMs);
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
  if (!GetGUIThreadInfo(thread_id_, &info) || !info.hwndFocus) return std::nullopt;
  return GetDlgCtrlID(info.hwndFocus);
}

int Tapvero::current_page() const { return static_cast<int>(SendMessageW(control(1), TCM_GETCURSEL, 0, 0)); }

bool Tapvero::in_front() const {
  GUITHREADINFO info{sizeof info};
  return GetForegroundWindow() == window_ && GetGUIThreadInfo(thread_id_, &info) && info.hwndActive == window_ &&
         (!info.hwndFocus || info.hwndFocus == window_ || IsChild(window_, info.hwndFocus));
}

std::optional<std::uintptr_t> Tapvero::x_focus() const {
  std::string out;
  if (!run_helper("xdotool getwindowfocus >{out}", kTimeoutMs, out).empty()) return std::nullopt;
  return static_cast<std::uintptr_t>(std::strtoull(out.c_str(), nullptr, 10));
}

::testing::AssertionResult Tapvero::bring_to_front() const {
  for (int attempt = 0; attempt < 5; ++attempt) {
    if (!in_front()) {
      x_focus_seen_ = false;
      SetForegroundWindow(window_);
      settle({window_});
      if (!wait_until([&] { return in_front(); }, 5000)) continue;
    }
    if (x_focus_seen_ || !under_wine()) return ::testing::AssertionSuccess();
    if (x_focus() == x_window(window_)) {
      // Once the program has handled the display's notices that came before,
      // the front it shows is the display's.
      settle({window_});
      if ((x_focus_seen_ = in_front())) return ::testing::AssertionSuccess();
      continue;
    }
    run_xdotool("windowfocus --sync " + std::to_string(x_window(window_)));
    settle({window_});
  }
  return ::testing::AssertionFailure() << "Tapvero never came in front; saw " << situation();
}

namespace {

std::string hex(std::uintptr_t value) {
  std::ostringstream s;
  s << "0x" << std::hex << value;
  return s.str();
}

std::string describe(HWND h) {
  if (!h) return "none";
  DWORD pid = 0;
  GetWindowThreadProcessId(h, &pid);
  return hex(reinterpret_cast<std::uintptr_t>(h)) + " '" + utf8(window_text(h)) + "' of process " +
         std::to_string(pid);
}

std::string key_name(WORD vk) {
  wchar_t name[32] = {};
  const LONG scan = static_cast<LONG>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
  if (GetKeyNameTextW(scan << 16, name, 32) <= 0) return hex(vk);
  return utf8(name);
}

}  // namespace

std::string Tapvero::situation() const {
  if (!IsWindow(window_)) return "no window of Tapvero";
  std::ostringstream s;
  GUITHREADINFO info{sizeof info};
  GetGUIThreadInfo(thread_id_, &info);
  s << "page " << current_page() << ", focus " << focused_control().value_or(-1) << ", Tapvero's active window "
    << describe(info.hwndActive) << ", capture " << describe(info.hwndCapture) << "; in front "
    << describe(GetForegroundWindow());
  if (under_wine()) {
    const std::optional<std::uintptr_t> x = x_focus();
    s << "; X focus " << (x ? hex(*x) : "unknown") << " (Tapvero's " << hex(x_window(window_)) << ")";
  }
  s << "; 连击 \"" << utf8(text(form::标签_连击)) << "\", 稳定度 \"" << utf8(text(form::标签_稳定度))
    << "\", 停止测试 " << (enabled(form::停止测试) ? "enabled" : "disabled") << ", 倒计时 "
    << (visible(form::标签_倒计时) ? "\"" + utf8(text(form::标签_倒计时)) + "\"" : "hidden") << ", 泡泡 "
    << (visible(form::按钮_泡泡) ? "\"" + utf8(text(form::按钮_泡泡)) + "\"" : "hidden") << ", lock "
    << (enabled(form::按钮_关闭自动锁定) ? "on" : "off");
  if (const std::optional<MessageBoxInfo> box = message_box())
    s << "; message box \"" << utf8(box->title) << "\": \"" << utf8(box->text) << "\"";
  s << "; sent:";
  for (std::size_t i = sent_.size() > 6 ? sent_.size() - 6 : 0; i < sent_.size(); ++i) s << " " << sent_[i];
  return s.str();
}

::testing::AssertionResult Tapvero::wait_for(const std::string& what, const std::function<bool()>& condition,
                                             int timeout_ms) const {
  if (wait_until(condition, timeout_ms)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "waited " << timeout_ms / 1000.0 << " s for " << what << "; saw "
                                       << situation();
}

void Tapvero::sending(const std::string& input) const {
  EXPECT_TRUE(bring_to_front()) << "before sending " << input;
  sent_.push_back(input);
}

void Tapvero::click(int id, bool right) const {
  RECT r{};
  GetWindowRect(control(id), &r);
  click_at({(r.left + r.right) / 2, (r.top + r.bottom) / 2}, right);
}

void Tapvero::click_at(POINT screen, bool right) const {
  sending(std::string(right ? "right" : "left") + " click at " + std::to_string(screen.x) + "," +
          std::to_string(screen.y));
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
        return !GetGUIThreadInfo(thread_id_, &info) || !info.hwndCapture;
      },
      5000);
}

void Tapvero::key(WORD vk, bool with_shift, bool with_ctrl) const {
  sending(std::string(with_ctrl ? "Ctrl+" : "") + (with_shift ? "Shift+" : "") + key_name(vk));
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
  sending("\"" + utf8(characters) + "\"");
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
  void* remote = VirtualAllocEx(process_.get(), nullptr, sizeof(RECT), MEM_COMMIT, PAGE_READWRITE);
  RECT r{};
  SendMessageW(tab, TCM_GETITEMRECT, static_cast<WPARAM>(page), reinterpret_cast<LPARAM>(remote));
  ReadProcessMemory(process_.get(), remote, &r, sizeof r, nullptr);
  VirtualFreeEx(process_.get(), remote, 0, MEM_RELEASE);
  MapWindowPoints(tab, nullptr, reinterpret_cast<POINT*>(&r), 2);
  click_at({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
  wait_until([&] { return current_page() == page; });
}

::testing::AssertionResult Tapvero::switch_lock(bool on) const {
  select_page(form::kLockPage);
  const auto buttons_show = [&](bool lock_on) {
    return wait_until(
        [&] { return enabled(form::按钮_开启自动锁定) == !lock_on && enabled(form::按钮_关闭自动锁定) == lock_on; });
  };
  if (!wait_until([&] { return visible(form::按钮_开启自动锁定); }) || !buttons_show(!on))
    return ::testing::AssertionFailure() << "the lock's page does not show the lock " << (on ? "off" : "on");
  click(on ? form::按钮_开启自动锁定 : form::按钮_关闭自动锁定);
  if (!buttons_show(on)) return ::testing::AssertionFailure() << "the lock did not switch " << (on ? "on" : "off");
  return ::testing::AssertionSuccess();
}

std::vector<std::wstring> Tapvero::stage_lines() const {
  std::vector<std::wstring> lines = split_lines(text(form::编辑框_结果), std::wstring(L"\r\n"));
  lines.pop_back();
  return lines;
}

std::optional<std::string> Tapvero::config() const { return read_file(folder_ + L"\\Config.ini"); }

std::optional<MessageBoxInfo> Tapvero::message_box() const {
  Search s{process_id_, nullptr, true};
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

bool Tapvero::running() const { return process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT; }

std::optional<DWORD> Tapvero::wait_exit(int timeout_ms) {
  if (!process_ || WaitForSingleObject(process_.get(), static_cast<DWORD>(timeout_ms)) != WAIT_OBJECT_0)
    return std::nullopt;
  DWORD code = 0;
  GetExitCodeProcess(process_.get(), &code);
  return code;
}

void settle(std::initializer_list<HWND> windows) {
  for (HWND w : windows) {
    if (IsWindow(w)) SendMessageTimeoutW(w, WM_NULL, 0, 0, SMTO_NORMAL, kTimeoutMs, nullptr);
  }
}

}  // namespace tapvero::kit
