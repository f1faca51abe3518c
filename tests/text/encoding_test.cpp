#include "text/encoding.h"

#include <gtest/gtest.h>

namespace tapvero::text {
namespace {

TEST(Gbk, RoundTripsTheProgramsTexts) {
  // 开启Z键鼠标, as the settings file stores it.
  const std::string gbk = "\xBF\xAA\xC6\xF4\x5A\xBC\xFC\xCA\xF3\xB1\xEA";
  EXPECT_EQ(gbk_to_utf16(gbk), u"开启Z键鼠标");
  EXPECT_EQ(utf16_to_gbk(u"开启Z键鼠标"), gbk);
  EXPECT_EQ(utf16_to_gbk(u"８００　"), "\xA3\xB8\xA3\xB0\xA3\xB0\xA1\xA1");
  EXPECT_EQ(gbk_to_utf16(""), u"");
  EXPECT_EQ(utf16_to_gbk(u""), "");
}

TEST(Gbk, CharactersOutsideTheCodePageBecomeQuestionMarks) {
  EXPECT_EQ(utf16_to_gbk(u"a\u0E01b"), "a?b");  // a Thai letter
}

TEST(Utf8, RoundTripsAllPlanes) {
  const std::u16string s = u"z键\u00E9\U0001F600";
  EXPECT_EQ(utf16_to_utf8(s), "z\xE9\x94\xAE\xC3\xA9\xF0\x9F\x98\x80");
  EXPECT_EQ(utf8_to_utf16(utf16_to_utf8(s)), s);
}

TEST(Utf8, MalformedSequencesBecomeReplacementCharacters) {
  EXPECT_EQ(utf8_to_utf16("a\xFF"
                          "b"),
            u"a\uFFFDb");
  EXPECT_EQ(utf8_to_utf16("a\xE9\x94"), u"a\uFFFD");      // cut short at the end
  EXPECT_EQ(utf8_to_utf16("\xC0\xAF"), u"\uFFFD\uFFFD");  // overlong
  EXPECT_EQ(utf8_to_utf16("\xED\xA0\x80"), u"\uFFFD");    // a surrogate
  EXPECT_EQ(utf16_to_utf8(u"\xD800x"), "\xEF\xBF\xBDx");  // lone surrogate
}

}  // namespace
}  // namespace tapvero::text
