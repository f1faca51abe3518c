#include "support/memory_file_store.h"

namespace tapvero::storage {

ReadResult MemoryFileStore::read(const std::u16string& path) {
  if (unreadable.contains(path)) return {ReadResult::Status::kUnreadable, {}};
  const auto it = files.find(path);
  if (it == files.end()) return {ReadResult::Status::kNotFound, {}};
  return {ReadResult::Status::kFound, it->second};
}

bool MemoryFileStore::update(const std::u16string& path, const Change& change) {
  ++updates;
  if (read_only) return false;
  const std::optional<std::string> bytes = change(read(path));
  if (!bytes) return true;
  if (replace_refused) return false;
  files[path] = *bytes;
  ++writes;
  return true;
}

FileStore::Append MemoryFileStore::append(const std::u16string& path, std::string_view first, std::string_view line) {
  if (held.contains(path) || unreadable.contains(path)) return Append::kHeld;
  if (read_only) return Append::kFailed;
  std::string& bytes = files[path];
  // The one write a kill would cut short, as the real store makes it.
  std::string write;
  if (bytes.empty())
    write = first;
  else if (bytes.back() != '\n')
    write = "\r\n";
  write += line;
  bytes += write;
  ++appends;
  return Append::kDone;
}

}  // namespace tapvero::storage
