// What raw input's mouse button flags say was released, named as the
// window's messages name the buttons.
#pragma once

#include <array>
#include <cstdint>

#include "input/press_stamps.h"

namespace tapvero::input {

// The button flags of raw mouse input for the physical left and right
// buttons' releases.
inline constexpr std::uint16_t kRawLeftButtonUp = 0x0002;
inline constexpr std::uint16_t kRawRightButtonUp = 0x0008;

// The releases that raw mouse input's button flags report, as the window's
// messages name them: raw input names the physical buttons, the messages
// the logical ones, and those are swapped for a left-handed mouse.
struct ButtonReleases {
  std::array<int, 2> codes{};
  int count = 0;
};
inline ButtonReleases button_releases(std::uint16_t raw_flags, bool swapped) {
  ButtonReleases r;
  if (raw_flags & kRawLeftButtonUp) r.codes[r.count++] = swapped ? kRightRelease : kLeftRelease;
  if (raw_flags & kRawRightButtonUp) r.codes[r.count++] = swapped ? kLeftRelease : kRightRelease;
  return r;
}

}  // namespace tapvero::input
