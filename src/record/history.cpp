#include "record/history.h"

namespace tapvero::record {

std::u16string history_path_for(std::u16string_view exe_path) {
  const std::size_t slash = exe_path.find_last_of(u"\\/");
  return std::u16string(exe_path.substr(0, slash == exe_path.npos ? 0 : slash + 1)) + u"History.csv";
}
std::string_view history_header() { return {}; }
std::string history_row(const RunRecord&) { return {}; }
std::optional<RunRecord> read_history_row(std::string_view) { return std::nullopt; }
ParsedHistory parse_history(std::string_view) { return {}; }

History::History(storage::FileStore& files, std::u16string path) : files_(files), path_(std::move(path)) {}
bool History::add(RunRecord run) {
  pending_.push_back(std::move(run));
  return false;
}
const std::vector<RunRecord>& History::runs() { return runs_; }
void History::retry_pending() {}
std::u16string History::status() const { return {}; }

}  // namespace tapvero::record
