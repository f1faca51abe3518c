// The history file: one row per run, kept beside the program like
// Config.ini ("History.csv"). A CSV file in UTF-8 with a byte-order mark,
// Chinese column names, CRLF line ends; a spreadsheet opens it as it is.
//
// Each run is added in one write at the end of the file, so a kill while
// writing loses at most that row. The reader skips what it cannot read (a
// torn last line, a line edited out of shape) and leaves it in the file as
// it is. A file that another program holds (a spreadsheet keeps an open
// CSV locked) keeps the run in memory until the file is free.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "record/run_record.h"
#include "storage/file_store.h"

namespace tapvero::record {

// The history file of the program at `exe_path`: "History.csv" in its folder.
std::u16string history_path_for(std::u16string_view exe_path);

// The file's first line, byte-order mark and column names, CRLF included.
std::string_view history_header();
// A run's row, CRLF included.
std::string history_row(const RunRecord& run);
// The run a row (without its line end) holds; none when it is not one.
std::optional<RunRecord> read_history_row(std::string_view row);

// The runs of a whole file, and how many of its lines were skipped.
struct ParsedHistory {
  std::vector<RunRecord> runs;
  std::size_t skipped_lines = 0;  // unreadable lines, a torn last line included
};
ParsedHistory parse_history(std::string_view bytes);

class History {
 public:
  History(storage::FileStore& files, std::u16string path);

  // Adds a run at the file's end, after the runs still kept in memory.
  // False: the file is held (or cannot be written), and the run is kept
  // in memory until a later add or retry_pending() writes it.
  bool add(RunRecord run);

  // Every run, oldest first: the file is read on the first call, then
  // followed with what add() adds. Runs kept in memory are included.
  const std::vector<RunRecord>& runs();

  // Writes the runs kept in memory, if the file is free now; reads the file
  // again if it could not be read before.
  void retry_pending();

  // What the chart window says about the file; "" when every run is
  // written and the file was read.
  std::u16string status() const;
  std::size_t pending() const { return pending_.size(); }
  std::size_t skipped_lines() const { return skipped_lines_; }
  const std::u16string& path() const { return path_; }

 private:
  bool write(const RunRecord& run);
  bool write_pending();
  void load();

  storage::FileStore& files_;
  const std::u16string path_;
  std::vector<RunRecord> runs_;
  std::vector<RunRecord> pending_;  // not yet in the file, oldest first
  bool loaded_ = false;
  bool unreadable_ = false;  // the last read found the file but could not read it
  std::size_t skipped_lines_ = 0;
  storage::FileStore::Append last_result_ = storage::FileStore::Append::kDone;
};

}  // namespace tapvero::record
