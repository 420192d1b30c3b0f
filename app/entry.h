// The program's entry: globals, exit routine, MainWindow, message loop.
#pragma once

namespace app {

// The entry point up to the message loop: initialises the toolkit, builds the
// globals, registers the exit routine and loads MainWindow.
void Launch();

// Launch, then the message loop; returns 0 when it ends.
int Main();

}  // namespace app
