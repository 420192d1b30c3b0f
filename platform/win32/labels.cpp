// Labels: text on the window's face colour, and labels that paint what lies
// under them first: transparent labels (over the background picture) and
// labels on tab pages (over the tab control's body).
#include <windows.h>
#include <commctrl.h>

#include "platform/win32/controls.h"
#include "platform/win32/form_window.h"
#include "platform/win32/handles.h"
#include "platform/win32/offscreen.h"
#include "platform/win32/ui_thread.h"
#include "platform/win32/wide.h"

namespace platform::win32 {
namespace {

// The light gold of texts over the launcher's dark backgrounds.
constexpr COLORREF kTransparentLabelColour = RGB(255, 226, 150);

class LabelControl : public WinControl {
 public:
  using WinControl::WinControl;

  void Create(HWND parent) override {
    CreateChild(parent, WC_STATICW, BaseStyle() | SS_LEFT | SS_NOTIFY | SS_NOPREFIX, 0, WideFromUtf8(spec_.text));
    if (hwnd_) ::SetWindowSubclass(hwnd_, Subclass, 0, reinterpret_cast<DWORD_PTR>(this));
  }

  HBRUSH OnColour(HDC dc) override {
    ::SetTextColor(dc, TextColour(::GetSysColor(COLOR_WINDOWTEXT)));
    ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
    return ::GetSysColorBrush(COLOR_BTNFACE);
  }

 protected:
  // Messages of the static that the kind wants; false: the static's own handling.
  virtual bool Intercept(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) { return false; }

 private:
  static LRESULT CALLBACK Subclass(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
    auto* self = reinterpret_cast<LabelControl*>(data);
    LRESULT result = 0;
    switch (message) {
      case WM_NCHITTEST:
        // Without a mouse-down handler the label lets the press through, so
        // the window can be dragged by it like by its background.
        return self->HasHandler(Event::MouseDown) ? HTCLIENT : HTTRANSPARENT;
      case WM_LBUTTONDOWN:
        self->window_.Raise(*self, Event::MouseDown);
        return 0;
      case WM_NCDESTROY:
        ::RemoveWindowSubclass(window, Subclass, 0);
        break;
      default:
        if (self->Intercept(message, wParam, lParam, result)) return result;
    }
    return ::DefSubclassProc(window, message, wParam, lParam);
  }
};

// Paints itself: what lies under it (the background picture or the tab's
// body, and any picture control), then its text. So a new text never shows
// over the old one, and the lottery's marker shows over the prize picture it
// stands on.
class PaintedLabelControl final : public LabelControl {
 public:
  PaintedLabelControl(FormWindow& window, const ControlSpec& spec, int id)
      : LabelControl(window, spec, id),
        defaultColour_(spec.kind == ControlKind::TransparentLabel ? kTransparentLabelColour
                                                                  : ::GetSysColor(COLOR_WINDOWTEXT)) {}

  HBRUSH OnColour(HDC dc) override {
    // For any painting of the static's own: no background, text only.
    ::SetTextColor(dc, TextColour(defaultColour_));
    ::SetBkMode(dc, TRANSPARENT);
    return static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
  }

 protected:
  bool Intercept(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
    switch (message) {
      case WM_ERASEBKGND:
        result = 1;
        return true;
      case WM_PAINT: {
        PAINTSTRUCT paint;
        const HDC dc = ::BeginPaint(hwnd_, &paint);
        Paint(dc);
        ::EndPaint(hwnd_, &paint);
        return true;
      }
      case WM_PRINTCLIENT:
        Paint(HDC(wParam));
        return true;
      case WM_SETTEXT:
      case WM_ENABLE:
        // The static would paint the new text at once over the old: store the
        // text without it and repaint the whole label our way.
        result = message == WM_SETTEXT ? ::DefWindowProcW(hwnd_, message, wParam, lParam) : 0;
        ::InvalidateRect(hwnd_, nullptr, FALSE);
        return true;
    }
    return false;
  }

 private:
  void Paint(HDC target) {
    RECT client;
    ::GetClientRect(hwnd_, &client);
    std::wstring text(size_t(::GetWindowTextLengthW(hwnd_)) + 1, L'\0');
    text.resize(size_t(std::max(0, ::GetWindowTextW(hwnd_, text.data(), int(text.size())))));
    PaintOffscreen(target, 0, 0, client.right, client.bottom, [&](HDC dc) {
      window_.PaintBackdrop(dc, hwnd_, true);
      SelectedObject selectedFont(dc, Font());
      ::SetBkMode(dc, TRANSPARENT);
      ::SetTextColor(dc, enabled_ ? TextColour(defaultColour_) : ::GetSysColor(COLOR_GRAYTEXT));
      ::DrawTextW(dc, text.c_str(), int(text.size()), &client, DT_LEFT | DT_TOP | DT_WORDBREAK | DT_NOPREFIX);
    });
  }

  const COLORREF defaultColour_;
};

}  // namespace

std::unique_ptr<WinControl> MakeLabel(FormWindow& window, const ControlSpec& spec, int id) {
  if (spec.kind == ControlKind::TransparentLabel || !spec.tabControl.empty())
    return std::make_unique<PaintedLabelControl>(window, spec, id);
  return std::make_unique<LabelControl>(window, spec, id);
}

}  // namespace platform::win32
