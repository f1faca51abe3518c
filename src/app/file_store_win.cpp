#include <windows.h>

#include "app/file_store.h"
#include "widgets/unique_win.h"

namespace tapvero::app {
namespace {

const wchar_t* wide(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }

class SystemFileStore final : public FileStore {
 public:
  std::optional<std::string> read(const std::u16string& path) override {
    widgets::UniqueFile file(CreateFileW(wide(path), GENERIC_READ,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return std::nullopt;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > 0x7FFFFFFF) return std::nullopt;
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    if (!bytes.empty() && !ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr))
      return std::nullopt;
    bytes.resize(got);
    return bytes;
  }

  bool write(const std::u16string& path, std::string_view bytes) override {
    widgets::UniqueFile file(CreateFileW(wide(path), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                         CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD written = 0;
    return WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
  }
};

}  // namespace

FileStore& system_file_store() {
  static SystemFileStore store;
  return store;
}

}  // namespace tapvero::app
