#include "platform/zip/entry_name.h"

#include <algorithm>

namespace platform::zip {
namespace {

constexpr uint16_t kUtf8NameFlag = 1 << 11;

bool IsAscii(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return (unsigned char)c < 0x80; });
}

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF. The shared
// decoder turns such bytes into U+FFFD, which would make two names collide.
bool IsValidUtf8(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    const unsigned char c = s[i];
    size_t length;
    char32_t min;
    if (c < 0x80) {
      ++i;
      continue;
    } else if ((c & 0xE0) == 0xC0) {
      length = 2, min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
      length = 3, min = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
      length = 4, min = 0x10000;
    } else {
      return false;
    }
    if (s.size() - i < length) return false;
    char32_t cp = c & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) {
      const unsigned char t = s[i + k];
      if ((t & 0xC0) != 0x80) return false;
      cp = cp << 6 | (t & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000)) return false;
    i += length;
  }
  return true;
}

std::optional<Text> GbkFromUtf8Exactly(std::string_view utf8) {
  if (IsAscii(utf8)) return Text(utf8);
  if (!IsValidUtf8(utf8)) return std::nullopt;
  const std::u16string utf16 = Utf16FromUtf8(utf8);
  Text gbk = GbkFromUtf16(utf16);
  // The conversion puts '?' for what GBK lacks; only a round trip proves nothing was lost.
  if (Utf16FromGbk(gbk) != utf16) return std::nullopt;
  return gbk;
}

}  // namespace

std::optional<Text> EntryNameAsGbk(const ZipEntry& entry) {
  if (entry.flags & kUtf8NameFlag) return GbkFromUtf8Exactly(entry.name);
  if (entry.unicodeName) return GbkFromUtf8Exactly(*entry.unicodeName);
  if (IsAscii(entry.name)) return entry.name;
  // A GBK name must decode and encode back to the same bytes, or the file on disk would
  // bear another name than the one checked.
  if (GbkFromUtf16(Utf16FromGbk(entry.name)) != entry.name) return std::nullopt;
  return entry.name;
}

}  // namespace platform::zip
