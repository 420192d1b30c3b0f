// GBK <-> UTF-16 with code page 936, and the wide-string helpers of the backend.
#include "platform/text.h"

#include "platform/win32/wide.h"

namespace platform {
namespace win32 {
namespace {

std::wstring WideFromCodePage(UINT codePage, std::string_view bytes) {
  if (bytes.empty()) return {};
  const int size = int(bytes.size());
  const int count = ::MultiByteToWideChar(codePage, 0, bytes.data(), size, nullptr, 0);
  if (count <= 0) return {};
  std::wstring out(size_t(count), L'\0');
  ::MultiByteToWideChar(codePage, 0, bytes.data(), size, out.data(), count);
  return out;
}

}  // namespace

std::wstring Wide(std::string_view gbk) { return WideFromCodePage(kGbkCodePage, gbk); }

std::wstring WideFromUtf8(std::string_view utf8) { return WideFromCodePage(CP_UTF8, utf8); }

Text FromWide(std::wstring_view utf16) {
  if (utf16.empty()) return {};
  const int size = int(utf16.size());
  // No best fit: a character GBK lacks becomes '?', never a look-alike letter.
  const DWORD flags = WC_NO_BEST_FIT_CHARS;
  const int count = ::WideCharToMultiByte(kGbkCodePage, flags, utf16.data(), size, nullptr, 0, "?", nullptr);
  if (count <= 0) return {};
  Text out(size_t(count), '\0');
  ::WideCharToMultiByte(kGbkCodePage,  // code page
                        flags,         // no best-fit mapping
                        utf16.data(),  // source
                        size,          // source length
                        out.data(),    // target
                        count,         // target size
                        "?",           // default character
                        nullptr);      // was the default used: not needed
  return out;
}

Text WindowText(HWND window) {
  std::wstring text(size_t(::GetWindowTextLengthW(window)) + 1, L'\0');
  const int count = ::GetWindowTextW(window, text.data(), int(text.size()));
  text.resize(size_t(count > 0 ? count : 0));
  return FromWide(text);
}

}  // namespace win32

std::u16string Utf16FromGbk(std::string_view gbk) {
  const std::wstring wide = win32::Wide(gbk);
  return std::u16string(wide.begin(), wide.end());
}

Text GbkFromUtf16(std::u16string_view utf16) {
  return win32::FromWide(std::wstring(utf16.begin(), utf16.end()));
}

}  // namespace platform
