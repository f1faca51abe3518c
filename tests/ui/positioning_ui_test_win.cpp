// The positioning test from outside: runs in a window and full screen, hits
// and misses given with the pointer, the keys and the buttons, the report
// read from its message box, and a run cancelled during its countdown.
#include <gtest/gtest.h>

#include <iostream>
#include <optional>
#include <regex>

#include "kit/tapvero_driver_win.h"
#include "form/main_form.h"
#include "support/stored_names.h"

namespace tapvero::uitest {
namespace {

using namespace form;
using namespace tapvero::kit;

using namespace tapvero::test;

std::string line(const std::string& key, const std::string& value) { return key + "=" + value + "\r\n"; }

POINT screen_point(const Tapvero& t, POINT client) {
  ClientToScreen(t.window(), &client);
  return client;
}

POINT cursor() {
  POINT p{};
  GetCursorPos(&p);
  return p;
}

void move_to(const Tapvero& t, POINT p) { ASSERT_TRUE(t.move_pointer(p)); }

// Whether the pointer is where a key press on the bubble is judged a hit:
// within the bubble's rectangle taken from the window's outer corner, the
// pointer 25 pixels higher, all edges strict.
bool in_hit_band(const Tapvero& t) {
  const RECT w = t.window_rect(), b = t.client_rect(按钮_泡泡);
  const POINT p = cursor();
  const LONG y = p.y - 25;
  return w.left + b.left < p.x && p.x < w.left + b.right && w.top + b.top < y && y < w.top + b.bottom;
}

// The bubble stands in the client area at least 8 pixels from every edge.
::testing::AssertionResult bubble_within_margins(const Tapvero& t) {
  const RECT b = t.client_rect(按钮_泡泡);
  const SIZE c = t.client_size();
  if (b.right - b.left != 104 || b.bottom - b.top != 88) return ::testing::AssertionFailure() << "bubble resized";
  if (b.left >= 8 && b.top >= 8 && b.right <= c.cx - 8 && b.bottom <= c.cy - 8) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "bubble at (" << b.left << ", " << b.top << ") in " << c.cx << " x " << c.cy;
}

// The pointer onto the bubble's middle (over it first, so that the move is
// seen even when the pointer was there already): the bubble takes the focus.
void point_at_bubble(const Tapvero& t) {
  RECT r{};
  GetWindowRect(t.control(按钮_泡泡), &r);
  const POINT middle{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  move_to(t, {middle.x - 30, middle.y});
  move_to(t, middle);
  ASSERT_TRUE(KIT_WAIT(t, t.focused_control() == 按钮_泡泡));
}

// A trigger key with the pointer on the bubble: it jumps, and the focus goes
// to the result box.
void hit_by_key(const Tapvero& t, WORD vk) {
  const std::wstring next = std::to_wstring(std::stoi(t.text(按钮_泡泡)) + 1);
  point_at_bubble(t);
  ASSERT_TRUE(in_hit_band(t));
  t.key(vk);
  ASSERT_TRUE(KIT_WAIT(t, t.text(按钮_泡泡) == next && t.focused_control() == 编辑框_结果));
  EXPECT_TRUE(bubble_within_margins(t));
}

void replace_text(const Tapvero& t, int box, const std::wstring& text) {
  t.click(box);
  // Keys go to the control focused when they arrive: wait for the click's.
  ASSERT_TRUE(KIT_WAIT(t, t.focused_control() == box));
  t.key(VK_END);
  for (int i = 0; i < 6; ++i) t.key(VK_BACK);
  t.type(text);
  ASSERT_TRUE(KIT_WAIT(t, t.text(box) == text));
}

// Waits for the report, checks its look, and gives its text.
std::wstring report(const Tapvero& t) {
  const auto box = t.expect_message_box(L"定位测试", false);
  return box ? box->text : L"(no report)";
}

void expect_normal_window(const Tapvero& t, POINT corner) {
  EXPECT_TRUE(same_rect(t.window_rect(), rect(corner.x, corner.y, 671, 373)));
  EXPECT_FALSE(IsZoomed(t.window()));
  EXPECT_TRUE(t.visible(高级选择夹1));
  EXPECT_TRUE(same_rect(t.client_rect(高级选择夹1), rect(8, 8, 648, 328)));
  EXPECT_FALSE(t.visible(按钮_泡泡));
  EXPECT_EQ(t.text(按钮_泡泡), L"0");
  EXPECT_FALSE(t.visible(标签_倒计时));
  EXPECT_EQ(t.text(标签_倒计时), L"3");
}

TEST(PositioningUi, AWindowedRunCountsHitsAndMissesAndReportsThemOnClose) {
  Tapvero t;
  t.select_page(kPositioningPage);
  t.click(选择框_开启窗口化);
  ASSERT_TRUE(KIT_WAIT(t, t.ticked(选择框_开启窗口化)));
  replace_text(t, 编辑框_宽, L"400");
  replace_text(t, 编辑框_高, L"300");
  t.click(按钮3);

  // Centred on the 1280 x 800 screen, the label centred in the client area
  // and 125 pixels above its middle.
  ASSERT_TRUE(KIT_WAIT(t, t.visible(标签_倒计时) && t.text(标签_倒计时) == L"3"));
  EXPECT_FALSE(t.visible(高级选择夹1));
  EXPECT_TRUE(same_rect(t.window_rect(), rect(440, 250, 400, 300)));
  const SIZE c = t.client_size();
  EXPECT_TRUE(same_rect(t.client_rect(标签_倒计时),
                        rect(static_cast<int>(c.cx / 2.0 - 52), static_cast<int>(c.cy / 2.0 - 125), 104, 104)));
  EXPECT_EQ(*t.config(), "[Tapvero]\r\n" + line(kWindowed, kTrue) + line(kWidth, "400") + line(kHeight, "300"));
  EXPECT_TRUE(KIT_WAIT(t, t.text(标签_倒计时) == L"2"));
  EXPECT_TRUE(KIT_WAIT(t, t.text(标签_倒计时) == L"1"));
  ASSERT_TRUE(KIT_WAIT(t, t.visible(按钮_泡泡)));
  EXPECT_FALSE(t.visible(标签_倒计时));
  EXPECT_EQ(t.text(按钮_泡泡), L"1");
  EXPECT_TRUE(bubble_within_margins(t));
  // Trigger keys go to the result box until the pointer moves onto the
  // bubble: a miss.
  EXPECT_TRUE(KIT_WAIT(t, t.focused_control() == 编辑框_结果));
  // The keys that switch pages switch nothing during a run, and are no misses.
  t.key(VK_TAB, false, true);
  t.key(VK_NEXT, false, true);
  t.key(VK_TAB, true, true);
  t.key(VK_PRIOR, false, true);
  t.key('X');

  hit_by_key(t, 'Z');
  EXPECT_EQ(t.current_page(), kPositioningPage);
  EXPECT_FALSE(t.visible(高级选择夹1));
  hit_by_key(t, 'X');
  t.key('X');  // the bubble jumped and the pointer has not moved since: a miss
  hit_by_key(t, 'Z');
  // Off the bubble, a key is a miss; so are clicks on the bare window.
  point_at_bubble(t);
  // The client area's corner farthest from the bubble: the band a key hit
  // is judged by lies above the bubble and can reach a nearby corner.
  const RECT b = t.client_rect(按钮_泡泡);
  const POINT bare = screen_point(t, {b.left + b.right < c.cx ? c.cx - 4 : 3, b.top + b.bottom < c.cy ? c.cy - 4 : 3});
  move_to(t, bare);
  ASSERT_FALSE(in_hit_band(t));
  t.key('Z');
  t.click_at(bare);
  t.click_at(bare, true);
  EXPECT_EQ(t.text(按钮_泡泡), L"4");

  // Esc travels behind the input before it; a posted close would overtake it.
  t.key(VK_ESCAPE);
  const std::wstring text = report(t);
  std::cout << "report: " << utf8(text) << "\n";
  std::wsmatch m;
  ASSERT_TRUE(std::regex_match(text, m,
                               std::wregex(L"你共击中 3 次，Miss 5次\r\n\r\n最高连击 2 次\r\n\r\n"
                                           L"共计耗时 (\\d+\\.\\d\\d)秒\r\n\r\n平均每次打击耗时 (\\d+) ms")))
      << utf8(text);
  // The mean divides the time by the 4 bubbles shown, not by the 3 hits.
  EXPECT_NEAR(std::stod(m[2].str()) * 4, std::stod(m[1].str()) * 1000, 15);
  expect_normal_window(t, {440, 250});
  t.dismiss(*t.message_box());
  EXPECT_TRUE(t.running());
  EXPECT_TRUE(KIT_WAIT(t, !t.message_box()));
}

TEST(PositioningUi, AFullScreenRunMaximizesTheWindowAndCountsClicksWithTheMouseOption) {
  Tapvero t("[Tapvero]\r\n" + line(kMouse, kTrue));
  const RECT before = t.window_rect();
  t.select_page(kPositioningPage);
  t.click(按钮3);
  ASSERT_TRUE(KIT_WAIT(t, IsZoomed(t.window()) && t.visible(标签_倒计时)));
  // Placed by the screen's size, before the window was maximized (read once
  // the window has settled: its frame may still be moving as it maximizes).
  EXPECT_TRUE(wait_until([&] {
    return same_rect(t.client_rect(标签_倒计时),
                     rect(GetSystemMetrics(SM_CXSCREEN) / 2 - 52, GetSystemMetrics(SM_CYSCREEN) / 2 - 125, 104, 104));
  }));
  EXPECT_EQ(*t.config(), "[Tapvero]\r\n" + line(kMouse, kTrue) + line(kWindowed, kFalse));
  ASSERT_TRUE(KIT_WAIT(t, t.visible(按钮_泡泡)));
  EXPECT_TRUE(bubble_within_margins(t));

  t.click(按钮_泡泡);
  ASSERT_TRUE(KIT_WAIT(t, t.text(按钮_泡泡) == L"2"));
  t.click(按钮_泡泡, true);
  ASSERT_TRUE(KIT_WAIT(t, t.text(按钮_泡泡) == L"3"));
  EXPECT_TRUE(bubble_within_margins(t));

  t.key(VK_ESCAPE);
  const std::wstring text = report(t);
  EXPECT_EQ(text.substr(0, text.find(L"\r\n\r\n共计")), L"你共击中 2 次，Miss 0次\r\n\r\n最高连击 2 次");
  expect_normal_window(t, {before.left, before.top});
  t.dismiss(*t.message_box());
  EXPECT_TRUE(t.running());
}

// Whatever the size, the run's window has it. Afterwards the window keeps the
// run's left and top, moved only as far as it must to lie wholly on the
// screen (the work area here), so that a run larger than the screen does not
// leave it out of reach.
TEST(PositioningUi, EscDuringTheCountdownCancelsTheRun) {
  Tapvero t("[Tapvero]\r\n" + line(kWindowed, kTrue) + line(kWidth, "100") + line(kHeight, "10"));
  t.select_page(kPositioningPage);
  const struct {
    const wchar_t *width, *height;
    // None beyond 32767 pixels, where Windows has limits of its own; under
    // Wine such a window may even lose the foreground, so that keys miss it
    // and its run is ended by a close request as the close box makes it.
    std::optional<RECT> during;
    POINT after;
  } cases[] = {
      {L"100", L"10", rect(590, 395, 100, 10), {590, 395}},  // smaller than the system's smallest window
      {L"100000", L"100000", std::nullopt, {0, 0}},
      {L"3000", L"600", rect(-860, 100, 3000, 600), {0, 100}},
      {L"1400", L"900", rect(-60, -50, 1400, 900), {0, 0}},  // left of and above the screen
      {L"20", L"10", rect(630, 395, 20, 10), {609, 395}},  // at its normal size past the right edge
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(utf8(c.width));
    if (t.text(编辑框_宽) != c.width) replace_text(t, 编辑框_宽, c.width);
    if (t.text(编辑框_高) != c.height) replace_text(t, 编辑框_高, c.height);
    t.click(按钮3);
    ASSERT_TRUE(KIT_WAIT(t, t.visible(标签_倒计时)));
    if (c.during) {
      EXPECT_TRUE(same_rect(t.window_rect(), *c.during));
      t.key(VK_ESCAPE);
    } else {
      PostMessageW(t.window(), WM_CLOSE, 0, 0);
    }
    ASSERT_TRUE(KIT_WAIT(t, t.visible(高级选择夹1)));
    expect_normal_window(t, c.after);
    EXPECT_FALSE(t.message_box());
  }

  // A new run started at once is not disturbed by what is left of the
  // cancelled one: one bubble, no report until the close.
  t.click(按钮3);
  ASSERT_TRUE(KIT_WAIT(t, t.visible(按钮_泡泡)));
  EXPECT_EQ(t.text(按钮_泡泡), L"1");
  EXPECT_FALSE(t.message_box());
  PostMessageW(t.window(), WM_CLOSE, 0, 0);
  const std::wstring text = report(t);
  EXPECT_EQ(text.substr(0, text.find(L"\r\n\r\n共计")), L"你共击中 0 次，Miss 0次\r\n\r\n最高连击 0 次");
  t.dismiss(*t.message_box());
  EXPECT_TRUE(t.running());
}

TEST(PositioningUi, AWindowedSizeOfZeroOrLessIsRefused) {
  const std::string config = "[Tapvero]\r\n" + line(kWindowed, kTrue) + line(kWidth, "-5") + line(kHeight, "600");
  Tapvero t(config);
  t.select_page(kPositioningPage);
  const RECT before = t.window_rect();
  t.click(按钮3);
  const auto box = t.expect_message_box(L"错误", true);
  ASSERT_TRUE(box);
  EXPECT_EQ(box->text, L"窗口化信息非法！请不要填写零或负数");
  t.dismiss(*box);
  // The start button has the focus back: Space starts again.
  EXPECT_TRUE(KIT_WAIT(t, t.focused_control() == 按钮3));
  EXPECT_EQ(t.config(), config);
  expect_normal_window(t, {before.left, before.top});
}

}  // namespace
}  // namespace tapvero::uitest
