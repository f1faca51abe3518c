// The program's settings as one value: what Config.ini holds, and the codes
// of the two trigger keys those names give. A row per setting (kSettings)
// says where the value keeps it, its key and default in the file, how a
// stored text is taken and which save writes it; SettingsFile loads and
// saves by the rows, and the program binds a control to each row
// (form/main_form.h).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <variant>

#include "storage/file_store.h"

namespace tapvero::storage {

// The defaults that are texts. ASCII: the same bytes in every code page,
// and the texts the window starts with.
inline constexpr char kDefaultZKey[] = "z";
inline constexpr char kDefaultXKey[] = "x";
inline constexpr char kDefaultStage[] = "20";
inline constexpr char kDefaultWidth[] = "800";
inline constexpr char kDefaultHeight[] = "600";
// How a truth is stored: 真 and 假 in GBK.
inline constexpr std::string_view kTrueText = "\xD5\xE6";
inline constexpr std::string_view kFalseText = "\xBC\xD9";

// The virtual-key code of a trigger key's name (the name followed by 键 in
// the key-name table), 0 for no key.
std::int32_t key_code_of(std::string_view name);

struct Settings {
  // Every setting at its default, as a missing file loads.
  Settings();

  // Texts in GBK, as stored or as typed.
  std::string z_key;
  bool z_on;
  std::string x_key;
  bool x_on;
  bool mouse;
  std::string stage;
  bool windowed;
  std::string width;
  std::string height;
  bool history;  // runs are added to the history file
  // The trigger keys' codes: of the names as loaded, or as typed when they
  // were saved (the file keeps them lower-cased).
  std::int32_t z_key_code;
  std::int32_t x_key_code;

  // Hits per stage of the speed test.
  std::int32_t stage_size() const;
  // Sets the codes from the names as they are now.
  void update_key_codes();
};

// The saves, each one version of the file: the key settings (按钮1), the
// stage setting (按钮2), the windowed mode (the start of a positioning run),
// the history switch (the system menu's item, which has no control).
enum class SaveGroup { kKeySettings, kStageSetting, kWindowedMode, kHistory };

// How a stored text becomes the setting.
enum class Take {
  kKeyName,      // as it is; stored lower-cased
  kAtLeastOne,   // as it is, unless its integer is below 1: then the default
  kNotZero,      // as it is, unless its integer is 0: then the default
  kOnlyTrue,     // on for 真 only
  kAllButFalse,  // on for anything but 假
};

using SettingField = std::variant<std::string Settings::*, bool Settings::*>;

struct Setting {
  SettingField field;
  std::string_view key;       // in GBK, as the file stores it
  std::string_view fallback;  // the default, as stored
  Take take;
  SaveGroup group;
  bool Settings::*only_if = nullptr;  // written only while this is on

  // Whether `group`'s save of `s` writes this setting.
  bool written_by(SaveGroup g, const Settings& s) const { return group == g && (!only_if || s.*only_if); }
};

// Every setting, in the order the load reads them and each save writes its own.
// clang-format off
inline constexpr Setting kSettings[] = {
    {&Settings::z_key,    "Z",                        kDefaultZKey,   Take::kKeyName,     SaveGroup::kKeySettings},
    {&Settings::z_on,     "\xBF\xAA\xC6\xF4Z\xBC\xFC", kTrueText,      Take::kOnlyTrue,    SaveGroup::kKeySettings},   // 开启Z键
    {&Settings::x_key,    "X",                        kDefaultXKey,   Take::kKeyName,     SaveGroup::kKeySettings},
    {&Settings::x_on,     "\xBF\xAA\xC6\xF4X\xBC\xFC", kTrueText,      Take::kOnlyTrue,    SaveGroup::kKeySettings},   // 开启X键
    {&Settings::mouse,    "\xCA\xF3\xB1\xEA",         kFalseText,     Take::kAllButFalse, SaveGroup::kKeySettings},   // 鼠标
    {&Settings::stage,    "\xBD\xD7\xB6\xCE",         kDefaultStage,  Take::kAtLeastOne,  SaveGroup::kStageSetting},  // 阶段
    {&Settings::windowed, "\xB4\xB0\xBF\xDA\xBB\xAF", kFalseText,     Take::kOnlyTrue,    SaveGroup::kWindowedMode},  // 窗口化
    {&Settings::width,    "\xBF\xED",                 kDefaultWidth,  Take::kNotZero,     SaveGroup::kWindowedMode, &Settings::windowed},  // 宽
    {&Settings::height,   "\xB8\xDF",                 kDefaultHeight, Take::kNotZero,     SaveGroup::kWindowedMode, &Settings::windowed},  // 高
    {&Settings::history,  "\xBC\xC7\xC2\xBC",         kTrueText,      Take::kOnlyTrue,    SaveGroup::kHistory},       // 记录
};
// clang-format on

class SettingsFile {
 public:
  // `path` gives the file's path; it is asked afresh for every load and
  // every save.
  SettingsFile(FileStore& files, std::function<std::u16string()> path);

  // What the file holds, each key missing from it (or the whole of a file
  // that cannot be read) as its default; the file is read once. Never
  // creates the file.
  Settings load() const;

  // Writes the settings `group` saves, in the rows' order, as one version
  // of the file: a reader sees it before or after, never in between, and a
  // save that fails leaves it as it was (false).
  bool save(const Settings& settings, SaveGroup group) const;

 private:
  FileStore& files_;
  std::function<std::u16string()> path_;
};

}  // namespace tapvero::storage
