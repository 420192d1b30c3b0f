#include "platform/text.h"

namespace platform {

std::u16string Utf16FromUtf8(std::string_view s) {
  std::u16string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    const unsigned char c = s[i];
    char32_t cp = 0xFFFD;
    size_t len = 1;
    if (c < 0x80) {
      cp = c;
    } else if ((c >> 5) == 0x6 && i + 1 < s.size()) {
      cp = (c & 0x1F) << 6 | (s[i + 1] & 0x3F), len = 2;
    } else if ((c >> 4) == 0xE && i + 2 < s.size()) {
      cp = (c & 0x0F) << 12 | (s[i + 1] & 0x3F) << 6 | (s[i + 2] & 0x3F), len = 3;
    } else if ((c >> 3) == 0x1E && i + 3 < s.size()) {
      cp = (c & 0x07) << 18 | (s[i + 1] & 0x3F) << 12 | (s[i + 2] & 0x3F) << 6 | (s[i + 3] & 0x3F), len = 4;
    }
    i += len;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(char16_t(0xD800 + (cp >> 10)));
      out.push_back(char16_t(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(char16_t(cp));
    }
  }
  return out;
}

std::string Utf8FromUtf16(std::u16string_view s) {
  std::string out;
  out.reserve(s.size() * 3);
  for (size_t i = 0; i < s.size(); ++i) {
    char32_t cp = s[i];
    if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    }
    if (cp < 0x80) {
      out.push_back(char(cp));
    } else if (cp < 0x800) {
      out.push_back(char(0xC0 | cp >> 6));
      out.push_back(char(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(char(0xE0 | cp >> 12));
      out.push_back(char(0x80 | (cp >> 6 & 0x3F)));
      out.push_back(char(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(char(0xF0 | cp >> 18));
      out.push_back(char(0x80 | (cp >> 12 & 0x3F)));
      out.push_back(char(0x80 | (cp >> 6 & 0x3F)));
      out.push_back(char(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

Text Gbk(std::string_view utf8) { return GbkFromUtf16(Utf16FromUtf8(utf8)); }

std::string Utf8(std::string_view gbk) { return Utf8FromUtf16(Utf16FromGbk(gbk)); }

Text TextUpToZero(std::string_view bytes) { return Text(bytes.substr(0, bytes.find('\0'))); }

}  // namespace platform
