// online.exe: a stand-in for the game client. It writes online-started.txt
// beside itself (its raw command line and working directory), then shows a
// small window until it is closed or its time is up.
//
// Environment:
//   DUMMY_CLIENT_SECONDS          how long the window stays (default 10)
//   DUMMY_CLIENT_WINDOW_DELAY_MS  wait this long before making the window
//                                 (default 0): a client slow to become ready
//                                 for input, for the starter's bounded wait
#include <windows.h>

#include "client_window.h"
#include "start_record.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  using namespace dummy_client;
  // Recorded first, before anything that could fail or wait.
  WriteStartRecord();
  const long seconds = EnvironmentNumber(L"DUMMY_CLIENT_SECONDS", 10);
  const long delayMs = EnvironmentNumber(L"DUMMY_CLIENT_WINDOW_DELAY_MS", 0);
  if (delayMs > 0) ::Sleep(DWORD(delayMs));
  const unsigned lifetimeMs = seconds > 86400 ? 86400000u : unsigned(seconds) * 1000u;
  return RunClientWindow(instance, show, lifetimeMs);
}
