// The report-style list view: columns from the table, rows of texts.
// Rows and columns count from 0.
#include <windows.h>
#include <commctrl.h>

#include "platform/win32/controls.h"
#include "platform/win32/ui_thread.h"
#include "platform/win32/wide.h"

namespace platform::win32 {
namespace {

class ListViewControl final : public WinControl {
 public:
  using WinControl::WinControl;

  void Create(HWND parent) override {
    DWORD style = BaseStyle() | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER;
    DWORD exStyle = 0;
    AddBorder(style, exStyle);
    CreateChild(parent, WC_LISTVIEWW, style, exStyle, L"");
    if (!hwnd_) return;
    ::SendMessageW(hwnd_, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    for (size_t i = 0; i < spec_.columns.size(); ++i) {
      std::wstring caption = WideFromUtf8(spec_.columns[i].caption);
      LVCOLUMNW column{};
      column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
      column.pszText = caption.data();
      column.cx = spec_.columns[i].width;
      column.iSubItem = int(i);
      ::SendMessageW(hwnd_, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
    }
  }

  Text GetText() const override { return {}; }
  void SetText(const Text&) override {}

  int AddRow() override {
    return OnUi([&] {
      if (!hwnd_) return -1;
      wchar_t empty[] = L"";
      LVITEMW item{};
      item.mask = LVIF_TEXT;
      item.iItem = int(::SendMessageW(hwnd_, LVM_GETITEMCOUNT, 0, 0));
      item.pszText = empty;
      return int(::SendMessageW(hwnd_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    });
  }

  int RowCount() const override {
    return OnUi([&] { return hwnd_ ? int(::SendMessageW(hwnd_, LVM_GETITEMCOUNT, 0, 0)) : 0; });
  }

  void SetCell(int row, int column, const Text& text) override {
    OnUi([&] {
      if (!hwnd_ || !IsCell(row, column)) return;
      std::wstring wide = Wide(text);
      LVITEMW item{};
      item.iSubItem = column;
      item.pszText = wide.data();
      ::SendMessageW(hwnd_, LVM_SETITEMTEXTW, WPARAM(row), reinterpret_cast<LPARAM>(&item));
    });
  }

  Text GetCell(int row, int column) const override {
    return OnUi([&] {
      if (!hwnd_ || !IsCell(row, column)) return Text();
      // The control copies at most the buffer's room: grow until it fits.
      for (size_t room = 256;; room *= 2) {
        std::wstring buffer(room, L'\0');
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = buffer.data();
        item.cchTextMax = int(room);
        const int count = int(::SendMessageW(hwnd_, LVM_GETITEMTEXTW, WPARAM(row), reinterpret_cast<LPARAM>(&item)));
        if (count < int(room) - 1 || room >= (1u << 20)) {
          buffer.resize(size_t(std::max(count, 0)));
          return FromWide(buffer);
        }
      }
    });
  }

 private:
  bool IsCell(int row, int column) const {
    return row >= 0 && column >= 0 && column < int(spec_.columns.size()) &&
           row < int(::SendMessageW(hwnd_, LVM_GETITEMCOUNT, 0, 0));
  }
};

}  // namespace

std::unique_ptr<WinControl> MakeListView(FormWindow& window, const ControlSpec& spec, int id) {
  return std::make_unique<ListViewControl>(window, spec, id);
}

}  // namespace platform::win32
