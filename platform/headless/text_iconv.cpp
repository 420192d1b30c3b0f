// GBK <-> UTF-16 on glibc's iconv (code page 936).
#include <iconv.h>

#include <algorithm>
#include <cerrno>

#include "platform/text.h"

namespace platform {
namespace {

// Converts with iconv; an unconvertible sequence becomes the replacement and
// conversion goes on after it.
template <typename Out>
Out Convert(const char* to, const char* from, const char* in, size_t inBytes, size_t unit,
            typename Out::value_type replacement) {
  Out out;
  iconv_t cd = iconv_open(to, from);
  if (cd == iconv_t(-1)) return out;
  std::string buffer(inBytes * 4 + 16, '\0');
  char* src = const_cast<char*>(in);
  size_t srcLeft = inBytes;
  while (srcLeft > 0) {
    char* dst = buffer.data();
    size_t dstLeft = buffer.size();
    const size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    const size_t produced = size_t(dst - buffer.data());
    out.append(reinterpret_cast<const typename Out::value_type*>(buffer.data()), produced / sizeof(typename Out::value_type));
    if (r == size_t(-1)) {
      if (errno == E2BIG) continue;
      // EILSEQ or EINVAL: skip one character of input (a surrogate pair is one).
      out.push_back(replacement);
      size_t skip = unit;
      if (unit == 2 && srcLeft >= 4) {
        const unsigned char hi = static_cast<unsigned char>(src[1]);
        if (hi >= 0xD8 && hi < 0xDC) skip = 4;
      }
      skip = std::min(srcLeft, skip);
      src += skip;
      srcLeft -= skip;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  iconv_close(cd);
  return out;
}

}  // namespace

std::u16string Utf16FromGbk(std::string_view gbk) {
  return Convert<std::u16string>("UTF-16LE", "CP936", gbk.data(), gbk.size(), 1, u'\uFFFD');
}

Text GbkFromUtf16(std::u16string_view utf16) {
  return Convert<std::string>("CP936", "UTF-16LE", reinterpret_cast<const char*>(utf16.data()),
                              utf16.size() * 2, 2, '?');
}

}  // namespace platform
