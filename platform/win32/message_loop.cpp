// The message loop, the pending-message pump and the pumping delay.
#include <windows.h>

#include <algorithm>
#include <limits>

#include "platform/toolkit.h"
#include "platform/win32/form_window.h"
#include "platform/win32/handles.h"
#include "platform/win32/ui_thread.h"

namespace platform {
namespace win32 {

void DispatchOne(MSG& message) {
  // IsDialogMessage gives the toolkit's windows Tab navigation between their
  // controls; message boxes run loops of their own.
  const HWND root = message.hwnd ? ::GetAncestor(message.hwnd, GA_ROOT) : nullptr;
  if (root && IsFormWindow(root) && ::IsDialogMessageW(root, &message)) return;
  ::TranslateMessage(&message);
  ::DispatchMessageW(&message);
}

bool PumpWaiting() {
  MSG message;
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      ::PostQuitMessage(int(message.wParam));
      return false;
    }
    DispatchOne(message);
  }
  return true;
}

namespace {

// One wait of the pumping delay: an unnamed auto-reset waitable timer, and
// messages handled whenever input arrives before it fires. False when the
// loop is quitting.
bool WaitPumping(int64_t intervals) {
  UniqueHandle timer(::CreateWaitableTimerW(nullptr,    // security
                                            FALSE,      // auto-reset
                                            nullptr));  // unnamed
  if (!timer) return false;
  LARGE_INTEGER due;
  due.QuadPart = -std::max<int64_t>(intervals, 0);  // negative: relative to now, in 100 ns
  if (!::SetWaitableTimer(timer,     // timer
                          &due,      // due time
                          0,         // fires once
                          nullptr,   // no completion routine
                          nullptr,   // routine argument
                          FALSE)) {  // no waking from suspend
    return false;
  }
  const HANDLE handle = timer;
  for (;;) {
    const DWORD woke = ::MsgWaitForMultipleObjects(1,             // one handle
                                                   &handle,       // the timer
                                                   FALSE,         // any of them
                                                   INFINITE,      // no time-out
                                                   QS_ALLINPUT);  // every kind of input
    if (woke == WAIT_OBJECT_0) return true;
    if (woke != WAIT_OBJECT_0 + 1) return false;
    if (!PumpWaiting()) return false;
  }
}

}  // namespace
}  // namespace win32

// ---------------------------------------------------------------- the public operations

void RunMessageLoop() {
  win32::EnsureToolkit();
  // Until the process ends, or no window is left (the last one wakes the
  // loop as it goes). No WM_QUIT: it would also end every nested loop, the
  // message boxes' included.
  MSG message;
  while (win32::AnyFormWindowLeft() && ::GetMessageW(&message, nullptr, 0, 0) > 0) win32::DispatchOne(message);
}

void ProcessPendingMessages() { win32::PumpWaiting(); }

void PumpingDelay(int64_t amount, int unit) {
  constexpr int64_t kPerMillisecond = 10000;  // 100-ns intervals
  constexpr int64_t kPerMicrosecond = 10;
  int64_t waits = 1;
  int64_t perUnit = kPerMillisecond;
  switch (unit) {
    case 1: perUnit = kPerMicrosecond; break;
    case 2: waits = 1000; break;
    case 3: waits = 60000; break;
    case 4: waits = 3600000; break;
    case 5: waits = 86400000; break;
    default: break;  // 0 and anything unknown: milliseconds
  }
  // Far beyond any real wait, and safe from overflow.
  const int64_t limit = std::numeric_limits<int64_t>::max() / kPerMillisecond;
  const int64_t intervals = std::clamp<int64_t>(amount, 0, limit) * perUnit;
  for (int64_t i = 0; i < waits; ++i)
    if (!win32::WaitPumping(intervals)) return;
}

}  // namespace platform
