// Feeds arbitrary bytes to the settings-file engine as the file's content
// and checks what must hold for any file: reads never fail, a value just
// written reads back, and writing it again changes nothing.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/file_store.h"
#include "app/profile.h"
#include "app/settings_file.h"
#include "support/memory_file_store.h"

using namespace tapvero::app;

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::u16string path = u"C:\\t\\Config.ini";
  MemoryFileStore files;
  files.files[path] = std::string(reinterpret_cast<const char*>(data), size);

  // The program's own reads, and reads with names taken from the input.
  for (const char* key : {"Z", "X", "\xBF\xAA\xC6\xF4\x5A\xBC\xFC", "\xBD\xD7\xB6\xCE", "\xB8\xDF"}) {
    const std::string value = read_key(files, path, "Tapvero", key, "default");
    check(value.size() < kReadBufferSize);
  }
  const std::string head(reinterpret_cast<const char*>(data), size < 8 ? size : 8);
  (void)profile_read(files, path, head, head, head, 16);

  // A value written reads back, and writing it again leaves the file alone.
  const std::string value = "v" + std::to_string(size);
  write_key(files, path, "Tapvero", "Z", value);
  const std::string after = files.files[path];
  // A rewrite drops blanks before the first line; if the file then starts
  // with bytes that mark UTF-8 or UTF-16, it reads as such, as it would for
  // Windows itself. Only such junk can do that.
  const std::string_view start(after.data(), after.size() < 3 ? after.size() : 3);
  const bool looks_unicode =
      start.substr(0, 2) == "\xFF\xFE" || start.substr(0, 2) == "\xFE\xFF" || start == "\xEF\xBB\xBF";
  const std::string_view original(reinterpret_cast<const char*>(data), size);
  if (looks_unicode && !original.starts_with(start.substr(0, 2))) return 0;
  check(read_key(files, path, "Tapvero", "Z", "default") == value);
  const int writes = files.writes;
  write_key(files, path, "Tapvero", "Z", value);
  check(files.writes == writes && files.files[path] == after);

  // A name taken from the input can be written and read back too, unless
  // blanks, brackets, '=' or line breaks make it another name.
  write_key(files, path, head, head, "w");
  return 0;
}
