// The main window from outside: its controls as a fresh start shows them, the
// settings it loads and saves, and the keyboard rules every page follows.
#include "kit/tapvero_driver_win.h"  // first: <windows.h> before <commctrl.h>
// clang-format off: the order above matters
#include <commctrl.h>
// clang-format on
#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "form/main_form.h"
#include "support/stored_names.h"

namespace tapvero::uitest {
namespace {

using namespace tapvero::kit;
using namespace tapvero::test;

using namespace form;

TEST(MainWindowUi, AFreshStartShowsEveryControlInItsInitialState) {
  Tapvero t;
  ASSERT_TRUE(t.window());
  EXPECT_EQ(t.text(主窗口), L"" TAPVERO_TITLE);

  // Outer size 671 x 373, left and top those of a 957 x 422 window centred
  // on the screen.
  const RECT w = t.window_rect();
  EXPECT_EQ(w.right - w.left, 671);
  EXPECT_EQ(w.bottom - w.top, 373);
  EXPECT_EQ(w.left, (GetSystemMetrics(SM_CXSCREEN) - 957) / 2);
  EXPECT_EQ(w.top, (GetSystemMetrics(SM_CYSCREEN) - 422) / 2);
  const LONG style = GetWindowLongW(t.window(), GWL_STYLE);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));

  EXPECT_EQ(t.text(编辑框_Z), L"z");
  EXPECT_EQ(t.text(编辑框_X), L"x");
  EXPECT_TRUE(t.ticked(选择框Z));
  EXPECT_TRUE(t.ticked(选择框X));
  EXPECT_FALSE(t.ticked(选择框_鼠标));
  EXPECT_EQ(t.text(编辑框_阶段), L"20");
  EXPECT_FALSE(t.ticked(选择框_开启窗口化));
  EXPECT_EQ(t.text(编辑框_宽), L"800");
  EXPECT_EQ(t.text(编辑框_高), L"600");
  EXPECT_FALSE(t.enabled(停止测试));
  EXPECT_FALSE(t.enabled(按钮_关闭自动锁定));
  EXPECT_TRUE(t.enabled(按钮_开启自动锁定));
  EXPECT_EQ(t.text(标签_稳定度), L"100 %");
  EXPECT_EQ(t.text(标签_连击), L"0");
  EXPECT_EQ(t.text(编辑框_结果), L"");
  EXPECT_EQ(t.text(开始测试), L"开始测试\r\n(测试鼠标点击速度也请疯狂点我)");
  EXPECT_EQ(t.text(选择框Z), L"z键");
  EXPECT_EQ(t.current_page(), 0);

  // The bubble and the countdown label exist, hidden, right of the client area.
  EXPECT_FALSE(t.visible(按钮_泡泡));
  EXPECT_FALSE(t.visible(标签_倒计时));
  EXPECT_EQ(t.text(按钮_泡泡), L"0");
  EXPECT_EQ(t.text(标签_倒计时), L"3");
  EXPECT_GE(t.client_rect(按钮_泡泡).left, t.client_size().cx);
  EXPECT_GE(t.client_rect(标签_倒计时).left, t.client_size().cx);

  // Positions within containers add up: tab control at (8, 8), its pages'
  // controls relative to its top-left corner, group boxes' relative to theirs.
  EXPECT_TRUE(same_rect(t.client_rect(高级选择夹1), rect(8, 8, 648, 328)));
  EXPECT_TRUE(same_rect(t.client_rect(分组框1), rect(16, 40, 304, 56)));
  EXPECT_TRUE(same_rect(t.client_rect(编辑框_Z), rect(64, 64, 40, 20)));
  EXPECT_TRUE(same_rect(t.client_rect(开始测试), rect(24, 128, 288, 72)));
  EXPECT_TRUE(same_rect(t.client_rect(按钮_泡泡), rect(744, 192, 104, 88)));
  EXPECT_TRUE(same_rect(t.client_rect(标签_倒计时), rect(720, 48, 104, 104)));

  // Only the first page's controls show.
  EXPECT_TRUE(t.visible(开始测试));
  EXPECT_FALSE(t.visible(按钮3));
  EXPECT_FALSE(t.visible(按钮_开启自动锁定));
  EXPECT_FALSE(t.config().has_value());  // loading never creates the file
}

// A string of the program file's version information, in its US English,
// Unicode block.
std::wstring version_string(const std::vector<BYTE>& info, const wchar_t* name) {
  void* value = nullptr;
  UINT length = 0;
  const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
  if (!VerQueryValueW(info.data(), path.c_str(), &value, &length) || !value) return L"(none)";
  return static_cast<const wchar_t*>(value);
}

std::string narrow(const std::wstring& s) { return std::string(s.begin(), s.end()); }

TEST(MainWindowUi, TheProgramFileCarriesItsVersionAndIconAndTheWindowShowsTheIcon) {
  // What Explorer's Properties page shows, read as Explorer reads it.
  const std::wstring exe = program_under_test();
  DWORD ignored = 0;
  std::vector<BYTE> info(GetFileVersionInfoSizeW(exe.c_str(), &ignored));
  ASSERT_FALSE(info.empty()) << "no version information";
  ASSERT_TRUE(GetFileVersionInfoW(exe.c_str(), 0, static_cast<DWORD>(info.size()), info.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  const auto dotted = [](DWORD ms, DWORD ls) {
    return std::to_wstring(HIWORD(ms)) + L"." + std::to_wstring(LOWORD(ms)) + L"." + std::to_wstring(HIWORD(ls)) +
           L"." + std::to_wstring(LOWORD(ls));
  };
  EXPECT_EQ(dotted(fixed->dwFileVersionMS, fixed->dwFileVersionLS), L"" TAPVERO_FILE_VERSION);
  EXPECT_EQ(dotted(fixed->dwProductVersionMS, fixed->dwProductVersionLS), L"" TAPVERO_FILE_VERSION);
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
  EXPECT_EQ(version_string(info, L"ProductName"), L"Tapvero");
  EXPECT_EQ(version_string(info, L"FileVersion"), L"" TAPVERO_FILE_VERSION);
  EXPECT_EQ(version_string(info, L"ProductVersion"), L"" TAPVERO_PRODUCT_VERSION);
  EXPECT_EQ(version_string(info, L"OriginalFilename"), L"Tapvero.exe");
  EXPECT_NE(version_string(info, L"FileDescription").find(L"Tapvero"), std::wstring::npos);
  EXPECT_NE(version_string(info, L"LegalCopyright").find(L"MIT License"), std::wstring::npos);
  for (const wchar_t* name : {L"ProductName", L"FileDescription", L"FileVersion", L"ProductVersion",
                              L"OriginalFilename", L"InternalName", L"LegalCopyright"})
    std::cout << "  " << narrow(name) << ": " << narrow(version_string(info, name)) << "\n";

  // The first icon group holds every size Windows asks for.
  HMODULE file = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_TRUE(file);
  HRSRC group = FindResourceW(file, MAKEINTRESOURCEW(1), RT_GROUP_ICON);
  ASSERT_TRUE(group);
  const auto* dir = static_cast<const BYTE*>(LockResource(LoadResource(file, group)));
  ASSERT_TRUE(dir);
  std::vector<int> sizes;
  const int count = dir[4] | (dir[5] << 8);
  for (int i = 0; i < count; ++i) {
    const BYTE* entry = dir + 6 + 14 * i;  // width, height, colours, reserved, planes, bits, bytes, id
    sizes.push_back(entry[0] ? entry[0] : 256);
    EXPECT_EQ(entry[0], entry[1]);
    EXPECT_EQ(entry[6], 32) << "bits per pixel";
  }
  FreeLibrary(file);
  EXPECT_EQ(sizes, (std::vector<int>{16, 20, 24, 32, 48, 64, 256}));

  // The running window shows the small icon in its title bar: the Z key's
  // orange is there. (The large one, the taskbar's and Alt+Tab's, comes from
  // the same icon group; without a taskbar, and with the window's class and
  // WM_GETICON unreadable from another process under Wine, nothing shows it
  // here.)
  Tapvero t;
  ASSERT_TRUE(t.window()) << t.start_error();
  const RECT w = t.window_rect();
  const int band = GetSystemMetrics(SM_CYCAPTION) + 2 * GetSystemMetrics(SM_CYFRAME);
  int orange = 0;
  EXPECT_TRUE(wait_until([&] {
    HDC screen = GetDC(nullptr);
    orange = 0;
    for (int y = w.top; y < w.top + band; ++y) {
      for (int x = w.left; x < w.left + 2 * band; ++x) {
        const COLORREF c = GetPixel(screen, x, y);
        if (GetRValue(c) >= 200 && GetGValue(c) >= 60 && GetGValue(c) <= 150 && GetBValue(c) <= 110) ++orange;
      }
    }
    ReleaseDC(nullptr, screen);
    return orange >= 8;
  })) << orange
      << " orange pixels in the title bar's corner";
}

TEST(MainWindowUi, CtrlTabAndCtrlPageKeysSwitchPagesAndFocusTheFirstControl) {
  Tapvero t;
  // From the result box, which would otherwise take a typed Tab.
  t.click(编辑框_结果);
  ASSERT_TRUE(KIT_WAIT(t, t.focused_control() == 编辑框_结果));
  struct Step {
    WORD vk;
    bool shift;
    int page;
    int focus;  // the page's first control that takes the focus
    int shown;  // a control of the page
  };
  const Step steps[] = {
      {VK_TAB, false, kPositioningPage, 按钮3, 编辑框_宽},
      {VK_TAB, true, kSpeedTestPage, 选择框Z, 开始测试},
      {VK_PRIOR, false, kLockPage, 按钮_开启自动锁定, 标签7},  // around, and past the disabled off button
      {VK_NEXT, false, kSpeedTestPage, 选择框Z, 开始测试},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(::testing::Message() << "page " << step.page);
    t.key(step.vk, step.shift, true);
    ASSERT_TRUE(KIT_WAIT(t, t.current_page() == step.page && t.focused_control() == step.focus))
        << "page " << t.current_page() << ", focus " << t.focused_control().value_or(-1);
    // What a click on the tab shows: that page's controls and no other's.
    EXPECT_TRUE(t.visible(step.shown));
    for (int other : {开始测试, 编辑框_宽, 标签7}) {
      if (other != step.shown) {
        EXPECT_FALSE(t.visible(other));
      }
    }
  }
  EXPECT_EQ(t.text(编辑框_结果), L"");
}

// The text of the program's visible tooltip, if one shows.
std::wstring tooltip_text(const Tapvero& t) {
  struct Find {
    DWORD pid;
    std::wstring text;
  } find{0, L""};
  GetWindowThreadProcessId(t.window(), &find.pid);
  EnumWindows(
      [](HWND h, LPARAM lp) -> BOOL {
        auto* f = reinterpret_cast<Find*>(lp);
        DWORD pid = 0;
        GetWindowThreadProcessId(h, &pid);
        wchar_t cls[64] = {};
        GetClassNameW(h, cls, 64);
        if (pid == f->pid && IsWindowVisible(h) && std::wstring(cls) == TOOLTIPS_CLASSW) {
          wchar_t text[256] = {};
          SendMessageW(h, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text));
          f->text = text;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&find));
  return find.text;
}

TEST(MainWindowUi, EachTabsHintShowsAsItsTooltip) {
  Tapvero t;
  // A click on the second tab leaves the pointer on it; the hint shows when
  // the pointer moves there again.
  t.select_page(kPositioningPage);
  POINT on_tab{};
  GetCursorPos(&on_tab);
  ASSERT_TRUE(t.move_pointer({on_tab.x + 1, on_tab.y}));
  std::wstring seen;
  EXPECT_TRUE(KIT_WAIT_MS(t, 5000, (seen = tooltip_text(t)) == L"测试的定位速度和精度"))
      << "tooltip: " << seen.size() << " characters";
}

TEST(MainWindowUi, ACapitalKeyIsStoredLowerCaseAndTheBoxesTakeOneCharacter) {
  Tapvero t;
  t.click(编辑框_Z);
  t.key(VK_BACK);
  t.type(L"CV");  // the box takes one character: C
  ASSERT_TRUE(KIT_WAIT(t, t.text(编辑框_Z) == L"C"));
  t.click(选择框X);
  ASSERT_TRUE(KIT_WAIT(t, !t.ticked(选择框X)));
  t.click(按钮1);
  const std::string expected = std::string("[Tapvero]\r\nZ=c\r\n") + kZOn + "=" + kTrue + "\r\nX=x\r\n" + kXOn + "=" +
                               kFalse + "\r\n" + kMouse + "=" + kFalse + "\r\n";
  EXPECT_TRUE(KIT_WAIT(t, t.config() == expected)) << t.config().value_or("no Config.ini");
  EXPECT_EQ(t.text(编辑框_Z), L"C");  // the box keeps what was typed
}

// The refusal's box as the system shows it, and the box reset, selected
// and focused once it is closed (the rule itself is the program's tests').
TEST(MainWindowUi, TheStageSaveRefusesAStageBelowOne) {
  Tapvero t;
  t.click(编辑框_阶段);
  t.key(VK_END);
  for (int i = 0; i < 2; ++i) t.key(VK_BACK);
  t.type(L"0");
  ASSERT_TRUE(KIT_WAIT(t, t.text(编辑框_阶段) == L"0"));
  t.click(按钮2);
  const auto box = t.expect_message_box(L"非法", true);
  ASSERT_TRUE(box);
  EXPECT_EQ(box->text, L"连击阶段必须大于等于1");
  t.dismiss(*box);
  EXPECT_TRUE(KIT_WAIT(t, t.text(编辑框_阶段) == L"20" && t.focused_control() == 编辑框_阶段));
  const DWORD selection = static_cast<DWORD>(SendMessageW(t.control(编辑框_阶段), EM_GETSEL, 0, 0));
  EXPECT_EQ(LOWORD(selection), 0);
  EXPECT_EQ(HIWORD(selection), 2);
  EXPECT_FALSE(t.config().has_value());
}

TEST(MainWindowUi, EscClosesTheProgramFromTheResultBox) {
  Tapvero t;
  t.click(编辑框_结果);
  ASSERT_TRUE(KIT_WAIT(t, t.focused_control() == 编辑框_结果));
  t.key(VK_ESCAPE);
  EXPECT_EQ(t.wait_exit(), 0u);
}

// Esc closes from wherever the focus is. A button that disables itself
// passes the focus on to the next control in Tab order; with no focused
// control at all, Windows sends Esc as a system key.
TEST(MainWindowUi, EscClosesTheProgramFromAButton) {
  const struct {
    const char* what;
    void (*act)(const Tapvero&);
    std::optional<int> focused;  // none: no other control of the page takes it
  } cases[] = {
      {"a save button", [](const Tapvero& t) { t.click(按钮2); }, 按钮2},  // saves the stage
      {"the stop button",
       [](const Tapvero& t) {
         t.click(开始测试);
         ASSERT_TRUE(KIT_WAIT(t, t.enabled(停止测试)));
         t.click(停止测试);
       },
       编辑框_阶段},
      {"the lock's on button",
       [](const Tapvero& t) {
         t.select_page(kLockPage);
         t.click(按钮_开启自动锁定);
       },
       std::nullopt},
      {"the lock's off button",
       [](const Tapvero& t) {
         t.select_page(kLockPage);
         t.click(按钮_开启自动锁定);
         ASSERT_TRUE(KIT_WAIT(t, t.enabled(按钮_关闭自动锁定)));
         t.click(按钮_关闭自动锁定);
       },
       按钮_开启自动锁定},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Tapvero t;
    c.act(t);
    EXPECT_TRUE(KIT_WAIT(t, t.focused_control() == c.focused));
    t.key(VK_ESCAPE);
    EXPECT_EQ(t.wait_exit(), 0u);
  }
  Tapvero t;
  PostMessageW(t.window(), WM_SYSKEYDOWN, VK_ESCAPE, MAKELPARAM(1, MapVirtualKeyW(VK_ESCAPE, MAPVK_VK_TO_VSC)));
  EXPECT_EQ(t.wait_exit(), 0u);
}

std::string class_of(HWND h) {
  char name[64] = {};
  GetClassNameA(h, name, 64);
  return name;
}

// Junk any program may send or post to every window of the program (but
// COM's, which every Windows program with an input method has, and which
// takes calls by these very numbers): the program neither ends nor acts,
// and a test and the lock (the input thread's tasks) work as ever.
TEST(MainWindowUi, MessagesFromAnotherProgramChangeNothing) {
  Tapvero t;
  ASSERT_TRUE(t.window()) << t.start_error();
  DWORD pid = 0, of = 0;
  GetWindowThreadProcessId(t.window(), &pid);
  std::vector<HWND> windows;
  for (const HWND parent : {HWND{nullptr}, HWND_MESSAGE}) {
    for (HWND h = nullptr; (h = FindWindowExW(parent, h, nullptr, nullptr)) != nullptr;) {
      if (GetWindowThreadProcessId(h, &of) && of == pid && class_of(h) != "OleMainThreadWndClass") windows.push_back(h);
    }
  }
  EXPECT_TRUE(std::any_of(windows.begin(), windows.end(), [](HWND h) { return class_of(h) == "TapveroInput"; }));
  std::vector<UINT> messages = {WM_TIMER, WM_HOTKEY, WM_INPUT, WM_QUIT};
  for (UINT m = WM_USER; m < WM_USER + 0x80; ++m) messages.push_back(m);
  for (UINT m = WM_APP; m < WM_APP + 0x20; ++m) messages.push_back(m);
  std::mt19937_64 random(22);
  for (HWND h : windows) {
    for (UINT m : messages) {
      // Small numbers (the ids of timers and hotkeys) and any at all.
      for (const WPARAM wp : {WPARAM{1}, WPARAM{2}, static_cast<WPARAM>(random())}) {
        const auto lp = static_cast<LPARAM>(random());
        PostMessageW(h, m, wp, lp);
        ASSERT_TRUE(SendMessageTimeoutW(h, m, wp, lp, SMTO_NORMAL, kTimeoutMs, nullptr) || !IsWindow(h) ||
                    GetLastError() != ERROR_TIMEOUT)
            << class_of(h) << " " << m;
      }
    }
  }
  // The program's own system-menu items (the chart, the history switch), as
  // only the menu on Tapvero's own thread may choose them.
  for (const WPARAM item : {WPARAM{0x1000}, WPARAM{0x1010}})
    SendMessageTimeoutW(t.window(), WM_SYSCOMMAND, item, 0, SMTO_NORMAL, kTimeoutMs, nullptr);
  settle({t.window()});
  ASSERT_TRUE(t.running());
  EXPECT_FALSE(t.message_box().has_value());
  EXPECT_FALSE(t.config().has_value());  // the history switch was not saved
  EXPECT_EQ(FindWindowW(L"TapveroScene", nullptr), nullptr);  // and no chart window opened
  t.click(开始测试);
  ASSERT_TRUE(KIT_WAIT(t, t.enabled(停止测试)));
  t.key('Z');
  EXPECT_TRUE(KIT_WAIT(t, t.text(标签_连击) == L"1"));
  t.select_page(kLockPage);
  t.click(按钮_开启自动锁定);
  EXPECT_TRUE(KIT_WAIT(t, t.enabled(按钮_关闭自动锁定)));
}

TEST(MainWindowUi, TheCloseBoxEndsTheProgram) {
  Tapvero t;
  PostMessageW(t.window(), WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(t.wait_exit(), 0u);
}

}  // namespace
}  // namespace tapvero::uitest
