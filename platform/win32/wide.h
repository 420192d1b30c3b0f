// UTF-16 at the window boundary: the launcher's GBK texts become the wide
// strings of the W API here, with code page 936 whatever the system's locale.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "platform/text.h"

namespace platform::win32 {

constexpr UINT kGbkCodePage = 936;

std::wstring Wide(std::string_view gbk);
Text FromWide(std::wstring_view utf16);

// Form tables hold UTF-8 literals.
std::wstring WideFromUtf8(std::string_view utf8);

// A window's text as GBK.
Text WindowText(HWND window);

}  // namespace platform::win32
