#include "text/number_text.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string_view>

namespace tapvero::text {
namespace {

// 10^n for 0 <= n <= 22, exact in double precision.
double power_of_ten(int n) {
  double p = 1.0;
  for (int i = 0; i < n; ++i) p *= 10.0;
  return p;
}

std::string non_finite_text(double v) {
  if (std::isnan(v)) return "nan";
  return v < 0 ? "-inf" : "inf";
}

// Removes trailing zeros after a decimal point, and the point itself if
// nothing follows it ("%g" without the '#' flag).
void strip_trailing_zeros(std::string& s) {
  if (s.find('.') == std::string::npos) return;
  while (s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
}

}  // namespace

std::int32_t truncate_to_int(double x) {
  if (std::isnan(x) || std::isinf(x)) return 0;
  const double t = std::trunc(x);
  if (t >= 2147483647.0) return std::numeric_limits<std::int32_t>::max();
  if (t <= -2147483648.0) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(t);
}

double round_decimals(double x, int n) {
  if (x == 0.0 || std::isnan(x)) return x;
  const double scale = power_of_ten(n);
  const double y = std::fabs(x) * scale + 1e-12;
  double whole = 0.0;
  const double fraction = std::modf(y, &whole);
  if (fraction >= 0.5) whole += 1.0;
  const double r = whole / scale;
  return std::signbit(x) ? -r : r;
}

std::string int_text(std::int64_t v) {
  char buf[24];
  const auto res = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, res.ptr);
}

std::string single_text(float v) {
  if (!std::isfinite(v)) return non_finite_text(v);
  if (v == 0.0f) return "0";

  // The exact decimal expansion of the value: a float never needs more than
  // about 112 significant digits, so 160 leaves nothing to rounding here.
  char buf[200];
  const double magnitude = std::fabs(static_cast<double>(v));
  const auto res = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::scientific, 160);
  const std::string_view exact(buf, static_cast<std::size_t>(res.ptr - buf));
  const std::size_t e_pos = exact.find('e');
  int exponent = 0;
  std::from_chars(exact.data() + e_pos + 1 + (exact[e_pos + 1] == '+'), exact.data() + exact.size(), exponent);

  // Six significant digits, halves away from zero.
  std::string digits;
  digits += exact[0];
  digits.append(exact.substr(2, 5));
  if (exact[7] >= '5') {
    int i = 5;
    while (i >= 0 && digits[static_cast<std::size_t>(i)] == '9') digits[static_cast<std::size_t>(i--)] = '0';
    if (i < 0) {
      digits = "100000";
      ++exponent;
    } else {
      ++digits[static_cast<std::size_t>(i)];
    }
  }

  std::string out = std::signbit(v) ? "-" : "";
  if (exponent < -4 || exponent >= 6) {
    std::string mantissa = digits.substr(0, 1) + "." + digits.substr(1);
    strip_trailing_zeros(mantissa);
    out += mantissa;
    out += exponent < 0 ? "e-" : "e+";
    const int e = std::abs(exponent);
    if (e < 10) out += '0';
    out += int_text(e);
  } else if (exponent >= 0) {
    std::string fixed = digits.substr(0, static_cast<std::size_t>(exponent) + 1) + "." +
                        digits.substr(static_cast<std::size_t>(exponent) + 1);
    strip_trailing_zeros(fixed);
    out += fixed;
  } else {
    std::string fixed = "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
    strip_trailing_zeros(fixed);
    out += fixed;
  }
  return out;
}

std::string double_text(double v) {
  if (!std::isfinite(v)) return non_finite_text(v);
  if (v == 0.0) return "0";
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 13);
  return std::string(buf, res.ptr);
}

std::string fixed_text(double v, int d) {
  const double rounded = round_decimals(v, d);
  std::string s = double_text(rounded);
  if (!std::isfinite(rounded)) return s;
  const std::size_t point = s.find('.');
  if (point == std::string::npos) {
    s += '.';
    s.append(static_cast<std::size_t>(d), '0');
  } else {
    const std::size_t decimals = s.size() - point - 1;
    if (decimals < static_cast<std::size_t>(d)) s.append(static_cast<std::size_t>(d) - decimals, '0');
  }
  return s;
}

}  // namespace tapvero::text
