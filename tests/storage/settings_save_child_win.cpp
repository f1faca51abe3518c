// A second program saving settings, for the tests of concurrent and
// interrupted saves.
//   --loop <file> <semaphore>: saves Z = 1, 2, 3, ... until killed,
//       releasing the named semaphore after each save.
//   --keys <file> <prefix> <count> <ready semaphore> <go event>: once the
//       event is set, saves <prefix>1 .. <prefix><count> = 1; exits with 0
//       when every save succeeded.
#include <windows.h>

#include <string>

#include "storage/file_store.h"
#include "storage/profile.h"

using namespace tapvero::storage;

namespace {

std::u16string u16(const wchar_t* s) { return std::u16string(reinterpret_cast<const char16_t*>(s)); }

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring mode = argc > 1 ? argv[1] : L"";
  if (mode == L"--loop" && argc == 4) {
    HANDLE saved = OpenSemaphoreW(SEMAPHORE_MODIFY_STATE, FALSE, argv[3]);
    if (saved == nullptr) return 3;
    for (long n = 1;; ++n) {
      if (!profile_write(system_file_store(), u16(argv[2]), "Tapvero", {{"Z", std::to_string(n)}})) return 2;
      ReleaseSemaphore(saved, 1, nullptr);
    }
  }
  if (mode == L"--keys" && argc == 7) {
    HANDLE ready = OpenSemaphoreW(SEMAPHORE_MODIFY_STATE, FALSE, argv[5]);
    HANDLE go = OpenEventW(SYNCHRONIZE, FALSE, argv[6]);
    if (ready == nullptr || go == nullptr) return 3;
    ReleaseSemaphore(ready, 1, nullptr);
    if (WaitForSingleObject(go, 60000) != WAIT_OBJECT_0) return 4;
    const std::string prefix(argv[3], argv[3] + wcslen(argv[3]));
    const int count = _wtoi(argv[4]);
    for (int i = 1; i <= count; ++i) {
      if (!profile_write(system_file_store(), u16(argv[2]), "Tapvero", {{prefix + std::to_string(i), "1"}})) return 2;
    }
    return 0;
  }
  return 1;
}
