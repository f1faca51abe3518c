// Arbitrary bytes as the history file: the reader never fails, every run it
// takes writes a row that reads back to the same row, and adding a run
// keeps every byte the file had.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "record/history.h"
#include "support/memory_file_store.h"

using namespace tapvero;

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const record::ParsedHistory parsed = record::parse_history(bytes);
  for (const record::RunRecord& run : parsed.runs) {
    const std::string row = record::history_row(run);
    const std::optional<record::RunRecord> again = record::read_history_row(row.substr(0, row.size() - 2));
    check(again && record::history_row(*again) == row);
  }
  const std::u16string path = u"C:\\t\\History.csv";
  storage::MemoryFileStore files;
  files.files[path] = bytes;
  record::History history(files, path);
  check(history.runs().size() == parsed.runs.size());
  record::RunRecord run{.when = {2026, 12, 9, 1, 2, 3}, .z_key = u"z", .x_key = u"x", .stage_size = 1, .hits = 1};
  run.hit_ms = {5};
  run.stages = {{15, 0}};
  check(history.add(run));
  check(files.files[path].starts_with(bytes));
  // A last line a kill cut short reads once the append ends it, if it was whole.
  check(record::History(files, path).runs().size() >= parsed.runs.size() + 1);
  return 0;
}
