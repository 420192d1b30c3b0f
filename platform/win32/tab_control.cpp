// The tab control: its pages hold the controls whose table rows name it.
#include <windows.h>
#include <commctrl.h>

#include "platform/win32/controls.h"
#include "platform/win32/form_window.h"
#include "platform/win32/ui_thread.h"
#include "platform/win32/wide.h"

namespace platform::win32 {
namespace {

class TabControl final : public WinControl {
 public:
  using WinControl::WinControl;

  void Create(HWND parent) override {
    // WS_CLIPSIBLINGS: it never paints over its pages' controls, which are its siblings.
    CreateChild(parent, WC_TABCONTROLW, BaseStyle() | WS_TABSTOP | WS_CLIPSIBLINGS, 0, L"");
    if (!hwnd_) return;
    for (size_t i = 0; i < spec_.tabs.size(); ++i) {
      std::wstring caption = WideFromUtf8(spec_.tabs[i]);
      TCITEMW item{};
      item.mask = TCIF_TEXT;
      item.pszText = caption.data();
      ::SendMessageW(hwnd_, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
    }
  }

  bool OnNotify(const NMHDR& header, LRESULT& result) override {
    if (header.code != TCN_SELCHANGE) return false;
    selected_ = int(::SendMessageW(hwnd_, TCM_GETCURSEL, 0, 0));
    window_.ShowSelectedPage(*this);
    window_.Raise(*this, Event::TabChanged);
    result = 0;
    return true;
  }

  Text GetText() const override { return {}; }
  void SetText(const Text&) override {}

  int GetSelectedTab() const override {
    return OnUi([&] { return selected_; });
  }

  void SetSelectedTab(int page) override {
    OnUi([&] {
      if (page < 0 || page >= int(spec_.tabs.size())) return;
      selected_ = page;
      if (hwnd_) ::SendMessageW(hwnd_, TCM_SETCURSEL, WPARAM(page), 0);
      window_.ShowSelectedPage(*this);
    });
  }

  void SetVisible(bool visible) override {
    WinControl::SetVisible(visible);
    OnUi([&] { window_.ShowSelectedPage(*this); });
  }

  void SetBounds(const Rect& bounds) override {
    WinControl::SetBounds(bounds);
    OnUi([&] { window_.MovePageControls(*this); });
  }

 private:
  int selected_ = 0;
};

}  // namespace

std::unique_ptr<WinControl> MakeTabControl(FormWindow& window, const ControlSpec& spec, int id) {
  return std::make_unique<TabControl>(window, spec, id);
}

}  // namespace platform::win32
