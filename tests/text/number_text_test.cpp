#include "text/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace tapvero::text {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// A stage time as the speed test makes it: milliseconds to seconds, rounded
// to two decimals, kept in single precision.
float seconds_from_ms(double ms) { return static_cast<float>(round_decimals(ms / 1000.0, 2)); }

TEST(Truncate, DropsTheFractionTowardZero) {
  EXPECT_EQ(truncate_to_int(127.9), 127);
  EXPECT_EQ(truncate_to_int(-127.9), -127);
  EXPECT_EQ(truncate_to_int(0.999), 0);
  EXPECT_EQ(truncate_to_int(-0.5), 0);
  EXPECT_EQ(truncate_to_int(20.0 / 2.35f * 15.0), 127);
}

TEST(Truncate, NonFiniteGivesZeroAndHugeValuesSaturate) {
  EXPECT_EQ(truncate_to_int(kNaN), 0);
  EXPECT_EQ(truncate_to_int(kInf), 0);
  EXPECT_EQ(truncate_to_int(-kInf), 0);
  EXPECT_EQ(truncate_to_int(20.0 / 0.0f * 15.0), 0);  // a stage finished within the same 5 ms
  EXPECT_EQ(truncate_to_int(3e9), 2147483647);
  EXPECT_EQ(truncate_to_int(-3e9), -2147483647 - 1);
  EXPECT_EQ(truncate_to_int(2147483647.9), 2147483647);
}

TEST(Round, HalvesGoAwayFromZeroWithTheSmallAddend) {
  EXPECT_DOUBLE_EQ(round_decimals(2.345, 2), 2.35);
  EXPECT_DOUBLE_EQ(round_decimals(1.005, 2), 1.01);  // 1.00499999... without the addend
  EXPECT_DOUBLE_EQ(round_decimals(0.999, 2), 1.0);
  EXPECT_DOUBLE_EQ(round_decimals(-2.345, 2), -2.35);
  EXPECT_DOUBLE_EQ(round_decimals(0.125, 2), 0.13);
  EXPECT_DOUBLE_EQ(round_decimals(0.124, 2), 0.12);
  EXPECT_DOUBLE_EQ(round_decimals(12.345, 2), 12.35);
  EXPECT_DOUBLE_EQ(round_decimals(15.432, 2), 15.43);
  EXPECT_DOUBLE_EQ(round_decimals(2.5, 1), 2.5);
  EXPECT_DOUBLE_EQ(round_decimals(0.05, 1), 0.1);
}

TEST(Round, ZeroNaNAndInfinityComeBackUnchanged) {
  EXPECT_EQ(round_decimals(0.0, 2), 0.0);
  EXPECT_TRUE(std::isnan(round_decimals(kNaN, 2)));
  EXPECT_EQ(round_decimals(kInf, 2), kInf);
}

TEST(IntText, WritesPlainDecimal) {
  EXPECT_EQ(int_text(0), "0");
  EXPECT_EQ(int_text(127), "127");
  EXPECT_EQ(int_text(-5), "-5");
  EXPECT_EQ(int_text(-2147483647 - 1), "-2147483648");
  EXPECT_EQ(int_text(2147483647), "2147483647");
}

struct SecondsCase {
  double ms;
  const char* text;
};

class StageTimeText : public ::testing::TestWithParam<SecondsCase> {};

TEST_P(StageTimeText, MatchesTheReportFormat) {
  EXPECT_EQ(single_text(seconds_from_ms(GetParam().ms)), GetParam().text) << GetParam().ms << " ms";
}

INSTANTIATE_TEST_SUITE_P(Figures, StageTimeText,
                         ::testing::Values(SecondsCase{2345, "2.35"}, SecondsCase{999, "1"}, SecondsCase{1005, "1.01"},
                                           SecondsCase{2500, "2.5"}, SecondsCase{1000, "1"}, SecondsCase{0, "0"},
                                           SecondsCase{4, "0"}, SecondsCase{5, "0.01"}, SecondsCase{15432, "15.43"},
                                           SecondsCase{123456, "123.46"}, SecondsCase{999994, "999.99"},
                                           SecondsCase{999995, "1000"}, SecondsCase{9999990, "9999.99"},
                                           // From 10000 s on six significant digits leave one decimal.
                                           SecondsCase{10000000, "10000"}, SecondsCase{10000250, "10000.3"},
                                           SecondsCase{12345670, "12345.7"}, SecondsCase{99999950, "100000"},
                                           SecondsCase{123456780, "123457"}, SecondsCase{999999000, "999999"},
                                           SecondsCase{999999500, "1e+06"}, SecondsCase{2147483647, "2.14748e+06"},
                                           SecondsCase{-2345, "-2.35"}, SecondsCase{-4, "0"}));

TEST(SingleText, SixSignificantDigitsHalvesAwayFromZero) {
  EXPECT_EQ(single_text(1234565.0f), "1.23457e+06");  // an exact tie rounds up, where printf would round to even
  EXPECT_EQ(single_text(1234575.0f), "1.23458e+06");
  EXPECT_EQ(single_text(0.0001f), "0.0001");
  EXPECT_EQ(single_text(0.00001f), "1e-05");
  EXPECT_EQ(single_text(0.000012345f), "1.2345e-05");
  EXPECT_EQ(single_text(100000.0f), "100000");
  EXPECT_EQ(single_text(999999.5f), "1e+06");
  EXPECT_EQ(single_text(3.0e38f), "3e+38");
  EXPECT_EQ(single_text(0.1f), "0.1");
  EXPECT_EQ(single_text(1.0f / 3.0f), "0.333333");
  EXPECT_EQ(single_text(2.0f / 3.0f), "0.666667");
  EXPECT_EQ(single_text(-0.0f), "0");
}

TEST(SingleText, NonFiniteValues) {
  EXPECT_EQ(single_text(std::numeric_limits<float>::quiet_NaN()), "nan");
  EXPECT_EQ(single_text(std::numeric_limits<float>::infinity()), "inf");
  EXPECT_EQ(single_text(-std::numeric_limits<float>::infinity()), "-inf");
}

TEST(DoubleText, ThirteenSignificantDigits) {
  EXPECT_EQ(double_text(85.3), "85.3");
  EXPECT_EQ(double_text(100.0), "100");
  EXPECT_EQ(double_text(1.0 / 3.0), "0.3333333333333");
  EXPECT_EQ(double_text(1234567890123.0), "1234567890123");
  EXPECT_EQ(double_text(12345678901234.0), "1.234567890123e+13");
  EXPECT_EQ(double_text(0.0001), "0.0001");
  EXPECT_EQ(double_text(0.00001), "1e-05");
  EXPECT_EQ(double_text(-2.5), "-2.5");
}

struct FixedCase {
  double value;
  const char* text;
};

class FixedText : public ::testing::TestWithParam<FixedCase> {};

TEST_P(FixedText, TwoDecimals) { EXPECT_EQ(fixed_text(GetParam().value, 2), GetParam().text) << GetParam().value; }

INSTANTIATE_TEST_SUITE_P(Figures, FixedText,
                         ::testing::Values(FixedCase{85.3, "85.30"}, FixedCase{100.0, "100.00"}, FixedCase{0.0, "0.00"},
                                           FixedCase{70.0, "70.00"}, FixedCase{static_cast<double>(85.3f), "85.30"},
                                           FixedCase{static_cast<double>(99.99999f), "100.00"},
                                           FixedCase{12.345, "12.35"}, FixedCase{9.0, "9.00"},
                                           FixedCase{15.432, "15.43"}, FixedCase{0.005, "0.01"},
                                           FixedCase{0.004, "0.00"}, FixedCase{-3.456, "-3.46"},
                                           FixedCase{-0.001, "0.00"}, FixedCase{-1e-9, "0.00"},
                                           FixedCase{2147483.647, "2147483.65"}, FixedCase{1e12, "1000000000000.00"},
                                           FixedCase{33.333333, "33.33"}, FixedCase{66.666666, "66.67"}));

TEST(FixedText, OtherDecimalCounts) {
  EXPECT_EQ(fixed_text(1.5, 1), "1.5");
  EXPECT_EQ(fixed_text(2.0, 3), "2.000");
  EXPECT_EQ(fixed_text(1.0005, 3), "1.001");
  EXPECT_EQ(fixed_text(kNaN, 2), "nan");
}

}  // namespace
}  // namespace tapvero::text
