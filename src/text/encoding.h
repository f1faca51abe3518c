// Conversions between the program's GBK byte texts and UTF-16, in which the
// window system shows them. GBK means code page 936 whatever the code page
// Windows runs with; characters outside it become '?'.
#pragma once

#include <string>
#include <string_view>

namespace tapvero::text {

std::u16string gbk_to_utf16(std::string_view gbk);
std::string utf16_to_gbk(std::u16string_view utf16);

// ASCII text (such as the number texts) as UTF-16.
std::u16string from_ascii(std::string_view ascii);

// UTF-8 as Windows reads it: malformed sequences become U+FFFD.
std::u16string utf8_to_utf16(std::string_view utf8);
std::string utf16_to_utf8(std::u16string_view utf16);

}  // namespace tapvero::text
