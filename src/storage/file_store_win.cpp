// Saves that never leave a damaged file.
//
// A save writes the new content to "<file>.tmp" in the same folder, flushes
// it and moves it over the file in one step. The temporary file is also the
// lock between two saves: it is opened without read or write sharing, so a
// second save (in this or another process) cannot open it until the first
// has moved it into place, and it reads the file only after that. Until the
// first save closes its handle, the moved file is still held without read
// sharing, so the second save's read waits for it too.
//
// When the folder refuses a new file but the file itself is writable, the
// save writes in place instead, holding the file without any sharing. A
// temporary file that a killed save left behind is taken over by the next
// save.
//
// An append opens the file for appending only, so that its one write goes
// to the file's end, and shares it with readers alone: two appends (of this
// or another process) take turns, each seeing how the other left the
// file's end.
#include <windows.h>

#include <algorithm>

#include "storage/file_store.h"
#include "base/unique_win.h"

namespace tapvero::storage {
namespace {

using base::UniqueFile;

// How long a file held by another save (or another program) is waited for.
constexpr ULONGLONG kPatienceMs = 1000;
// An append waits only for another append: a file that a spreadsheet
// holds stays held for minutes, and the run waits in memory instead.
constexpr ULONGLONG kAppendPatienceMs = 100;

const wchar_t* wide(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }

// Repeats `attempt` while it fails with an error that `busy` calls
// passing, for kPatienceMs at most. GetLastError() tells the last failure.
template <typename Attempt, typename Busy>
auto patiently(Attempt attempt, Busy busy, ULONGLONG patience_ms = kPatienceMs) {
  const ULONGLONG start = GetTickCount64();
  for (;;) {
    auto result = attempt();
    if (result) return result;
    const DWORD error = GetLastError();
    if (!busy(error) || GetTickCount64() - start >= patience_ms) {
      SetLastError(error);
      return result;
    }
    Sleep(2);
  }
}

bool in_use(DWORD error) { return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION; }

UniqueFile open_patiently(const std::u16string& path, DWORD access, DWORD share, DWORD disposition) {
  return patiently(
      [&] {
        return UniqueFile(CreateFileW(wide(path), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
      },
      in_use);
}

// The rest of the file from the handle's position.
bool read_all(HANDLE file, std::string& bytes) {
  bytes.clear();
  // Room for the whole file at once: a large history grows no buffer piece
  // by piece (under Wine that halves its reading time).
  if (LARGE_INTEGER size{}; GetFileSizeEx(file, &size) && size.QuadPart > 0 && size.QuadPart < (1ll << 31))
    bytes.reserve(static_cast<std::size_t>(size.QuadPart));
  char chunk[16384];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file, chunk, sizeof chunk, &got, nullptr)) return false;
    if (got == 0) return true;
    bytes.append(chunk, got);
  }
}

bool write_all(HANDLE file, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const DWORD part = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
    DWORD written = 0;
    if (!WriteFile(file, bytes.data() + done, part, &written, nullptr) || written == 0) return false;
    done += written;
  }
  return FlushFileBuffers(file) != 0;
}

// `share` FILE_SHARE_READ keeps writers out while the file is read, so that
// a save never works on half of one version and half of another; a plain
// read lets them write on, as Windows' own profile functions do.
ReadResult read_file(const std::u16string& path, DWORD share) {
  const UniqueFile file = open_patiently(path, GENERIC_READ, share, OPEN_EXISTING);
  if (!file) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return {ReadResult::Status::kNotFound, {}};
    return {ReadResult::Status::kUnreadable, {}};
  }
  ReadResult result{ReadResult::Status::kFound, {}};
  if (!read_all(file.get(), result.bytes)) return {ReadResult::Status::kUnreadable, {}};
  return result;
}

bool is_read_only(const std::u16string& path) {
  const DWORD attributes = GetFileAttributesW(wide(path));
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

// The temporary file, opened as the lock between saves. Fails with
// ERROR_ACCESS_DENIED when the folder refuses it, or with a sharing
// violation when another save holds it for longer than we wait.
UniqueFile open_temporary(const std::u16string& temp) {
  return patiently(
      [&] {
        return UniqueFile(CreateFileW(wide(temp), GENERIC_WRITE | DELETE, FILE_SHARE_DELETE, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
      },
      [&](DWORD error) {
        if (in_use(error)) return true;
        // A temporary file that another save is deleting refuses access
        // for a moment; a folder that refuses new files does so for good,
        // and there the file is not there at all.
        if (error != ERROR_ACCESS_DENIED) return false;
        const DWORD attributes = GetFileAttributesW(wide(temp));
        if (attributes == INVALID_FILE_ATTRIBUTES) return GetLastError() != ERROR_FILE_NOT_FOUND;
        return (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) == 0;
      });
}

// Deletes the temporary file through the handle that holds it, so that no
// other save's file of the same name can be deleted by mistake.
void discard(UniqueFile& temp) {
  FILE_DISPOSITION_INFO dispose{};
  dispose.DeleteFile = TRUE;
  SetFileInformationByHandle(temp.get(), FileDispositionInfo, &dispose, sizeof dispose);
  temp = UniqueFile();
}

// The save for a folder that refuses new files: the file itself is held
// without sharing, read, and overwritten.
bool update_in_place(const std::u16string& path, const FileStore::Change& change) {
  const UniqueFile file = open_patiently(path, GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING);
  if (!file) return false;  // a missing file cannot be made here either
  ReadResult current{ReadResult::Status::kFound, {}};
  if (!read_all(file.get(), current.bytes)) current = {ReadResult::Status::kUnreadable, {}};
  const std::optional<std::string> bytes = change(current);
  if (!bytes) return true;
  LARGE_INTEGER start{};
  return SetFilePointerEx(file.get(), start, nullptr, FILE_BEGIN) && write_all(file.get(), *bytes) &&
         SetEndOfFile(file.get()) && FlushFileBuffers(file.get());
}

class SystemFileStore final : public FileStore {
 public:
  ReadResult read(const std::u16string& path) override { return read_file(path, FILE_SHARE_READ | FILE_SHARE_WRITE); }

  bool update(const std::u16string& path, const Change& change) override {
    const std::u16string temp_path = path + u".tmp";
    UniqueFile temp = open_temporary(temp_path);
    if (!temp) {
      if (GetLastError() != ERROR_ACCESS_DENIED) return false;
      return update_in_place(path, change);
    }
    // A read-only file is not replaced, as it would not be written in place.
    if (is_read_only(path)) {
      discard(temp);
      return false;
    }
    const std::optional<std::string> bytes = change(read_file(path, FILE_SHARE_READ));
    if (!bytes) {
      discard(temp);
      return true;
    }
    if (!write_all(temp.get(), *bytes)) {
      discard(temp);
      return false;
    }
    // Readers of the file (a load in another copy of the program) make the
    // move fail for a moment.
    const bool moved = patiently(
        [&] {
          return MoveFileExW(wide(temp_path), wide(path), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
        },
        [](DWORD error) { return in_use(error) || error == ERROR_ACCESS_DENIED; });
    if (!moved) discard(temp);
    return moved;
  }

  Append append(const std::u16string& path, std::string_view first, std::string_view line) override {
    // Windows refuses to open a read-only file for writing; so does this
    // store wherever the file system would not (Wine run as root).
    if (is_read_only(path)) return Append::kFailed;
    const UniqueFile file = patiently(
        [&] {
          return UniqueFile(CreateFileW(wide(path), FILE_READ_DATA | FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                        OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        },
        in_use, kAppendPatienceMs);
    if (!file) return in_use(GetLastError()) ? Append::kHeld : Append::kFailed;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) return Append::kFailed;
    std::string bytes;
    if (size.QuadPart == 0) {
      bytes = first;
    } else {
      // A line whose write was cut short stays as it is, a line of its own.
      LARGE_INTEGER last{};
      last.QuadPart = size.QuadPart - 1;
      char end = 0;
      DWORD got = 0;
      if (!SetFilePointerEx(file.get(), last, nullptr, FILE_BEGIN) || !ReadFile(file.get(), &end, 1, &got, nullptr) ||
          got != 1)
        return Append::kFailed;
      if (end != '\n') bytes = "\r\n";
    }
    bytes += line;
    // One write: a kill cuts at most this line short.
    DWORD written = 0;
    if (bytes.size() > MAXDWORD) return Append::kFailed;
    if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size())
      return Append::kFailed;
    return FlushFileBuffers(file.get()) ? Append::kDone : Append::kFailed;
  }
};

}  // namespace

FileStore& system_file_store() {
  static SystemFileStore store;
  return store;
}

}  // namespace tapvero::storage
