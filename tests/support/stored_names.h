// The settings file's Chinese key names and truth texts as GBK bytes,
// spelled out here independently of the program's own constants.
#pragma once

#include <initializer_list>
#include <string>
#include <utility>

namespace tapvero::test {

inline const std::string kZOn = "\xBF\xAA\xC6\xF4\x5A\xBC\xFC";   // 开启Z键
inline const std::string kXOn = "\xBF\xAA\xC6\xF4\x58\xBC\xFC";   // 开启X键
inline const std::string kMouse = "\xCA\xF3\xB1\xEA";             // 鼠标
inline const std::string kStage = "\xBD\xD7\xB6\xCE";             // 阶段
inline const std::string kWindowed = "\xB4\xB0\xBF\xDA\xBB\xAF";  // 窗口化
inline const std::string kWidth = "\xBF\xED";                     // 宽
inline const std::string kHeight = "\xB8\xDF";                    // 高
inline const std::string kTrue = "\xD5\xE6";                      // 真
inline const std::string kFalse = "\xBC\xD9";                     // 假

// A settings file as the program writes it: the section, then a key=value
// line for each key, in order.
inline std::string ini(std::initializer_list<std::pair<std::string, std::string>> keys) {
  std::string text = "[Tapvero]\r\n";
  for (const auto& [key, value] : keys) text += key + "=" + value + "\r\n";
  return text;
}

}  // namespace tapvero::test
