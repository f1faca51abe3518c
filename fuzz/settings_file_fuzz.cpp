// Feeds arbitrary bytes to the settings-file engine as the file's content
// and checks what must hold for any file: reads never fail, a value just
// written reads back, writing it again changes nothing, and a write leaves
// every line but its own as it was.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "storage/config_keys.h"
#include "storage/file_store.h"
#include "storage/profile.h"
#include "storage/settings.h"
#include "support/memory_file_store.h"

using namespace tapvero::storage;

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::u16string path = u"C:\\t\\Config.ini";
  MemoryFileStore files;
  files.files[path] = std::string(reinterpret_cast<const char*>(data), size);

  // The program's own load, and reads with names taken from the input.
  const Settings loaded = SettingsFile(files, [&] { return path; }).load();
  check(loaded.z_key.size() < kReadBufferSize && loaded.height.size() < kReadBufferSize);
  const std::string head(reinterpret_cast<const char*>(data), size < 8 ? size : 8);
  (void)profile_read(files, path, head, {{head, head}}, 16);

  // A value written reads back, and writing it again leaves the file alone.
  const std::string value = "v" + std::to_string(size);
  write_keys(files, path, "Tapvero", {{"Z", value}});
  const std::string after = files.files[path];
  check(read_keys(files, path, "Tapvero", {{"Z", "default"}})[0] == value);

  // In a GBK file (one without a byte-order mark, which is not re-encoded)
  // the bytes that differ lie within one line of the old file: the one
  // written, or none where a line or a section was added.
  const std::string_view before(reinterpret_cast<const char*>(data), size);
  const bool unicode =
      before.starts_with("\xFF\xFE") || before.starts_with("\xFE\xFF") || before.starts_with("\xEF\xBB\xBF");
  if (!unicode) {
    std::size_t prefix = 0;
    while (prefix < before.size() && prefix < after.size() && before[prefix] == after[prefix]) ++prefix;
    std::size_t suffix = 0;
    while (suffix < before.size() - prefix && suffix < after.size() - prefix &&
           before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix])
      ++suffix;
    check(before.substr(prefix, before.size() - prefix - suffix).find_first_of("\r\n") == std::string_view::npos);
  }
  const int writes = files.writes;
  write_keys(files, path, "Tapvero", {{"Z", value}});
  check(files.writes == writes && files.files[path] == after);

  // A name taken from the input can be written and read back too, unless
  // blanks, brackets, '=' or line breaks make it another name.
  write_keys(files, path, head, {{head, "w"}});
  return 0;
}
