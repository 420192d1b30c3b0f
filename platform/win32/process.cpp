// Starting programs, the shell's open operation, the exit routine and the
// end of the process.
#include "platform/process.h"

#include <windows.h>
#include <shellapi.h>

#include <atomic>
#include <cstdlib>
#include <mutex>

#include "platform/win32/handles.h"
#include "platform/win32/no_destructor.h"
#include "platform/win32/ui_thread.h"
#include "platform/win32/wide.h"

namespace platform {
namespace {

using win32::NoDestructor;

NoDestructor<std::function<void()>> exitRoutine;
std::atomic<bool> exitRoutineRan{false};

// Registered with atexit once: runs the routine, once, when the process ends
// by exit() or by returning from the entry point.
void RunExitRoutine() {
  win32::MarkProcessEnding();
  if (exitRoutineRan.exchange(true)) return;
  std::function<void()> routine = std::move(*exitRoutine);
  if (routine) routine();
}

}  // namespace

bool StartProgram(const Text& path, int waitIdleMs) {
  // The program is named explicitly: an unquoted path with blanks as the only
  // source would let "C:\Game Client\online.exe" start "C:\Game.exe" instead.
  const std::wstring program = win32::Wide(path);
  // CreateProcessW may write into the command line: give it a copy.
  std::wstring line = program;
  line.push_back(L'\0');
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(program.c_str(), // the program itself, never searched for
                        line.data(),    // command line: the same path, no quotes added
                        nullptr,        // process security
                        nullptr,        // thread security
                        FALSE,          // no handles inherited
                        0,              // creation flags
                        nullptr,        // our environment
                        nullptr,        // our working directory
                        &startup,       // shown normally
                        &process)) {    // receives the handles
    return false;
  }
  const win32::UniqueHandle processHandle(process.hProcess);
  const win32::UniqueHandle threadHandle(process.hThread);
  ::WaitForInputIdle(processHandle, DWORD(waitIdleMs < 0 ? 0 : waitIdleMs));
  return true;
}

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  // argv holds the ANSI code page's idea of the arguments: read the UTF-16 line instead.
  int count = 0;
  LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  std::vector<std::string> arguments;
  if (!wide) return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : arguments;
  for (int i = 1; i < count; ++i)
    arguments.push_back(Utf8FromUtf16(std::u16string_view(reinterpret_cast<const char16_t*>(wide[i]))));
  ::LocalFree(wide);
  return arguments;
}

bool ProcessEnding() { return win32::ProcessEnding(); }

void ShellOpen(const Text& address) {
  // An empty address opens nothing (the shell might otherwise show a folder).
  if (address.empty()) return;
  ::ShellExecuteW(nullptr,                             // no owner window
                  L"open",                             // operation
                  win32::Wide(address).c_str(),        // what to open
                  nullptr,                             // no parameters
                  nullptr,                             // working directory: ours
                  SW_SHOWNORMAL);                      // shown normally
}

void RegisterExitRoutine(std::function<void()> routine) {
  static std::once_flag once;
  *exitRoutine = std::move(routine);
  std::call_once(once, [] { std::atexit(RunExitRoutine); });
}

void EndProcess(int exitCode) {
  win32::MarkProcessEnding();
  std::exit(exitCode);
}

}  // namespace platform
