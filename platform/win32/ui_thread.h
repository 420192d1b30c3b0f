// The user-interface thread: who it is, how other threads hand it work, how
// much portable code is on its stack, and whether the process is ending.
#pragma once

#include <windows.h>

#include <functional>
#include <type_traits>

#include "platform/toolkit.h"

namespace platform::win32 {

// InitToolkit, when the entry point has not called it yet.
void EnsureToolkit();

HINSTANCE ModuleInstance();

// Counts calls into portable code (handlers, window logic, work handed to the
// UI thread) on the UI thread's stack, so that nothing they may still use is
// released under them.
class PortableCall {
 public:
  PortableCall();
  ~PortableCall();
  PortableCall(const PortableCall&) = delete;
  PortableCall& operator=(const PortableCall&) = delete;
};

// Runs work on the UI thread once no portable code is on its stack (from the
// outermost message loop). Releasing a destroyed window's logic goes here.
void WhenIdle(std::function<void()> work);

// The process is ending (EndProcess, or the exit routine has started): work
// handed to the UI thread from now on is dropped instead of waited for, so a
// worker can never wait for a UI thread that has gone into exit().
void MarkProcessEnding();
bool ProcessEnding();

// Carries out f on the UI thread, waits for it and returns its result; a
// default value when the process ended first.
template <class F>
auto OnUi(F&& f) -> std::invoke_result_t<F&> {
  using Result = std::invoke_result_t<F&>;
  if (OnUiThread()) return f();
  if constexpr (std::is_void_v<Result>) {
    InvokeOnUiThread([&] { f(); });
  } else {
    Result result{};
    InvokeOnUiThread([&] { result = f(); });
    return result;
  }
}

// Makes a waiting GetMessage return, so that the loop checks its condition.
void WakeMessageLoop();

// One message of a loop: keyboard navigation between controls (Tab) for the
// toolkit's windows, then the usual translation and dispatch.
void DispatchOne(MSG& message);

// Handles every waiting message. False when WM_QUIT came; it is posted again
// so that the outer loop sees it too.
bool PumpWaiting();

}  // namespace platform::win32
