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
  Append append(const std::u16string& path, std::string_view first, std::string_view line) override;

  std::map<std::u16string, std::string> files;
  std::set<std::u16string> unreadable;  // there, but held by another program: reads fail
  std::set<std::u16string> held;        // held by another program without write sharing: appends fail
  bool read_only = false;               // the file and its folder refuse writes: `change` is not even asked
  bool replace_refused = false;         // the new content is made but cannot take the file's place
  int updates = 0;                      // saves asked for so far
  int writes = 0;                       // files replaced so far: the versions a reader could see
  int appends = 0;                      // lines added so far
};

}  // namespace tapvero::storage
