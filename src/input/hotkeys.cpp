#include "input/hotkeys.h"

#include <algorithm>

#include "text/gbk.h"

namespace tapvero::input {
namespace {

// Hotkey ids run from 1 to the last id Windows leaves to programs.
constexpr std::size_t kMaxIdentifiers = 0xBFFF;

constexpr std::string_view kEmptyIdentifierTitle = "\xD3\xD1\xC7\xE9\xCC\xE1\xD0\xD1";  // 友情提醒
// 【窗口_热键注册】命令第5个参数【标识文本】不能为空文本
constexpr std::string_view kEmptyIdentifierText =
    "\xA1\xBE\xB4\xB0\xBF\xDA_\xC8\xC8\xBC\xFC\xD7\xA2\xB2\xE1\xA1\xBF\xC3\xFC\xC1\xEE\xB5\xDA"
    "5\xB8\xF6\xB2\xCE\xCA\xFD\xA1\xBE\xB1\xEA\xCA\xB6\xCE\xC4\xB1\xBE\xA1\xBF\xB2\xBB\xC4\xDC\xCE\xAA\xBF\xD5\xCE\xC4"
    "\xB1\xBE";

}  // namespace

std::optional<std::size_t> Hotkeys::find(std::string_view identifier) const {
  const auto it = index_.find(identifier);
  if (it == index_.end()) return std::nullopt;
  return it->second;
}

std::optional<std::size_t> Hotkeys::find_or_add(std::string_view identifier) {
  if (const auto known = find(identifier)) return known;
  if (identifiers_.size() >= kMaxIdentifiers) return std::nullopt;
  index_.emplace(std::string(identifier), identifiers_.size());
  identifiers_.push_back({std::string(identifier), {}});
  return identifiers_.size() - 1;
}

std::optional<int> Hotkeys::id_of(std::string_view identifier) {
  const auto place = find_or_add(identifier);
  if (!place) return std::nullopt;
  return id_at(*place);
}

bool Hotkeys::窗口_热键注册(std::optional<WindowHandle> window, std::uint32_t modifiers, std::int32_t key_code,
                            const Handler& handler, std::string_view 标识文本) {
  // Whatever is registered under the identifier goes first.
  const std::optional<std::size_t> known = find(标识文本);
  if (known) {
    for (std::size_t r : identifiers_[*known].records) system_.unregister_hotkey(records_[r].window, id_at(*known));
  }
  const WindowHandle target = window ? *window : system_.own_window();
  if (text::trim_blanks(标识文本).empty()) {
    system_.message_box(window ? system_.own_window() : target, kEmptyIdentifierText, kEmptyIdentifierTitle,
                        kInformationBoxStyle);
    return false;
  }
  const std::optional<std::size_t> place = known ? known : find_or_add(标识文本);
  if (!place || !system_.register_hotkey(target, id_at(*place), modifiers, key_code)) return false;

  // Look-ups only ever find an identifier's first record, and every
  // registration of an identifier passes the same handler: a second record
  // for the same identifier and window would never be found. Keeping one
  // per identifier and window keeps the table as small after a day of use
  // as after a minute, and each look-up as quick.
  std::vector<std::size_t>& records = identifiers_[*place].records;
  const bool recorded =
      std::any_of(records.begin(), records.end(), [&](std::size_t r) { return records_[r].window == target; });
  if (!recorded) {
    records.push_back(records_.size());
    records_.push_back({target, std::string(标识文本), handler});
  }
  return true;
}

void Hotkeys::unregister_hotkey(std::optional<WindowHandle> window, std::string_view identifier) {
  const WindowHandle target = window ? *window : system_.own_window();
  if (const auto place = find_or_add(identifier)) system_.unregister_hotkey(target, id_at(*place));
}

std::optional<std::intptr_t> Hotkeys::hotkey_window_procedure(WindowHandle window, std::uint32_t message,
                                                              std::uintptr_t wparam, std::intptr_t lparam) {
  if (message == kWmHotkey && wparam >= 1 && wparam <= identifiers_.size()) {
    const std::vector<std::size_t>& records = identifiers_[wparam - 1].records;
    if (!records.empty()) {
      const Handler& handler = records_[records.front()].handler;
      return handler ? handler(window, message, wparam, lparam) : 0;
    }
  }
  return std::nullopt;
}

}  // namespace tapvero::input
