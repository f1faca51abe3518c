// The keys of Config.ini beside the executable: its path, keys read one at
// a time, and written several at once as one save.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include "storage/file_store.h"
#include "storage/profile.h"

namespace tapvero::storage {

// A read gives at most this many bytes less one.
// The size values were always read with: a longer value is cut where it always was, not read whole.
constexpr std::size_t kReadBufferSize = 10240;

// The settings file of the program at `exe_path`: its folder, without a
// trailing separator, followed by "\Config.ini".
std::u16string config_path_for(std::u16string_view exe_path);

// The value of `key` in `section`, or `fallback` when the file or the key
// does not exist. Leading characters up to 32 are first stripped from the
// path, the section and the key; if any of them is then empty the result is
// the empty text and the file is not consulted.
std::string read_key(FileStore& files, std::u16string_view path, std::string_view section, std::string_view key,
                     std::string_view fallback);

// Writes each key = value into `section`, in order and as one save,
// creating the file and the section when they are missing. False when it
// could not be stored; the file is then as it was.
bool write_keys(FileStore& files, std::u16string_view path, std::string_view section,
                std::span<const ProfileEntry> entries);

}  // namespace tapvero::storage
