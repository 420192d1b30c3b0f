// The controls of a form window: one class per kind over a common base that
// keeps the properties every kind shares.
#pragma once

#include <windows.h>

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "platform/toolkit.h"

namespace platform::win32 {

class FormWindow;

// Every public property may be called from any thread: it is carried out on
// the UI thread. Once the window is gone the control is inert: setters do
// nothing and getters read the last known state (or empty).
class WinControl : public Control {
 public:
  WinControl(FormWindow& window, const ControlSpec& spec, int id);
  ~WinControl() override;

  // ---------------------------------------------------------------- Control
  std::string_view Name() const override { return spec_.name; }
  ControlKind Kind() const override { return spec_.kind; }
  Text GetText() const override;
  void SetText(const Text& text) override;
  bool IsVisible() const override { return visible_; }
  void SetVisible(bool visible) override;
  bool IsEnabled() const override { return enabled_; }
  void SetEnabled(bool enabled) override;
  Rect GetBounds() const override;
  void SetBounds(const Rect& bounds) override;
  int GetPosition() const override { return 0; }
  void SetPosition(int) override {}
  int GetMaximum() const override { return 0; }
  void SetPicture(std::span<const unsigned char>) override {}
  std::vector<unsigned char> GetPicture() const override { return {}; }
  int AddRow() override { return -1; }
  int RowCount() const override { return 0; }
  void SetCell(int, int, const Text&) override {}
  Text GetCell(int, int) const override { return {}; }
  void SetAddress(const Text&) override {}
  Text GetAddress() const override { return {}; }
  int GetSelectedTab() const override { return 0; }
  void SetSelectedTab(int) override {}

  // ---------------------------------------------------------------- for the window (UI thread)
  // Creates the control's child window (timers start instead).
  virtual void Create(HWND parent) = 0;
  // WM_COMMAND, WM_NOTIFY, WM_CTLCOLOR*, WM_DRAWITEM, WM_TIMER addressed to it.
  virtual void OnCommand(int code) {}
  virtual bool OnNotify(const NMHDR& header, LRESULT& result) { return false; }
  virtual HBRUSH OnColour(HDC dc) { return nullptr; }
  virtual bool OnDrawItem(const DRAWITEMSTRUCT& item) { return false; }
  virtual void OnTimer() {}
  // Draws its picture, if it has one, with its client corner at (x, y): how a
  // transparent label shows the picture control under it.
  virtual void PaintPicture(HDC dc, int x, int y) const {}
  virtual bool IsPictureControl() const { return false; }
  // The window is being destroyed: from now on the control is inert.
  virtual void Detach() { hwnd_ = nullptr; }
  // False for kinds that never show a window of their own (the browser).
  virtual bool CanShow() const { return true; }

  HWND Handle() const { return hwnd_; }
  int Id() const { return id_; }
  const ControlSpec& Spec() const { return spec_; }
  bool OnTabPage() const { return !spec_.tabControl.empty(); }
  // Shown only when its own flag is on and its tab page (if any) is shown.
  void SetPageShown(bool shown);
  void MoveToBounds();

  const std::function<void()>& Handler(Event event) const { return handlers_[size_t(event)]; }
  void SetHandler(Event event, std::function<void()> handler) { handlers_[size_t(event)] = std::move(handler); }
  bool HasHandler(Event event) const { return bool(handlers_[size_t(event)]); }
  void ClearHandlers() { handlers_ = {}; }

 protected:
  // The common window styles: child, shown, enabled as the table says.
  DWORD BaseStyle() const;
  // The table's border as window styles.
  void AddBorder(DWORD& style, DWORD& exStyle) const;
  // Creates the child window at the control's place with the toolkit's font.
  HWND CreateChild(HWND parent, const wchar_t* className, DWORD style, DWORD exStyle, const std::wstring& text);
  HFONT Font() const;
  // The text colour: the table's, or the kind's default.
  COLORREF TextColour(COLORREF fallback) const;
  void ApplyShown();

  FormWindow& window_;        // owns this control
  const ControlSpec& spec_;  // in the window's copy of the form
  const int id_;
  HWND hwnd_ = nullptr;
  std::atomic<bool> visible_;  // the control's own flag, readable from any thread
  std::atomic<bool> enabled_;
  bool pageShown_;
  Rect bounds_;

 private:
  std::array<std::function<void()>, 5> handlers_;  // by Event
};

std::unique_ptr<WinControl> MakeControl(FormWindow& window, const ControlSpec& spec, int id);

// The kinds that live in files of their own.
std::unique_ptr<WinControl> MakePictureButton(FormWindow& window, const ControlSpec& spec, int id);
std::unique_ptr<WinControl> MakePictureBox(FormWindow& window, const ControlSpec& spec, int id);
std::unique_ptr<WinControl> MakeListView(FormWindow& window, const ControlSpec& spec, int id);
std::unique_ptr<WinControl> MakeTabControl(FormWindow& window, const ControlSpec& spec, int id);
std::unique_ptr<WinControl> MakeLabel(FormWindow& window, const ControlSpec& spec, int id);
std::unique_ptr<WinControl> MakeEdit(FormWindow& window, const ControlSpec& spec, int id);

}  // namespace platform::win32
