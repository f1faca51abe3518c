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
  std::int32_t key_code = 0;   // virtual-key code, as the reader names it
  std::uint32_t flags = 0;     // the bits above
  std::uint32_t time = 0;      // the event's message time, in milliseconds
  std::uint32_t scan_code = 0;

  bool released() const { return (flags & kKeyUp) != 0; }
};

// Shift, Ctrl and Alt are two keys each. The low-level hook names each by
// its own code (left Shift 0xA0, right 0xA1; Ctrl 0xA2, 0xA3; Alt 0xA4,
// 0xA5); window messages and raw input name both by one (0x10, 0x11, 0x12)
// and tell them apart by the scan code (right Shift's is 0x36) and the
// extended bit (right Ctrl and Alt). Every other key has one name for all.
// The event named as the hook names it.
inline KeyEvent as_the_hook_names_it(KeyEvent event) {
  const bool right = event.key_code == 0x10 ? event.scan_code == 0x36 : (event.flags & kKeyExtended) != 0;
  if (event.key_code >= 0x10 && event.key_code <= 0x12) event.key_code = 0xA0 + 2 * (event.key_code - 0x10) + right;
  return event;
}

}  // namespace tapvero::input
