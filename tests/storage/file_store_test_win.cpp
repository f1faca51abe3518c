// The Windows file store's saves under the hostile conditions of real use:
// killed in the middle of a save, two programs saving at once, another
// program holding the file, a folder without room for a temporary file.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <iostream>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "storage/config_keys.h"
#include "storage/file_store.h"
#include "storage/profile.h"
#include "storage/settings.h"

namespace tapvero::storage {
namespace {

std::u16string u16(const std::wstring& s) { return std::u16string(s.begin(), s.end()); }

struct Handle {
  HANDLE h = nullptr;
  ~Handle() {
    if (h != nullptr && h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
};

class FileStoreWin : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    tag_ = L"tapvero-store-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(GetTickCount64());
    folder_ = temp + tag_;
    ASSERT_TRUE(CreateDirectoryW(folder_.c_str(), nullptr));
    path_ = folder_ + L"\\Config.ini";
  }
  void TearDown() override {
    for (const std::wstring& name : names_in_folder()) {
      const std::wstring full = folder_ + L"\\" + name;
      if (!DeleteFileW(full.c_str())) RemoveDirectoryW(full.c_str());
    }
    RemoveDirectoryW(folder_.c_str());
  }

  std::vector<std::wstring> names_in_folder() const {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW((folder_ + L"\\*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
      const std::wstring name = found.cFileName;
      if (name != L"." && name != L"..") names.push_back(name);
    } while (FindNextFileW(h, &found));
    FindClose(h);
    return names;
  }

  void put(const std::string& bytes) {
    ASSERT_TRUE(system_file_store().update(u16(path_), [&](const ReadResult&) { return bytes; }));
  }
  std::string file() const { return system_file_store().read(u16(path_)).bytes; }
  std::string read(const std::string& key, const std::string& fallback) {
    return read_keys(system_file_store(), u16(path_), "Tapvero", {{key, fallback}})[0];
  }
  bool write(const std::string& key, const std::string& value) {
    return write_keys(system_file_store(), u16(path_), "Tapvero", {{key, value}});
  }

  std::wstring child_exe() const {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring exe = self;
    return exe.substr(0, exe.find_last_of(L"\\/") + 1) + L"settings_save_child.exe";
  }

  PROCESS_INFORMATION start_child(const std::wstring& arguments) {
    std::wstring command = L"\"" + child_exe() + L"\" " + arguments;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    EXPECT_TRUE(
        CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder_.c_str(), &si, &pi));
    return pi;
  }

  std::wstring tag_, folder_, path_;
};

// The user's file around the line that the saves change: comments, another
// section, blank lines and odd spacing, and enough of it (about 120 KB) that
// writing it takes a while.
std::string users_file(const std::string& z_line) {
  std::string text = "; my settings\r\n\r\n[Other]\r\n  keep = this  \r\n\r\n[Tapvero]\r\n" + z_line + "\r\n";
  for (int i = 0; i < 2000; ++i) {
    text += "; note " + std::to_string(i) + ": a comment line the program must never lose\r\n";
  }
  return text + "\tlast\t=\tline";
}

// The file is the user's file with some number in the Z line.
::testing::AssertionResult whole(const std::string& bytes) {
  const std::string before = users_file("Z=");
  const std::string head = before.substr(0, before.find("Z=") + 2);
  const std::string tail = before.substr(head.size());
  std::size_t digits = 0;
  while (head.size() + digits < bytes.size() && isdigit(static_cast<unsigned char>(bytes[head.size() + digits])))
    ++digits;
  if (bytes.size() > head.size() && bytes.compare(0, head.size(), head) == 0 && digits > 0 &&
      bytes.compare(head.size() + digits, std::string::npos, tail) == 0)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "the file is damaged: " << bytes.size() << " bytes";
}

TEST_F(FileStoreWin, AKilledSaveLeavesTheOldOrTheNewFileWhole) {
  put(users_file("Z=0"));
  const std::wstring semaphore = L"Local\\" + tag_ + L"-saved";
  Handle saved{CreateSemaphoreW(nullptr, 0, 1 << 30, semaphore.c_str())};
  ASSERT_NE(saved.h, nullptr);
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);

  constexpr int kKills = 50;
  int inside_a_save = 0;
  for (int i = 0; i < kKills; ++i) {
    SCOPED_TRACE("kill " + std::to_string(i));
    const PROCESS_INFORMATION child = start_child(L"--loop \"" + path_ + L"\" " + semaphore);
    Handle process{child.hProcess}, thread{child.hThread};
    // Once the child has saved (and started the next save), kill it after
    // a pause that differs from round to round.
    ASSERT_EQ(WaitForSingleObject(saved.h, 30000), WAIT_OBJECT_0);
    LARGE_INTEGER start, now;
    QueryPerformanceCounter(&start);
    const LONGLONG pause = frequency.QuadPart * (i % 10) / 5000;  // 0 to 1.8 ms
    do QueryPerformanceCounter(&now);
    while (now.QuadPart - start.QuadPart < pause);
    ASSERT_TRUE(TerminateProcess(process.h, 9));
    ASSERT_EQ(WaitForSingleObject(process.h, 30000), WAIT_OBJECT_0);
    while (WaitForSingleObject(saved.h, 0) == WAIT_OBJECT_0) {
    }
    if (GetFileAttributesW((path_ + L".tmp").c_str()) != INVALID_FILE_ATTRIBUTES) ++inside_a_save;
    ASSERT_TRUE(whole(file()));
  }
  std::cout << "Kills that left a save's temporary file: " << inside_a_save << " of " << kKills << "\n";

  // The next save takes over what a killed one left; nothing else remains.
  EXPECT_TRUE(write("Z", "77"));
  EXPECT_EQ(file(), users_file("Z=77"));
  EXPECT_EQ(names_in_folder(), std::vector<std::wstring>{L"Config.ini"});
}

// A file another program holds is not waited for; one it merely reads is
// appended to. A new or empty file begins with its first line.
TEST_F(FileStoreWin, AnAppendToAHeldFileFailsAtOnceAndLeavesItAsItWas) {
  FileStore& store = system_file_store();
  EXPECT_EQ(store.append(u16(path_), "head\r\n", "a\r\n"), FileStore::Append::kDone);
  EXPECT_EQ(store.append(u16(path_), "head\r\n", "b"), FileStore::Append::kDone);  // a line cut short
  EXPECT_EQ(store.append(u16(path_), "head\r\n", "c\r\n"), FileStore::Append::kDone);
  EXPECT_EQ(file(), "head\r\na\r\nb\r\nc\r\n");
  for (const DWORD share : {DWORD{0}, DWORD{FILE_SHARE_READ}, DWORD{FILE_SHARE_READ | FILE_SHARE_WRITE}}) {
    // A spreadsheet holds an open file with write access.
    Handle other{CreateFileW(path_.c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr, OPEN_EXISTING, 0, nullptr)};
    ASSERT_NE(other.h, INVALID_HANDLE_VALUE);
    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(store.append(u16(path_), "head\r\n", "d\r\n"), FileStore::Append::kHeld) << share;
    EXPECT_LT(GetTickCount64() - start, 500u);
  }
  {
    Handle reader{CreateFileW(path_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              0, nullptr)};
    EXPECT_EQ(store.append(u16(path_), "head\r\n", "d\r\n"), FileStore::Append::kDone);
  }
  EXPECT_EQ(file(), "head\r\na\r\nb\r\nc\r\nd\r\n");
  SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(store.append(u16(path_), "head\r\n", "e\r\n"), FileStore::Append::kFailed);
  SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(file(), "head\r\na\r\nb\r\nc\r\nd\r\n");
}

TEST_F(FileStoreWin, TwoProgramsSavingAtOnceKeepEveryKey) {
  put("; mine\r\n[Tapvero]\r\n");
  const std::wstring ready_name = L"Local\\" + tag_ + L"-ready";
  const std::wstring go_name = L"Local\\" + tag_ + L"-go";
  Handle ready{CreateSemaphoreW(nullptr, 0, 2, ready_name.c_str())};
  Handle go{CreateEventW(nullptr, TRUE, FALSE, go_name.c_str())};
  constexpr int kSaves = 60;
  const std::wstring rest = L" " + std::to_wstring(kSaves) + L" " + ready_name + L" " + go_name;
  const PROCESS_INFORMATION a = start_child(L"--keys \"" + path_ + L"\" a" + rest);
  const PROCESS_INFORMATION b = start_child(L"--keys \"" + path_ + L"\" b" + rest);
  Handle processes[] = {{a.hProcess}, {a.hThread}, {b.hProcess}, {b.hThread}};
  ASSERT_EQ(WaitForSingleObject(ready.h, 30000), WAIT_OBJECT_0);
  ASSERT_EQ(WaitForSingleObject(ready.h, 30000), WAIT_OBJECT_0);
  SetEvent(go.h);
  // Meanwhile a third program (a load) reads the file: it finds it whole
  // every time, and the saves get through all the same.
  const HANDLE both[] = {a.hProcess, b.hProcess};
  int reads = 0;
  while (WaitForMultipleObjects(2, both, TRUE, 0) == WAIT_TIMEOUT && reads < 100000) {
    const ReadResult seen = system_file_store().read(u16(path_));
    ++reads;
    ASSERT_EQ(seen.status, ReadResult::Status::kFound);
    ASSERT_EQ(seen.bytes.rfind("; mine\r\n[Tapvero]\r\n", 0), 0u) << seen.bytes;
    ASSERT_TRUE(seen.bytes.ends_with("=1\r\n") || seen.bytes.size() == 19) << seen.bytes;
  }
  EXPECT_GT(reads, 0);
  for (const HANDLE process : both) {
    ASSERT_EQ(WaitForSingleObject(process, 60000), WAIT_OBJECT_0);
    DWORD code = 99;
    GetExitCodeProcess(process, &code);
    EXPECT_EQ(code, 0u) << "a save failed";
  }

  const std::string bytes = file();
  EXPECT_EQ(bytes.rfind("; mine\r\n[Tapvero]\r\n", 0), 0u);
  EXPECT_EQ(bytes.find("[Tapvero]", 9), std::string::npos);
  EXPECT_EQ(bytes.size(), 19 + 2 * (9 * 6 + 51 * 7) + 0u);  // only the lines "a1=1" .. "b60=1"
  for (const char* prefix : {"a", "b"}) {
    for (int i = 1; i <= kSaves; ++i) {
      const std::string key = prefix + std::to_string(i);
      EXPECT_EQ(read(key, "missing"), "1") << key;
    }
  }
  EXPECT_EQ(names_in_folder(), std::vector<std::wstring>{L"Config.ini"});
}

// A save of the key settings changes five keys in one version of the file:
// a program reading it meanwhile finds the old settings or the new, never
// some of each.
TEST_F(FileStoreWin, AReaderSeesAKeySaveWholeOrNotAtAll) {
  const SettingsFile settings(system_file_store(), [this] { return u16(path_); });
  Settings a, b;
  b.z_key = "c";
  b.z_on = false;
  b.x_key = "v";
  b.x_on = false;
  b.mouse = true;
  ASSERT_TRUE(settings.save(a, SaveGroup::kKeySettings));
  const std::string a_file = file();
  ASSERT_TRUE(settings.save(b, SaveGroup::kKeySettings));
  const std::string b_file = file();
  std::atomic<bool> saving{true};
  std::set<std::string> seen;
  int reads = 0;
  std::thread reader([&] {
    while (saving.load() && reads < 100000) {
      const ReadResult r = system_file_store().read(u16(path_));
      if (r.status == ReadResult::Status::kFound) seen.insert(r.bytes);
      ++reads;
      Sleep(1);  // a program that reads the file now and then, not one that never lets go
    }
  });
  for (int i = 0; i < 100; ++i) EXPECT_TRUE(settings.save(i % 2 ? b : a, SaveGroup::kKeySettings));
  saving = false;
  reader.join();
  EXPECT_GT(reads, 0);
  for (const std::string& version : seen) EXPECT_TRUE(version == a_file || version == b_file) << version;
}

TEST_F(FileStoreWin, AFileHeldByAnotherProgramIsNeitherReadNorWritten) {
  const std::string mine = "; mine\r\n[Other]\r\na=1\r\n[Tapvero]\r\nZ=c\r\nX=v\r\n";
  put(mine);
  {
    // Another program writes the file and lets nobody read it meanwhile.
    Handle other{CreateFileW(path_.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr)};
    ASSERT_NE(other.h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(system_file_store().read(u16(path_)).status, ReadResult::Status::kUnreadable);
    EXPECT_EQ(read("Z", "z"), "z");
    EXPECT_FALSE(write("Z", "q"));
  }
  EXPECT_EQ(file(), mine);
  EXPECT_EQ(names_in_folder(), std::vector<std::wstring>{L"Config.ini"});
  EXPECT_EQ(system_file_store().read(u16(folder_ + L"\\none.ini")).status, ReadResult::Status::kNotFound);
}

TEST_F(FileStoreWin, WithoutRoomForATemporaryFileTheSaveWritesInPlace) {
  // A folder of that name stands where the temporary file would go, as a
  // folder that refuses new files would refuse it.
  put("; mine\r\n[Tapvero]\r\nZ=c\r\n");
  ASSERT_TRUE(CreateDirectoryW((path_ + L".tmp").c_str(), nullptr));
  EXPECT_TRUE(write("Z", "q"));
  EXPECT_TRUE(write("X", "x"));
  EXPECT_EQ(file(), "; mine\r\n[Tapvero]\r\nZ=q\r\nX=x\r\n");
  // A file that is not there cannot be made in such a folder.
  path_ = folder_ + L"\\Other.ini";
  ASSERT_TRUE(CreateDirectoryW((path_ + L".tmp").c_str(), nullptr));
  EXPECT_FALSE(write("Z", "z"));
  EXPECT_EQ(system_file_store().read(u16(path_)).status, ReadResult::Status::kNotFound);
}

TEST_F(FileStoreWin, ASaveThatChangesNothingOrIsRefusedLeavesNoTemporaryFile) {
  put("[Tapvero]\r\nZ=c\r\n");
  EXPECT_TRUE(system_file_store().update(u16(path_), [](const ReadResult&) { return std::optional<std::string>(); }));
  SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(write("Z", "q"));
  SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(file(), "[Tapvero]\r\nZ=c\r\n");
  EXPECT_EQ(names_in_folder(), std::vector<std::wstring>{L"Config.ini"});
}

}  // namespace
}  // namespace tapvero::storage
