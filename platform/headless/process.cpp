// Processes on the headless backend: programs and shell requests are recorded,
// and ending the process ends the launcher's windows, not the test.
#include <atomic>
#include <functional>
#include <optional>
#include <string>

#include "platform/files.h"
#include "platform/headless/driver.h"
#include "platform/headless/loop.h"
#include "platform/headless/state.h"
#include "platform/process.h"

namespace platform::headless {
namespace {

std::function<void()> exitRoutine;
std::optional<int> exitCode;
std::vector<Text> startedPrograms;
std::vector<Text> shellOpened;
std::string runDirectory;
std::string workingDirectory;
std::atomic<int> httpRequests{0};  // OpenHttp runs on download threads too

void RunExitRoutine() {
  // The routine runs once, like the C run time's exit handlers.
  std::function<void()> routine = std::move(exitRoutine);
  exitRoutine = nullptr;
  if (routine) routine();
}

}  // namespace

void Reset() {
  // The test's launcher ends here: workers waiting on the UI thread give up,
  // as they do when the process ends.
  SetEnding(true);
  RunExitRoutine();
  ResetToolkit();
  ResetLoop();
  ResetProcess();
}

void ResetProcess() {
  exitCode.reset();
  startedPrograms.clear();
  shellOpened.clear();
  httpRequests = 0;
}

void SetRunDirectory(const std::string& path) { runDirectory = path; }
void SetWorkingDirectory(const std::string& path) { workingDirectory = path; }
const std::string& RunDirectoryPath() { return runDirectory; }
const std::string& WorkingDirectoryPath() { return workingDirectory; }

std::optional<int> ExitCode() { return exitCode; }
const std::vector<Text>& StartedPrograms() { return startedPrograms; }
const std::vector<Text>& ShellOpened() { return shellOpened; }
int HttpRequestCount() { return httpRequests; }
void CountHttpRequest() { ++httpRequests; }

}  // namespace platform::headless

namespace platform {

bool StartProgram(const Text& path, int waitIdleMs) {
  headless::startedPrograms.push_back(path);
  return FileExists(path);
}

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>();
}

void ShellOpen(const Text& address) { headless::shellOpened.push_back(address); }

bool ProcessEnding() { return headless::Ending(); }

void RegisterExitRoutine(std::function<void()> routine) { headless::exitRoutine = std::move(routine); }

void EndProcess(int code) {
  if (headless::exitCode) return;  // already ending
  headless::exitCode = code;
  headless::SetEnding(true);
  headless::RunExitRoutine();
  headless::CloseAllWindows();
}

}  // namespace platform
