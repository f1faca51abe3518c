// Files held in memory, for tests and the fuzzer, with the ways a real
// file system can fail a read or a save.
#pragma once

#include <map>
#include <set>
#include <string>

#include "storage/file_store.h"

namespace tapvero::storage {

class MemoryFileStore final : public FileStore {
 public:
  ReadResult read(const std::u16string& path) override;
  bool update(const std::u16string& path, const Change& change) override;

  std::map<std::u16string, std::string> files;
  std::set<std::u16string> unreadable;  // there, but held by another program: reads fail
  bool read_only = false;               // the file and its folder refuse writes: `change` is not even asked
  bool replace_refused = false;         // the new content is made but cannot take the file's place
  int updates = 0;                      // saves asked for so far
  int writes = 0;                       // files replaced so far: the versions a reader could see
};

}  // namespace tapvero::storage
