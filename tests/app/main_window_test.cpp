#include "app/main_window.h"

#include <gtest/gtest.h>

#include "app/main_form.h"
#include "support/fake_input_system.h"
#include "support/fake_window_services.h"
#include "support/memory_file_store.h"
#include "support/memory_ui.h"

namespace tapvero::app {
namespace {

using widgets::MemoryUi;
using widgets::Tick;

const std::u16string kPath = u"C:\\Tapvero\\Config.ini";

class MainWindowTest : public ::testing::Test {
 protected:
  testing::ManualClock clock{Tick(100), 100};
  MemoryUi ui{main_form()};
  testing::ManualClock run_clock;
  positioning_test::FakeWindowServices window_services{ui, run_clock};
  input::FakeInputSystem input;
  input::InlineInputThread input_thread;
  MemoryFileStore files;
  MainWindow window{{ui, clock, files, [] { return kPath; }, window_services, input, input_thread}};
};

TEST_F(MainWindowTest, TheCreatedHandlerLoadsAndShrinksTheWindowKeepingItsPlace) {
  files.files[kPath] = "[Tapvero]\r\nZ=c\r\n";
  const widgets::Rect before = ui.rect(主窗口);
  EXPECT_EQ(before.width, 957);
  window.on_created();
  const widgets::Rect after = ui.rect(主窗口);
  EXPECT_EQ(after, (widgets::Rect{before.left, before.top, 671, 373}));
  EXPECT_EQ(ui.text(编辑框_Z), u"c");
  EXPECT_EQ(window.shared().z_key_code, 0x43);
  EXPECT_EQ(ui.focused(), std::nullopt);
}

TEST_F(MainWindowTest, TheSaveButtonsAreBound) {
  window.on_created();
  window.on_clicked(按钮1, true, {});
  EXPECT_EQ(files.files[kPath].substr(0, 16), "[Tapvero]\r\nZ=z\r\n");
  ui.set_text(编辑框_阶段, u"0");
  window.on_clicked(按钮2, true, {});
  EXPECT_EQ(ui.message_boxes.size(), 1u);
}

TEST_F(MainWindowTest, TheResultBoxSwallowsEveryKeyAndOtherEventsPassOn) {
  window.on_created();
  for (int key : {0x5A, 0x58, 0x41, 0x0D, 0x25, 0x08}) EXPECT_FALSE(window.on_key_down(编辑框_结果, key, 0, {}));
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
  EXPECT_NE(ui.text(编辑框_结果).find(u"共计连击:4 耗时:2秒 "), std::u16string::npos);
}

}  // namespace
}  // namespace tapvero::app
