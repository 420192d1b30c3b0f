// Profile files on GetPrivateProfileStringA / WritePrivateProfileStringA.
//
// Section, key and value travel as their GBK bytes through the A functions,
// which keeps them byte for byte whatever the system's code page. Only the
// path needs care: the A functions read it in the ANSI code page, so a path
// that code page cannot spell is handed over as its short (8.3) form.
#include "platform/profile.h"

#include <windows.h>

#include <optional>
#include <string>

#include "platform/win32/handles.h"
#include "platform/win32/wide.h"

namespace platform {
namespace {

// The path in the ANSI code page, or nothing when a character would be lost.
std::optional<std::string> AnsiPath(const std::wstring& path) {
  if (path.empty()) return std::string();
  BOOL lossy = FALSE;
  // A UTF-8 ANSI code page spells every path, and refuses the lossy flag.
  BOOL* const lossyFlag = ::GetACP() == CP_UTF8 ? nullptr : &lossy;
  const DWORD flags = lossyFlag ? WC_NO_BEST_FIT_CHARS : 0;
  const int size = int(path.size());
  const int count = ::WideCharToMultiByte(CP_ACP, flags, path.data(), size, nullptr, 0, nullptr, lossyFlag);
  if (count <= 0 || lossy) return std::nullopt;
  std::string out(size_t(count), '\0');
  ::WideCharToMultiByte(CP_ACP,                // the code page the A functions use
                        flags,                 // no best fit: a look-alike would name another file
                        path.data(),           // source
                        size,                  // source length
                        out.data(),            // target
                        count,                 // target size
                        nullptr,               // default character: the system's
                        lossyFlag);            // set when a character had no equivalent
  if (lossy) return std::nullopt;
  return out;
}

std::wstring ShortPath(const std::wstring& path) {
  const DWORD size = ::GetShortPathNameW(path.c_str(), nullptr, 0);
  if (size == 0) return {};
  std::wstring out(size, L'\0');
  const DWORD count = ::GetShortPathNameW(path.c_str(), out.data(), size);
  out.resize(count < size ? count : 0);
  return out;
}

// How the A functions will be told about the file. A short name only exists
// for an existing file, so a write creates the (empty) file first.
std::optional<std::string> PathForAnsiCall(const Text& path, bool forWriting) {
  const std::wstring wide = win32::Wide(path);
  if (auto ansi = AnsiPath(wide)) return ansi;
  if (forWriting) {
    win32::OwnFile(::CreateFileW(wide.c_str(),           // file name
                                 GENERIC_WRITE,          // access
                                 FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr,                // security
                                 OPEN_ALWAYS,            // keep an existing file as it is
                                 FILE_ATTRIBUTE_NORMAL,  // attributes
                                 nullptr));              // template
  }
  const std::wstring shortPath = ShortPath(wide);
  if (shortPath.empty()) return std::nullopt;
  return AnsiPath(shortPath);
}

constexpr DWORD kBufferSize = kProfileValueLimit + 1;

}  // namespace

Text ReadProfileValue(const Text& path, const Text& section, const Text& key) {
  std::string buffer(kBufferSize, '\0');
  DWORD count = 0;
  if (const auto ansiPath = PathForAnsiCall(path, false)) {
    count = ::GetPrivateProfileStringA(section.c_str(),    // section
                                       key.c_str(),        // key
                                       "",                 // default: empty
                                       buffer.data(),      // value
                                       kBufferSize,        // at most 10239 bytes and a zero
                                       ansiPath->c_str());  // file
  } else {
    // Without a spelling for the A functions (8.3 names switched off), the W
    // functions still find the file; texts then pass through the ANSI code page.
    std::wstring wide(kBufferSize, L'\0');
    const DWORD wideCount = ::GetPrivateProfileStringW(win32::Wide(section).c_str(),  // section
                                                       win32::Wide(key).c_str(),      // key
                                                       L"",                           // default: empty
                                                       wide.data(),                   // value
                                                       kBufferSize,                   // room
                                                       win32::Wide(path).c_str());    // file
    wide.resize(wideCount);
    return win32::FromWide(wide);
  }
  buffer.resize(count);
  return buffer;
}

bool WriteProfileValue(const Text& path, const Text& section, const Text& key, const Text& value) {
  if (const auto ansiPath = PathForAnsiCall(path, true)) {
    return ::WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), ansiPath->c_str()) != 0;
  }
  return ::WritePrivateProfileStringW(win32::Wide(section).c_str(),        // section
                                      win32::Wide(key).c_str(),            // key
                                      win32::Wide(value).c_str(),          // value
                                      win32::Wide(path).c_str()) != 0;     // file
}

}  // namespace platform
