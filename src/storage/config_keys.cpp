#include "storage/config_keys.h"

#include "storage/profile.h"

namespace tapvero::storage {
namespace {

// Read key takes names as the settings file's first reader did: characters
// up to 32 before a path, section or key are dropped. None of the program's
// own names starts with one; only a caller passing such a name (read_keys'
// test) relies on it.
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

std::vector<std::string> read_keys(FileStore& files, std::u16string_view path, std::string_view section,
                                   const std::vector<ProfileEntry>& keys) {
  path = strip_control_prefix(path);
  section = strip_control_prefix(section);
  std::vector<ProfileEntry> stripped = keys;
  for (ProfileEntry& entry : stripped) entry.key = strip_control_prefix(entry.key);
  if (path.empty() || section.empty()) return std::vector<std::string>(keys.size());
  std::vector<std::string> values = profile_read(files, std::u16string(path), section, stripped, kReadBufferSize);
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (stripped[i].key.empty()) values[i].clear();
  }
  return values;
}

bool write_keys(FileStore& files, std::u16string_view path, std::string_view section,
                const std::vector<ProfileEntry>& entries) {
  return profile_write(files, std::u16string(path), section, entries);
}

}  // namespace tapvero::storage
