#include "window_search.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cwctype>

#include "output.h"

namespace driver {

// ---------------------------------------------------------------- time

Deadline::Deadline(DWORD timeoutMs) : start_(GetTickCount()), timeout_(timeoutMs) {}

DWORD Deadline::RemainingMs() const {
  DWORD elapsed = GetTickCount() - start_;
  return elapsed >= timeout_ ? 0 : timeout_ - elapsed;
}

long long UnixMs(const FILETIME& time) {
  ULARGE_INTEGER value;
  value.LowPart = time.dwLowDateTime;
  value.HighPart = time.dwHighDateTime;
  // FILETIME counts 100 ns steps since 1601-01-01.
  return (long long)(value.QuadPart / 10000ULL) - 11644473600000LL;
}

long long NowUnixMs() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  return UnixMs(now);
}

// ---------------------------------------------------------------- processes

namespace {

struct Handle {
  HANDLE value = nullptr;
  explicit Handle(HANDLE h) : value(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() {
    if (value) CloseHandle(value);
  }
  explicit operator bool() const { return value != nullptr; }
};

bool SameNoCase(const std::wstring& a, const std::wstring& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) { return std::towlower(x) == std::towlower(y); });
}

std::wstring BaseName(const std::wstring& path) {
  size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::wstring ProcessExeName(DWORD pid) {
  Handle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
  if (!process) return {};
  wchar_t path[MAX_PATH * 2];
  DWORD size = DWORD(std::size(path));
  if (!QueryFullProcessImageNameW(process.value, 0, path, &size)) return {};
  return BaseName(std::wstring(path, size));
}

long long ProcessStartUnixMs(DWORD pid) {
  Handle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
  FILETIME created, exited, kernel, user;
  if (!process || !GetProcessTimes(process.value, &created, &exited, &kernel, &user)) return 0;
  return UnixMs(created);
}

std::vector<DWORD> ProcessesNamed(const std::wstring& exe) {
  std::vector<DWORD> ids;
  Handle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return ids;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot.value, &entry); more; more = Process32NextW(snapshot.value, &entry)) {
    if (SameNoCase(BaseName(entry.szExeFile), exe)) ids.push_back(entry.th32ProcessID);
  }
  return ids;
}

// ---------------------------------------------------------------- top-level windows

namespace {

std::wstring ClassOf(HWND hwnd) {
  wchar_t name[256];
  int size = GetClassNameW(hwnd, name, int(std::size(name)));
  return std::wstring(name, size > 0 ? size : 0);
}

// The title as the window manager keeps it; never sends a message, so a
// target whose UI thread is blocked (a fetch at start-up) cannot stall us.
std::wstring TitleOf(HWND hwnd) {
  wchar_t title[1024];
  int size = InternalGetWindowText(hwnd, title, int(std::size(title)));
  return std::wstring(title, size > 0 ? size : 0);
}

BOOL CALLBACK CollectTopLevel(HWND hwnd, LPARAM param) {
  reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
  return TRUE;
}

BOOL CALLBACK CollectChild(HWND hwnd, LPARAM param) {
  reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
  return TRUE;
}

}  // namespace

std::vector<WindowInfo> TopLevelWindows() {
  std::vector<HWND> handles;
  EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&handles));
  std::vector<WindowInfo> windows;
  for (HWND hwnd : handles) {
    WindowInfo info;
    info.hwnd = hwnd;
    info.title = TitleOf(hwnd);
    info.className = ClassOf(hwnd);
    GetWindowThreadProcessId(hwnd, &info.pid);
    info.exe = ProcessExeName(info.pid);
    info.visible = IsWindowVisible(hwnd);
    info.iconic = IsIconic(hwnd);
    GetWindowRect(hwnd, &info.rect);
    windows.push_back(std::move(info));
  }
  return windows;
}

bool Matches(const WindowInfo& window, const WindowQuery& query) {
  if (query.visibleOnly && !window.visible) return false;
  if (query.pid && window.pid != query.pid) return false;
  if (query.exe && !SameNoCase(window.exe, *query.exe)) return false;
  if (query.title && window.title != *query.title) return false;
  if (query.className) return window.className == *query.className;
  return window.className != L"#32770";
}

std::optional<WindowInfo> FindTopLevel(const WindowQuery& query) {
  for (WindowInfo& window : TopLevelWindows()) {
    if (Matches(window, query)) return std::move(window);
  }
  return std::nullopt;
}

std::optional<WindowInfo> WaitTopLevel(const WindowQuery& query, const Deadline& deadline) {
  for (;;) {
    if (auto window = FindTopLevel(query)) return window;
    if (deadline.Expired()) return std::nullopt;
    Sleep(5);
  }
}

std::string DescribeWindow(const WindowInfo& window) {
  char hwnd[32];
  wsprintfA(hwnd, "0x%08lX", (unsigned long)(UINT_PTR)window.hwnd);
  return JsonLine()
      .Str("hwnd", std::string_view(hwnd))
      .Str("title", window.title)
      .Str("class", window.className)
      .Num("pid", window.pid)
      .Str("exe", window.exe)
      .Num("left", window.rect.left)
      .Num("top", window.rect.top)
      .Num("width", window.rect.right - window.rect.left)
      .Num("height", window.rect.bottom - window.rect.top)
      .Bool("visible", window.visible)
      .Bool("iconic", window.iconic)
      .Json();
}

std::string DescribeTopLevels() {
  std::string json = "[";
  for (const WindowInfo& window : TopLevelWindows()) {
    // Wine's own helper windows of other processes would only bury what matters.
    if (!window.visible && window.exe != L"launcher.exe") continue;
    if (json.size() > 1) json += ",";
    json += DescribeWindow(window);
  }
  return json + "]";
}

// ---------------------------------------------------------------- controls

std::optional<std::wstring> ReadText(HWND control, DWORD timeoutMs) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(control, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, timeoutMs, &length)) {
    return std::nullopt;
  }
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                           SMTO_ABORTIFHUNG, timeoutMs, &copied)) {
    return std::nullopt;
  }
  text.resize(std::min<size_t>(copied, length));
  return text;
}

bool WriteText(HWND control, const std::wstring& text, DWORD timeoutMs) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG,
                             timeoutMs, &result) != 0 &&
         result != 0;
}

std::vector<ControlInfo> Controls(HWND top) {
  std::vector<HWND> handles;
  EnumChildWindows(top, CollectChild, reinterpret_cast<LPARAM>(&handles));
  std::vector<ControlInfo> controls;
  for (HWND hwnd : handles) controls.push_back(DescribeControl(top, hwnd));
  return controls;
}

HWND FindControl(HWND top, int id) {
  std::vector<HWND> handles;
  EnumChildWindows(top, CollectChild, reinterpret_cast<LPARAM>(&handles));
  for (HWND hwnd : handles) {
    if (GetDlgCtrlID(hwnd) == id) return hwnd;
  }
  return nullptr;
}

ControlInfo DescribeControl(HWND top, HWND control) {
  ControlInfo info;
  info.hwnd = control;
  info.id = GetDlgCtrlID(control);
  info.className = ClassOf(control);
  info.text = ReadText(control, 1000).value_or(L"");
  info.visible = IsWindowVisible(control);
  info.enabled = IsWindowEnabled(control);
  GetWindowRect(control, &info.rect);
  MapWindowPoints(nullptr, top, reinterpret_cast<POINT*>(&info.rect), 2);
  return info;
}

std::string ControlJson(const ControlInfo& control) {
  return JsonLine()
      .Num("id", control.id)
      .Str("class", control.className)
      .Str("text", control.text)
      .Bool("visible", control.visible)
      .Bool("enabled", control.enabled)
      .Num("left", control.rect.left)
      .Num("top", control.rect.top)
      .Num("width", control.rect.right - control.rect.left)
      .Num("height", control.rect.bottom - control.rect.top)
      .Json();
}

}  // namespace driver
