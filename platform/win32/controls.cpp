// The common base of the controls, the small kinds (button, progress bar,
// timer, browser) and the factory that picks a kind's class.
#include "platform/win32/controls.h"

#include <commctrl.h>

#include <algorithm>

#include "platform/win32/fonts.h"
#include "platform/win32/form_window.h"
#include "platform/win32/offscreen.h"
#include "platform/win32/picture.h"
#include "platform/win32/ui_thread.h"
#include "platform/win32/wide.h"

namespace platform::win32 {

// ---------------------------------------------------------------- the base

WinControl::WinControl(FormWindow& window, const ControlSpec& spec, int id)
    : window_(window),
      spec_(spec),
      id_(id),
      visible_(spec.visible),
      enabled_(spec.enabled),
      pageShown_(spec.tabControl.empty() || spec.tabPage == 0),
      bounds_{spec.left, spec.top, spec.width, spec.height} {}

WinControl::~WinControl() = default;

DWORD WinControl::BaseStyle() const {
  DWORD style = WS_CHILD;
  if (visible_ && pageShown_ && CanShow()) style |= WS_VISIBLE;
  if (!enabled_) style |= WS_DISABLED;
  return style;
}

void WinControl::AddBorder(DWORD& style, DWORD& exStyle) const {
  if (spec_.border == Border::Single) style |= WS_BORDER;
  if (spec_.border == Border::Sunken) exStyle |= WS_EX_CLIENTEDGE;
}

HWND WinControl::CreateChild(HWND parent, const wchar_t* className, DWORD style, DWORD exStyle,
                             const std::wstring& text) {
  const POINT origin = window_.OriginOf(spec_);
  hwnd_ = ::CreateWindowExW(exStyle,                                   // extended style
                            className,                                 // class
                            text.c_str(),                              // text
                            style,                                     // style
                            origin.x + bounds_.left,                   // left
                            origin.y + bounds_.top,                    // top
                            bounds_.width,                             // width
                            bounds_.height,                            // height
                            parent,                                    // the form's window
                            reinterpret_cast<HMENU>(INT_PTR(id_)),     // control ID
                            ModuleInstance(),                          // instance
                            nullptr);                                  // creation data
  if (hwnd_) ::SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(Font()), FALSE);
  return hwnd_;
}

HFONT WinControl::Font() const { return UiFont(spec_.fontHeight, spec_.bold); }

COLORREF WinControl::TextColour(COLORREF fallback) const {
  return spec_.textColour == kDefaultColour ? fallback : COLORREF(spec_.textColour & 0xFFFFFF);
}

Text WinControl::GetText() const {
  return OnUi([&] { return hwnd_ ? WindowText(hwnd_) : Text(); });
}

void WinControl::SetText(const Text& text) {
  OnUi([&] {
    if (hwnd_) ::SetWindowTextW(hwnd_, Wide(text).c_str());
  });
}

void WinControl::ApplyShown() {
  if (hwnd_ && CanShow()) ::ShowWindow(hwnd_, visible_ && pageShown_ ? SW_SHOWNA : SW_HIDE);
}

void WinControl::SetVisible(bool visible) {
  OnUi([&] {
    visible_ = visible;
    ApplyShown();
  });
}

void WinControl::SetPageShown(bool shown) {
  pageShown_ = shown;
  ApplyShown();
}

void WinControl::SetEnabled(bool enabled) {
  OnUi([&] {
    enabled_ = enabled;
    if (hwnd_) ::EnableWindow(hwnd_, enabled);
  });
}

Rect WinControl::GetBounds() const {
  return OnUi([&] { return bounds_; });
}

void WinControl::SetBounds(const Rect& bounds) {
  OnUi([&] {
    bounds_ = bounds;
    MoveToBounds();
  });
}

void WinControl::MoveToBounds() {
  if (!hwnd_) return;
  const POINT origin = window_.OriginOf(spec_);
  ::MoveWindow(hwnd_, origin.x + bounds_.left, origin.y + bounds_.top, bounds_.width, bounds_.height, TRUE);
}

namespace {

// ---------------------------------------------------------------- button

// A push button with a caption, or with a face picture instead. A face is
// drawn by the button itself (owner-drawn): a bitmap button that is disabled
// shows no picture at all on some systems.
class ButtonControl final : public WinControl {
 public:
  using WinControl::WinControl;

  void Create(HWND parent) override {
    LoadFace(spec_.pictures.normal);
    const DWORD style = BaseStyle() | WS_TABSTOP | (face_.empty() ? BS_PUSHBUTTON : BS_OWNERDRAW);
    CreateChild(parent, WC_BUTTONW, style, 0, WideFromUtf8(spec_.text));
  }

  void OnCommand(int code) override {
    // A disabled button never clicks, also when BM_CLICK is sent to it.
    if (code == BN_CLICKED && enabled_) window_.Raise(*this, Event::Click);
  }

  bool OnDrawItem(const DRAWITEMSTRUCT& item) override {
    const int width = item.rcItem.right - item.rcItem.left, height = item.rcItem.bottom - item.rcItem.top;
    if (face_.empty()) return false;
    // Centred (a face larger than the button is cut evenly); pressed moves it down a pixel.
    const int shift = (item.itemState & ODS_SELECTED) ? 1 : 0;
    const Picture& face = (item.itemState & ODS_DISABLED) ? greyFace_ : face_;
    PaintOffscreen(item.hDC, item.rcItem.left, item.rcItem.top, width, height, [&](HDC dc) {
      window_.PaintBackdrop(dc, hwnd_, false);
      face.Draw(dc, (width - face.width()) / 2 + shift, (height - face.height()) / 2 + shift);
    });
    return true;
  }

  void SetEnabled(bool enabled) override {
    WinControl::SetEnabled(enabled);
    OnUi([&] {
      if (hwnd_) ::InvalidateRect(hwnd_, nullptr, FALSE);
    });
  }

  void SetPicture(std::span<const unsigned char> bytes) override {
    OnUi([&] {
      LoadFace(bytes);
      if (!hwnd_) return;
      const LONG_PTR style = ::GetWindowLongPtrW(hwnd_, GWL_STYLE) & ~LONG_PTR(BS_TYPEMASK);
      ::SetWindowLongPtrW(hwnd_, GWL_STYLE, style | (face_.empty() ? BS_PUSHBUTTON : BS_OWNERDRAW));
      ::InvalidateRect(hwnd_, nullptr, TRUE);
    });
  }

  std::vector<unsigned char> GetPicture() const override {
    return OnUi([&] { return picture_; });
  }

 private:
  void LoadFace(std::span<const unsigned char> bytes) {
    picture_.assign(bytes.begin(), bytes.end());
    face_ = Picture::Decode(picture_);
    greyFace_ = Picture::Greyed(picture_);
  }

  std::vector<unsigned char> picture_;
  Picture face_;
  Picture greyFace_;
};

// ---------------------------------------------------------------- progress bar

class ProgressBarControl final : public WinControl {
 public:
  using WinControl::WinControl;

  void Create(HWND parent) override {
    CreateChild(parent, PROGRESS_CLASSW, BaseStyle() | (spec_.smooth ? PBS_SMOOTH : 0), 0, L"");
    if (!hwnd_) return;
    ::SendMessageW(hwnd_, PBM_SETRANGE32, 0, std::max(spec_.maximum, 0));
    ::SendMessageW(hwnd_, PBM_SETPOS, 0, 0);
  }

  Text GetText() const override { return {}; }
  void SetText(const Text&) override {}
  int GetMaximum() const override { return spec_.maximum; }

  int GetPosition() const override {
    return OnUi([&] { return hwnd_ ? int(::SendMessageW(hwnd_, PBM_GETPOS, 0, 0)) : position_; });
  }

  void SetPosition(int position) override {
    OnUi([&] {
      // The bar keeps its position within its range; so does the inert copy.
      position_ = std::clamp(position, 0, std::max(spec_.maximum, 0));
      if (hwnd_) ::SendMessageW(hwnd_, PBM_SETPOS, WPARAM(position), 0);
    });
  }

  void Detach() override {
    if (hwnd_) position_ = int(::SendMessageW(hwnd_, PBM_GETPOS, 0, 0));
    WinControl::Detach();
  }

 private:
  int position_ = 0;
};

// ---------------------------------------------------------------- timer

// No window of its own: a Windows timer on the form's window, with the
// control's ID as the timer's. Enabled means running.
class TimerControl final : public WinControl {
 public:
  using WinControl::WinControl;

  void Create(HWND parent) override {
    owner_ = parent;
    Restart();
  }

  Text GetText() const override { return {}; }
  void SetText(const Text&) override {}

  void SetEnabled(bool enabled) override {
    OnUi([&] {
      enabled_ = enabled;
      Restart();
    });
  }

  void OnTimer() override { window_.Raise(*this, Event::Timer); }
  void Detach() override { owner_ = nullptr; }  // the window's timers die with it

 private:
  void Restart() {
    if (!owner_) return;
    ::KillTimer(owner_, UINT_PTR(id_));
    if (enabled_ && spec_.periodMs > 0) ::SetTimer(owner_, UINT_PTR(id_), UINT(spec_.periodMs), nullptr);
  }

  HWND owner_ = nullptr;
};

// ---------------------------------------------------------------- browser

// The least a hypertext browser needs here: it holds its address (as the
// text of a static that is never shown, so a test can read it) and never
// navigates.
class BrowserControl final : public WinControl {
 public:
  using WinControl::WinControl;

  void Create(HWND parent) override { CreateChild(parent, WC_STATICW, BaseStyle() | SS_NOPREFIX, 0, L""); }
  bool CanShow() const override { return false; }
  Text GetText() const override { return {}; }
  void SetText(const Text&) override {}

  void SetAddress(const Text& address) override {
    OnUi([&] {
      address_ = address;
      if (hwnd_) ::SetWindowTextW(hwnd_, Wide(address).c_str());
    });
  }

  Text GetAddress() const override {
    return OnUi([&] { return address_; });
  }

 private:
  Text address_;
};

}  // namespace

// ---------------------------------------------------------------- the factory

std::unique_ptr<WinControl> MakeControl(FormWindow& window, const ControlSpec& spec, int id) {
  switch (spec.kind) {
    case ControlKind::PictureButton: return MakePictureButton(window, spec, id);
    case ControlKind::Button: return std::make_unique<ButtonControl>(window, spec, id);
    case ControlKind::TransparentLabel:
    case ControlKind::Label: return MakeLabel(window, spec, id);
    case ControlKind::Edit: return MakeEdit(window, spec, id);
    case ControlKind::Tab: return MakeTabControl(window, spec, id);
    case ControlKind::PictureBox: return MakePictureBox(window, spec, id);
    case ControlKind::ProgressBar: return std::make_unique<ProgressBarControl>(window, spec, id);
    case ControlKind::Timer: return std::make_unique<TimerControl>(window, spec, id);
    case ControlKind::ListView: return MakeListView(window, spec, id);
    case ControlKind::Browser: return std::make_unique<BrowserControl>(window, spec, id);
  }
  return std::make_unique<BrowserControl>(window, spec, id);
}

}  // namespace platform::win32
