// Finding the launcher's windows and controls from another process, and
// reading their properties without ever blocking on a hung target.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace driver {

// A point in time after which every wait gives up.
class Deadline {
 public:
  explicit Deadline(DWORD timeoutMs);
  DWORD RemainingMs() const;
  bool Expired() const { return RemainingMs() == 0; }
  DWORD ElapsedMs() const { return GetTickCount() - start_; }

 private:
  DWORD start_;
  DWORD timeout_;
};

// Milliseconds since 1970-01-01 UTC, comparable with the clock on the Linux side.
long long UnixMs(const FILETIME& time);
long long NowUnixMs();

// Which top-level windows a command is about. Message boxes (#32770) are
// left out unless they are asked for by class.
struct WindowQuery {
  std::optional<std::wstring> title;
  std::optional<std::wstring> className;
  std::optional<std::wstring> exe;  // image file name of the owning process, e.g. launcher.exe
  DWORD pid = 0;                    // 0: any process
  bool visibleOnly = true;
};

struct WindowInfo {
  HWND hwnd = nullptr;
  std::wstring title;
  std::wstring className;
  DWORD pid = 0;
  std::wstring exe;
  bool visible = false;
  bool iconic = false;
  RECT rect{};
};

std::vector<WindowInfo> TopLevelWindows();
bool Matches(const WindowInfo& window, const WindowQuery& query);
std::optional<WindowInfo> FindTopLevel(const WindowQuery& query);
// Polls until a matching window exists or the deadline passes.
std::optional<WindowInfo> WaitTopLevel(const WindowQuery& query, const Deadline& deadline);
// A JSON array describing every top-level window: what the driver saw.
std::string DescribeTopLevels();
std::string DescribeWindow(const WindowInfo& window);

// Image file name (no folder) of a process; empty when it cannot be opened.
std::wstring ProcessExeName(DWORD pid);
// Creation time of a process in Unix milliseconds; 0 when unknown.
long long ProcessStartUnixMs(DWORD pid);
// Ids of the running processes whose image file name is exe (case-insensitive).
std::vector<DWORD> ProcessesNamed(const std::wstring& exe);

// ---------------------------------------------------------------- controls

struct ControlInfo {
  HWND hwnd = nullptr;
  int id = 0;
  std::wstring className;
  std::wstring text;
  bool visible = false;
  bool enabled = false;
  RECT rect{};  // in the top-level window's client coordinates
};

// Every descendant window of top, in Z order of each parent.
std::vector<ControlInfo> Controls(HWND top);
// The control with that dialog ID, or nullptr.
HWND FindControl(HWND top, int id);
ControlInfo DescribeControl(HWND top, HWND control);
std::string ControlJson(const ControlInfo& control);

// WM_GETTEXT through SendMessageTimeout: the text a control holds, also across
// processes (GetWindowTextW would answer "" for another process's controls).
std::optional<std::wstring> ReadText(HWND control, DWORD timeoutMs = 2000);
// WM_SETTEXT through SendMessageTimeout; the system carries the string across.
bool WriteText(HWND control, const std::wstring& text, DWORD timeoutMs = 2000);

}  // namespace driver
