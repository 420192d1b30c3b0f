// Files and folders through the W API; paths arrive as GBK with "\".
// (Folders, positioned reads and writes and MoveFileOver: file_stream.cpp.)
#include "platform/files.h"

#include <windows.h>

#include <algorithm>

#include "platform/win32/handles.h"
#include "platform/win32/wide.h"

namespace platform {
namespace {

using win32::FromWide;
using win32::OwnFile;
using win32::UniqueHandle;
using win32::Wide;

std::wstring WithoutTrailingBackslash(std::wstring path) {
  while (!path.empty() && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
  return path;
}

// ---------------------------------------------------------------- folders

std::wstring ModulePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD count = ::GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
    if (count == 0) return {};
    // A full buffer means the path was cut: try again with more room.
    if (count < path.size()) {
      path.resize(count);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

}  // namespace

Text RunDirectory() {
  std::wstring path = ModulePath();
  path.erase(std::min(path.size(), path.find_last_of(L"\\/")));
  return FromWide(WithoutTrailingBackslash(path));
}

Text WorkingDirectory() {
  const DWORD size = ::GetCurrentDirectoryW(0, nullptr);
  if (size == 0) return {};
  std::wstring path(size, L'\0');
  const DWORD count = ::GetCurrentDirectoryW(size, path.data());
  path.resize(count < size ? count : 0);
  return FromWide(WithoutTrailingBackslash(path));
}

// ---------------------------------------------------------------- files

bool FileExists(const Text& path) {
  const DWORD attributes = ::GetFileAttributesW(Wide(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DeleteFileAt(const Text& path) { return ::DeleteFileW(Wide(path).c_str()) != 0; }

bool WriteWholeFile(const Text& path, std::string_view bytes) {
  UniqueHandle file = OwnFile(::CreateFileW(Wide(path).c_str(),     // file name
                                            GENERIC_WRITE,          // access
                                            0,                      // no sharing while written
                                            nullptr,                // security
                                            CREATE_ALWAYS,          // replace an existing file
                                            FILE_ATTRIBUTE_NORMAL,  // attributes
                                            nullptr));              // template
  if (!file) return false;
  while (!bytes.empty()) {
    const DWORD chunk = DWORD(std::min<size_t>(bytes.size(), 1 << 20));
    DWORD written = 0;
    if (!::WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
    bytes.remove_prefix(written);
  }
  return ::CloseHandle(file.release()) != 0;
}

std::optional<std::string> ReadWholeFile(const Text& path) {
  UniqueHandle file = OwnFile(::CreateFileW(Wide(path).c_str(),                                     // file name
                                            GENERIC_READ,                                           // access
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,  // sharing
                                            nullptr,                                                // security
                                            OPEN_EXISTING,                                          // disposition
                                            FILE_ATTRIBUTE_NORMAL,                                  // attributes
                                            nullptr));                                              // template
  if (!file) return std::nullopt;
  LARGE_INTEGER size{};
  std::string bytes;
  if (::GetFileSizeEx(file, &size) && size.QuadPart > 0) bytes.reserve(size_t(size.QuadPart));
  char buffer[64 * 1024];
  for (;;) {
    DWORD read = 0;
    if (!::ReadFile(file, buffer, sizeof buffer, &read, nullptr)) return std::nullopt;
    if (read == 0) return bytes;
    bytes.append(buffer, read);
  }
}

}  // namespace platform
