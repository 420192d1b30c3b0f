// The UI thread's hidden message window and the hand-over of work to it.
#include "platform/win32/ui_thread.h"

#include <commctrl.h>
#include <objbase.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/win32/handles.h"
#include "platform/win32/no_destructor.h"

namespace platform {
namespace win32 {
namespace {

constexpr UINT kRunCallMessage = WM_APP + 1;   // lParam: a CallBox from another thread
constexpr UINT kIdleWorkMessage = WM_APP + 2;  // run the work waiting for an idle stack
constexpr wchar_t kMessageWindowClass[] = L"LauncherToolkitMessages";

std::atomic<DWORD> uiThreadId{0};
std::atomic<HWND> messageWindow{nullptr};
std::atomic<bool> ending{false};

// Touched on the UI thread only.
int portableDepth = 0;
bool idleWorkPosted = false;
NoDestructor<std::vector<std::function<void()>>> idleWork;

HANDLE EndingEvent() {
  static const HANDLE event = ::CreateEventW(nullptr,   // security
                                             TRUE,      // manual reset: stays set
                                             FALSE,     // not set yet
                                             nullptr);  // unnamed
  return event;
}

// ---------------------------------------------------------------- work from other threads

// One piece of work handed over by another thread. The caller waits for it;
// when the process ends first, the caller may abandon it as long as it has
// not started, and the UI thread then skips it.
struct Call {
  enum State { kWaiting, kRunning, kDone, kAbandoned };
  explicit Call(const std::function<void()>& w) : work(&w) {}
  const std::function<void()>* work;  // lives on the caller's stack until the call is done or abandoned
  std::atomic<int> state{kWaiting};
  UniqueHandle done{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
};
using CallBox = std::shared_ptr<Call>;

void RunCall(LPARAM lParam) {
  // The message carried ownership of one reference.
  const std::unique_ptr<CallBox> box(reinterpret_cast<CallBox*>(lParam));
  Call& call = **box;
  int expected = Call::kWaiting;
  if (!call.state.compare_exchange_strong(expected, Call::kRunning)) return;
  {
    PortableCall portable;
    (*call.work)();
  }
  call.state = Call::kDone;
  ::SetEvent(call.done);
}

// ---------------------------------------------------------------- work for an idle stack

void PostIdleWorkIfDue() {
  if (portableDepth != 0 || idleWork->empty() || idleWorkPosted) return;
  if (HWND window = messageWindow.load()) idleWorkPosted = ::PostMessageW(window, kIdleWorkMessage, 0, 0) != 0;
}

void RunIdleWork() {
  idleWorkPosted = false;
  // Dispatched by a loop nested inside portable code: wait for the outermost one.
  if (portableDepth != 0) return;
  std::vector<std::function<void()>> work;
  work.swap(*idleWork);
  for (auto& item : work) item();
  PostIdleWorkIfDue();
}

LRESULT CALLBACK MessageWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case kRunCallMessage:
      RunCall(lParam);
      return 0;
    case kIdleWorkMessage:
      RunIdleWork();
      return 0;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

HWND CreateMessageWindow() {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = MessageWindowProc;
  windowClass.hInstance = ModuleInstance();
  windowClass.lpszClassName = kMessageWindowClass;
  ::RegisterClassExW(&windowClass);
  return ::CreateWindowExW(0,                    // extended style
                           kMessageWindowClass,  // class
                           L"",                  // title
                           0,                    // style
                           0, 0, 0, 0,           // position and size
                           HWND_MESSAGE,         // message-only: never shown, never enumerated
                           nullptr,              // menu
                           ModuleInstance(),     // instance
                           nullptr);             // creation data
}

}  // namespace

HINSTANCE ModuleInstance() { return ::GetModuleHandleW(nullptr); }

void EnsureToolkit() {
  if (!messageWindow.load()) InitToolkit();
}

PortableCall::PortableCall() { ++portableDepth; }

PortableCall::~PortableCall() {
  if (--portableDepth == 0) PostIdleWorkIfDue();
}

void WhenIdle(std::function<void()> work) {
  idleWork->push_back(std::move(work));
  PostIdleWorkIfDue();
}

void WakeMessageLoop() {
  if (HWND window = messageWindow.load()) ::PostMessageW(window, WM_NULL, 0, 0);
}

void MarkProcessEnding() {
  ending = true;
  ::SetEvent(EndingEvent());
}

bool ProcessEnding() { return ending.load(); }

}  // namespace win32

// ---------------------------------------------------------------- the public operations

void InitToolkit() {
  static std::once_flag once;
  std::call_once(once, [] {
    win32::uiThreadId = ::GetCurrentThreadId();
    win32::EndingEvent();
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES | ICC_TAB_CLASSES | ICC_PROGRESS_CLASS |
                     ICC_LISTVIEW_CLASSES;
    ::InitCommonControlsEx(&controls);
    // The shell's open operation may hand the address to COM-based handlers.
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    win32::messageWindow = win32::CreateMessageWindow();
  });
}

bool OnUiThread() { return ::GetCurrentThreadId() == win32::uiThreadId.load(); }

void InvokeOnUiThread(const std::function<void()>& work) {
  const HWND window = win32::messageWindow.load();
  // Before InitToolkit there is no UI thread to go to.
  if (OnUiThread() || !window) {
    work();
    return;
  }
  if (win32::ProcessEnding()) return;
  auto call = std::make_shared<win32::Call>(work);
  auto box = std::make_unique<win32::CallBox>(call);
  if (!::PostMessageW(window, win32::kRunCallMessage, 0, reinterpret_cast<LPARAM>(box.get()))) return;
  box.release();  // the message owns it now
  const HANDLE waits[] = {call->done, win32::EndingEvent()};
  if (::WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0) return;
  int expected = win32::Call::kWaiting;
  if (call->state.compare_exchange_strong(expected, win32::Call::kAbandoned)) return;
  // Already running on the UI thread: it uses our work, so wait for its end.
  ::WaitForSingleObject(call->done, INFINITE);
}

}  // namespace platform
