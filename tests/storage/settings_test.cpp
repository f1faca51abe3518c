#include "storage/settings.h"

#include <gtest/gtest.h>

#include "support/memory_file_store.h"
#include "support/stored_names.h"

namespace tapvero::storage {
namespace {

using namespace tapvero::test;

const std::u16string kPath = u"C:\\Tapvero\\Config.ini";

class SettingsTest : public ::testing::Test {
 protected:
  void given(const std::string& text) { files.files[kPath] = text; }
  std::string file() { return files.files[kPath]; }

  MemoryFileStore files;
  int path_requests = 0;
  SettingsFile settings{files, [this] {
                          ++path_requests;
                          return kPath;
                        }};
};

TEST_F(SettingsTest, WithoutAFileEverySettingIsItsDefault) {
  const Settings s = settings.load();
  EXPECT_EQ(s.z_key, "z");
  EXPECT_EQ(s.x_key, "x");
  EXPECT_TRUE(s.z_on);
  EXPECT_TRUE(s.x_on);
  EXPECT_FALSE(s.mouse);
  EXPECT_EQ(s.stage, "20");
  EXPECT_FALSE(s.windowed);
  EXPECT_EQ(s.width, "800");
  EXPECT_EQ(s.height, "600");
  EXPECT_TRUE(s.history);
  EXPECT_EQ(s.z_key_code, 0x5A);
  EXPECT_EQ(s.x_key_code, 0x58);
  EXPECT_EQ(s.stage_size(), 20);
  EXPECT_TRUE(files.files.empty());  // loading never creates the file
  EXPECT_EQ(path_requests, 1);       // one reading of the file for every key
}

TEST_F(SettingsTest, StoredKeysLoadAsTheyAreAndUnknownNamesGiveNoKey) {
  given(ini({{"Z", "f1"}, {"X", "\xBB\xD8\xB3\xB5"}}));  // X=回车
  Settings s = settings.load();
  EXPECT_EQ(s.z_key, "f1");
  EXPECT_EQ(s.z_key_code, 0x70);
  EXPECT_EQ(s.x_key_code, 0x0D);
  given(ini({{"Z", "F17"}, {"X", ""}}));
  s = settings.load();
  EXPECT_EQ(s.z_key, "F17");
  EXPECT_EQ(s.x_key, "");
  EXPECT_EQ(s.z_key_code, 0);
  EXPECT_EQ(s.x_key_code, 0);
}

struct StageCase {
  std::string stored;
  std::string loaded;
  std::int32_t stage;
};

class StageLoad : public SettingsTest, public ::testing::WithParamInterface<StageCase> {};

TEST_P(StageLoad, BelowOneLoadsAsTwenty) {
  given(ini({{kStage, GetParam().stored}}));
  const Settings s = settings.load();
  EXPECT_EQ(s.stage, GetParam().loaded);
  EXPECT_EQ(s.stage_size(), GetParam().stage);
}

INSTANTIATE_TEST_SUITE_P(Stored, StageLoad,
                         ::testing::Values(StageCase{"0", "20", 20}, StageCase{"abc", "20", 20},
                                           StageCase{"", "20", 20}, StageCase{"007", "007", 7}, StageCase{"1", "1", 1},
                                           StageCase{"-5", "20", 20}, StageCase{"12abc", "12abc", 12},
                                           StageCase{"\xA3\xB0\xA3\xB0\xA3\xB7", "\xA3\xB0\xA3\xB0\xA3\xB7", 7}));

// 开启Z键, 开启X键 and 窗口化: only 真 is on. 鼠标: everything but 假 is on.
TEST_F(SettingsTest, TheTruthKeysAreReadDifferently) {
  struct Case {
    std::string key;
    std::string stored;
    bool on;
  };
  for (const Case& c :
       {Case{kZOn, "1", false}, Case{kZOn, kFalse, false}, Case{kXOn, kTrue, true}, Case{kXOn, "", false},
        Case{kMouse, "1", true}, Case{kMouse, kFalse, false}, Case{kWindowed, "1", false}, Case{kWindowed, kTrue, true},
        Case{kHistory, "1", false}, Case{kHistory, kTrue, true}}) {
    given(ini({{c.key, c.stored}}));
    const Settings s = settings.load();
    const bool on = c.key == kZOn       ? s.z_on
                    : c.key == kXOn     ? s.x_on
                    : c.key == kMouse   ? s.mouse
                    : c.key == kHistory ? s.history
                                        : s.windowed;
    EXPECT_EQ(on, c.on) << c.key.size() << " " << c.stored;
  }
}

TEST_F(SettingsTest, WidthAndHeightFallBackOnlyWhenZero) {
  given(ini({{kWidth, "-100"}, {kHeight, "abc"}}));
  Settings s = settings.load();
  EXPECT_EQ(s.width, "-100");
  EXPECT_EQ(s.height, "600");
  given(ini({{kWidth, "\xA3\xB8\xA3\xB0\xA3\xB0"}, {kHeight, "800px"}}));
  s = settings.load();
  EXPECT_EQ(s.width, "\xA3\xB8\xA3\xB0\xA3\xB0");
  EXPECT_EQ(s.height, "800px");
}

// The key settings are one save: five keys in order, the names lower-cased,
// a key already there replaced in its line, and one version of the file.
TEST_F(SettingsTest, TheKeySettingsAreOneSaveOfFiveKeysInOrder) {
  Settings s;
  EXPECT_TRUE(settings.save(s, SaveGroup::kKeySettings));
  EXPECT_EQ(file(), ini({{"Z", "z"}, {kZOn, kTrue}, {"X", "x"}, {kXOn, kTrue}, {kMouse, kFalse}}));

  given(ini({{"Z", "z"}, {kStage, "20"}}));
  files.updates = files.writes = 0;
  s.z_key = "\xBB\xD8";  // 回, a name that is no key
  s.x_key = "C";
  s.z_on = false;
  s.mouse = true;
  EXPECT_TRUE(settings.save(s, SaveGroup::kKeySettings));
  EXPECT_EQ(file(),
            ini({{"Z", "\xBB\xD8"}, {kStage, "20"}, {kZOn, kFalse}, {"X", "c"}, {kXOn, kTrue}, {kMouse, kTrue}}));
  EXPECT_EQ(files.updates, 1);
  EXPECT_EQ(files.writes, 1);  // a reader sees the file before or after, never between
}

TEST_F(SettingsTest, OnlyTheStoredNameIsLowerCased) {
  // "Break" is no key name; "break" is. Saved, it becomes one on the next load.
  given(ini({{"Z", "Break"}}));
  Settings s = settings.load();
  EXPECT_EQ(s.z_key_code, 0);
  settings.save(s, SaveGroup::kKeySettings);
  s = settings.load();
  EXPECT_EQ(s.z_key, "break");
  EXPECT_EQ(s.z_key_code, 0x03);
}

TEST_F(SettingsTest, TheStageAndTheWindowedModeAreWrittenAsTyped) {
  given(ini({{kWidth, "640"}, {kHeight, "480"}}));
  Settings s;
  s.stage = "0100";
  s.width = "1";  // full-screen runs write only the flag
  EXPECT_TRUE(settings.save(s, SaveGroup::kStageSetting));
  EXPECT_TRUE(settings.save(s, SaveGroup::kWindowedMode));
  EXPECT_EQ(file(), ini({{kWidth, "640"}, {kHeight, "480"}, {kStage, "0100"}, {kWindowed, kFalse}}));
  s.windowed = true;
  s.width = "\xA3\xB8\xA3\xB0\xA3\xB0";
  s.height = "600px";
  EXPECT_TRUE(settings.save(s, SaveGroup::kWindowedMode));
  EXPECT_EQ(file(),
            ini({{kWidth, "\xA3\xB8\xA3\xB0\xA3\xB0"}, {kHeight, "600px"}, {kStage, "0100"}, {kWindowed, kTrue}}));
  // The history switch: its one key, the file otherwise as it was.
  s.history = false;
  EXPECT_TRUE(settings.save(s, SaveGroup::kHistory));
  EXPECT_EQ(file(), ini({{kWidth, "\xA3\xB8\xA3\xB0\xA3\xB0"},
                         {kHeight, "600px"},
                         {kStage, "0100"},
                         {kWindowed, kTrue},
                         {"\xBC\xC7\xC2\xBC", kFalse}}));  // 记录
  EXPECT_EQ(files.updates, 4);
}

// A file that cannot be read loads as defaults and is never written; a
// folder that refuses the file, or a file that cannot be replaced, fail
// the save. Each failed save leaves the file as it was and says so.
TEST_F(SettingsTest, ASaveThatCannotBeStoredFailsAndLeavesTheFile) {
  const std::string mine = "; mine\r\n" + ini({{"Z", "c"}, {kStage, "5"}}) + "[Other]\r\na=1\r\n";
  given(mine);
  files.unreadable.insert(kPath);
  Settings s = settings.load();
  EXPECT_EQ(s.z_key, "z");
  EXPECT_EQ(s.stage_size(), 20);
  s.windowed = true;
  EXPECT_FALSE(settings.save(s, SaveGroup::kKeySettings));
  EXPECT_FALSE(settings.save(s, SaveGroup::kStageSetting));
  EXPECT_FALSE(settings.save(s, SaveGroup::kWindowedMode));
  files.unreadable.clear();
  files.read_only = true;
  EXPECT_FALSE(settings.save(s, SaveGroup::kKeySettings));
  files.read_only = false;
  files.replace_refused = true;
  EXPECT_FALSE(settings.save(s, SaveGroup::kKeySettings));
  EXPECT_EQ(file(), mine);
  EXPECT_EQ(files.writes, 0);
  EXPECT_EQ(files.updates, 2);  // a held file is only read: waited for once per save
}

}  // namespace
}  // namespace tapvero::storage
