// Files for the Win32 backend: the W API with positioned reads and writes.
#include <windows.h>

#include <string>

#include "platform/files.h"
#include "platform/win32/handles.h"
#include "platform/win32/wide.h"

namespace platform {
namespace {

using win32::OwnFile;
using win32::UniqueHandle;

// ---- helpers -------------------------------------------------------------------------

OVERLAPPED At(int64_t offset) {
  OVERLAPPED at{};
  at.Offset = DWORD(uint64_t(offset));
  at.OffsetHigh = DWORD(uint64_t(offset) >> 32);
  return at;
}

// One ReadFile or WriteFile moves at most a DWORD; 1 GiB keeps clear of its limit.
DWORD Chunk(int64_t size) { return DWORD(size < (int64_t(1) << 30) ? size : (int64_t(1) << 30)); }

// The GBK path as UTF-16 (code page 936 whatever the system's locale). Paths past MAX_PATH
// (deep patch folders) get the "\\?\" form, which takes no "." or ".." and no "/": hence
// the full path first.
std::wstring WidePath(const Text& path) {
  const std::wstring wide = win32::Wide(path);
  if (wide.size() < MAX_PATH - 12 || wide.rfind(L"\\\\?\\", 0) == 0) return wide;
  const DWORD length = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (length == 0) return wide;
  std::wstring full(length, L'\0');
  const DWORD written = ::GetFullPathNameW(wide.c_str(), length, full.data(), nullptr);
  if (written == 0 || written >= length) return wide;
  full.resize(written);
  if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

bool IsFolder(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Creates the folder after its parents, one CreateDirectoryW per missing component.
bool MakeFolders(const std::wstring& path) {
  if (path.empty() || IsFolder(path)) return !path.empty();
  const size_t separator = path.find_last_of(L"\\/");
  if (separator != std::wstring::npos && separator > 0) MakeFolders(path.substr(0, separator));
  // A parent that cannot be made (a drive root, the "\\?\" prefix) shows in the last check;
  // another writer making the folder meanwhile is no failure.
  ::CreateDirectoryW(path.c_str(), nullptr);
  return IsFolder(path);
}

// CloseHandle's own result: whether everything written reached the file.
bool CloseReporting(UniqueHandle& file) {
  if (!file) return true;
  return ::CloseHandle(file.release()) != 0;
}

// ---- the reader and the writer ---------------------------------------------------------

class WindowsFileReader final : public FileReader {
 public:
  explicit WindowsFileReader(UniqueHandle file) : file_(std::move(file)) {}

  int64_t Size() const override {
    LARGE_INTEGER size;
    return ::GetFileSizeEx(file_, &size) ? int64_t(size.QuadPart) : -1;
  }

  int64_t ReadAt(int64_t offset, void* buffer, int64_t size) override {
    if (offset < 0 || size < 0) return -1;
    OVERLAPPED at = At(offset);
    DWORD got = 0;
    if (::ReadFile(file_, buffer, Chunk(size), &got, &at)) return got;
    // A positioned read at or past the end fails with ERROR_HANDLE_EOF instead of reading 0.
    return ::GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
  }

 private:
  UniqueHandle file_;
};

class WindowsFileWriter final : public FileWriter {
 public:
  explicit WindowsFileWriter(UniqueHandle file) : file_(std::move(file)) {}

  bool WriteAt(int64_t offset, const void* data, int64_t size) override {
    if (offset < 0 || size < 0 || !file_) return false;
    auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
      OVERLAPPED at = At(offset);
      DWORD put = 0;
      if (!::WriteFile(file_, bytes, Chunk(size), &put, &at) || put == 0) return false;
      bytes += put, offset += put, size -= put;
    }
    return true;
  }

  bool Resize(int64_t size) override {
    LARGE_INTEGER end;
    end.QuadPart = size;
    return size >= 0 && file_ && ::SetFilePointerEx(file_, end, nullptr, FILE_BEGIN) && ::SetEndOfFile(file_);
  }

  bool Close() override { return CloseReporting(file_); }

 private:
  UniqueHandle file_;
};

}  // namespace

// ---- the seam ---------------------------------------------------------------------------

std::unique_ptr<FileReader> FileReader::Open(const Text& path) {
  UniqueHandle file = OwnFile(::CreateFileW(WidePath(path).c_str(),
                                            GENERIC_READ,                                            // access
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,  // share mode
                                            nullptr,                                                 // security
                                            OPEN_EXISTING,                                           // disposition
                                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN,       // flags
                                            nullptr));                                               // template
  if (!file) return nullptr;
  return std::make_unique<WindowsFileReader>(std::move(file));
}

std::unique_ptr<FileWriter> FileWriter::Create(const Text& path) {
  UniqueHandle file = OwnFile(::CreateFileW(WidePath(path).c_str(),
                                            GENERIC_WRITE,          // access
                                            FILE_SHARE_READ,        // share mode
                                            nullptr,                // security
                                            CREATE_ALWAYS,          // disposition: created or truncated
                                            FILE_ATTRIBUTE_NORMAL,  // flags
                                            nullptr));              // template
  if (!file) return nullptr;
  return std::make_unique<WindowsFileWriter>(std::move(file));
}

bool CreateFolders(const Text& path) {
  std::wstring wide = WidePath(path);
  while (wide.size() > 1 && (wide.back() == L'\\' || wide.back() == L'/')) wide.pop_back();
  return MakeFolders(wide);
}

bool MoveFileOver(const Text& source, const Text& target) {
  const std::wstring from = WidePath(source), to = WidePath(target);
  // MoveFileExW refuses to replace a read-only file: clear the attribute first, and put it
  // back when the move fails, so a failed replacement leaves the target as it was.
  const DWORD attributes = ::GetFileAttributesW(to.c_str());
  const bool readOnly = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
  if (readOnly) {
    const DWORD writable = attributes & ~DWORD(FILE_ATTRIBUTE_READONLY);
    ::SetFileAttributesW(to.c_str(), writable ? writable : FILE_ATTRIBUTE_NORMAL);
  }
  const bool moved = ::MoveFileExW(from.c_str(),                                        // existing file
                                   to.c_str(),                                          // new name
                                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)  // flags
                     != 0;
  if (!moved && readOnly) ::SetFileAttributesW(to.c_str(), attributes);
  return moved;
}

}  // namespace platform
