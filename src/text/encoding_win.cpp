// GBK conversions through Windows' own code page 936 tables.
#include <windows.h>

#include "text/encoding.h"

namespace tapvero::text {

constexpr UINT kGbk = 936;

std::u16string gbk_to_utf16(std::string_view gbk) {
  if (gbk.empty()) return {};
  const int n = MultiByteToWideChar(kGbk, 0, gbk.data(), static_cast<int>(gbk.size()), nullptr, 0);
  std::u16string out(static_cast<std::size_t>(n), u'\0');
  MultiByteToWideChar(kGbk, 0, gbk.data(), static_cast<int>(gbk.size()), reinterpret_cast<wchar_t*>(out.data()), n);
  return out;
}

std::string utf16_to_gbk(std::u16string_view utf16) {
  if (utf16.empty()) return {};
  const auto* w = reinterpret_cast<const wchar_t*>(utf16.data());
  const int len = static_cast<int>(utf16.size());
  const int n = WideCharToMultiByte(kGbk, 0, w, len, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(kGbk, 0, w, len, out.data(), n, nullptr, nullptr);
  return out;
}

}  // namespace tapvero::text
