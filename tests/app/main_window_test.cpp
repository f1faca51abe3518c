#include "app/main_window.h"

#include <gtest/gtest.h>

#include <set>

#include "speed_test/report.h"
#include "support/program_harness.h"
#include "support/stored_names.h"

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

}  // namespace
}  // namespace tapvero::app
