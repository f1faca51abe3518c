// Files held in memory, for tests and the fuzzer.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "app/file_store.h"

namespace tapvero::app {

class MemoryFileStore final : public FileStore {
 public:
  std::optional<std::string> read(const std::u16string& path) override;
  bool write(const std::u16string& path, std::string_view bytes) override;

  std::map<std::u16string, std::string> files;
  bool read_only = false;  // writes fail, as in a read-only folder
  int writes = 0;          // successful writes so far
};

}  // namespace tapvero::app
