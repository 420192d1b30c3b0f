// The toolkit's one UI font face, in the sizes and weights the forms ask for.
#pragma once

#include <windows.h>

namespace platform::win32 {

constexpr int kDefaultFontHeight = 14;  // pixels

// A shared font of that character height (0: the default), bold or not.
// Fonts live as long as the process; controls only borrow them.
HFONT UiFont(int height, bool bold);

}  // namespace platform::win32
