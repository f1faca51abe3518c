// Arbitrary bytes through the text helpers and the number rules.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "input/key_names.h"
#include "text/gbk.h"
#include "text/number_text.h"

using namespace tapvero;

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string s(reinterpret_cast<const char*>(data), size);

  const std::int32_t n = text::text_to_int(s);
  check(text::text_to_int(text::int_text(n)) == n);
  check(text::to_lower_ascii(s).size() == s.size());
  check(text::equal_ignoring_ascii_case(s, text::to_lower_ascii(s)));
  check(text::fold_full_width(s).size() <= s.size());
  (void)input::key_code_from_name(s);

  if (size >= sizeof(double)) {
    double d;
    std::memcpy(&d, data, sizeof d);
    float f;
    std::memcpy(&f, data, sizeof f);
    const std::string single = text::single_text(f);
    check(!single.empty() && single.size() <= 12);
    if (std::isfinite(f)) {
      // The text is a number again, and writing that number gives the same text.
      char* end = nullptr;
      const float back = std::strtof(single.c_str(), &end);
      check(*end == '\0' && text::single_text(back) == single);
    }
    (void)text::double_text(d);
    (void)text::fixed_text(d, 2);
    (void)text::truncate_to_int(d);
    (void)text::round_decimals(d, 2);
  }
  return 0;
}
