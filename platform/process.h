// Starting programs, the shell's open operation, and ending the process.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/text.h"

namespace platform {

// Starts the program at path (named exactly, never searched for) with the
// path itself, unquoted, as its whole command line; shown normally, in the
// current working directory and environment. Waits at most waitIdleMs for it
// to be ready for input. True when the program was started.
bool StartProgram(const Text& path, int waitIdleMs);

// Asks the shell to open an address with the operation "open", shown normally.
void ShellOpen(const Text& address);

// The program's arguments after its name, as UTF-8 (on Windows taken from the
// UTF-16 command line, so text outside the ANSI code page survives).
std::vector<std::string> ProgramArguments(int argc, char** argv);

// Registers the routine that runs when the process ends (once).
void RegisterExitRoutine(std::function<void()> routine);

// True once the process has begun to end (EndProcess, or the exit routine):
// long work on other threads stops at its next safe point.
bool ProcessEnding();

// Ends the process with the exit code; the exit routine runs. On the headless
// backend the test's process goes on: the launcher's windows are closed, the
// exit routine runs and the code is recorded, and the caller returns at once.
void EndProcess(int exitCode);

}  // namespace platform
