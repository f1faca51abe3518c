// The main window from outside: its controls as a fresh start shows them, the
// settings it loads and saves, and the keyboard rules every page follows.
#include "driver_win.h"  // first: <windows.h> before <commctrl.h>
// clang-format off: the order above matters
#include <commctrl.h>
// clang-format on
#include <gtest/gtest.h>

#include "app/main_form.h"
#include "support/stored_names.h"

namespace tapvero::uitest {
namespace {

using namespace tapvero::test;

using namespace app;

TEST(MainWindowUi, AFreshStartShowsEveryControlInItsInitialState) {
  Tapvero t;
  ASSERT_TRUE(t.window());
  EXPECT_EQ(t.text(主窗口), L"Tapvero v1.2");

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
  EXPECT_EQ(t.text(按钮_关闭自动锁定), L"关闭自动锁定(F12)");
  EXPECT_EQ(t.text(标签6), L"(按键设置与“手速测试”通用)");
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
  EXPECT_TRUE(same_rect(t.client_rect(编辑框_结果), rect(336, 56, 304, 200)));
  EXPECT_TRUE(same_rect(t.client_rect(标签_稳定度), rect(416, 296, 144, 24)));
  EXPECT_TRUE(same_rect(t.client_rect(按钮_泡泡), rect(744, 192, 104, 88)));
  EXPECT_TRUE(same_rect(t.client_rect(标签_倒计时), rect(720, 48, 104, 104)));

  // Only the first page's controls show.
  EXPECT_TRUE(t.visible(开始测试));
  EXPECT_FALSE(t.visible(按钮3));
  EXPECT_FALSE(t.visible(按钮_开启自动锁定));
  EXPECT_FALSE(t.config().has_value());  // loading never creates the file
}

TEST(MainWindowUi, EachTabShowsItsOwnPage) {
  Tapvero t;
  t.select_page(kPositioningPage);
  EXPECT_TRUE(wait_until([&] { return t.visible(按钮3) && t.visible(编辑框_宽); }));
  EXPECT_FALSE(t.visible(开始测试));
  EXPECT_TRUE(same_rect(t.client_rect(选择框_开启窗口化), rect(560, 248, 48, 24)));
  t.select_page(kLockPage);
  EXPECT_TRUE(wait_until([&] { return t.visible(按钮_开启自动锁定) && t.visible(标签7); }));
  EXPECT_FALSE(t.visible(按钮3));
  t.select_page(kSpeedTestPage);
  EXPECT_TRUE(wait_until([&] { return t.visible(开始测试); }));
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
  t.move_pointer({on_tab.x + 1, on_tab.y});
  std::wstring seen;
  EXPECT_TRUE(wait_until([&] { return (seen = tooltip_text(t)) == L"测试的定位速度和精度"; }, 5000))
      << "tooltip: " << seen.size() << " characters";
}

TEST(MainWindowUi, TheFirstKeySettingsSaveWritesTheFiveKeysInOrder) {
  Tapvero t;
  t.click(按钮1);
  // The save writes its keys one by one: wait for the last.
  const std::string expected = std::string("[Tapvero]\r\nZ=z\r\n") + kZOn + "=" + kTrue + "\r\nX=x\r\n" + kXOn + "=" +
                               kTrue + "\r\n" + kMouse + "=" + kFalse + "\r\n";
  wait_until([&] { return t.config() == expected; });
  EXPECT_EQ(t.config(), expected);
}

TEST(MainWindowUi, ACapitalKeyIsStoredLowerCaseAndTheBoxesTakeOneCharacter) {
  Tapvero t;
  t.click(编辑框_Z);
  t.key(VK_BACK);
  t.type(L"CV");  // the box takes one character: C
  ASSERT_TRUE(wait_until([&] { return t.text(编辑框_Z) == L"C"; }));
  t.click(选择框X);
  ASSERT_TRUE(wait_until([&] { return !t.ticked(选择框X); }));
  t.click(按钮1);
  const std::string expected = std::string("[Tapvero]\r\nZ=c\r\n") + kZOn + "=" + kTrue + "\r\nX=x\r\n" + kXOn + "=" +
                               kFalse + "\r\n" + kMouse + "=" + kFalse + "\r\n";
  wait_until([&] { return t.config() == expected; });
  EXPECT_EQ(t.config(), expected);
  EXPECT_EQ(t.text(编辑框_Z), L"C");  // the box keeps what was typed
}

TEST(MainWindowUi, TheStageSaveRefusesStagesBelowOne) {
  Tapvero t;
  for (const std::wstring typed : {L"0", L"-3", L""}) {
    SCOPED_TRACE(typed);
    t.click(编辑框_阶段);
    t.key(VK_END);
    for (int i = 0; i < 4; ++i) t.key(VK_BACK);
    t.type(typed);
    ASSERT_TRUE(wait_until([&] { return t.text(编辑框_阶段) == typed; }));
    t.click(按钮2);
    const auto box = t.wait_message_box();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text, L"连击阶段必须大于等于1");
    EXPECT_EQ(box->title, L"非法");
    EXPECT_TRUE(wait_until([&] {
      const auto shown = t.message_box();
      return shown && shown->error_icon && !shown->information_icon;
    }));
    EXPECT_EQ(GetWindow(box->hwnd, GW_OWNER), nullptr);
    t.dismiss(*box);
    EXPECT_TRUE(wait_until([&] { return t.text(编辑框_阶段) == L"20" && t.focused_control() == 编辑框_阶段; }));
    const DWORD selection = static_cast<DWORD>(SendMessageW(t.control(编辑框_阶段), EM_GETSEL, 0, 0));
    EXPECT_EQ(LOWORD(selection), 0);
    EXPECT_EQ(HIWORD(selection), 2);
    EXPECT_FALSE(t.config().has_value());
  }
  t.click(编辑框_阶段);
  t.key(VK_END);
  t.key(VK_BACK);
  t.key(VK_BACK);
  t.type(L"1");
  ASSERT_TRUE(wait_until([&] { return t.text(编辑框_阶段) == L"1"; }));
  t.click(按钮2);
  // A write empties the file before filling it: wait for the content.
  const std::string expected = "[Tapvero]\r\n\xBD\xD7\xB6\xCE=1\r\n";
  wait_until([&] { return t.config() == expected; });
  EXPECT_EQ(t.config(), expected);
}

TEST(MainWindowUi, NumberBoxesRefuseLettersButTakeTheMinusSign) {
  Tapvero t;
  t.click(编辑框_阶段);
  t.key(VK_END);
  t.type(L"a-5x");
  ASSERT_TRUE(wait_until([&] { return t.text(编辑框_阶段) == L"20-5"; }));
}

TEST(MainWindowUi, AHandMadeConfigLoadsIntoTheControls) {
  Tapvero t(std::string("; edited by hand\r\n[Tapvero]\r\nZ = f1\r\n") + kZOn + "=1\r\nX=\xBB\xD8\xB3\xB5\r\n" +
            kMouse +
            "=1\r\n\xBD\xD7\xB6\xCE=007\r\n\xB4\xB0\xBF\xDA\xBB\xAF=\xD5\xE6\r\n\xBF\xED=-100\r\n\xB8\xDF=abc\r\n");
  EXPECT_EQ(t.text(编辑框_Z), L"f1");  // longer than the box takes when typing
  EXPECT_FALSE(t.ticked(选择框Z));     // only 真 is on
  EXPECT_EQ(t.text(编辑框_X), L"回车");
  EXPECT_TRUE(t.ticked(选择框X));
  EXPECT_TRUE(t.ticked(选择框_鼠标));  // anything but 假 is on
  EXPECT_EQ(t.text(编辑框_阶段), L"007");
  EXPECT_TRUE(t.ticked(选择框_开启窗口化));
  EXPECT_EQ(t.text(编辑框_宽), L"-100");
  EXPECT_EQ(t.text(编辑框_高), L"600");
  EXPECT_EQ(t.text(选择框Z), L"z键");  // the captions never change
}

TEST(MainWindowUi, TypingIntoTheResultBoxChangesNothingButTabMovesOn) {
  Tapvero t;
  t.click(编辑框_结果);
  ASSERT_TRUE(wait_until([&] { return t.focused_control() == 编辑框_结果; }));
  t.type(L"abc");
  for (WORD vk : {WORD('Z'), WORD('X'), WORD(VK_RETURN), WORD(VK_BACK), WORD(VK_SPACE), WORD(VK_UP)}) t.key(vk);
  t.key('V', false, true);  // paste
  t.key(VK_TAB);
  ASSERT_TRUE(wait_until([&] { return t.focused_control() != 编辑框_结果; }));
  EXPECT_EQ(t.text(编辑框_结果), L"");
  EXPECT_TRUE(t.running());
}

TEST(MainWindowUi, TabWalksTheControlsInOrderAndEnterActsOnAButton) {
  Tapvero t;
  t.click(编辑框_X);
  ASSERT_TRUE(wait_until([&] { return t.focused_control() == 编辑框_X; }));
  t.key(VK_TAB);
  ASSERT_TRUE(wait_until([&] { return t.focused_control() == 选择框_鼠标; }));
  t.key(VK_TAB);
  ASSERT_TRUE(wait_until([&] { return t.focused_control() == 按钮1; }));
  t.key(VK_TAB, true);  // Shift+Tab goes back
  ASSERT_TRUE(wait_until([&] { return t.focused_control() == 选择框_鼠标; }));
  t.key(VK_TAB);
  ASSERT_TRUE(wait_until([&] { return t.focused_control() == 按钮1; }));
  EXPECT_FALSE(t.config().has_value());
  t.key(VK_RETURN);
  EXPECT_TRUE(wait_until([&] { return t.config().has_value(); }));
}

TEST(MainWindowUi, EscClosesTheProgramFromTheResultBox) {
  Tapvero t;
  t.click(编辑框_结果);
  ASSERT_TRUE(wait_until([&] { return t.focused_control() == 编辑框_结果; }));
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
    int focused;
  } cases[] = {
      {"a save button", [](const Tapvero& t) { t.click(按钮2); }, 按钮2},  // saves the stage
      {"the stop button",
       [](const Tapvero& t) {
         t.click(开始测试);
         ASSERT_TRUE(wait_until([&] { return t.enabled(停止测试); }));
         t.click(停止测试);
       },
       编辑框_阶段},
      {"the lock's on button",
       [](const Tapvero& t) {
         t.select_page(kLockPage);
         t.click(按钮_开启自动锁定);
       },
       按钮_关闭自动锁定},
      {"the lock's off button",
       [](const Tapvero& t) {
         t.select_page(kLockPage);
         t.click(按钮_开启自动锁定);
         ASSERT_TRUE(wait_until([&] { return t.enabled(按钮_关闭自动锁定); }));
         t.click(按钮_关闭自动锁定);
       },
       按钮_开启自动锁定},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Tapvero t;
    c.act(t);
    EXPECT_TRUE(wait_until([&] { return t.focused_control() == c.focused; }));
    t.key(VK_ESCAPE);
    EXPECT_EQ(t.wait_exit(), 0u);
  }
  Tapvero t;
  PostMessageW(t.window(), WM_SYSKEYDOWN, VK_ESCAPE, MAKELPARAM(1, MapVirtualKeyW(VK_ESCAPE, MAPVK_VK_TO_VSC)));
  EXPECT_EQ(t.wait_exit(), 0u);
}

TEST(MainWindowUi, TheCloseBoxEndsTheProgram) {
  Tapvero t;
  PostMessageW(t.window(), WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(t.wait_exit(), 0u);
}

}  // namespace
}  // namespace tapvero::uitest
