#include "start_record.h"

#include <windows.h>

#include <cwchar>
#include <string_view>
#include <vector>

namespace dummy_client {
namespace {

// Owns a file handle and closes it on every path.
class File {
 public:
  explicit File(HANDLE handle) : handle_(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  ~File() {
    if (handle_) ::CloseHandle(handle_);
  }
  explicit operator bool() const { return handle_ != nullptr; }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

std::string Utf8(std::wstring_view text) {
  if (text.empty()) return {};
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(size > 0 ? size : 0, '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), out.data(), size, nullptr, nullptr);
  return out;
}

std::wstring OwnFolder() {
  std::vector<wchar_t> path(MAX_PATH);
  for (;;) {
    const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      std::wstring full(path.data(), length);
      return full.substr(0, full.find_last_of(L"\\/"));
    }
    path.resize(path.size() * 2);  // a long path: try again with room for it
  }
}

std::wstring WorkingDirectory() {
  const DWORD size = ::GetCurrentDirectoryW(0, nullptr);
  std::wstring directory(size, L'\0');
  const DWORD length = ::GetCurrentDirectoryW(size, directory.data());
  directory.resize(length < size ? length : 0);
  return directory;
}

bool WriteAll(const std::wstring& path, const std::string& bytes) {
  const File file(::CreateFileW(path.c_str(),           // file name
                                GENERIC_WRITE,          // access
                                0,                      // no sharing while it is written
                                nullptr,                // security
                                CREATE_ALWAYS,          // replace an older record
                                FILE_ATTRIBUTE_NORMAL,  // attributes
                                nullptr));              // no template
  if (!file) return false;
  DWORD written = 0;
  return ::WriteFile(file.get(), bytes.data(), DWORD(bytes.size()), &written, nullptr) && written == bytes.size();
}

}  // namespace

bool WriteStartRecord() {
  const std::wstring folder = OwnFolder();
  if (folder.empty()) return false;
  const std::wstring record = folder + L"\\online-started.txt";
  const std::wstring temporary = record + L".tmp";
  const std::string content = Utf8(::GetCommandLineW()) + "\r\n" + Utf8(WorkingDirectory()) + "\r\n";
  // Written beside the record and moved over it: a reader polling for the
  // file never sees half of it.
  if (WriteAll(temporary, content) && ::MoveFileExW(temporary.c_str(), record.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    return true;
  }
  ::DeleteFileW(temporary.c_str());
  return false;
}

long EnvironmentNumber(const wchar_t* name, long fallback) {
  wchar_t value[32];
  const DWORD length = ::GetEnvironmentVariableW(name, value, DWORD(std::size(value)));
  if (length == 0 || length >= std::size(value)) return fallback;
  wchar_t* end = nullptr;
  const long number = std::wcstol(value, &end, 10);
  return (end == value || *end != L'\0' || number < 0) ? fallback : number;
}

}  // namespace dummy_client
