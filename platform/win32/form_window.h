// A window built from a form table: the Win32 side of platform::Window.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <vector>

#include "platform/toolkit.h"
#include "platform/win32/picture.h"

namespace platform::win32 {

class WinControl;

// Lives as long as anyone holds it. While its window exists the toolkit's
// list of live windows holds it too; once the window is destroyed the list
// lets go and its logic is released, both only when no portable code is on
// the UI thread's stack any more (a handler may have destroyed its own window).
class FormWindow final : public Window {
 public:
  FormWindow(const FormSpec& form, std::unique_ptr<WindowLogic> logic);
  ~FormWindow() override;

  // ---------------------------------------------------------------- Window
  const FormSpec& Form() const override { return form_; }
  Control& operator[](std::string_view name) override;
  bool Has(std::string_view name) const override;
  void On(std::string_view control, Event event, std::function<void()> handler) override;
  Text GetTitle() const override;
  void SetTitle(const Text& title) override;
  void Minimise() override;
  bool IsMinimised() const override;
  bool CutOutlineFromBackground() override;
  void Destroy() override;
  bool IsDestroyed() const override { return destroyed_; }

  // ---------------------------------------------------------------- for the toolkit (UI thread)
  // Creates the window and its controls, hidden. False when Windows refused.
  bool Build();
  // Bind, then Created: the logic's start.
  void StartLogic();
  void Show();
  HWND Handle() const { return hwnd_; }

  // Runs the handler bound to that event of the control, if any.
  void Raise(WinControl& control, Event event);

  // Paints what lies under a child window into dc (whose origin is the
  // child's top-left corner): the background picture, or the face colour on a
  // tab page; with pictures, also the picture controls under it.
  void PaintBackdrop(HDC dc, HWND child, bool withPictures) const;
  // A picture control changed: repaint the transparent labels that lie over it.
  void InvalidateLabelsOver(HWND child) const;

  // Where a control's positions count from: the window, or its tab control.
  POINT OriginOf(const ControlSpec& spec) const;
  // Shows the page controls of a tab control's selected page and hides the others.
  void ShowSelectedPage(const WinControl& tab);
  // A tab control moved: its page controls move with it.
  void MovePageControls(const WinControl& tab);

  // A modal window keeps the windows it disabled, and enables them again
  // before it goes, so that activation returns to them.
  void KeepDisabled(std::vector<HWND> windows) { disabledOthers_ = std::move(windows); }
  void EnableOthers();

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void PaintBackground(HDC dc, const RECT& area) const;
  // The title text in the form's title area, over the background.
  void PaintTitle(HDC dc) const;
  void OnDestroy();
  WinControl* ControlById(int id) const;
  WinControl* ControlByHandle(HWND child) const;
  WinControl* Find(std::string_view name) const;
  WinControl& Get(std::string_view name) const;

  FormSpec form_;  // a copy: its texts and pictures point into the program's static tables
  std::unique_ptr<WindowLogic> logic_;
  std::vector<std::unique_ptr<WinControl>> controls_;  // in table order; index + 1000 is the control ID
  Picture background_;
  HWND hwnd_ = nullptr;  // null once the window is gone
  std::atomic<bool> destroyed_{false};
  std::vector<HWND> disabledOthers_;
};

// True for the top-level windows of the toolkit's forms.
bool IsFormWindow(HWND window);

// True while a loaded window has not been destroyed.
bool AnyFormWindowLeft();

// Loads a form: builds it, runs its logic's start and shows it unless the
// logic destroyed it or the process is ending. Null when it could not be built.
std::shared_ptr<FormWindow> LoadForm(const FormSpec& form, std::unique_ptr<WindowLogic> logic,
                                     std::vector<HWND> disabledOthers);

}  // namespace platform::win32
