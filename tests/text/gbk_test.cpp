#include "text/gbk.h"

#include <gtest/gtest.h>

namespace tapvero::text {
namespace {

// GBK spellings used below.
constexpr const char* kKey = "\xBC\xFC";                      // 键
constexpr const char* kFullSpace = "\xA1\xA1";                // ideographic space
constexpr const char* kFull800 = "\xA3\xB8\xA3\xB0\xA3\xB0";  // ８００
constexpr const char* kFullMinus = "\xA3\xAD";                // －

TEST(AsciiCase, FoldsLettersButNeverEitherByteOfADoubleByteCharacter) {
  EXPECT_EQ(to_lower_ascii("ABC z F12"), "abc z f12");
  // B0 41 is a double-byte character whose trail byte has the value of 'A'.
  EXPECT_EQ(to_lower_ascii("\xB0\x41Q"), "\xB0\x41q");
  EXPECT_EQ(to_lower_ascii(std::string("Z") + kKey), std::string("z") + kKey);
  // A lone lead byte at the end, or before a byte that cannot follow it,
  // is a character of its own.
  EXPECT_EQ(to_lower_ascii("A\x81"), "a\x81");
  EXPECT_EQ(to_lower_ascii("\x81\x7F"
                           "A"),
            "\x81\x7F"
            "a");
}

TEST(AsciiCase, ComparisonIgnoresLetterCaseOnly) {
  EXPECT_TRUE(equal_ignoring_ascii_case("CapsLock", "capslock"));
  EXPECT_TRUE(equal_ignoring_ascii_case("", ""));
  EXPECT_FALSE(equal_ignoring_ascii_case("\xB0\x41", "\xB0\x61"));
  EXPECT_FALSE(equal_ignoring_ascii_case("a", "a "));
  EXPECT_FALSE(equal_ignoring_ascii_case("[", "{"));
  EXPECT_FALSE(equal_ignoring_ascii_case("@", "`"));
}

TEST(FullWidth, FoldsTheFullWidthAsciiFormsOnly) {
  EXPECT_EQ(fold_full_width(kFull800), "800");
  EXPECT_EQ(fold_full_width("\xA3\xC1\xA3\xFA\xA3\xA1\xA3\xFD"), "Az!}");
  EXPECT_EQ(fold_full_width("\xA1\xE7\xA1\xAB\xA1\xA1"), "$~ ");
  EXPECT_EQ(fold_full_width("\xA3\xA4\xA3\xFE"), "\xA3\xA4\xA3\xFE");  // full-width yen and macron stay
  EXPECT_EQ(fold_full_width(std::string("z") + kKey), std::string("z") + kKey);
}

struct IntCase {
  std::string text;
  std::int32_t value;
};

class TextToInt : public ::testing::TestWithParam<IntCase> {};

TEST_P(TextToInt, ReadsTheLeadingNumber) {
  EXPECT_EQ(text_to_int(GetParam().text), GetParam().value) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TextToInt,
    ::testing::Values(IntCase{"20", 20}, IntCase{"007", 7}, IntCase{"-5", -5}, IntCase{"+5", 5}, IntCase{"0", 0},
                      IntCase{"-0", 0}, IntCase{"", 0}, IntCase{"abc", 0}, IntCase{"800px", 800}, IntCase{"  42", 42},
                      IntCase{"\t\r\n 42", 42}, IntCase{"- 5", 0}, IntCase{"--5", 0}, IntCase{"1-2", 1},
                      IntCase{kFull800, 800}, IntCase{std::string(kFullMinus) + "\xA3\xB5", -5},
                      IntCase{std::string(kFullSpace) + "12", 12}, IntCase{"2147483647", 2147483647},
                      IntCase{"2147483648", 2147483647}, IntCase{"99999999999999999999", 2147483647},
                      IntCase{"-2147483648", -2147483647 - 1}, IntCase{"-99999999999999", -2147483647 - 1},
                      IntCase{"\xB0\xA1"
                              "5",
                              0}));

}  // namespace
}  // namespace tapvero::text
