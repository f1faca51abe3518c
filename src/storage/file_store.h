// Whole-file access, what the settings file asks of the file system, and
// adding a line at a file's end, what the history file asks.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tapvero::storage {

struct ReadResult {
  enum class Status {
    kFound,
    kNotFound,    // no such file
    kUnreadable,  // the file is there but could not be read (held by another program, no access)
  };
  Status status = Status::kNotFound;
  std::string bytes;  // the content, when found
};

class FileStore {
 public:
  // Given the file as it is, the content to put in its place, or nothing to
  // leave it as it is.
  using Change = std::function<std::optional<std::string>(const ReadResult&)>;

  virtual ~FileStore() = default;

  // The file's bytes. A file that another save is replacing is waited for
  // (about a second at most).
  virtual ReadResult read(const std::u16string& path) = 0;

  // One save, all or nothing: holds the file against other saves (waiting
  // about a second at most for one in progress), reads it, calls `change`
  // once with what it found, and puts the new content in the file's place in
  // one step, so that the file is at every moment either wholly old or
  // wholly new. `change` is not called when the file cannot be written at
  // all. False when the new content could not be stored; the file then
  // keeps its old content.
  virtual bool update(const std::u16string& path, const Change& change) = 0;

  enum class Append {
    kDone,
    kHeld,    // another program holds the file: it may be free later
    kFailed,  // it cannot be written (no access, a full disk)
  };
  // Adds `line` at the file's end in one write, so that a kill loses at
  // most this line. The write begins with a line break when the file ends
  // in an unfinished line (one whose write was cut short), and with
  // `first` when the file is new or empty. Never waits long for a file
  // that another program holds.
  virtual Append append(const std::u16string& path, std::string_view first, std::string_view line) = 0;
};

// The real file system (Windows only).
FileStore& system_file_store();

}  // namespace tapvero::storage
