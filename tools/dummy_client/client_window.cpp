#include "client_window.h"

namespace dummy_client {
namespace {

constexpr wchar_t kClassName[] = L"VelmoraDummyClient";
constexpr UINT_PTR kLifetimeTimer = 1;
constexpr int kWidth = 360;
constexpr int kHeight = 140;

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: {
      RECT client;
      ::GetClientRect(window, &client);
      HWND label = ::CreateWindowExW(0,                                  // no extended style
                                     L"STATIC",                          // class
                                     L"游戏客户端已启动（占位程序）",    // text
                                     WS_CHILD | WS_VISIBLE | SS_CENTER,  // style
                                     0,                                  // left
                                     client.bottom / 2 - 10,             // top
                                     client.right,                       // width
                                     24,                                 // height
                                     window,                             // parent
                                     nullptr,                            // no ID
                                     nullptr,                            // this module
                                     nullptr);                           // no creation data
      ::SendMessageW(label, WM_SETFONT, WPARAM(::GetStockObject(DEFAULT_GUI_FONT)), TRUE);
      return 0;
    }
    case WM_TIMER:
      if (wParam == kLifetimeTimer) ::DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      ::KillTimer(window, kLifetimeTimer);
      ::PostQuitMessage(0);
      return 0;
    default:
      return ::DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace

int RunClientWindow(HINSTANCE instance, int show, unsigned lifetimeMs) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = WindowProcedure;
  windowClass.hInstance = instance;
  windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hIcon = ::LoadIconW(nullptr, IDI_APPLICATION);
  windowClass.hbrBackground = HBRUSH(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kClassName;
  if (!::RegisterClassExW(&windowClass)) return 1;

  HWND window = ::CreateWindowExW(0,                                                  // no extended style
                                  kClassName,                                         // class
                                  kWindowTitle,                                       // title
                                  WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,  // fixed size
                                  CW_USEDEFAULT,                                      // left
                                  CW_USEDEFAULT,                                      // top
                                  kWidth,                                             // width
                                  kHeight,                                            // height
                                  nullptr,                                            // no owner
                                  nullptr,                                            // no menu
                                  instance,                                           // module
                                  nullptr);                                           // no creation data
  if (!window) return 1;
  ::ShowWindow(window, show);
  ::UpdateWindow(window);
  // USER_TIMER_MINIMUM stands in for 0: the window still shows once.
  ::SetTimer(window, kLifetimeTimer, lifetimeMs, nullptr);

  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  return 0;
}

}  // namespace dummy_client
