#include "input/key_names.h"

#include <array>

#include "text/gbk.h"

namespace tapvero::input {
namespace {

// Names in GBK; each row's UTF-8 spelling is in its comment.
constexpr std::array<KeyName, 88> kTable{{
    {"win\xBC\xFC", 0x5B},                               // win键
    {"ctrl\xBC\xFC", 0x11},                              // ctrl键
    {"shift\xBC\xFC", 0x10},                             // shift键
    {"alt\xBC\xFC", 0x12},                               // alt键
    {"0\xBC\xFC", 0x30},                                 // 0键
    {"1\xBC\xFC", 0x31},                                 // 1键
    {"2\xBC\xFC", 0x32},                                 // 2键
    {"3\xBC\xFC", 0x33},                                 // 3键
    {"4\xBC\xFC", 0x34},                                 // 4键
    {"5\xBC\xFC", 0x35},                                 // 5键
    {"6\xBC\xFC", 0x36},                                 // 6键
    {"7\xBC\xFC", 0x37},                                 // 7键
    {"8\xBC\xFC", 0x38},                                 // 8键
    {"9\xBC\xFC", 0x39},                                 // 9键
    {"A\xBC\xFC", 0x41},                                 // A键
    {"B\xBC\xFC", 0x42},                                 // B键
    {"C\xBC\xFC", 0x43},                                 // C键
    {"D\xBC\xFC", 0x44},                                 // D键
    {"E\xBC\xFC", 0x45},                                 // E键
    {"F\xBC\xFC", 0x46},                                 // F键
    {"G\xBC\xFC", 0x47},                                 // G键
    {"H\xBC\xFC", 0x48},                                 // H键
    {"I\xBC\xFC", 0x49},                                 // I键
    {"J\xBC\xFC", 0x4A},                                 // J键
    {"K\xBC\xFC", 0x4B},                                 // K键
    {"L\xBC\xFC", 0x4C},                                 // L键
    {"M\xBC\xFC", 0x4D},                                 // M键
    {"N\xBC\xFC", 0x4E},                                 // N键
    {"O\xBC\xFC", 0x4F},                                 // O键
    {"P\xBC\xFC", 0x50},                                 // P键
    {"Q\xBC\xFC", 0x51},                                 // Q键
    {"R\xBC\xFC", 0x52},                                 // R键
    {"S\xBC\xFC", 0x53},                                 // S键
    {"T\xBC\xFC", 0x54},                                 // T键
    {"U\xBC\xFC", 0x55},                                 // U键
    {"V\xBC\xFC", 0x56},                                 // V键
    {"W\xBC\xFC", 0x57},                                 // W键
    {"X\xBC\xFC", 0x58},                                 // X键
    {"Y\xBC\xFC", 0x59},                                 // Y键
    {"Z\xBC\xFC", 0x5A},                                 // Z键
    {"F1\xBC\xFC", 0x70},                                // F1键
    {"F2\xBC\xFC", 0x71},                                // F2键
    {"F3\xBC\xFC", 0x72},                                // F3键
    {"F4\xBC\xFC", 0x73},                                // F4键
    {"F5\xBC\xFC", 0x74},                                // F5键
    {"F6\xBC\xFC", 0x75},                                // F6键
    {"F7\xBC\xFC", 0x76},                                // F7键
    {"F8\xBC\xFC", 0x77},                                // F8键
    {"F9\xBC\xFC", 0x78},                                // F9键
    {"F10\xBC\xFC", 0x79},                               // F10键
    {"F11\xBC\xFC", 0x7A},                               // F11键
    {"F12\xBC\xFC", 0x7B},                               // F12键
    {"F13\xBC\xFC", 0x7C},                               // F13键
    {"F14\xBC\xFC", 0x7D},                               // F14键
    {"F15\xBC\xFC", 0x7E},                               // F15键
    {"F16\xBC\xFC", 0x7F},                               // F16键
    {"break\xBC\xFC", 0x03},                             // break键
    {"\xBB\xD8\xB3\xB5\xBC\xFC", 0x0D},                  // 回车键
    {"pause\xBC\xFC", 0x13},                             // pause键
    {"capsLock\xBC\xFC", 0x14},                          // capsLock键
    {"numLock\xBC\xFC", 0x90},                           // numLock键
    {"scrollLock\xBC\xFC", 0x91},                        // scrollLock键
    {"esc\xBC\xFC", 0x1B},                               // esc键
    {"\xBF\xD5\xB8\xF1\xBC\xFC", 0x20},                  // 空格键
    {"pageup\xBC\xFC", 0x21},                            // pageup键
    {"pagedown\xBC\xFC", 0x22},                          // pagedown键
    {"home\xBC\xFC", 0x24},                              // home键
    {"end\xBC\xFC", 0x23},                               // end键
    {"\xD7\xF3\xB9\xE2\xB1\xEA\xBC\xFC", 0x25},          // 左光标键
    {"\xC9\xCF\xB9\xE2\xB1\xEA\xBC\xFC", 0x26},          // 上光标键
    {"\xD3\xD2\xB9\xE2\xB1\xEA\xBC\xFC", 0x27},          // 右光标键
    {"\xCF\xC2\xB9\xE2\xB1\xEA\xBC\xFC", 0x28},          // 下光标键
    {"ins\xBC\xFC", 0x2D},                               // ins键
    {"del\xBC\xFC", 0x2E},                               // del键
    {"\xB7\xD6\xBA\xC5\xBC\xFC", 0xBA},                  // 分号键
    {"\xB5\xC8\xBA\xC5\xBC\xFC", 0xBB},                  // 等号键
    {"\xB6\xBA\xBA\xC5\xBC\xFC", 0xBC},                  // 逗号键
    {"\xBC\xF5\xBA\xC5\xBC\xFC", 0xBD},                  // 减号键
    {"\xD4\xB2\xB5\xE3\xBC\xFC", 0xBE},                  // 圆点键
    {"\xB3\xFD\xBA\xC5\xBC\xFC", 0xBF},                  // 除号键
    {"\xB7\xB4\xC6\xB2\xBA\xC5\xBC\xFC", 0xC0},          // 反撇号键
    {"\xD7\xF3\xD6\xD0\xC0\xA8\xBA\xC5\xBC\xFC", 0xDB},  // 左中括号键
    {"\xD3\xD2\xD6\xD0\xC0\xA8\xBA\xC5\xBC\xFC", 0xDD},  // 右中括号键
    {"\xD0\xB1\xB8\xDC\xBC\xFC", 0xDC},                  // 斜杠键
    {"\xB5\xA5\xD2\xFD\xBA\xC5\xBC\xFC", 0xDE},          // 单引号键
    {"\xB3\xCB\xBA\xC5\xBC\xFC", 0x6A},                  // 乘号键
    {"\xBC\xD3\xBA\xC5\xBC\xFC", 0x6B},                  // 加号键
    {"\xCD\xCB\xB8\xF1\xBC\xFC", 0x08},                  // 退格键
}};

// The one row matched byte for byte.
constexpr std::string_view kExactRow = "break\xBC\xFC";

}  // namespace

std::span<const KeyName> key_name_table() { return kTable; }

std::int32_t key_code_from_name(std::string_view name) {
  for (const KeyName& row : kTable) {
    const bool match = row.name == kExactRow ? name == row.name : text::equal_ignoring_ascii_case(name, row.name);
    if (match) return row.code;
  }
  return 0;
}

}  // namespace tapvero::input
