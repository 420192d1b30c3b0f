// Picture boxes: show the picture of image-file bytes, centred, scaled down
// (keeping its proportions) when it is larger than the box.
#include <algorithm>
#include <cmath>

#include "platform/win32/controls.h"
#include "platform/win32/form_window.h"
#include "platform/win32/gdiplus_images.h"
#include "platform/win32/handles.h"
#include "platform/win32/offscreen.h"
#include "platform/win32/picture.h"
#include "platform/win32/ui_thread.h"

namespace platform::win32 {
namespace {

constexpr wchar_t kPictureBoxClass[] = L"LauncherPictureBox";

class PictureBoxControl final : public WinControl {
 public:
  using WinControl::WinControl;

  void Create(HWND parent) override {
    RegisterWindowClass();
    DWORD style = BaseStyle() | WS_CLIPSIBLINGS;
    DWORD exStyle = 0;
    AddBorder(style, exStyle);
    CreateChild(parent, kPictureBoxClass, style, exStyle, L"");
    if (!hwnd_) return;
    ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    Load(spec_.pictures.normal);
  }

  Text GetText() const override { return {}; }
  void SetText(const Text&) override {}
  bool IsPictureControl() const override { return true; }

  void SetPicture(std::span<const unsigned char> bytes) override {
    OnUi([&] {
      Load(bytes);
      if (!hwnd_) return;
      ::InvalidateRect(hwnd_, nullptr, FALSE);
      window_.InvalidateLabelsOver(hwnd_);
    });
  }

  std::vector<unsigned char> GetPicture() const override {
    return OnUi([&] { return bytes_; });
  }

  void PaintPicture(HDC dc, int x, int y) const override {
    if (image_.empty() || !hwnd_) return;
    RECT client;
    ::GetClientRect(hwnd_, &client);
    const int boxWidth = client.right, boxHeight = client.bottom;
    if (boxWidth <= 0 || boxHeight <= 0) return;
    int width = image_.width, height = image_.height;
    if (width > boxWidth || height > boxHeight) {
      const double scale = std::min(double(boxWidth) / width, double(boxHeight) / height);
      width = std::max(1, int(std::lround(width * scale)));
      height = std::max(1, int(std::lround(height * scale)));
    }
    // Resampled once per size, not at every paint.
    if (fitted_.empty() || fitted_.width() != width || fitted_.height() != height)
      fitted_ = Picture::FromImage(Resample(image_, width, height));
    fitted_.Draw(dc, x + (boxWidth - width) / 2, y + (boxHeight - height) / 2);
  }

  void Detach() override {
    if (hwnd_) ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    WinControl::Detach();
  }

 private:
  void Load(std::span<const unsigned char> bytes) {
    bytes_.assign(bytes.begin(), bytes.end());
    image_ = DecodeWithAlpha(bytes);
    fitted_ = Picture();
  }

  void Paint(HDC target) {
    RECT client;
    ::GetClientRect(hwnd_, &client);
    PaintOffscreen(target, 0, 0, client.right, client.bottom, [&](HDC dc) {
      window_.PaintBackdrop(dc, hwnd_, false);
      PaintPicture(dc, 0, 0);
    });
  }

  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<PictureBoxControl*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
      case WM_ERASEBKGND:
        return 1;
      case WM_PAINT:
        if (self) {
          PAINTSTRUCT paint;
          const HDC dc = ::BeginPaint(window, &paint);
          self->Paint(dc);
          ::EndPaint(window, &paint);
          return 0;
        }
        break;
      case WM_PRINTCLIENT:
        if (self) self->Paint(HDC(wParam));
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
  }

  static void RegisterWindowClass() {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (::GetClassInfoExW(ModuleInstance(), kPictureBoxClass, &existing)) return;
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = ModuleInstance();
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kPictureBoxClass;
    ::RegisterClassExW(&windowClass);
  }

  std::vector<unsigned char> bytes_;
  Image image_;             // straight alpha, as decoded
  mutable Picture fitted_;  // the image at the size it is shown
};

}  // namespace

std::unique_ptr<WinControl> MakePictureBox(FormWindow& window, const ControlSpec& spec, int id) {
  return std::make_unique<PictureBoxControl>(window, spec, id);
}

}  // namespace platform::win32
