// GBK conversions through iconv, for the native build and its tests.
#include <iconv.h>

#include <cerrno>

#include "text/encoding.h"

namespace tapvero::text {
namespace {

class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts in_size bytes; an unconvertible input unit of unit_size bytes
  // is replaced by `replacement` and skipped.
  std::string run(const char* in, std::size_t in_size, std::size_t unit_size, std::string_view replacement) {
    std::string out;
    char buf[256];
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    while (in_size > 0) {
      char* out_ptr = buf;
      std::size_t out_left = sizeof buf;
      const std::size_t r = iconv(cd_, const_cast<char**>(&in), &in_size, &out_ptr, &out_left);
      out.append(buf, static_cast<std::size_t>(out_ptr - buf));
      if (r == static_cast<std::size_t>(-1) && errno != E2BIG) {
        const std::size_t skip = unit_size < in_size ? unit_size : in_size;
        in += skip;
        in_size -= skip;
        out.append(replacement);
      }
    }
    return out;
  }

 private:
  iconv_t cd_;
};

}  // namespace

std::u16string gbk_to_utf16(std::string_view gbk) {
  Converter c("UTF-16LE", "CP936");
  const std::string bytes = c.run(gbk.data(), gbk.size(), 1, std::string_view("\xFB\x30", 2));
  std::u16string out(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < out.size(); ++i) {
    out[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                   (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  }
  return out;
}

std::string utf16_to_gbk(std::u16string_view utf16) {
  std::string le;
  le.reserve(utf16.size() * 2);
  for (char16_t c : utf16) {
    le += static_cast<char>(c & 0xFF);
    le += static_cast<char>(c >> 8);
  }
  Converter c("CP936", "UTF-16LE");
  return c.run(le.data(), le.size(), 2, "?");
}

}  // namespace tapvero::text
