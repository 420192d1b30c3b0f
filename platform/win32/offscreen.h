// Painting a control off screen, then copying it in one go: no flicker while
// its backdrop and its picture or text are drawn one over the other.
#pragma once

#include <windows.h>

#include "platform/win32/handles.h"

namespace platform::win32 {

// Calls draw(dc) on a memory DC of width x height and copies the result to
// target at (x, y). Nothing happens for an empty size.
template <typename Draw>
void PaintOffscreen(HDC target, int x, int y, int width, int height, Draw&& draw) {
  if (width <= 0 || height <= 0) return;
  MemoryDc dc(::CreateCompatibleDC(target));
  GdiObject<HBITMAP> bitmap(::CreateCompatibleBitmap(target, width, height));
  SelectedObject selected(dc, bitmap);
  draw(HDC(dc));
  ::BitBlt(target, x, y, width, height, dc, 0, 0, SRCCOPY);
}

}  // namespace platform::win32
