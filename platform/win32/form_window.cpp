// Windows built from form tables: creation, painting, message routing,
// destruction, and the loading of modeless and modal windows.
#include "platform/win32/form_window.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/win32/control_ids.h"
#include "platform/win32/controls.h"
#include "platform/win32/fonts.h"
#include "platform/win32/no_destructor.h"
#include "platform/win32/resources/resource_ids.h"
#include "platform/win32/ui_thread.h"
#include "platform/win32/wide.h"

namespace platform::win32 {
namespace {

// The windows whose window exists, in the order they were loaded (UI thread only).
NoDestructor<std::vector<std::shared_ptr<FormWindow>>> liveWindows;

// Asking for a control the form lacks is a program error: say which, and stop.
[[noreturn]] void UnknownControl(std::string_view form, std::string_view name) {
  char message[256];
  std::snprintf(message, sizeof message, "form %.*s has no control %.*s\n", int(form.size()), form.data(),
                int(name.size()), name.data());
  std::fputs(message, stderr);
  ::OutputDebugStringA(message);  // a GUI program's stderr goes nowhere
  std::abort();
}

void RegisterFormClass(const std::wstring& className, WNDPROC procedure) {
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof existing;
  if (::GetClassInfoExW(ModuleInstance(), className.c_str(), &existing)) return;
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = ModuleInstance();
  windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = nullptr;  // the window paints its own background
  // The program's icon for the taskbar and Alt+Tab (absent in programs without our resources).
  windowClass.hIcon = HICON(::LoadImageW(ModuleInstance(), MAKEINTRESOURCEW(LAUNCHER_ICON_ID), IMAGE_ICON,
                                         ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON), 0));
  windowClass.hIconSm = HICON(::LoadImageW(ModuleInstance(), MAKEINTRESOURCEW(LAUNCHER_ICON_ID), IMAGE_ICON,
                                           ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), 0));
  windowClass.lpszClassName = className.c_str();
  ::RegisterClassExW(&windowClass);
}

RECT Overlap(HWND a, HWND b, HWND parent) {
  RECT ra, rb, overlap{};
  ::GetWindowRect(a, &ra);
  ::GetWindowRect(b, &rb);
  ::IntersectRect(&overlap, &ra, &rb);
  ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&overlap), 2);
  return overlap;
}

// A child's client corner in its parent's client coordinates.
POINT ClientCorner(HWND child, HWND parent) {
  POINT corner{0, 0};
  ::MapWindowPoints(child, parent, &corner, 1);
  return corner;
}

}  // namespace

// ---------------------------------------------------------------- construction

FormWindow::FormWindow(const FormSpec& form, std::unique_ptr<WindowLogic> logic)
    : form_(form), logic_(std::move(logic)) {}

FormWindow::~FormWindow() = default;

bool FormWindow::Build() {
  const std::wstring className = FormClassName(form_.name);
  RegisterFormClass(className, Procedure);
  // Frameless, with a taskbar entry that bears the title; WS_CLIPCHILDREN is
  // safe because every control paints what lies under it itself.
  const DWORD style = WS_POPUP | WS_MINIMIZEBOX | WS_SYSMENU | WS_CLIPCHILDREN;
  const DWORD exStyle = WS_EX_APPWINDOW;
  RECT frame{0, 0, form_.width, form_.height};
  ::AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  const int width = frame.right - frame.left, height = frame.bottom - frame.top;
  int left = form_.left, top = form_.top;
  if (left < 0 || top < 0) {
    RECT work{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    if (left < 0) left = work.left + (work.right - work.left - width) / 2;
    if (top < 0) top = work.top + (work.bottom - work.top - height) / 2;
  }
  background_ = Picture::Decode(form_.background);
  ::CreateWindowExW(exStyle,                           // extended style
                    className.c_str(),                 // class
                    WideFromUtf8(form_.title).c_str(), // title
                    style,                             // style: hidden until shown
                    left, top,                         // position
                    width, height,                     // size: client size is the form's
                    nullptr,                           // no owner
                    nullptr,                           // no menu
                    ModuleInstance(),                  // instance
                    this);                             // for WM_NCCREATE
  if (!hwnd_) return false;

  // All controls exist before any is created, so page controls find their tab.
  controls_.reserve(form_.controls.size());
  for (size_t i = 0; i < form_.controls.size(); ++i)
    controls_.push_back(MakeControl(*this, form_.controls[i], ControlIdAt(i)));
  for (auto& control : controls_) control->Create(hwnd_);
  for (auto& control : controls_) {
    if (!control->Handle()) continue;
    // Tab controls lie under their pages' controls; transparent labels over
    // every picture (the lottery's marker walks over the prize boxes).
    if (control->Kind() == ControlKind::Tab) {
      ::SetWindowPos(control->Handle(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      ShowSelectedPage(*control);
    } else if (control->Kind() == ControlKind::TransparentLabel) {
      ::SetWindowPos(control->Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
  }
  return true;
}

void FormWindow::StartLogic() {
  const auto keep = shared_from_this();
  PortableCall portable;
  if (logic_ && !destroyed_) logic_->Bind(*this);
  if (logic_ && !destroyed_) logic_->Created();
}

void FormWindow::Show() {
  ::ShowWindow(hwnd_, SW_SHOWNORMAL);
  ::UpdateWindow(hwnd_);
  ::SetForegroundWindow(hwnd_);
}

// ---------------------------------------------------------------- controls and events

WinControl* FormWindow::ControlById(int id) const {
  const int index = id - kFirstControlId;
  if (index < 0 || index >= int(controls_.size())) return nullptr;
  return controls_[size_t(index)].get();
}

WinControl* FormWindow::ControlByHandle(HWND child) const {
  WinControl* control = child ? ControlById(::GetDlgCtrlID(child)) : nullptr;
  return control && control->Handle() == child ? control : nullptr;
}

WinControl* FormWindow::Find(std::string_view name) const {
  for (const auto& control : controls_)
    if (control->Name() == name) return control.get();
  return nullptr;
}

WinControl& FormWindow::Get(std::string_view name) const {
  WinControl* control = Find(name);
  if (!control) UnknownControl(form_.name, name);
  return *control;
}

Control& FormWindow::operator[](std::string_view name) { return Get(name); }

bool FormWindow::Has(std::string_view name) const { return Find(name) != nullptr; }

void FormWindow::On(std::string_view control, Event event, std::function<void()> handler) {
  WinControl& target = Get(control);
  OnUi([&] { target.SetHandler(event, std::move(handler)); });
}

void FormWindow::Raise(WinControl& control, Event event) {
  if (destroyed_) return;
  // A copy: the handler may bind another one in its place while it runs.
  const std::function<void()> handler = control.Handler(event);
  if (!handler) return;
  const auto keep = shared_from_this();
  PortableCall portable;
  handler();
}

POINT FormWindow::OriginOf(const ControlSpec& spec) const {
  if (spec.tabControl.empty()) return {0, 0};
  const WinControl* tab = Find(spec.tabControl);
  if (!tab) return {0, 0};
  const Rect bounds = tab->GetBounds();
  return {bounds.left, bounds.top};
}

void FormWindow::ShowSelectedPage(const WinControl& tab) {
  const int page = tab.GetSelectedTab();
  for (auto& control : controls_)
    if (control->Spec().tabControl == tab.Name())
      control->SetPageShown(tab.IsVisible() && control->Spec().tabPage == page);
}

void FormWindow::MovePageControls(const WinControl& tab) {
  for (auto& control : controls_)
    if (control->Spec().tabControl == tab.Name()) control->MoveToBounds();
}

// ---------------------------------------------------------------- properties of the window

Text FormWindow::GetTitle() const {
  return OnUi([&] { return hwnd_ ? WindowText(hwnd_) : Text(); });
}

void FormWindow::SetTitle(const Text& title) {
  OnUi([&] {
    if (!hwnd_) return;
    ::SetWindowTextW(hwnd_, Wide(title).c_str());
    const Rect& area = form_.titleArea;
    if (area.width > 0 && area.height > 0) {
      const RECT dirty{area.left, area.top, area.left + area.width, area.top + area.height};
      ::InvalidateRect(hwnd_, &dirty, FALSE);
    }
  });
}

void FormWindow::Minimise() {
  OnUi([&] {
    if (hwnd_) ::ShowWindow(hwnd_, SW_MINIMIZE);
  });
}

bool FormWindow::IsMinimised() const {
  return OnUi([&] { return hwnd_ && ::IsIconic(hwnd_); });
}

bool FormWindow::CutOutlineFromBackground() {
  return OnUi([&] {
    if (!hwnd_) return false;
    const Image picture = DecodePicture(form_.background);
    if (picture.empty()) return false;
    const std::vector<PixelRect> rects = OutlineWithoutMagenta(picture);
    // RGNDATA: a header followed by the rectangles.
    std::vector<unsigned char> data(sizeof(RGNDATAHEADER) + rects.size() * sizeof(RECT));
    auto* header = reinterpret_cast<RGNDATAHEADER*>(data.data());
    header->dwSize = sizeof(RGNDATAHEADER);
    header->iType = RDH_RECTANGLES;
    header->nCount = DWORD(rects.size());
    header->nRgnSize = DWORD(rects.size() * sizeof(RECT));
    header->rcBound = RECT{0, 0, picture.width, picture.height};
    auto* out = reinterpret_cast<RECT*>(data.data() + sizeof(RGNDATAHEADER));
    for (const PixelRect& r : rects) *out++ = RECT{r.x, r.y, r.x + r.width, r.y + r.height};
    GdiObject<HRGN> region(::ExtCreateRegion(nullptr,                                   // no transformation
                                             DWORD(data.size()),                        // size of the data
                                             reinterpret_cast<const RGNDATA*>(data.data())));
    if (!region) return false;
    if (!::SetWindowRgn(hwnd_, region, TRUE)) return false;
    region.release();  // the window owns it now
    return true;
  });
}

void FormWindow::Destroy() {
  OnUi([&] {
    if (!hwnd_ || destroyed_) return;
    EnableOthers();
    ::DestroyWindow(hwnd_);
  });
}

void FormWindow::EnableOthers() {
  for (HWND other : std::exchange(disabledOthers_, {}))
    if (::IsWindow(other)) ::EnableWindow(other, TRUE);
}

// ---------------------------------------------------------------- painting

void FormWindow::PaintBackground(HDC dc, const RECT& area) const {
  const RECT picture{0, 0, background_.width(), background_.height()};
  RECT covered{};
  ::IntersectRect(&covered, &area, &picture);
  if (!::EqualRect(&covered, &area)) ::FillRect(dc, &area, ::GetSysColorBrush(COLOR_BTNFACE));
  if (!::IsRectEmpty(&covered))
    background_.Copy(dc, covered.left, covered.top, covered.right - covered.left, covered.bottom - covered.top,
                     covered.left, covered.top);
}

void FormWindow::PaintTitle(HDC dc) const {
  const Rect& area = form_.titleArea;
  if (area.width <= 0 || area.height <= 0) return;
  const std::wstring title = Wide(WindowText(hwnd_));
  if (title.empty()) return;
  RECT box{area.left, area.top, area.left + area.width, area.top + area.height};
  const Colour colour = form_.titleColour == kDefaultColour ? Rgb(255, 232, 160) : form_.titleColour;
  const int oldMode = ::SetBkMode(dc, TRANSPARENT);
  const COLORREF oldColour = ::SetTextColor(dc, COLORREF(colour));
  const HGDIOBJ oldFont = ::SelectObject(dc, UiFont(form_.titleFontHeight, /*bold=*/true));
  ::DrawTextW(dc,
              title.c_str(),
              int(title.size()),
              &box,
              DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);  // format
  ::SelectObject(dc, oldFont);
  ::SetTextColor(dc, oldColour);
  ::SetBkMode(dc, oldMode);
}

void FormWindow::PaintBackdrop(HDC dc, HWND child, bool withPictures) const {
  RECT client;
  ::GetClientRect(child, &client);
  const POINT corner = ClientCorner(child, hwnd_);
  const WinControl* self = ControlByHandle(child);
  const WinControl* tab = self && self->OnTabPage() ? Find(self->Spec().tabControl) : nullptr;
  if (tab && tab->Handle()) {
    // On a tab page the tab control's body lies under it: let the tab control
    // paint itself (themed or not), with the child's corner as the origin.
    const POINT tabCorner = ClientCorner(tab->Handle(), hwnd_);
    POINT oldOrigin;
    ::SetWindowOrgEx(dc, corner.x - tabCorner.x, corner.y - tabCorner.y, &oldOrigin);
    ::SendMessageW(tab->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_ERASEBKGND);
    ::SetWindowOrgEx(dc, oldOrigin.x, oldOrigin.y, nullptr);
  } else if (self && self->OnTabPage()) {
    ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_BTNFACE));
  } else {
    // Paint as the window would, with the child's corner as the origin.
    POINT oldOrigin;
    ::SetWindowOrgEx(dc, corner.x, corner.y, &oldOrigin);
    PaintBackground(dc, RECT{corner.x, corner.y, corner.x + client.right, corner.y + client.bottom});
    ::SetWindowOrgEx(dc, oldOrigin.x, oldOrigin.y, nullptr);
  }
  if (!withPictures) return;
  for (const auto& control : controls_) {
    const HWND other = control->Handle();
    if (control.get() == self || !control->IsPictureControl() || !other || !::IsWindowVisible(other)) continue;
    RECT overlap = Overlap(child, other, hwnd_);
    if (::IsRectEmpty(&overlap)) continue;
    const POINT otherCorner = ClientCorner(other, hwnd_);
    RECT otherClient;
    ::GetClientRect(other, &otherClient);
    const int saved = ::SaveDC(dc);
    ::IntersectClipRect(dc, otherCorner.x - corner.x, otherCorner.y - corner.y,
                        otherCorner.x - corner.x + otherClient.right, otherCorner.y - corner.y + otherClient.bottom);
    control->PaintPicture(dc, otherCorner.x - corner.x, otherCorner.y - corner.y);
    ::RestoreDC(dc, saved);
  }
}

void FormWindow::InvalidateLabelsOver(HWND child) const {
  for (const auto& control : controls_) {
    const HWND label = control->Handle();
    if (control->Kind() != ControlKind::TransparentLabel || !label || label == child) continue;
    RECT overlap = Overlap(child, label, hwnd_);
    if (!::IsRectEmpty(&overlap)) ::InvalidateRect(label, nullptr, FALSE);
  }
}

// ---------------------------------------------------------------- messages

LRESULT CALLBACK FormWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<FormWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->hwnd_ = window;
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<FormWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!self) return ::DefWindowProcW(window, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    self->hwnd_ = nullptr;
    return ::DefWindowProcW(window, message, wParam, lParam);
  }
  return self->HandleMessage(message, wParam, lParam);
}

LRESULT FormWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCHITTEST: {
      // The background drags the window: a point that no control takes is caption.
      const LRESULT hit = ::DefWindowProcW(hwnd_, message, wParam, lParam);
      return hit == HTCLIENT ? HTCAPTION : hit;
    }
    case WM_NCLBUTTONDBLCLK:
      if (wParam == HTCAPTION) return 0;  // a double click on the background must not maximise
      break;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      const HDC dc = ::BeginPaint(hwnd_, &paint);
      PaintBackground(dc, paint.rcPaint);
      PaintTitle(dc);
      ::EndPaint(hwnd_, &paint);
      return 0;
    }
    case WM_PRINTCLIENT: {
      // Themed controls ask for what lies under their corners.
      RECT client;
      ::GetClientRect(hwnd_, &client);
      PaintBackground(HDC(wParam), client);
      return 0;
    }
    case WM_COMMAND:
      if (lParam)
        if (WinControl* control = ControlByHandle(HWND(lParam))) control->OnCommand(HIWORD(wParam));
      return 0;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      LRESULT result = 0;
      if (WinControl* control = ControlByHandle(header->hwndFrom))
        if (control->OnNotify(*header, result)) return result;
      break;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
      if (WinControl* control = ControlByHandle(HWND(lParam)))
        if (HBRUSH brush = control->OnColour(HDC(wParam))) return reinterpret_cast<LRESULT>(brush);
      break;
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (WinControl* control = ControlByHandle(item->hwndItem))
        if (control->OnDrawItem(*item)) return TRUE;
      break;
    }
    case WM_TIMER:
      if (WinControl* control = ControlById(int(wParam))) control->OnTimer();
      return 0;
    case WM_CLOSE:
      EnableOthers();
      ::DestroyWindow(hwnd_);
      return 0;
    case WM_DESTROY:
      OnDestroy();
      return 0;
  }
  return ::DefWindowProcW(hwnd_, message, wParam, lParam);
}

void FormWindow::OnDestroy() {
  destroyed_ = true;
  EnableOthers();
  const auto self = std::static_pointer_cast<FormWindow>(shared_from_this());
  {
    PortableCall portable;
    if (logic_) logic_->Destroying();
  }
  for (auto& control : controls_) control->Detach();
  // The handler that destroyed the window may still be running: let go of
  // the logic (and of the handlers, which may hold the window) only later.
  WhenIdle([self] {
    std::unique_ptr<WindowLogic> logic = std::move(self->logic_);
    for (auto& control : self->controls_) control->ClearHandlers();
    std::erase(*liveWindows, self);
    logic.reset();
  });
  // The message loop ends once no window is left; wake it to notice.
  if (!AnyFormWindowLeft()) WakeMessageLoop();
}

bool AnyFormWindowLeft() {
  return std::any_of(liveWindows->begin(), liveWindows->end(), [](const auto& w) { return !w->IsDestroyed(); });
}

bool IsFormWindow(HWND window) {
  return std::any_of(liveWindows->begin(), liveWindows->end(), [window](const auto& w) { return w->Handle() == window; });
}

// ---------------------------------------------------------------- loading

std::shared_ptr<FormWindow> LoadForm(const FormSpec& form, std::unique_ptr<WindowLogic> logic,
                                     std::vector<HWND> disabledOthers) {
  EnsureToolkit();
  auto window = std::make_shared<FormWindow>(form, std::move(logic));
  window->KeepDisabled(std::move(disabledOthers));
  if (!window->Build()) {
    window->EnableOthers();
    return nullptr;
  }
  liveWindows->push_back(window);
  window->StartLogic();
  if (!window->IsDestroyed() && !ProcessEnding()) window->Show();
  return window;
}

namespace {

BOOL CALLBACK CollectEnabledWindow(HWND window, LPARAM list) {
  if (::IsWindowVisible(window) && ::IsWindowEnabled(window))
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  return TRUE;
}

// The visible, enabled top-level windows of the UI thread, now disabled.
std::vector<HWND> DisableThreadWindows() {
  std::vector<HWND> windows;
  ::EnumThreadWindows(::GetCurrentThreadId(), CollectEnabledWindow, reinterpret_cast<LPARAM>(&windows));
  for (HWND window : windows) ::EnableWindow(window, FALSE);
  return windows;
}

}  // namespace
}  // namespace platform::win32

namespace platform {

std::shared_ptr<Window> LoadWindow(const FormSpec& form, std::unique_ptr<WindowLogic> logic) {
  std::shared_ptr<Window> window;
  win32::OnUi([&] { window = win32::LoadForm(form, std::move(logic), {}); });
  return window;
}

void RunModal(const FormSpec& form, std::unique_ptr<WindowLogic> logic) {
  win32::OnUi([&] {
    std::vector<HWND> disabled = win32::DisableThreadWindows();
    const auto window = win32::LoadForm(form, std::move(logic), std::move(disabled));
    if (!window) return;
    MSG message;
    while (!window->IsDestroyed()) {
      const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
      if (got <= 0) {
        if (got == 0) ::PostQuitMessage(int(message.wParam));  // for the outer loop
        break;
      }
      win32::DispatchOne(message);
    }
    window->EnableOthers();
  });
}

}  // namespace platform
