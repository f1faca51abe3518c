// The keys of Config.ini beside the executable: its path, keys read as one
// load, and written several at once as one save.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "storage/file_store.h"
#include "storage/profile.h"

namespace tapvero::storage {

// A read gives at most this many bytes less one: a Config.ini edited by hand
// with a longer value loads its first 10239 bytes, as the platform's profile
// read into a buffer of this size gives them (the Windows differential test
// checks ours against that read).
constexpr std::size_t kReadBufferSize = 10240;

// The settings file of the program at `exe_path`: its folder, without a
// trailing separator, followed by "\Config.ini".
std::u16string config_path_for(std::u16string_view exe_path);

// The value of each key in `section` (each entry's value is its default),
// in order, from one reading of the file. Leading characters up to 32 are
// first stripped from the path, the section and each key; an empty path or
// section reads every key, and an empty key reads, as the empty text.
std::vector<std::string> read_keys(FileStore& files, std::u16string_view path, std::string_view section,
                                   const std::vector<ProfileEntry>& keys);

// Writes each key = value into `section`, in order and as one save,
// creating the file and the section when they are missing. False when it
// could not be stored; the file is then as it was.
bool write_keys(FileStore& files, std::u16string_view path, std::string_view section,
                const std::vector<ProfileEntry>& entries);

}  // namespace tapvero::storage
