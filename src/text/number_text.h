// Number-to-text rules. Every figure the program shows is written by these,
// never by the C runtime's printf (whose output differs between runtimes),
// so the Windows build prints exactly what the native build prints.
#pragma once

#include <cstdint>
#include <string>

namespace tapvero::text {

// Drops the fraction (toward zero). NaN and infinities give 0; finite values
// beyond the 32-bit range saturate.
std::int32_t truncate_to_int(double x);

// Rounds to n >= 1 decimals, halves away from zero, after adding 1e-12 to the
// magnitude so that 1.005 gives 1.01. 0 and NaN come back unchanged.
double round_decimals(double x, int n);

// "%d".
std::string int_text(std::int64_t v);

// A single-precision figure: rounded to six significant digits, halves away
// from zero (on the value's exact binary expansion), then written as "%.6g".
std::string single_text(float v);

// A double written as "%.13g".
std::string double_text(double v);

// round_decimals(v, d) written as "%.13g", then padded with zeros to d
// decimals: 100 gives "100.00", 85.3 gives "85.30".
std::string fixed_text(double v, int d);

}  // namespace tapvero::text
