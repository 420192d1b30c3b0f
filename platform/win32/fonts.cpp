#include "platform/win32/fonts.h"

#include <map>
#include <mutex>
#include <utility>

#include "platform/win32/handles.h"
#include "platform/win32/no_destructor.h"

namespace platform::win32 {

HFONT UiFont(int height, bool bold) {
  static NoDestructor<std::mutex> mutex;
  static NoDestructor<std::map<std::pair<int, bool>, GdiObject<HFONT>>> fonts;
  if (height <= 0) height = kDefaultFontHeight;
  std::lock_guard lock(*mutex);
  GdiObject<HFONT>& font = (*fonts)[{height, bold}];
  if (!font) {
    font.reset(::CreateFontW(-height,                       // character height in pixels
                             0,                             // width: the face's own
                             0,                             // escapement
                             0,                             // orientation
                             bold ? FW_BOLD : FW_NORMAL,    // weight
                             FALSE,                         // italic
                             FALSE,                         // underline
                             FALSE,                         // strike-out
                             DEFAULT_CHARSET,               // let font linking find CJK glyphs
                             OUT_DEFAULT_PRECIS,            // output precision
                             CLIP_DEFAULT_PRECIS,           // clipping precision
                             CLEARTYPE_QUALITY,             // quality
                             DEFAULT_PITCH | FF_DONTCARE,   // pitch and family
                             L"Microsoft YaHei"));          // face
  }
  return font;
}

}  // namespace platform::win32
