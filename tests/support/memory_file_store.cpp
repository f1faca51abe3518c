#include "support/memory_file_store.h"

namespace tapvero::app {

std::optional<std::string> MemoryFileStore::read(const std::u16string& path) {
  const auto it = files.find(path);
  if (it == files.end()) return std::nullopt;
  return it->second;
}

bool MemoryFileStore::write(const std::u16string& path, std::string_view bytes) {
  if (read_only) return false;
  files[path] = std::string(bytes);
  ++writes;
  return true;
}

}  // namespace tapvero::app
