#include "text/gbk.h"

#include <limits>

namespace tapvero::text {
namespace {

constexpr char ascii_lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// The single-byte form of the double-byte character (lead, trail), or 0.
char half_width_form(unsigned char lead, unsigned char trail) {
  if (lead == 0xA3) {
    // A3 A1 .. A3 FE are the full-width forms of 21 .. 7E, except A3 A4
    // (full-width yen) and A3 FE (full-width macron).
    if (trail >= 0xA1 && trail <= 0xFD && trail != 0xA4) return static_cast<char>(trail - 0x80);
    return 0;
  }
  if (lead == 0xA1) {
    switch (trail) {
      case 0xA1:
        return ' ';  // ideographic space
      case 0xE7:
        return '$';  // full-width dollar sign
      case 0xAB:
        return '~';  // full-width tilde
      default:
        return 0;
    }
  }
  return 0;
}

bool is_c_space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

}  // namespace

Gbk to_lower_ascii(std::string_view s) {
  Gbk out(s);
  for (std::size_t i = 0; i < out.size();) {
    const std::size_t n = char_length(out, i);
    if (n == 1) out[i] = ascii_lower(out[i]);
    i += n;
  }
  return out;
}

bool equal_ignoring_ascii_case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size();) {
    const std::size_t n = char_length(a, i);
    if (n != char_length(b, i)) return false;
    if (n == 1) {
      if (ascii_lower(a[i]) != ascii_lower(b[i])) return false;
    } else if (a[i] != b[i] || a[i + 1] != b[i + 1]) {
      return false;
    }
    i += n;
  }
  return true;
}

Gbk fold_full_width(std::string_view s) {
  Gbk out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    const std::size_t n = char_length(s, i);
    if (n == 2) {
      if (const char half = half_width_form(static_cast<unsigned char>(s[i]), static_cast<unsigned char>(s[i + 1]))) {
        out += half;
        i += 2;
        continue;
      }
    }
    out.append(s.substr(i, n));
    i += n;
  }
  return out;
}

std::int32_t text_to_int(std::string_view s) {
  const Gbk folded = fold_full_width(s);
  std::size_t i = 0;
  while (i < folded.size() && is_c_space(folded[i])) ++i;
  bool negative = false;
  if (i < folded.size() && (folded[i] == '+' || folded[i] == '-')) {
    negative = folded[i] == '-';
    ++i;
  }
  // Accumulate as a negative number so that the most negative value fits.
  constexpr std::int64_t lowest = std::numeric_limits<std::int32_t>::min();
  std::int64_t value = 0;
  for (; i < folded.size() && folded[i] >= '0' && folded[i] <= '9'; ++i) {
    value = value * 10 - (folded[i] - '0');
    if (value < lowest) {
      value = lowest;
    }
  }
  if (!negative) {
    value = -value;
    if (value > std::numeric_limits<std::int32_t>::max()) value = std::numeric_limits<std::int32_t>::max();
  }
  return static_cast<std::int32_t>(value);
}

}  // namespace tapvero::text
