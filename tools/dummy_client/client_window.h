// The client's one window: a title the tests and the demo can find, a line
// of text, and an end of its own after a while.
#pragma once

#include <windows.h>

namespace dummy_client {

inline constexpr wchar_t kWindowTitle[] = L"Velmora 游戏客户端";

// Shows the window and runs its message loop until it is closed or
// lifetimeMs has passed. Returns the process's exit code.
int RunClientWindow(HINSTANCE instance, int show, unsigned lifetimeMs);

}  // namespace dummy_client
