// The alternation lock from outside, with real keyboard input: a small
// window stands in for the game and logs every key message it gets, while
// xdotool types on the X display (Wine hands those keys to the low-level
// hook and the hotkeys as it would a keyboard's).
#include <gtest/gtest.h>

#include <iostream>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "driver_win.h"

namespace tapvero::uitest {
namespace {

using namespace app;
using Strings = std::vector<std::string>;

// A key that the lock leaves alone, typed after every batch: once the game
// has its release, Wine has delivered or withheld every key before it.
constexpr char kSentinel[] = "q";
constexpr char kSentinelUp[] = "up 51";

std::wstring beside_this_program(const std::wstring& name) {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring dir = self;
  dir.resize(dir.find_last_of(L'\\'));
  return dir + L"\\" + name;
}

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The stand-in game, logging to a file in `folder`.
class KeyLogWindow {
 public:
  explicit KeyLogWindow(const std::wstring& folder) : log_(folder + L"\\keys.log") {
    const std::wstring exe = beside_this_program(L"key_log_window.exe");
    std::wstring command = L"\"" + exe + L"\" " + log_;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si,
                        &process_))
      return;
    wait_until([&] {
      window_ = FindWindowW(L"TapveroKeyLog", nullptr);
      return window_ != nullptr && IsWindowVisible(window_) && exists(log_);
    });
  }
  ~KeyLogWindow() {
    if (!process_.hProcess) return;
    TerminateProcess(process_.hProcess, 0);
    WaitForSingleObject(process_.hProcess, kTimeoutMs);
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
  }
  KeyLogWindow(const KeyLogWindow&) = delete;
  KeyLogWindow& operator=(const KeyLogWindow&) = delete;

  HWND window() const { return window_; }

  // A click, which the game logs as "click 00".
  void click() const {
    RECT r{};
    GetWindowRect(window_, &r);
    click_screen({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
  }
  // The X window that Wine shows this window in.
  std::uintptr_t x_window() const {
    return reinterpret_cast<std::uintptr_t>(GetPropW(window_, L"__wine_x11_whole_window"));
  }

  // Every line of the log, and the key-downs other than the sentinel's.
  Strings lines() const {
    Strings out;
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
  Strings presses() const {
    Strings out;
    for (const std::string& line : lines()) {
      if (line.rfind("down ", 0) == 0 && line != "down 51") out.push_back(line);
    }
    return out;
  }
  int count(const std::string& line) const {
    int n = 0;
    for (const std::string& l : lines()) n += l == line;
    return n;
  }
  int sentinels() const { return count(kSentinelUp); }

 private:
  std::wstring log_;
  PROCESS_INFORMATION process_{};
  HWND window_ = nullptr;
};

// Runs xdotool with `arguments` on the X display and waits until it has
// finished. Wine starts a Unix program as it is, without a handle to wait
// on: a marker file says when it is done.
::testing::AssertionResult run_xdotool(const std::string& arguments) {
  static int counter = 0;
  const std::string marker =
      "/tmp/tapvero-xdotool-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter);
  const std::string script = "xdotool " + arguments + "; touch " + marker;
  std::wstring command = L"/bin/sh -c \"" + std::wstring(script.begin(), script.end()) + L"\"";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(L"Z:\\bin\\sh", command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return ::testing::AssertionFailure() << "xdotool did not start: error " << GetLastError();
  if (pi.hThread) CloseHandle(pi.hThread);
  if (pi.hProcess) CloseHandle(pi.hProcess);
  std::wstring windows_marker = L"Z:";
  for (char c : marker) windows_marker += c == '/' ? L'\\' : static_cast<wchar_t>(c);
  if (!wait_until([&] { return exists(windows_marker); }))
    return ::testing::AssertionFailure() << "xdotool " << arguments << " did not finish";
  DeleteFileW(windows_marker.c_str());
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult buttons_show(const Tapvero& t, bool on) {
  const bool done =
      wait_until([&] { return t.enabled(按钮_开启自动锁定) == !on && t.enabled(按钮_关闭自动锁定) == on; });
  if (done) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "开启自动锁定 " << (t.enabled(按钮_开启自动锁定) ? "enabled" : "disabled")
                                       << ", 关闭自动锁定(F12) "
                                       << (t.enabled(按钮_关闭自动锁定) ? "enabled" : "disabled");
}

// Handles, in each window's thread, every message sent to it so far, the
// activation notices that Windows passes between programs among them.
void settle(std::initializer_list<HWND> windows) {
  for (HWND w : windows) {
    if (IsWindow(w)) SendMessageTimeoutW(w, WM_NULL, 0, 0, SMTO_NORMAL, kTimeoutMs, nullptr);
  }
}

// Tapvero and the game started, the lock switched on.
class AlternationLockUi : public ::testing::Test {
 protected:
  // The game in front, as the player brings it there, and with the X
  // display's focus. Without a window manager Wine's activation notices
  // between programs can cross: a window may go on taking itself for the
  // active one when it is not, so that a click on it activates nothing, and
  // a program that loses the X focus while it is in front leaves nobody in
  // front. So the game is clicked, given the X focus, brought to the front
  // from here if need be, and counts as focused once both programs have
  // handled every notice and the game is the foreground window.
  ::testing::AssertionResult focus_game() {
    const std::string x_focus = "windowfocus --sync " + std::to_string(game.x_window());
    for (int attempt = 0; attempt < 5; ++attempt) {
      const int clicks = game.count("click 00");
      game.click();
      wait_until([&] { return game.count("click 00") > clicks; });  // activation comes before the click
      if (auto focused = run_xdotool(x_focus); !focused) return focused;
      settle({game.window(), t.window()});
      if (GetForegroundWindow() == game.window()) return ::testing::AssertionSuccess();
      SetForegroundWindow(game.window());
      settle({game.window(), t.window()});
    }
    ::testing::AssertionResult failure = ::testing::AssertionFailure();
    failure << "foreground " << GetForegroundWindow() << " instead of the game " << game.window()
            << "; the game's log:";
    for (const std::string& line : game.lines()) failure << " " << line;
    return failure;
  }

  // Types `keys` (xdotool's key names, separated by blanks) into the game
  // as real keyboard input on the X display, then the sentinel, and waits
  // until the game has the sentinel's release.
  ::testing::AssertionResult type_keys(const std::string& keys) {
    if (auto focused = focus_game(); !focused) return focused;
    const int sentinels = game.sentinels();
    if (auto typed = run_xdotool("key --delay 40 " + keys + " " + kSentinel); !typed) return typed;
    if (!wait_until([&] { return game.sentinels() > sentinels; }))
      return ::testing::AssertionFailure() << "the game never received the keys typed after " << keys;
    return ::testing::AssertionSuccess();
  }

  void SetUp() override {
    ASSERT_TRUE(t.window()) << t.start_error();
    ASSERT_TRUE(game.window());
    t.select_page(kLockPage);
    ASSERT_TRUE(wait_until([&] { return t.visible(按钮_开启自动锁定); }));
    ASSERT_TRUE(buttons_show(t, false));
    t.click(按钮_开启自动锁定);
    ASSERT_TRUE(buttons_show(t, true));
  }
  Strings new_presses(std::size_t since) const {
    const Strings all = game.presses();
    return Strings(all.begin() + static_cast<std::ptrdiff_t>(std::min(since, all.size())), all.end());
  }

  Tapvero t;
  KeyLogWindow game{t.folder()};
};

TEST_F(AlternationLockUi, TheGameGetsOnePressPerAlternationAndOtherKeysPass) {
  ASSERT_TRUE(type_keys("z z x x z x"));
  std::cout << "The game's key log for z z x x z x:";
  for (const std::string& line : game.lines()) std::cout << " " << line << ",";
  std::cout << "\n";
  EXPECT_EQ(game.presses(), (Strings{"down 5A", "down 58", "down 5A", "down 58"}));
  EXPECT_TRUE(buttons_show(t, true));

  const std::size_t before = game.presses().size();
  ASSERT_TRUE(type_keys("a space"));
  EXPECT_EQ(new_presses(before), (Strings{"down 41", "down 20"}));
}

TEST_F(AlternationLockUi, F12SwitchesTheLockOffAndThenEveryKeyPasses) {
  ASSERT_TRUE(type_keys("z z"));
  EXPECT_EQ(game.presses(), (Strings{"down 5A"}));
  ASSERT_TRUE(type_keys("F12"));
  EXPECT_TRUE(buttons_show(t, false));
  EXPECT_EQ(new_presses(1), (Strings{"down 7B"}));  // F12 itself reaches the game
  ASSERT_TRUE(type_keys("z z x x"));
  EXPECT_EQ(new_presses(2), (Strings{"down 5A", "down 5A", "down 58", "down 58"}));
}

TEST_F(AlternationLockUi, TheOffButtonFreesTheLockedKey) {
  ASSERT_TRUE(type_keys("x x"));
  EXPECT_EQ(game.presses(), (Strings{"down 58"}));
  t.click(按钮_关闭自动锁定);
  EXPECT_TRUE(buttons_show(t, false));
  ASSERT_TRUE(type_keys("x x z"));
  EXPECT_EQ(new_presses(1), (Strings{"down 58", "down 58", "down 5A"}));
}

TEST_F(AlternationLockUi, ClosingTapveroWhileZIsLockedFreesZ) {
  ASSERT_TRUE(type_keys("z z"));
  EXPECT_EQ(game.presses(), (Strings{"down 5A"}));
  PostMessageW(t.window(), WM_CLOSE, 0, 0);
  EXPECT_EQ(t.wait_exit(), std::optional<DWORD>(0));
  ASSERT_TRUE(type_keys("z z"));
  EXPECT_EQ(new_presses(1), (Strings{"down 5A", "down 5A"}));
}

}  // namespace
}  // namespace tapvero::uitest
