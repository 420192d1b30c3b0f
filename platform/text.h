// GBK texts: the form every text takes inside the launcher (controls, files, wire).
#pragma once

#include <string>
#include <string_view>

namespace platform {

// A text is a GBK (code page 936) byte string; comparisons are byte for byte.
using Text = std::string;

// Converts a UTF-8 string (a source literal, a tool's argument) to GBK.
// Characters GBK cannot hold become '?'.
Text Gbk(std::string_view utf8);

// Converts GBK bytes to UTF-8 (for tools, logs of tests, Linux file names).
std::string Utf8(std::string_view gbk);

// The two conversions between GBK and UTF-16 are the backend's (code page 936
// on Windows, iconv on Linux); UTF-8 <-> UTF-16 is portable.
std::u16string Utf16FromGbk(std::string_view gbk);
Text GbkFromUtf16(std::u16string_view utf16);
std::u16string Utf16FromUtf8(std::string_view utf8);
std::string Utf8FromUtf16(std::u16string_view utf16);

// The text up to its first zero byte: how received bytes become a text.
Text TextUpToZero(std::string_view bytes);

// True when byte b starts a GBK double-byte character (high bit set).
constexpr bool IsGbkLeadByte(unsigned char b) { return b >= 0x80; }

}  // namespace platform
