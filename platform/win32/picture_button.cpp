// Picture buttons: owner-drawn buttons that show a picture per state
// (normal, hover, pressed, disabled), blended over the window's background.
#include <windows.h>
#include <commctrl.h>

#include "platform/win32/controls.h"
#include "platform/win32/form_window.h"
#include "platform/win32/handles.h"
#include "platform/win32/offscreen.h"
#include "platform/win32/picture.h"
#include "platform/win32/ui_thread.h"
#include "platform/win32/wide.h"

namespace platform::win32 {
namespace {

class PictureButtonControl final : public WinControl {
 public:
  using WinControl::WinControl;

  void Create(HWND parent) override {
    face_.assign(spec_.pictures.normal.begin(), spec_.pictures.normal.end());
    normal_ = Picture::Decode(spec_.pictures.normal);
    hover_ = Picture::Decode(spec_.pictures.hover);
    pressed_ = Picture::Decode(spec_.pictures.pressed);
    disabled_ = Picture::Decode(spec_.pictures.disabled);
    // WS_CLIPSIBLINGS: a transparent label over the button paints the button's picture itself.
    CreateChild(parent, WC_BUTTONW, BaseStyle() | BS_OWNERDRAW | WS_CLIPSIBLINGS, 0, WideFromUtf8(spec_.text));
    if (hwnd_) ::SetWindowSubclass(hwnd_, Subclass, 0, reinterpret_cast<DWORD_PTR>(this));
  }

  void OnCommand(int code) override {
    if (code == BN_CLICKED && enabled_) window_.Raise(*this, Event::Click);
  }

  bool OnDrawItem(const DRAWITEMSTRUCT& item) override {
    const int width = item.rcItem.right - item.rcItem.left, height = item.rcItem.bottom - item.rcItem.top;
    PaintOffscreen(item.hDC, item.rcItem.left, item.rcItem.top, width, height, [&](HDC dc) {
      window_.PaintBackdrop(dc, hwnd_, false);
      PictureFor(item.itemState).Draw(dc, 0, 0);
    });
    return true;
  }

  bool IsPictureControl() const override { return true; }

  void PaintPicture(HDC dc, int x, int y) const override {
    PictureFor(enabled_ ? 0 : ODS_DISABLED).Draw(dc, x, y);
  }

  void SetEnabled(bool enabled) override {
    WinControl::SetEnabled(enabled);
    OnUi([&] { Repaint(); });
  }

  // A new face serves every state.
  void SetPicture(std::span<const unsigned char> bytes) override {
    OnUi([&] {
      face_.assign(bytes.begin(), bytes.end());
      normal_ = Picture::Decode(bytes);
      hover_ = Picture();
      pressed_ = Picture();
      disabled_ = Picture();
      Repaint();
    });
  }

  std::vector<unsigned char> GetPicture() const override {
    return OnUi([&] { return face_; });
  }

 private:
  const Picture& PictureFor(UINT state) const {
    const auto orNormal = [this](const Picture& p) -> const Picture& { return p.empty() ? normal_ : p; };
    if (state & ODS_DISABLED) return orNormal(disabled_);
    if (state & ODS_SELECTED) return orNormal(pressed_);
    if (hovering_) return orNormal(hover_);
    return normal_;
  }

  void Repaint() {
    if (!hwnd_) return;
    ::InvalidateRect(hwnd_, nullptr, FALSE);
    window_.InvalidateLabelsOver(hwnd_);
  }

  static LRESULT CALLBACK Subclass(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
    auto* self = reinterpret_cast<PictureButtonControl*>(data);
    switch (message) {
      case WM_MOUSEMOVE:
        if (!self->hovering_) {
          // Ask for WM_MOUSELEAVE once the pointer leaves.
          TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, window, 0};
          ::TrackMouseEvent(&track);
          self->hovering_ = true;
          self->Repaint();
        }
        break;
      case WM_MOUSELEAVE:
        self->hovering_ = false;
        self->Repaint();
        break;
      case WM_LBUTTONDBLCLK:
        // Owner-drawn buttons turn a quick second click into a double click
        // and no BN_CLICKED: every press is a press here.
        return ::DefSubclassProc(window, WM_LBUTTONDOWN, wParam, lParam);
      case WM_ERASEBKGND:
        return 1;
      case WM_NCDESTROY:
        ::RemoveWindowSubclass(window, Subclass, 0);
        break;
    }
    return ::DefSubclassProc(window, message, wParam, lParam);
  }

  std::vector<unsigned char> face_;
  Picture normal_, hover_, pressed_, disabled_;
  bool hovering_ = false;
};

}  // namespace

std::unique_ptr<WinControl> MakePictureButton(FormWindow& window, const ControlSpec& spec, int id) {
  return std::make_unique<PictureButtonControl>(window, spec, id);
}

}  // namespace platform::win32
