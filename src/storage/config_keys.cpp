#include "storage/config_keys.h"

#include "storage/profile.h"

namespace tapvero::storage {
namespace {

// Kept as names were always read: without it, a key with leading blanks would miss the value it always named.
std::string_view strip_control_prefix(std::string_view s) {
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= 32) s.remove_prefix(1);
  return s;
}

std::u16string_view strip_control_prefix(std::u16string_view s) {
  while (!s.empty() && s.front() <= 32) s.remove_prefix(1);
  return s;
}

}  // namespace

std::u16string config_path_for(std::u16string_view exe_path) {
  const std::size_t slash = exe_path.find_last_of(u"\\/");
  const std::u16string_view folder =
      slash == std::u16string_view::npos ? std::u16string_view() : exe_path.substr(0, slash);
  return std::u16string(folder) + u"\\Config.ini";
}

std::string read_key(FileStore& files, std::u16string_view path, std::string_view section, std::string_view key,
                     std::string_view fallback) {
  path = strip_control_prefix(path);
  section = strip_control_prefix(section);
  key = strip_control_prefix(key);
  if (path.empty() || section.empty() || key.empty()) return {};
  return profile_read(files, std::u16string(path), section, key, fallback, kReadBufferSize);
}

bool write_keys(FileStore& files, std::u16string_view path, std::string_view section,
                std::span<const ProfileEntry> entries) {
  return profile_write(files, std::u16string(path), section, entries);
}

}  // namespace tapvero::storage
