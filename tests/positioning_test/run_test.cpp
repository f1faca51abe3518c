// The positioning test through the main window's events, on an in-memory
// window whose frame is 6 by 29 pixels around the client area, on a 1280 by
// 800 screen.
#include "positioning_test/run.h"

#include <gtest/gtest.h>

#include "record/history.h"
#include "support/program_harness.h"

namespace tapvero::positioning_test {
namespace {

using namespace form;
using app::MainWindow;
using widgets::MemoryUi;
using widgets::MouseButton;
using widgets::Point;
using widgets::Rect;

constexpr int kZ = 0x5A, kX = 0x58;
const std::string kWindowedTrue = "\xB4\xB0\xBF\xDA\xBB\xAF=\xD5\xE6\r\n";   // 窗口化=真
const std::string kWindowedFalse = "\xB4\xB0\xBF\xDA\xBB\xAF=\xBC\xD9\r\n";  // 窗口化=假

class PositioningRun : public ::testing::Test, protected test::ProgramHarness {
 protected:
  void SetUp() override {
    window.on_created();
    ui.select_page(高级选择夹1, kPositioningPage);
    clock.now = base::Tick(1000);
  }

  void windowed(std::u16string_view width, std::u16string_view height) {
    ui.set_ticked(选择框_开启窗口化, true);
    ui.set_text(编辑框_宽, width);
    ui.set_text(编辑框_高, height);
  }
  void start() { window.on_clicked(按钮3, true, clock.now); }
  bool close() { return window.on_close_requested(); }
  // A key goes where the keyboard focus is.
  bool press(int key) { return window.on_key_down(ui.focused().value_or(主窗口), key, 0, clock.now); }
  // The pointer onto the screen point that the bubble's hit band is judged
  // by, offset from its middle; moving onto the bubble gives it the focus.
  void point_into_band(int dx = 0, int dy = 0) {
    const Rect w = ui.rect(主窗口), b = ui.rect(按钮_泡泡);
    window_services.pointer = {w.left + b.left + 52 + dx, w.top + b.top + 25 + 44 + dy};
    window.on_mouse_move(按钮_泡泡, {52, 44}, 0);
  }
  void hit() {
    point_into_band();
    press(kZ);
  }
  void miss() { window.on_button_up(主窗口, MouseButton::kLeft, {2, 2}, 0, clock.now); }
  std::u16string bubbles() const { return ui.text(按钮_泡泡); }
  std::u16string report() const { return ui.message_boxes.empty() ? u"" : ui.message_boxes.back().text; }
  std::u16string report_start() const { return report().substr(0, report().find(u"\r\n\r\n共计")); }
  std::string file() { return config(); }
};

TEST_F(PositioningRun, AWindowedRunCentresTheWindowCountsDownAndShowsTheFirstBubble) {
  windowed(u"400", u"300");
  std::vector<std::u16string> captions;
  window_services.on_pump = [&](int) {
    if (ui.visible(标签_倒计时)) captions.push_back(ui.text(标签_倒计时));
  };
  start();
  EXPECT_EQ(file(), "[Tapvero]\r\n" + kWindowedTrue + "\xBF\xED=400\r\n\xB8\xDF=300\r\n");
  EXPECT_EQ(ui.rect(主窗口), (Rect{440, 250, 400, 300}));
  EXPECT_TRUE(window_services.maximized_windows.empty());
  // The label centred in the 394 x 271 client area, 125 above its middle.
  EXPECT_EQ(ui.rect(标签_倒计时), (Rect{145, 10, 104, 104}));
  EXPECT_EQ(window_services.waits, (std::vector<std::int32_t>{1000, 1000, 1000}));
  EXPECT_EQ(captions, (std::vector<std::u16string>{u"3", u"2", u"1"}));
  EXPECT_FALSE(ui.visible(标签_倒计时));

  // Digits from the clock seeding at 4000 ms are 0966049; seeded with that,
  // the bubble goes to (228, 33).
  EXPECT_TRUE(ui.visible(按钮_泡泡));
  EXPECT_EQ(ui.rect(按钮_泡泡), (Rect{228, 33, 104, 88}));
  EXPECT_EQ(bubbles(), u"1");
  EXPECT_EQ(ui.focused(), 编辑框_结果);
  EXPECT_FALSE(ui.visible(高级选择夹1));
  // A second placement in the same millisecond lands elsewhere.
  hit();
  EXPECT_EQ(ui.rect(按钮_泡泡), (Rect{231, 37, 104, 88}));
  EXPECT_EQ(bubbles(), u"2");
}

TEST_F(PositioningRun, AFullScreenRunMaximizesTheWindowAndPlacesTheLabelByTheScreen) {
  config() = "[Tapvero]\r\n\xBF\xED=640\r\n";
  ui.set_text(编辑框_宽, u"1");
  const Rect before = ui.rect(主窗口);
  int pumps_before_maximized = -1;
  window_services.on_pump = [&](int n) {
    if (pumps_before_maximized < 0 && ui.window_state() == widgets::WindowState::kMaximized) pumps_before_maximized = n;
  };
  start();
  EXPECT_EQ(file(), "[Tapvero]\r\n\xBF\xED=640\r\n" + kWindowedFalse);  // the size keys keep their values
  EXPECT_EQ(window_services.maximized_windows, (std::vector<std::uintptr_t>{ui.window_handle()}));
  EXPECT_EQ(pumps_before_maximized, 1);  // maximized once messages are processed
  EXPECT_EQ(ui.rect(标签_倒计时), (Rect{588, 275, 104, 104}));
  EXPECT_EQ(ui.rect(按钮_泡泡), (Rect{943, 557, 104, 88}));  // in the 1274 x 771 client area

  EXPECT_FALSE(close());
  EXPECT_EQ(ui.window_state(), widgets::WindowState::kNormal);
  EXPECT_EQ(ui.rect(主窗口), before);
}

TEST_F(PositioningRun, InvalidWindowedSizesAreRefusedWithNothingChanged) {
  for (const auto& [width, height] : std::vector<std::pair<std::u16string, std::u16string>>{
           {u"0", u"600"}, {u"-5", u"600"}, {u"-0", u"600"}, {u"", u"600"}, {u"800", u"0"}, {u"800", u"-5"},
           {u"800", u"-0"}, {u"800", u""}}) {
    windowed(width, height);
    const Rect before = ui.rect(主窗口);
    ui.message_boxes.clear();
    start();
    EXPECT_EQ(ui.message_boxes,
              (MemoryUi::Boxes{{u"窗口化信息非法！请不要填写零或负数", u"错误", widgets::Icon::kError}}));
    EXPECT_TRUE(files.files.empty());
    EXPECT_TRUE(ui.visible(高级选择夹1));
    EXPECT_EQ(ui.rect(主窗口), before);
    EXPECT_TRUE(window_services.waits.empty());
  }
}

TEST_F(PositioningRun, SizesWithTheirLeadingNumberPassAndAreStoredBackUnchanged) {
  // Full-width digits and trailing letters can only come from the file.
  for (const std::string height : {"600px", "\xA3\xB6\xA3\xB0\xA3\xB0"}) {  // 600px, ６００
    config() = "[Tapvero]\r\n" + kWindowedTrue + "\xBF\xED=\xA3\xB8\xA3\xB0\xA3\xB0\r\n\xB8\xDF=" + height + "\r\n";
    window.on_created();
    EXPECT_EQ(ui.text(编辑框_宽), u"８００");
    const std::string stored = file();
    ui.message_boxes.clear();
    start();
    EXPECT_TRUE(ui.message_boxes.empty());
    EXPECT_EQ(ui.rect(主窗口), (Rect{240, 100, 800, 600}));
    EXPECT_EQ(file(), stored);
    EXPECT_FALSE(close());
  }
}

TEST_F(PositioningRun, AfterAWindowedRunTheWindowKeepsItsCornerMovedOnlyOntoTheWorkArea) {
  const struct {
    std::u16string width, height;
    Rect during;
    Point after;
    // Panels along the screen's left and bottom edges: at its normal size
    // the window's corner lies between (60, 0) and (609, 367).
    Rect work_area = {60, 0, 1220, 740};
  } cases[] = {
      {u"1400", u"900", {-60, -50, 1400, 900}, {60, 0}},  // larger than the screen: left of and above it
      {u"3000", u"600", {-860, 100, 3000, 600}, {60, 100}},
      {u"1160", u"400", {60, 200, 1160, 400}, {60, 200}},  // on the work area's left edge
      {u"1162", u"400", {59, 200, 1162, 400}, {60, 200}},
      {u"20", u"10", {630, 395, 20, 10}, {609, 367}},  // normal-sized there, past the right and bottom edges
      {u"400", u"300", {440, 250, 400, 300}, {440, 250}},
      {u"20", u"10", {630, 395, 20, 10}, {60, 0}, {60, 0, 600, 300}},  // too small for it: the title bar stays on it
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.width.begin(), c.width.end()));
    window_services.desktop_work_area = c.work_area;
    windowed(c.width, c.height);
    start();
    EXPECT_EQ(ui.rect(主窗口), c.during);
    EXPECT_FALSE(close());
    EXPECT_EQ(ui.rect(主窗口), (Rect{c.after.x, c.after.y, 671, 373}));
  }
}

TEST_F(PositioningRun, ClientAreasTooSmallForTheMarginsStillPlaceTheBubble) {
  // Outer sizes for client areas of 119 x 103 and 94 x 71: the bounds 8 and
  // 7, and 8 and -18 (counted as 0), are swapped. The seeding counter goes
  // on from run to run.
  const struct {
    std::u16string width, height;
    Point expected;
  } cases[] = {{u"125", u"132", {7, 8}}, {u"100", u"100", {4, 5}}, {u"126", u"133", {8, 8}}};
  for (const auto& c : cases) {
    windowed(c.width, c.height);
    clock.now = base::Tick(1000);
    window_services.waits.clear();
    ui.message_boxes.clear();
    start();
    const Rect b = ui.rect(按钮_泡泡);
    EXPECT_EQ((Point{b.left, b.top}), c.expected) << std::string(c.width.begin(), c.width.end());
    close();
  }
}

TEST_F(PositioningRun, TriggerKeysHitOnlyInTheBandAndOtherKeysMissOnlyOutsideIt) {
  start();
  point_into_band();
  EXPECT_EQ(ui.focused(), 按钮_泡泡);
  EXPECT_TRUE(press('A'));  // another key in the band: nothing
  EXPECT_EQ(bubbles(), u"1");
  EXPECT_TRUE(press(kX));
  EXPECT_EQ(bubbles(), u"2");

  // Outside the band (its edges are the rules' tests'), any key misses.
  point_into_band(52, 0);
  press('A');
  point_into_band(-60, 0);
  press(kZ);
  EXPECT_EQ(bubbles(), u"2");
  EXPECT_FALSE(close());
  EXPECT_EQ(report_start(), u"你共击中 1 次，Miss 2次\r\n\r\n最高连击 1 次");
}

TEST_F(PositioningRun, ATriggerKeyAfterAJumpBeforeThePointerMovesIsAMiss) {
  start();
  hit();
  // The bubble jumped; even with the pointer in its new band, the key goes
  // to the result box until the pointer moves onto the bubble.
  const Rect w = ui.rect(主窗口), b = ui.rect(按钮_泡泡);
  window_services.pointer = {w.left + b.left + 52, w.top + b.top + 69};
  ASSERT_EQ(ui.focused(), 编辑框_结果);
  EXPECT_FALSE(press(kZ));   // swallowed, a miss
  EXPECT_FALSE(press('A'));  // swallowed, nothing
  EXPECT_EQ(bubbles(), u"2");
  close();
  EXPECT_EQ(report_start(), u"你共击中 1 次，Miss 1次\r\n\r\n最高连击 1 次");
}

TEST_F(PositioningRun, TheMouseOptionDecidesWhetherClicksOnTheBubbleHit) {
  start();
  window.on_clicked(按钮_泡泡, true, clock.now);
  EXPECT_TRUE(window.on_button_up(按钮_泡泡, MouseButton::kRight, {1, 1}, 0, clock.now));
  EXPECT_EQ(bubbles(), u"1");
  EXPECT_TRUE(window.on_button_up(主窗口, MouseButton::kLeft, {2, 2}, 0, clock.now));
  EXPECT_TRUE(window.on_button_up(主窗口, MouseButton::kRight, {2, 2}, 0, clock.now));

  ui.set_ticked(选择框_鼠标, true);
  window_services.pointer = {-500, -500};  // the pointer is not judged for clicks
  window.on_clicked(按钮_泡泡, true, clock.now);
  EXPECT_TRUE(window.on_button_up(按钮_泡泡, MouseButton::kRight, {1, 1}, 0, clock.now));
  EXPECT_EQ(bubbles(), u"3");
  window.on_clicked(按钮_泡泡, false, clock.now);  // Space or Enter on the bubble: no click of the mouse
  EXPECT_EQ(bubbles(), u"3");
  close();
  EXPECT_EQ(report_start(), u"你共击中 2 次，Miss 2次\r\n\r\n最高连击 2 次");
}

TEST_F(PositioningRun, TheReportReadsByteForByte) {
  start();
  for (int i = 0; i < 8; ++i) hit();
  for (int i = 0; i < 3; ++i) miss();
  for (int i = 0; i < 12; ++i) hit();  // the best combo, taken at the end
  clock.advance(15432);
  EXPECT_FALSE(close());
  EXPECT_EQ(
      ui.message_boxes,
      (MemoryUi::Boxes{
          {u"你共击中 20 次，Miss 3次\r\n\r\n最高连击 12 次\r\n\r\n共计耗时 15.43秒\r\n\r\n平均每次打击耗时 734 ms",
           u"定位测试", widgets::Icon::kInformation}}));
  // The history's row holds the same figures, text for text.
  EXPECT_EQ(files.files[test::kHistoryPath],
            std::string(record::history_header()) + "2026-12-09 18:30:05,定位测试,z,x,20,20,15.43,,,,,3,12,734,,\r\n");
}

TEST_F(PositioningRun, ARunWithoutHitsReportsTheElapsedTimeAsTheMean) {
  // Runs across the tick counter's sign change and across its wrap.
  for (const std::uint32_t first_bubble : {0x7FFFFFF0u, 0xFFFFFFF0u}) {
    clock.now = base::Tick(first_bubble - 3000);
    start();
    clock.advance(4321);
    close();
    EXPECT_EQ(report(),
              u"你共击中 0 次，Miss 0次\r\n\r\n最高连击 0 次\r\n\r\n共计耗时 4.32秒\r\n\r\n平均每次打击耗时 4321 ms")
        << first_bubble;
  }
}

TEST_F(PositioningRun, TheCloseEndsTheRunAndTheNextStartResetsTheCounters) {
  windowed(u"400", u"300");
  start();
  hit();
  miss();
  EXPECT_FALSE(close());
  EXPECT_EQ(ui.rect(主窗口), (Rect{440, 250, 671, 373}));
  EXPECT_EQ(ui.rect(高级选择夹1), (Rect{8, 8, 648, 328}));
  EXPECT_TRUE(ui.visible(高级选择夹1));
  EXPECT_FALSE(ui.visible(按钮_泡泡));
  EXPECT_EQ(bubbles(), u"0");
  EXPECT_FALSE(ui.visible(标签_倒计时));
  EXPECT_EQ(ui.text(标签_倒计时), u"3");

  // Misses outside a run count until the next start resets them.
  miss();
  window.on_key_down(编辑框_结果, kX, 0, clock.now);
  EXPECT_EQ(window.on_close_requested(), true);  // no run: the window may close
  start();
  close();
  EXPECT_EQ(report_start(), u"你共击中 0 次，Miss 0次\r\n\r\n最高连击 0 次");
}

TEST_F(PositioningRun, ACloseDuringTheCountdownCancelsTheRunWithoutAReport) {
  for (int at_pump : {1, 2, 3, 5}) {  // in each wait, and in the first bubble's digits
    SCOPED_TRACE(at_pump);
    const Rect before = ui.rect(主窗口);
    const int first = window_services.pumps;
    window_services.on_pump = [&](int n) {
      if (n == first + at_pump) {
        EXPECT_FALSE(close());
      }
    };
    start();
    EXPECT_TRUE(ui.message_boxes.empty());
    EXPECT_FALSE(files.files.contains(test::kHistoryPath));  // no run to keep
    EXPECT_EQ(window_services.waits.size(), static_cast<std::size_t>(std::min(at_pump, 3)));
    EXPECT_FALSE(ui.visible(按钮_泡泡));
    EXPECT_EQ(bubbles(), u"0");
    EXPECT_EQ(ui.rect(按钮_泡泡), (Rect{744, 192, 104, 88}));  // never moved
    EXPECT_FALSE(ui.visible(标签_倒计时));
    EXPECT_EQ(ui.text(标签_倒计时), u"3");
    EXPECT_TRUE(ui.visible(高级选择夹1));
    EXPECT_EQ(ui.window_state(), widgets::WindowState::kNormal);
    EXPECT_EQ(ui.rect(主窗口), before);
    window_services.waits.clear();
  }
}

TEST_F(PositioningRun, ANewRunStartedInsideACancelledCountdownIsLeftAlone) {
  window_services.on_pump = [&](int n) {
    if (n == 1) {
      close();
      start();  // nested: a whole countdown and the first bubble
    }
  };
  start();
  EXPECT_EQ(window_services.waits.size(), 4u);
  EXPECT_TRUE(ui.visible(按钮_泡泡));
  EXPECT_EQ(bubbles(), u"1");
  EXPECT_FALSE(ui.visible(标签_倒计时));
  EXPECT_TRUE(ui.message_boxes.empty());
}

TEST_F(PositioningRun, HitsAndMissesDuringAPlacementsDigitsAreCounted) {
  start();
  point_into_band();
  const int first = window_services.pumps;
  window_services.on_pump = [&](int n) {
    if (n == first + 2) {
      point_into_band();
      press(kX);  // a nested hit: its placement completes first
      window.on_button_up(主窗口, MouseButton::kRight, {2, 2}, 0, clock.now);
    }
  };
  press(kZ);
  EXPECT_EQ(bubbles(), u"3");
  EXPECT_EQ(ui.focused(), 编辑框_结果);
  window_services.on_pump = nullptr;
  close();
  EXPECT_EQ(report_start(), u"你共击中 2 次，Miss 1次\r\n\r\n最高连击 2 次");
}

TEST_F(PositioningRun, ACloseDuringAPlacementsDigitsEndsTheRunCleanly) {
  start();
  hit();
  const Rect place = ui.rect(按钮_泡泡);
  const int first = window_services.pumps;
  window_services.on_pump = [&](int n) {
    if (n == first + 3) {
      EXPECT_FALSE(close());
    }
  };
  point_into_band();
  press(kZ);
  // The hit that was being placed counts; the placement stops there.
  EXPECT_EQ(report_start(), u"你共击中 2 次，Miss 0次\r\n\r\n最高连击 2 次");
  EXPECT_EQ(ui.message_boxes.size(), 1u);
  EXPECT_FALSE(ui.visible(按钮_泡泡));
  EXPECT_EQ(bubbles(), u"0");
  EXPECT_EQ(ui.rect(按钮_泡泡), place);
  EXPECT_TRUE(ui.visible(高级选择夹1));
}

TEST_F(PositioningRun, EachDigitOfAPlacementProcessesMessages) {
  start();
  const int before = window_services.pumps;
  hit();
  EXPECT_EQ(window_services.pumps - before, 7);
}

}  // namespace
}  // namespace tapvero::positioning_test
