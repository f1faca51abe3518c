// Private-profile (INI) files, read and written on their own bytes.
//
// Behaves as Windows' GetPrivateProfileStringA and WritePrivateProfileStringA
// do under code page 936, whatever code page the system actually runs with:
// section, key and value texts are GBK bytes. Files with a UTF-8 or UTF-16
// byte-order mark are read and written back in their own encoding.
//
// Unlike Windows, a write changes nothing but the line of the key it sets
// (or adds that line, or the section): blank lines, blanks, tabs and line
// breaks elsewhere stay as the user left them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "storage/file_store.h"

namespace tapvero::storage {

// One key's new value; for a read, the key and its default.
struct ProfileEntry {
  std::string_view key;
  std::string_view value;
};

// The value of each key in `section`, in order, or its default when the
// file, the section or the key does not exist, cut to buffer_size - 1 bytes
// (never inside a double-byte character). The file is read and parsed once:
// every value comes from the same version of it.
std::vector<std::string> profile_read(FileStore& files, const std::u16string& path, std::string_view section,
                                      const std::vector<ProfileEntry>& keys, std::size_t buffer_size);

// Sets each key in `section` to its value, in order, creating the file, the
// section and the keys as needed, as one save: the file goes from its old
// content to the new in one step. It is replaced only when a stored value
// changes, and never when it is there but cannot be read. False when the
// file could not be read, or changed but could not be written; it is then
// as it was. A save that changes nothing succeeds without asking to write.
bool profile_write(FileStore& files, const std::u16string& path, std::string_view section,
                   const std::vector<ProfileEntry>& entries);

}  // namespace tapvero::storage
