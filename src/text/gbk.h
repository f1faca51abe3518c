// Byte texts in code page 936 (GBK).
//
// The settings file, the key names and every text comparison of the program
// work on these bytes, whatever code page Windows runs with. A byte of 0x81
// or more starts a double-byte character when a valid trail byte follows it;
// the trail byte may have the value of an ASCII letter or bracket, so every
// scan here walks whole characters.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tapvero::text {

// A text held as GBK bytes. An absent text is the empty text.
using Gbk = std::string;

constexpr bool is_lead_byte(unsigned char b) { return b >= 0x81 && b <= 0xFE; }
constexpr bool is_trail_byte(unsigned char b) { return b >= 0x40 && b <= 0xFE && b != 0x7F; }

// Length in bytes (1 or 2) of the character starting at s[i].
constexpr std::size_t char_length(std::string_view s, std::size_t i) {
  return (i + 1 < s.size() && is_lead_byte(static_cast<unsigned char>(s[i])) &&
          is_trail_byte(static_cast<unsigned char>(s[i + 1])))
             ? 2
             : 1;
}

// ASCII letters only; both bytes of a double-byte character stay as they are.
Gbk to_lower_ascii(std::string_view s);
bool equal_ignoring_ascii_case(std::string_view a, std::string_view b);

// Replaces every double-byte character that has a single-byte form by that
// form: the full-width ASCII forms (！ to ～) and the ideographic space.
Gbk fold_full_width(std::string_view s);

// The program's text-to-integer conversion: full-width forms folded first,
// then leading white space skipped, an optional sign and the leading decimal
// digits read; no digits gives 0. Values beyond 32 bits saturate.
std::int32_t text_to_int(std::string_view s);

}  // namespace tapvero::text
