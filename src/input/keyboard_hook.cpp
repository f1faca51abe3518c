#include "input/keyboard_hook.h"

#include <array>
#include <cstring>
#include <utility>

namespace tapvero::input {
namespace {

// Presses with any mix of the extended and injected bits, and with Alt held;
// not with Alt held and injected, and never a release (0x80).
constexpr std::uint32_t kFirstUnreportedFlags = 0x23;

std::uint32_t field_at(const std::array<unsigned char, kKeyEventRecordSize>& record, std::size_t offset) {
  std::uint32_t value = 0;
  std::memcpy(&value, record.data() + offset, sizeof value);
  return value;
}

}  // namespace

void KeyboardHook::install_keyboard_hook(Callback callback) {
  if (handle_ != 0) return;
  callback_ = std::move(callback);
  handle_ = system_.set_keyboard_hook(*this);
}

void KeyboardHook::remove_keyboard_hook() {
  system_.unhook(handle_);
  handle_ = 0;
}

std::intptr_t KeyboardHook::hook_procedure(int code, std::uintptr_t wparam, std::intptr_t lparam) {
  if (code == kHookAction) {
    // Our own copy: Windows' record is read once, whatever the callback does.
    std::array<unsigned char, kKeyEventRecordSize> record{};
    std::memcpy(record.data(), reinterpret_cast<const void*>(lparam), record.size());
    if (field_at(record, kKeyEventRecordFlags) < kFirstUnreportedFlags && callback_) {
      callback_(static_cast<std::int32_t>(field_at(record, kKeyEventRecordKeyCode)));
    }
  }
  // The callback may have removed the hook: the handle is then 0.
  return system_.call_next_hook(handle_, code, wparam, lparam);
}

}  // namespace tapvero::input
