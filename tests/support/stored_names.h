// The settings file's Chinese key names and truth texts as GBK bytes, as
// the program's rows of settings give them.
#pragma once

#include <algorithm>
#include <initializer_list>
#include <string>
#include <utility>

#include "storage/settings.h"

namespace tapvero::test {

// The key of the setting kept in `field`.
inline std::string key_of(storage::SettingField field) {
  return std::string(std::ranges::find(storage::kSettings, field, &storage::Setting::field)->key);
}

inline const std::string kZOn = key_of(&storage::Settings::z_on);           // 开启Z键
inline const std::string kXOn = key_of(&storage::Settings::x_on);           // 开启X键
inline const std::string kMouse = key_of(&storage::Settings::mouse);        // 鼠标
inline const std::string kStage = key_of(&storage::Settings::stage);        // 阶段
inline const std::string kWindowed = key_of(&storage::Settings::windowed);  // 窗口化
inline const std::string kWidth = key_of(&storage::Settings::width);        // 宽
inline const std::string kHeight = key_of(&storage::Settings::height);      // 高
inline const std::string kHistory = key_of(&storage::Settings::history);    // 记录
inline const std::string kTrue(storage::kTrueText);                         // 真
inline const std::string kFalse(storage::kFalseText);                       // 假

// A settings file as the program writes it: the section, then a key=value
// line for each key, in order.
inline std::string ini(std::initializer_list<std::pair<std::string, std::string>> keys) {
  std::string text = "[Tapvero]\r\n";
  for (const auto& [key, value] : keys) text += key + "=" + value + "\r\n";
  return text;
}

}  // namespace tapvero::test
