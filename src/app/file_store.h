// Whole-file access, the one thing the settings file asks of the file system.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tapvero::app {

class FileStore {
 public:
  virtual ~FileStore() = default;
  // The file's bytes, or nothing when it does not exist or cannot be read.
  virtual std::optional<std::string> read(const std::u16string& path) = 0;
  // Creates or replaces the file; false when that failed.
  virtual bool write(const std::u16string& path, std::string_view bytes) = 0;
};

// The real file system (Windows only).
FileStore& system_file_store();

}  // namespace tapvero::app
