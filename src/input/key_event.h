// One key going down or up, as a reader of the keyboard is told of it, and
// the one name the alternation lock gives each physical key whichever
// reader it came from.
#pragma once

#include <cstdint>

namespace tapvero::input {

// The flag bits of a key event, as the low-level keyboard hook reports them.
// Window messages and raw input say as much of the extended bit and the
// release; the Windows side puts those here.
inline constexpr std::uint32_t kKeyExtended = 0x01;
inline constexpr std::uint32_t kKeyLowerIntegrityInjected = 0x02;
inline constexpr std::uint32_t kKeyInjected = 0x10;
inline constexpr std::uint32_t kKeyAltDown = 0x20;
inline constexpr std::uint32_t kKeyUp = 0x80;

struct KeyEvent {
  std::int32_t key_code = 0;  // virtual-key code, as the reader names it
  std::uint32_t flags = 0;    // the bits above
  std::uint32_t time = 0;     // the event's message time, in milliseconds
  std::uint32_t scan_code = 0;

  bool released() const { return (flags & kKeyUp) != 0; }
};

// Shift, Ctrl and Alt are two keys each. The low-level hook names each by
// its own code (left Shift 0xA0, right 0xA1; Ctrl 0xA2, 0xA3; Alt 0xA4,
// 0xA5); window messages and raw input name both by one (0x10, 0x11, 0x12)
// and tell them apart by the scan code (right Shift's is 0x36) and the
// extended bit (right Ctrl and Alt). Every other key has one name for all.
inline constexpr std::int32_t kShiftKey = 0x10;      // Ctrl and Alt next
inline constexpr std::int32_t kLeftShiftKey = 0xA0;  // right Shift, left and right Ctrl and Alt next
inline constexpr std::uint32_t kRightShiftScanCode = 0x36;

// The event named as the hook names it.
inline KeyEvent as_the_hook_names_it(KeyEvent event) {
  const std::int32_t modifier = event.key_code - kShiftKey;  // Shift 0, Ctrl 1, Alt 2
  if (modifier < 0 || modifier > 2) return event;
  const bool right = modifier == 0 ? event.scan_code == kRightShiftScanCode : (event.flags & kKeyExtended) != 0;
  event.key_code = kLeftShiftKey + 2 * modifier + (right ? 1 : 0);
  return event;
}

}  // namespace tapvero::input
