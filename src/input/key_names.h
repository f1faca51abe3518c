// The key-name table: the names a trigger key can be configured by, each
// ending in 键 ("key"), and the Windows virtual-key codes they stand for.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace tapvero::input {

struct KeyName {
  std::string_view name;  // GBK bytes
  std::int32_t code;      // Windows virtual-key code
};

// The 88 rows, in search order.
std::span<const KeyName> key_name_table();

// The code of the row whose name matches `name` (ASCII letters compared
// without regard to case, except for "break键", which must match exactly;
// double-byte characters byte for byte; nothing trimmed), or 0.
std::int32_t key_code_from_name(std::string_view name);

}  // namespace tapvero::input
