#include "app/main_window.h"

#include <gtest/gtest.h>

#include <set>

#include "record/figures.h"
#include "record/history.h"
#include "speed_test/report.h"
#include "support/program_harness.h"
#include "support/stored_names.h"
#include "text/encoding.h"

namespace tapvero::app {
namespace {

using namespace form;
using namespace tapvero::test;
using widgets::Icon;
using widgets::MemoryUi;
using base::Tick;

class MainWindowTest : public ::testing::Test, protected test::ProgramHarness {
 protected:
  // The clock moves on at every reading: the program must take the events' times.
  MainWindowTest() { clock.per_reading = 100; }
};

TEST_F(MainWindowTest, TheCreatedHandlerLoadsIntoTheControlsAndShrinksTheWindowKeepingItsPlace) {
  config() = ini({{"Z", "c"},
                  {kZOn, kFalse},
                  {"X", "\xBB\xD8\xB3\xB5"},
                  {kXOn, "1"},
                  {kMouse, "1"},
                  {kStage, "007"},
                  {kWindowed, kTrue},
                  {kWidth, "-100"},
                  {kHeight, "abc"}});
  const widgets::Rect before = ui.rect(主窗口);
  EXPECT_EQ(before.width, 957);
  window.on_created();
  const widgets::Rect after = ui.rect(主窗口);
  EXPECT_EQ(after, (widgets::Rect{before.left, before.top, 671, 373}));
  EXPECT_EQ(ui.text(编辑框_Z), u"c");
  EXPECT_EQ(ui.text(编辑框_X), u"回车");
  EXPECT_FALSE(ui.ticked(选择框Z));
  EXPECT_FALSE(ui.ticked(选择框X));
  EXPECT_TRUE(ui.ticked(选择框_鼠标));
  EXPECT_EQ(ui.text(编辑框_阶段), u"007");
  EXPECT_TRUE(ui.ticked(选择框_开启窗口化));
  EXPECT_EQ(ui.text(编辑框_宽), u"-100");
  EXPECT_EQ(ui.text(编辑框_高), u"600");
  EXPECT_EQ(ui.text(选择框Z), u"z键");  // the captions never change
  EXPECT_EQ(window.settings().z_key_code, 0x43);
  EXPECT_EQ(ui.focused(), std::nullopt);
}

TEST_F(MainWindowTest, TheKeySaveStoresNamesLowerCasedButTakesTheirCodesAsTyped) {
  window.on_created();
  ui.set_text(编辑框_Z, u"Z");
  ui.set_text(编辑框_X, u"C");
  ui.set_ticked(选择框Z, false);
  ui.set_ticked(选择框_鼠标, true);
  window.on_clicked(按钮1, true, {});
  EXPECT_EQ(config(), ini({{"Z", "z"}, {kZOn, kFalse}, {"X", "c"}, {kXOn, kTrue}, {kMouse, kTrue}}));
  EXPECT_EQ(window.settings().z_key_code, 0x5A);
  EXPECT_EQ(window.settings().x_key_code, 0x43);
  EXPECT_EQ(ui.text(编辑框_Z), u"Z");  // the box keeps what was typed
  EXPECT_TRUE(ui.message_boxes.empty());
}

TEST_F(MainWindowTest, TheStageSaveRefusesStagesBelowOneAndTakesOthersAsTyped) {
  window.on_created();
  std::u16string while_shown;
  ui.on_message_box = [&](const MemoryUi::MessageBox&) { while_shown = ui.text(编辑框_阶段); };
  for (const std::u16string typed : {u"0", u"-3", u"", u"abc", u"-0"}) {
    SCOPED_TRACE(std::string(typed.begin(), typed.end()));
    ui.message_boxes.clear();
    ui.set_text(编辑框_阶段, typed);
    ui.focus(开始测试);
    window.on_clicked(按钮2, true, {});
    EXPECT_EQ(ui.message_boxes, (MemoryUi::Boxes{{u"连击阶段必须大于等于1", u"非法", Icon::kError}}));
    EXPECT_EQ(while_shown, typed);  // reset once the message is closed
    EXPECT_EQ(ui.text(编辑框_阶段), u"20");
    EXPECT_TRUE(ui.at(编辑框_阶段).whole_text_selected);
    EXPECT_EQ(ui.focused(), 编辑框_阶段);
    EXPECT_TRUE(files.files.empty());
    EXPECT_EQ(window.settings().stage_size(), 20);
  }
  ui.message_boxes.clear();
  ui.set_text(编辑框_阶段, u"1");
  window.on_clicked(按钮2, true, {});
  EXPECT_EQ(config(), ini({{kStage, "1"}}));
  EXPECT_EQ(window.settings().stage_size(), 1);
  EXPECT_TRUE(ui.message_boxes.empty());
}

// A save that could not be stored says so once, keeps the session's new
// values and leaves the file as it was.
TEST_F(MainWindowTest, AFailedSaveSaysSoAndTheSessionKeepsItsValues) {
  window.on_created();
  config() = ini({{"Z", "z"}});
  ui.set_text(编辑框_Z, u"c");
  ui.set_text(编辑框_阶段, u"5");
  files.read_only = true;
  window.on_clicked(按钮1, true, {});
  files.read_only = false;
  files.replace_refused = true;
  window.on_clicked(按钮2, true, {});
  const MemoryUi::MessageBox failed{u"设置保存失败！无法写入Config.ini", u"错误", Icon::kError};
  EXPECT_EQ(ui.message_boxes, (MemoryUi::Boxes{failed, failed}));
  EXPECT_EQ(window.settings().z_key_code, 0x43);
  EXPECT_EQ(window.settings().stage_size(), 5);
  EXPECT_EQ(config(), ini({{"Z", "z"}}));
}

TEST_F(MainWindowTest, TheFormsIdsAreUniqueAndEveryButtonIsBound) {
  std::set<widgets::ControlId> ids;
  for (const widgets::ControlSpec& c : main_form().controls) {
    EXPECT_TRUE(ids.insert(c.id).second) << c.id;
    EXPECT_TRUE(c.kind != widgets::Kind::kButton || window.handles(c.id, Event::kClicked)) << c.id;
  }
}

// Enter clicks a focused button as it goes down, Space as it comes up after
// a press the button saw: as trigger keys they start no test on the idle
// start button.
TEST_F(MainWindowTest, TheResultBoxAndTheIdleStartButtonSwallowKeysAndOtherEventsPassOn) {
  config() = ini({{"Z", "\xBB\xD8\xB3\xB5"}, {"X", "\xBF\xD5\xB8\xF1"}});  // Z=回车, X=空格
  window.on_created();
  for (int key : {0x5A, 0x58, 0x41, 0x0D, 0x25, 0x08}) EXPECT_FALSE(window.on_key_down(编辑框_结果, key, 0, {}));
  for (int key : {0x0D, 0x20}) EXPECT_FALSE(window.on_key_down(开始测试, key, 0, {})) << key;
  EXPECT_FALSE(ui.enabled(停止测试));
  window.on_clicked(开始测试, true, {});
  for (int key : {0x0D, 0x20}) EXPECT_TRUE(window.on_key_down(开始测试, key, 0, {}));  // in a test, hits
  EXPECT_EQ(ui.text(标签_连击), u"2");
  EXPECT_TRUE(window.on_key_down(编辑框_Z, 'A', 0, {}));
  EXPECT_TRUE(window.on_button_up(开始测试, widgets::MouseButton::kRight, {1, 1}, 0, {}));
  EXPECT_TRUE(window.on_mouse_move(按钮_泡泡, {1, 1}, 0));
  EXPECT_TRUE(window.on_close_requested());
}

TEST_F(MainWindowTest, TheSpeedTestIsBoundToItsButtonsAndTakesTheEventsTimes) {
  window.on_created();
  window.on_clicked(开始测试, true, Tick(1000));
  EXPECT_TRUE(ui.enabled(停止测试));
  EXPECT_TRUE(window.on_key_down(开始测试, 0x5A, 0, Tick(1100)));  // a hit, and the key goes on to the button
  EXPECT_TRUE(window.on_key_down(开始测试, 0x58, 0, Tick(1200)));
  EXPECT_EQ(ui.text(标签_连击), u"2");
  ui.set_ticked(选择框_鼠标, true);
  EXPECT_TRUE(window.on_button_up(开始测试, widgets::MouseButton::kRight, {5, 5}, 0, Tick(1300)));
  window.on_clicked(开始测试, true, Tick(1400));
  window.on_clicked(开始测试, false, Tick(1500));  // Space on the button
  EXPECT_EQ(ui.text(标签_连击), u"4");
  window.on_clicked(停止测试, true, Tick(3000));
  EXPECT_FALSE(ui.enabled(停止测试));
  // The test's time runs from the start click to the stop click, whatever
  // the clock read meanwhile.
  EXPECT_EQ(ui.text(编辑框_结果), speed_test::summary_text(4, 2000, {}));
}

std::vector<std::string> split(const std::string& s, char at) {
  std::vector<std::string> parts(1);
  for (const char c : s) {
    if (c == at) {
      parts.emplace_back();
    } else {
      parts.back() += c;
    }
  }
  return parts;
}

// A robot's speed test: 45 uneven hits, stages of 20, stopped. The history
// gains one row whose figures are the summary line's and the stage lines',
// text for text, and whose hit times give the intervals hit.
TEST_F(MainWindowTest, AStoppedSpeedTestAddsARowWithTheFiguresShown) {
  window.on_created();
  window.on_clicked(开始测试, true, Tick(5000));
  std::vector<std::int32_t> intervals;
  Tick at(5000);
  for (int i = 0; i < 45; ++i) {
    intervals.push_back(80 + (i * 37) % 61);
    window.on_key_down(开始测试, i % 2 ? 0x58 : 0x5A, 0, at += intervals.back());
  }
  EXPECT_EQ(window.running_record()->hit_ms.size(), 45u);
  window.on_clicked(停止测试, true, at + 400);
  EXPECT_FALSE(window.running_record());

  const std::string bytes = files.files[kHistoryPath];
  const std::size_t header = record::history_header().size();
  ASSERT_TRUE(bytes.starts_with(record::history_header()) && bytes.ends_with("\r\n"));
  const std::vector<std::string> f = split(bytes.substr(header, bytes.size() - header - 2), ',');
  ASSERT_EQ(f.size(), 16u);  // and one row
  EXPECT_EQ(f[0] + f[1] + f[2] + f[3] + f[4], "2026-12-09 18:30:05手速测试zx20");
  // The result box: two stage lines, two empty lines, the summary.
  const std::vector<std::string> shown = split(text::utf16_to_utf8(ui.text(编辑框_结果)), '\n');
  ASSERT_EQ(shown.size(), 5u);
  EXPECT_EQ(shown[4], "共计连击:" + f[5] + " 耗时:" + f[6] + "秒 BPM:" + f[7] + " 稳定度:" + f[8] + "%");
  const std::vector<std::string> stages = split(f[14], ' ');
  ASSERT_EQ(stages.size(), 2u);
  for (std::size_t i = 0; i < 2; ++i) {
    const std::string& stage = stages[i];
    const std::size_t slash = stage.find('/');
    EXPECT_TRUE(shown[i].ends_with("BPM:" + stage.substr(0, slash) + " 稳定度:" + stage.substr(slash + 1) + "%\r"))
        << shown[i];
  }
  // The hit times give the intervals; the stage line's BPM over a window
  // of the stage size, at each stage's end, gives the stage's.
  std::vector<std::int32_t> hit_ms, between;
  for (const std::string& t : split(f[15], ' ')) hit_ms.push_back(std::stoi(t));
  for (std::size_t i = 0; i < hit_ms.size(); ++i) between.push_back(hit_ms[i] - (i ? hit_ms[i - 1] : 0));
  EXPECT_EQ(between, intervals);
  const std::vector<std::int32_t> by_hit = record::bpm_by_hit(hit_ms, 20);
  EXPECT_EQ(f[14].substr(0, 3) + f[14].substr(f[14].find(' ') + 1, 3),
            std::to_string(by_hit[19]) + std::to_string(by_hit[39]));
}

// A test still running when the window closes is kept; one without a hit,
// or any run while the history is off, is not.
TEST_F(MainWindowTest, TheHistoryKeepsRunsWithHitsWhileItIsOn) {
  window.on_created();
  EXPECT_TRUE(window.history_enabled());
  const auto run = [&](std::uint32_t from, bool hit) {
    window.on_clicked(开始测试, true, Tick(from));
    if (hit) window.on_key_down(开始测试, 0x5A, 0, Tick(from + 100));
  };
  run(100, false);
  window.on_clicked(停止测试, true, Tick(200));
  window.set_history_enabled(false);
  EXPECT_EQ(config(), ini({{kHistory, kFalse}}));
  run(300, true);
  window.on_clicked(停止测试, true, Tick(500));
  EXPECT_FALSE(files.files.contains(kHistoryPath));
  window.set_history_enabled(true);
  run(600, true);
  clock.now = Tick(1600);
  EXPECT_TRUE(window.on_close_requested());
  ASSERT_EQ(window.history().runs().size(), 1u);
  EXPECT_EQ(window.history().runs()[0].seconds, 1.0);
}

// The system menu's items: the history's switch with its check mark, and
// the chart, which follows a running speed test.
TEST_F(MainWindowTest, TheSystemMenuSwitchesTheHistoryAndOpensTheChart) {
  window.on_created();
  ASSERT_EQ(ui.menu.size(), 2u);
  EXPECT_EQ(ui.menu_item(kHistoryItem)->checked, true);
  window.on_menu_item(kHistoryItem);
  EXPECT_EQ(ui.menu_item(kHistoryItem)->checked, false);
  EXPECT_FALSE(window.history_enabled());
  EXPECT_EQ(config(), ini({{kHistory, kFalse}}));

  window.on_menu_item(kChartItem);
  ASSERT_TRUE(ui.scene_window_open());
  EXPECT_EQ(ui.scene_title, record::kChartTitle);
  window.on_clicked(开始测试, true, Tick(100));
  window.on_key_down(开始测试, 0x5A, 0, Tick(400));
  const int shown = ui.scenes_shown;
  ui.scene_frame();
  ui.scene_frame();
  EXPECT_EQ(ui.scenes_shown, shown + 1);
}

}  // namespace
}  // namespace tapvero::app
