// Edit boxes: normal, password, integer, read-only, multi-line, centred,
// with a length limit and a text colour.
#include <windows.h>
#include <commctrl.h>

#include "platform/win32/controls.h"
#include "platform/win32/wide.h"

namespace platform::win32 {
namespace {

class EditControl final : public WinControl {
 public:
  using WinControl::WinControl;

  void Create(HWND parent) override {
    DWORD style = BaseStyle() | WS_TABSTOP | (spec_.centred ? ES_CENTER : ES_LEFT);
    DWORD exStyle = 0;
    style |= spec_.multiline ? ES_MULTILINE | ES_AUTOVSCROLL : ES_AUTOHSCROLL;
    if (spec_.password && !spec_.multiline) style |= ES_PASSWORD;
    if (spec_.integer) style |= ES_NUMBER;
    if (spec_.readOnly) style |= ES_READONLY;
    AddBorder(style, exStyle);
    CreateChild(parent, WC_EDITW, style, exStyle, WideFromUtf8(spec_.text));
    if (!hwnd_) return;
    // The masking character differs between versions of the edit control.
    if (spec_.password) ::SendMessageW(hwnd_, EM_SETPASSWORDCHAR, L'*', 0);
    // What a player may type; WM_SETTEXT from the program is not limited.
    if (spec_.maxLength > 0) ::SendMessageW(hwnd_, EM_SETLIMITTEXT, WPARAM(spec_.maxLength), 0);
  }

  HBRUSH OnColour(HDC dc) override {
    // Read-only and disabled boxes ask through WM_CTLCOLORSTATIC and keep the face colour.
    const int background = spec_.readOnly || !enabled_ ? COLOR_BTNFACE : COLOR_WINDOW;
    ::SetTextColor(dc, TextColour(::GetSysColor(COLOR_WINDOWTEXT)));
    ::SetBkColor(dc, ::GetSysColor(background));
    return ::GetSysColorBrush(background);
  }
};

}  // namespace

std::unique_ptr<WinControl> MakeEdit(FormWindow& window, const ControlSpec& spec, int id) {
  return std::make_unique<EditControl>(window, spec, id);
}

}  // namespace platform::win32
