#include "text/gbk.h"

#include <limits>

namespace tapvero::text {
namespace {

constexpr char ascii_lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
constexpr char ascii_upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

template <char (*Fold)(char)>
Gbk fold_ascii(std::string_view s) {
  Gbk out(s);
  for (std::size_t i = 0; i < out.size();) {
    const std::size_t n = char_length(out, i);
    if (n == 1) out[i] = Fold(out[i]);
    i += n;
  }
  return out;
}

bool is_full_width_space(std::string_view s, std::size_t i) {
  return char_length(s, i) == 2 && static_cast<unsigned char>(s[i]) == 0xA1 &&
         static_cast<unsigned char>(s[i + 1]) == 0xA1;
}

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

Gbk to_lower_ascii(std::string_view s) { return fold_ascii<ascii_lower>(s); }
Gbk to_upper_ascii(std::string_view s) { return fold_ascii<ascii_upper>(s); }

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

std::string_view trim_blanks(std::string_view s) {
  // Leading blanks.
  std::size_t begin = 0;
  while (begin < s.size()) {
    if (s[begin] == ' ') {
      ++begin;
    } else if (is_full_width_space(s, begin)) {
      begin += 2;
    } else {
      break;
    }
  }
  // Trailing blanks: walk forward so that a trail byte of A1 is never taken
  // for the start of a full-width space.
  std::size_t end = begin;
  for (std::size_t i = begin; i < s.size();) {
    const std::size_t n = char_length(s, i);
    const bool blank = (n == 1 && s[i] == ' ') || is_full_width_space(s, i);
    i += n;
    if (!blank) end = i;
  }
  return s.substr(begin, end - begin);
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
