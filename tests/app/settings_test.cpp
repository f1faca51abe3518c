#include "app/settings.h"

#include <gtest/gtest.h>

#include "app/main_form.h"
#include "support/memory_file_store.h"
#include "support/memory_ui.h"
#include "support/stored_names.h"

namespace tapvero::app {
namespace {

using namespace tapvero::test;

using widgets::Icon;
using widgets::MemoryUi;

const std::u16string kPath = u"C:\\Tapvero\\Config.ini";
// GBK spellings, written out independently of the program's own.

class SettingsTest : public ::testing::Test {
 protected:
  void given(const std::string& lines) { files.files[kPath] = "[Tapvero]\r\n" + lines; }
  std::string file() { return files.files[kPath]; }
  void load() { settings.load(); }

  MemoryUi ui{main_form()};
  MemoryFileStore files;
  SharedValues shared;
  int path_requests = 0;
  Settings settings{ui, files,
                    [this] {
                      ++path_requests;
                      return kPath;
                    },
                    shared};
};

TEST_F(SettingsTest, WithoutAFileTheControlsKeepTheirInitialStates) {
  load();
  EXPECT_EQ(ui.text(编辑框_Z), u"z");
  EXPECT_EQ(ui.text(编辑框_X), u"x");
  EXPECT_TRUE(ui.ticked(选择框Z));
  EXPECT_TRUE(ui.ticked(选择框X));
  EXPECT_FALSE(ui.ticked(选择框_鼠标));
  EXPECT_EQ(ui.text(编辑框_阶段), u"20");
  EXPECT_FALSE(ui.ticked(选择框_开启窗口化));
  EXPECT_EQ(ui.text(编辑框_宽), u"800");
  EXPECT_EQ(ui.text(编辑框_高), u"600");
  EXPECT_EQ(shared.z_key_code, 0x5A);
  EXPECT_EQ(shared.x_key_code, 0x58);
  EXPECT_EQ(shared.stage_size, 20);
  EXPECT_TRUE(files.files.empty());  // loading never creates the file
  EXPECT_EQ(path_requests, 9);       // the path is asked for every read
}

TEST_F(SettingsTest, StoredKeysLoadAsTheyAre) {
  given("Z=f1\r\nX=\xBB\xD8\xB3\xB5\r\n");  // X=回车
  load();
  EXPECT_EQ(ui.text(编辑框_Z), u"f1");
  EXPECT_EQ(ui.text(编辑框_X), u"回车");
  EXPECT_EQ(shared.z_key_code, 0x70);
  EXPECT_EQ(shared.x_key_code, 0x0D);
}

TEST_F(SettingsTest, AnUnknownKeyNameGivesNoKey) {
  given("Z=F17\r\nX=\r\n");
  load();
  EXPECT_EQ(ui.text(编辑框_Z), u"F17");
  EXPECT_EQ(ui.text(编辑框_X), u"");
  EXPECT_EQ(shared.z_key_code, 0);
  EXPECT_EQ(shared.x_key_code, 0);
}

struct StageCase {
  std::string stored;
  std::u16string shown;
  std::int32_t stage;
};

class StageLoad : public SettingsTest, public ::testing::WithParamInterface<StageCase> {};

TEST_P(StageLoad, BelowOneLoadsAsTwenty) {
  given(kStage + "=" + GetParam().stored + "\r\n");
  load();
  EXPECT_EQ(ui.text(编辑框_阶段), GetParam().shown);
  EXPECT_EQ(shared.stage_size, GetParam().stage);
}

INSTANTIATE_TEST_SUITE_P(Stored, StageLoad,
                         ::testing::Values(StageCase{"0", u"20", 20}, StageCase{"abc", u"20", 20},
                                           StageCase{"", u"20", 20}, StageCase{"007", u"007", 7},
                                           StageCase{"1", u"1", 1}, StageCase{"-5", u"20", 20},
                                           StageCase{"12abc", u"12abc", 12},
                                           StageCase{"\xA3\xB0\xA3\xB0\xA3\xB7", u"００７", 7}));

TEST_F(SettingsTest, TheFourTruthKeysAreReadDifferently) {
  // 开启Z键 and 开启X键: only 真 is on. 鼠标: everything but 假 is on.
  // 窗口化: only 真 is on.
  given(kZOn + "=1\r\n" + kXOn + "=" + kTrue + "\r\n" + kMouse + "=1\r\n" + kWindowed + "=1\r\n");
  load();
  EXPECT_FALSE(ui.ticked(选择框Z));
  EXPECT_TRUE(ui.ticked(选择框X));
  EXPECT_TRUE(ui.ticked(选择框_鼠标));
  EXPECT_FALSE(ui.ticked(选择框_开启窗口化));
}

TEST_F(SettingsTest, TruthKeysWithTheirOtherValues) {
  given(kZOn + "=" + kFalse + "\r\n" + kXOn + "=\r\n" + kMouse + "=" + kFalse + "\r\n" + kWindowed + "=" + kTrue +
        "\r\n");
  load();
  EXPECT_FALSE(ui.ticked(选择框Z));
  EXPECT_FALSE(ui.ticked(选择框X));
  EXPECT_FALSE(ui.ticked(选择框_鼠标));
  EXPECT_TRUE(ui.ticked(选择框_开启窗口化));
}

TEST_F(SettingsTest, WidthAndHeightFallBackOnlyWhenZero) {
  given(kWidth + "=-100\r\n" + kHeight + "=abc\r\n");
  load();
  EXPECT_EQ(ui.text(编辑框_宽), u"-100");
  EXPECT_EQ(ui.text(编辑框_高), u"600");
  given(kWidth + "=\xA3\xB8\xA3\xB0\xA3\xB0\r\n" + kHeight + "=800px\r\n");
  load();
  EXPECT_EQ(ui.text(编辑框_宽), u"８００");
  EXPECT_EQ(ui.text(编辑框_高), u"800px");
}

TEST_F(SettingsTest, TheFirstKeySettingsSaveWritesFiveKeysInOrder) {
  load();
  settings.save_key_settings();
  EXPECT_EQ(file(), "[Tapvero]\r\nZ=z\r\n" + kZOn + "=" + kTrue + "\r\nX=x\r\n" + kXOn + "=" + kTrue + "\r\n" + kMouse +
                        "=" + kFalse + "\r\n");
}

TEST_F(SettingsTest, KeyNamesAreStoredLowerCaseButLookedUpAsTyped) {
  load();
  ui.set_text(编辑框_Z, u"Z");
  ui.set_text(编辑框_X, u"C");
  ui.set_ticked(选择框_鼠标, true);
  ui.set_ticked(选择框Z, false);
  settings.save_key_settings();
  EXPECT_EQ(file(), "[Tapvero]\r\nZ=z\r\n" + kZOn + "=" + kFalse + "\r\nX=c\r\n" + kXOn + "=" + kTrue + "\r\n" +
                        kMouse + "=" + kTrue + "\r\n");
  EXPECT_EQ(shared.z_key_code, 0x5A);
  EXPECT_EQ(shared.x_key_code, 0x43);
  EXPECT_EQ(ui.text(编辑框_Z), u"Z");  // the box keeps what was typed
}

TEST_F(SettingsTest, OnlyTheStoredNameIsLowerCased) {
  // "Break" is no key name; "break" is. Saved, it becomes one only on the
  // next load.
  given("Z=Break\r\n");
  load();
  EXPECT_EQ(shared.z_key_code, 0);
  settings.save_key_settings();
  EXPECT_EQ(shared.z_key_code, 0);
  load();
  EXPECT_EQ(ui.text(编辑框_Z), u"break");
  EXPECT_EQ(shared.z_key_code, 0x03);
}

TEST_F(SettingsTest, ASavedKeyReplacesItsLineInPlace) {
  given("Z=z\r\n" + kStage + "=20\r\n");
  load();
  ui.set_text(编辑框_Z, u"回");  // a name that is no key
  settings.save_key_settings();
  EXPECT_EQ(file(), "[Tapvero]\r\nZ=\xBB\xD8\r\n" + kStage + "=20\r\n" + kZOn + "=" + kTrue + "\r\nX=x\r\n" + kXOn +
                        "=" + kTrue + "\r\n" + kMouse + "=" + kFalse + "\r\n");
  EXPECT_EQ(shared.z_key_code, 0);
}

TEST_F(SettingsTest, TheStageSaveRefusesStagesBelowOne) {
  load();
  for (const std::u16string typed : {u"0", u"-3", u"", u"abc", u"-0"}) {
    SCOPED_TRACE(std::string(typed.begin(), typed.end()));
    ui.message_boxes.clear();
    ui.set_text(编辑框_阶段, typed);
    ui.focus(开始测试);
    settings.save_stage_setting();
    ASSERT_EQ(ui.message_boxes.size(), 1u);
    EXPECT_EQ(ui.message_boxes[0].text, u"连击阶段必须大于等于1");
    EXPECT_EQ(ui.message_boxes[0].title, u"非法");
    EXPECT_EQ(ui.message_boxes[0].icon, Icon::kError);
    EXPECT_EQ(ui.text(编辑框_阶段), u"20");
    EXPECT_TRUE(ui.at(编辑框_阶段).whole_text_selected);
    EXPECT_EQ(ui.focused(), 编辑框_阶段);
    EXPECT_TRUE(files.files.empty());
    EXPECT_EQ(shared.stage_size, 20);
  }
}

TEST_F(SettingsTest, TheBoxIsResetOnlyAfterTheMessageIsClosed) {
  load();
  ui.set_text(编辑框_阶段, u"0");
  std::u16string while_shown;
  ui.on_message_box = [&](const MemoryUi::MessageBox&) { while_shown = ui.text(编辑框_阶段); };
  settings.save_stage_setting();
  EXPECT_EQ(while_shown, u"0");
}

TEST_F(SettingsTest, AStageOfOneOrMoreIsWrittenAsTyped) {
  load();
  ui.set_text(编辑框_阶段, u"1");
  settings.save_stage_setting();
  EXPECT_EQ(file(), "[Tapvero]\r\n" + kStage + "=1\r\n");
  EXPECT_EQ(shared.stage_size, 1);
  ui.set_text(编辑框_阶段, u"0100");
  settings.save_stage_setting();
  EXPECT_EQ(file(), "[Tapvero]\r\n" + kStage + "=0100\r\n");
  EXPECT_EQ(shared.stage_size, 100);
  EXPECT_TRUE(ui.message_boxes.empty());
}

TEST_F(SettingsTest, AFailedWriteStillChangesTheSharedValues) {
  load();
  files.read_only = true;
  ui.set_text(编辑框_Z, u"c");
  ui.set_text(编辑框_阶段, u"5");
  settings.save_key_settings();
  settings.save_stage_setting();
  EXPECT_EQ(shared.z_key_code, 0x43);
  EXPECT_EQ(shared.stage_size, 5);
  EXPECT_TRUE(files.files.empty());
  EXPECT_TRUE(ui.message_boxes.empty());
}

TEST_F(SettingsTest, AFileThatCannotBeReadLoadsAsDefaultsAndIsNeverWritten) {
  const std::string mine = "; mine\r\n[Tapvero]\r\nZ=c\r\n" + kStage + "=5\r\n[Other]\r\na=1\r\n";
  files.files[kPath] = mine;
  files.unreadable.insert(kPath);
  load();
  EXPECT_EQ(ui.text(编辑框_Z), u"z");
  EXPECT_EQ(shared.z_key_code, 0x5A);
  EXPECT_EQ(shared.stage_size, 20);
  ui.set_text(编辑框_Z, u"x");
  ui.set_ticked(选择框_开启窗口化, true);
  settings.save_key_settings();
  settings.save_stage_setting();
  settings.write_windowed_mode_keys();
  EXPECT_EQ(file(), mine);
  EXPECT_EQ(files.writes, 0);
  EXPECT_EQ(shared.z_key_code, 0x58);  // the shared values change all the same
}

TEST_F(SettingsTest, WindowedModeWritesWidthAndHeightAsTyped) {
  given(kWidth + "=640\r\n");
  load();
  ui.set_ticked(选择框_开启窗口化, true);
  ui.set_text(编辑框_宽, u"８００");
  ui.set_text(编辑框_高, u"600px");
  settings.write_windowed_mode_keys();
  EXPECT_EQ(file(), "[Tapvero]\r\n" + kWidth + "=\xA3\xB8\xA3\xB0\xA3\xB0\r\n" + kWindowed + "=" + kTrue + "\r\n" +
                        kHeight + "=600px\r\n");
}

TEST_F(SettingsTest, FullScreenModeWritesOnlyTheFlag) {
  given(kWidth + "=640\r\n" + kHeight + "=480\r\n");
  load();
  ui.set_text(编辑框_宽, u"1");
  settings.write_windowed_mode_keys();
  EXPECT_EQ(file(), "[Tapvero]\r\n" + kWidth + "=640\r\n" + kHeight + "=480\r\n" + kWindowed + "=" + kFalse + "\r\n");
}

}  // namespace
}  // namespace tapvero::app
