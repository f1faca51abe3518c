#include "input/key_names.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "text/encoding.h"

namespace tapvero::input {
namespace {

// A key box's text as the settings hand it over: UTF-8 here for reading,
// GBK for the lookup, with 键 appended.
std::int32_t code_of_box(std::u16string_view box) {
  return key_code_from_name(text::utf16_to_gbk(std::u16string(box) + u"键"));
}

struct Row {
  std::u16string name;
  std::int32_t code;
};

// Every row of the table, spelled independently of the table's own bytes.
std::vector<Row> expected_rows() {
  std::vector<Row> rows = {{u"win键", 0x5B}, {u"ctrl键", 0x11}, {u"shift键", 0x10}, {u"alt键", 0x12}};
  for (int d = 0; d < 10; ++d) rows.push_back({std::u16string(1, static_cast<char16_t>(u'0' + d)) + u"键", 0x30 + d});
  for (int l = 0; l < 26; ++l) rows.push_back({std::u16string(1, static_cast<char16_t>(u'A' + l)) + u"键", 0x41 + l});
  for (int f = 1; f <= 16; ++f) {
    std::u16string name = u"F";
    for (char c : std::to_string(f)) name += static_cast<char16_t>(c);
    rows.push_back({name + u"键", 0x6F + f});
  }
  const std::vector<Row> rest = {
      {u"break键", 0x03},      {u"回车键", 0x0D},     {u"pause键", 0x13},  {u"capsLock键", 0x14}, {u"numLock键", 0x90},
      {u"scrollLock键", 0x91}, {u"esc键", 0x1B},      {u"空格键", 0x20},   {u"pageup键", 0x21},   {u"pagedown键", 0x22},
      {u"home键", 0x24},       {u"end键", 0x23},      {u"左光标键", 0x25}, {u"上光标键", 0x26},   {u"右光标键", 0x27},
      {u"下光标键", 0x28},     {u"ins键", 0x2D},      {u"del键", 0x2E},    {u"分号键", 0xBA},     {u"等号键", 0xBB},
      {u"逗号键", 0xBC},       {u"减号键", 0xBD},     {u"圆点键", 0xBE},   {u"除号键", 0xBF},     {u"反撇号键", 0xC0},
      {u"左中括号键", 0xDB},   {u"右中括号键", 0xDD}, {u"斜杠键", 0xDC},   {u"单引号键", 0xDE},   {u"乘号键", 0x6A},
      {u"加号键", 0x6B},       {u"退格键", 0x08}};
  rows.insert(rows.end(), rest.begin(), rest.end());
  return rows;
}

TEST(KeyNameTable, HoldsEveryRowInOrderWithItsCode) {
  const auto table = key_name_table();
  const std::vector<Row> rows = expected_rows();
  ASSERT_EQ(table.size(), 88u);
  ASSERT_EQ(rows.size(), 88u);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(table[i].name, text::utf16_to_gbk(rows[i].name)) << "row " << i + 1;
    EXPECT_EQ(table[i].code, rows[i].code) << "row " << i + 1;
    EXPECT_EQ(key_code_from_name(table[i].name), rows[i].code) << "row " << i + 1;
  }
}

TEST(KeyNameTable, NamesAreDistinctEvenIgnoringCase) {
  std::set<std::string> seen;
  for (const KeyName& row : key_name_table()) {
    std::string folded;
    for (char c : row.name) folded += (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
    EXPECT_TRUE(seen.insert(folded).second) << row.name;
  }
}

TEST(KeyCodeFromName, LetterCaseIsIgnoredExceptForBreak) {
  EXPECT_EQ(code_of_box(u"win"), 0x5B);
  EXPECT_EQ(code_of_box(u"WIN"), 0x5B);
  EXPECT_EQ(code_of_box(u"Win"), 0x5B);
  EXPECT_EQ(code_of_box(u"f12"), 0x7B);
  EXPECT_EQ(code_of_box(u"F12"), 0x7B);
  EXPECT_EQ(code_of_box(u"PageUp"), 0x21);
  EXPECT_EQ(code_of_box(u"CapsLock"), 0x14);
  EXPECT_EQ(code_of_box(u"capslock"), 0x14);
  EXPECT_EQ(code_of_box(u"CAPSLOCK"), 0x14);
  EXPECT_EQ(code_of_box(u"break"), 0x03);
  EXPECT_EQ(code_of_box(u"Break"), 0);
  EXPECT_EQ(code_of_box(u"BREAK"), 0);
}

TEST(KeyCodeFromName, NothingIsTrimmedOrFolded) {
  EXPECT_EQ(code_of_box(u""), 0);     // 键 alone
  EXPECT_EQ(code_of_box(u"z键"), 0);  // z键键
  EXPECT_EQ(code_of_box(u" z"), 0);
  EXPECT_EQ(code_of_box(u"z "), 0);
  EXPECT_EQ(code_of_box(u"ｚ"), 0);  // full-width z
  EXPECT_EQ(code_of_box(u"F17"), 0);
  EXPECT_EQ(code_of_box(u"tab"), 0);
  EXPECT_EQ(key_code_from_name("z"), 0);  // the caller appends 键, not the lookup
  EXPECT_EQ(key_code_from_name(""), 0);
}

TEST(KeyCodeFromName, TrailBytesAreComparedUnchanged) {
  // 键 is BC FC. A text whose last character has a trail byte that is the
  // lower-case form of a row's byte must not match: B0 41 vs B0 61.
  EXPECT_EQ(key_code_from_name("\xB0\x41\xBC\xFC"), 0);
  // Changing the case of the ASCII letter before 键 still matches.
  EXPECT_EQ(key_code_from_name("q\xBC\xFC"), 0x51);
  // A lead byte swallows the following letter: "\x81" "a键" is not "a键".
  EXPECT_EQ(key_code_from_name("\x81"
                               "a\xBC\xFC"),
            0);
}

}  // namespace
}  // namespace tapvero::input
