// e2e-driver.exe: drives launcher.exe from outside, through Win32 messages,
// for the end-to-end tests. Runs in the same Wine prefix as the launcher.
//
// Every command prints one JSON object on stdout (UTF-8) and exits 0, or
// prints {"error": ..., "saw": ...} and exits 1; bad usage exits 2. Every
// wait is bounded by --timeout.

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "control_names.h"
#include "list_view.h"
#include "message_box.h"
#include "output.h"
#include "window_search.h"

namespace driver {
namespace {

constexpr wchar_t kUsage[] =
    L"usage: e2e-driver.exe COMMAND [ARGUMENTS] [OPTIONS]\n"
    L"commands:\n"
    L"  wait-window                 a top-level window (not a message box): hwnd, title, size, visible, iconic\n"
    L"  controls                    every control of the window: id, name, class, text, visible, enabled, rect\n"
    L"  text CONTROL                the control's text (WM_GETTEXT)\n"
    L"  enabled CONTROL | visible CONTROL\n"
    L"  click CONTROL               posts BM_CLICK (a mouse click for other classes); refuses a disabled control\n"
    L"  set-text CONTROL TEXT       WM_SETTEXT; TEXT as given on the command line\n"
    L"  list-items CONTROL          columns and rows of a list view\n"
    L"  wait-messagebox             a message box: title, text, icon (error, warning, information, question, none)\n"
    L"  press-ok                    clicks OK of the message box and waits until it is gone\n"
    L"  wait-gone                   waits until the window is gone and the process (--exe / --pid) has ended\n"
    L"CONTROL: a dialog ID, or a control name of the main window's form\n"
    L"options:\n"
    L"  --timeout MS                bound of every wait (default 10000)\n"
    L"  --exe NAME | --pid PID      only windows of that process\n"
    L"  --title T | --window T      the top-level window's title\n"
    L"  --class C                   the top-level window's class\n"
    L"  --hidden                    wait-window: hidden windows count too\n"
    L"  --until VALUE               text, enabled, visible: wait until the value is VALUE\n"
    L"  --force                     click: click even a disabled control\n";

struct Options {
  std::wstring command;
  std::vector<std::wstring> arguments;
  DWORD timeoutMs = 10000;
  WindowQuery window;
  std::optional<std::wstring> until;
  bool force = false;
};

std::optional<Options> Parse(int argc, wchar_t** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    std::wstring arg = argv[i];
    auto value = [&]() -> std::optional<std::wstring> {
      if (i + 1 >= argc) return std::nullopt;
      return std::wstring(argv[++i]);
    };
    if (arg == L"--timeout") {
      auto v = value();
      if (!v) return std::nullopt;
      options.timeoutMs = DWORD(wcstoul(v->c_str(), nullptr, 10));
    } else if (arg == L"--exe") {
      if (!(options.window.exe = value())) return std::nullopt;
    } else if (arg == L"--pid") {
      auto v = value();
      if (!v) return std::nullopt;
      options.window.pid = DWORD(wcstoul(v->c_str(), nullptr, 10));
    } else if (arg == L"--title" || arg == L"--window") {
      if (!(options.window.title = value())) return std::nullopt;
    } else if (arg == L"--class" || arg == L"--window-class") {
      if (!(options.window.className = value())) return std::nullopt;
    } else if (arg == L"--until") {
      if (!(options.until = value())) return std::nullopt;
    } else if (arg == L"--hidden") {
      options.window.visibleOnly = false;
    } else if (arg == L"--force") {
      options.force = true;
    } else if (arg.starts_with(L"--")) {
      return std::nullopt;
    } else if (options.command.empty()) {
      options.command = arg;
    } else {
      options.arguments.push_back(arg);
    }
  }
  if (options.command.empty()) return std::nullopt;
  return options;
}

int Fail(const std::string& message, const std::string& sawJson = "null") {
  JsonLine().Str("error", message).Raw("saw", sawJson).Print();
  WriteErr("e2e-driver: " + message + "\n");
  return 1;
}

int Usage(const std::wstring& problem = {}) {
  if (!problem.empty()) WriteErr("e2e-driver: " + Utf8(problem) + "\n");
  WriteErr(Utf8(kUsage));
  return 2;
}

std::string QueryText(const WindowQuery& query) {
  std::string text;
  if (query.title) text += " title \"" + Utf8(*query.title) + "\"";
  if (query.className) text += " class \"" + Utf8(*query.className) + "\"";
  if (query.exe) text += " of " + Utf8(*query.exe);
  if (query.pid) text += " of process " + std::to_string(query.pid);
  return text.empty() ? " (any)" : text;
}

std::string ControlsJson(HWND top) {
  std::string json = "[";
  for (const ControlInfo& control : Controls(top)) {
    if (json.size() > 1) json += ",";
    std::string one = ControlJson(control);
    std::string name = ControlNameById(control.id);
    // Put the form's name of the control first, for the reader.
    json += name.empty() ? one : "{\"name\":" + JsonString(name) + "," + one.substr(1);
  }
  return json + "]";
}

// ---------------------------------------------------------------- the window and its controls

struct Target {
  WindowInfo window;
  HWND control = nullptr;
  int id = 0;
};

std::optional<WindowInfo> MainWindow(const Options& options, const Deadline& deadline, std::string& error) {
  auto window = WaitTopLevel(options.window, deadline);
  if (!window) error = "no window" + QueryText(options.window) + " within " + std::to_string(options.timeoutMs) + " ms";
  return window;
}

// Resolves CONTROL (an ID or a form name) in the main window, waiting for both.
std::optional<Target> FindTarget(const Options& options, const Deadline& deadline, int& exitCode) {
  if (options.arguments.empty()) {
    exitCode = Usage(options.command + L" needs a CONTROL");
    return std::nullopt;
  }
  const std::wstring& ref = options.arguments[0];
  wchar_t* end = nullptr;
  long number = wcstol(ref.c_str(), &end, 10);
  std::optional<int> id;
  if (!ref.empty() && *end == L'\0') {
    id = int(number);
  } else {
    id = ControlIdByName(Utf8(ref));
  }
  if (!id) {
    exitCode = Fail(KnowsControlNames() ? "no control named \"" + Utf8(ref) + "\" in the main window's form"
                                        : "this driver was built without the form tables: give a numeric ID");
    return std::nullopt;
  }
  std::string error;
  auto window = MainWindow(options, deadline, error);
  if (!window) {
    exitCode = Fail(error, DescribeTopLevels());
    return std::nullopt;
  }
  for (;;) {
    if (HWND control = FindControl(window->hwnd, *id)) return Target{*window, control, *id};
    if (deadline.Expired()) break;
    Sleep(5);
  }
  exitCode = Fail("window " + Utf8(window->title) + " has no control with ID " + std::to_string(*id) +
                      (ControlNameById(*id).empty() ? "" : " (" + ControlNameById(*id) + ")"),
                  ControlsJson(window->hwnd));
  return std::nullopt;
}

JsonLine ControlLine(const Target& target) {
  JsonLine line;
  line.Num("id", target.id);
  std::string name = ControlNameById(target.id);
  if (!name.empty()) line.Str("name", name);
  return line;
}

// ---------------------------------------------------------------- commands

int WaitWindow(const Options& options) {
  Deadline deadline(options.timeoutMs);
  std::string error;
  auto window = MainWindow(options, deadline, error);
  if (!window) return Fail(error, DescribeTopLevels());
  long long seen = NowUnixMs();
  std::string json = DescribeWindow(*window);
  json.pop_back();  // extend the object with the timings
  json += JsonLine()
              .Num("seen_ms", seen)
              .Num("process_start_ms", ProcessStartUnixMs(window->pid))
              .Num("waited_ms", deadline.ElapsedMs())
              .Json()
              .replace(0, 1, ",");
  WriteOut(json + "\n");
  return 0;
}

int ListControls(const Options& options) {
  Deadline deadline(options.timeoutMs);
  std::string error;
  auto window = MainWindow(options, deadline, error);
  if (!window) return Fail(error, DescribeTopLevels());
  JsonLine().Raw("window", DescribeWindow(*window)).Raw("controls", ControlsJson(window->hwnd)).Print();
  return 0;
}

// text, enabled and visible: read one property, optionally until it has a value.
int ReadProperty(const Options& options) {
  Deadline deadline(options.timeoutMs);
  int exitCode = 0;
  auto target = FindTarget(options, deadline, exitCode);
  if (!target) return exitCode;
  const std::string key = Utf8(options.command);
  for (;;) {
    std::wstring value;
    if (key == "text") {
      auto text = ReadText(target->control, std::max<DWORD>(deadline.RemainingMs(), 100));
      if (!text) return Fail("control " + std::to_string(target->id) + " did not answer WM_GETTEXT");
      value = *text;
    } else if (key == "enabled") {
      value = IsWindowEnabled(target->control) ? L"true" : L"false";
    } else {
      value = IsWindowVisible(target->control) ? L"true" : L"false";
    }
    if (!options.until || value == *options.until || deadline.Expired()) {
      JsonLine line = ControlLine(*target);
      if (key == "text") {
        line.Str("text", value);
      } else {
        line.Bool(key, value == L"true");
      }
      if (options.until && value != *options.until) {
        return Fail(key + " of control " + std::to_string(target->id) + " stayed \"" + Utf8(value) +
                        "\", not \"" + Utf8(*options.until) + "\", for " + std::to_string(options.timeoutMs) + " ms",
                    line.Json());
      }
      line.Print();
      return 0;
    }
    Sleep(10);
  }
}

int Click(const Options& options) {
  Deadline deadline(options.timeoutMs);
  int exitCode = 0;
  auto target = FindTarget(options, deadline, exitCode);
  if (!target) return exitCode;
  ControlInfo control = DescribeControl(target->window.hwnd, target->control);
  if (!control.enabled && !options.force) {
    return Fail("control " + std::to_string(target->id) + " is disabled; a player could not click it", ControlJson(control));
  }
  std::string how;
  if (_wcsicmp(control.className.c_str(), L"Button") == 0) {
    // Posted, not sent: a handler that opens a message box would block a SendMessage.
    PostMessageW(target->control, BM_CLICK, 0, 0);
    how = "BM_CLICK";
  } else {
    RECT client;
    GetClientRect(target->control, &client);
    LPARAM centre = MAKELPARAM(client.right / 2, client.bottom / 2);
    PostMessageW(target->control, WM_LBUTTONDOWN, MK_LBUTTON, centre);
    PostMessageW(target->control, WM_LBUTTONUP, 0, centre);
    how = "mouse";
  }
  ControlLine(*target).Bool("clicked", true).Str("how", how).Print();
  return 0;
}

int SetText(const Options& options) {
  if (options.arguments.size() < 2) return Usage(L"set-text needs a CONTROL and a TEXT");
  Deadline deadline(options.timeoutMs);
  int exitCode = 0;
  auto target = FindTarget(options, deadline, exitCode);
  if (!target) return exitCode;
  if (!WriteText(target->control, options.arguments[1], std::max<DWORD>(deadline.RemainingMs(), 100))) {
    return Fail("control " + std::to_string(target->id) + " did not take WM_SETTEXT");
  }
  ControlLine(*target).Str("text", ReadText(target->control).value_or(L"")).Print();
  return 0;
}

int ListItems(const Options& options) {
  Deadline deadline(options.timeoutMs);
  int exitCode = 0;
  auto target = FindTarget(options, deadline, exitCode);
  if (!target) return exitCode;
  auto contents = ReadListView(target->control, std::max<DWORD>(deadline.RemainingMs(), 100));
  if (!contents) return Fail("could not read list view " + std::to_string(target->id));
  std::string columns = "[";
  for (const ListViewColumn& column : contents->columns) {
    if (columns.size() > 1) columns += ",";
    columns += JsonLine().Str("text", column.caption).Num("width", column.width).Json();
  }
  std::string rows = "[";
  for (const auto& row : contents->rows) {
    if (rows.size() > 1) rows += ",";
    rows += "[";
    for (size_t i = 0; i < row.size(); ++i) {
      if (i) rows += ",";
      rows += JsonString(Utf8(row[i]));
    }
    rows += "]";
  }
  ControlLine(*target).Raw("columns", columns + "]").Raw("rows", rows + "]").Print();
  return 0;
}

std::optional<WindowInfo> WaitMessageBoxWindow(const Options& options, const Deadline& deadline) {
  WindowQuery query = options.window;
  query.className = L"#32770";
  query.visibleOnly = true;
  return WaitTopLevel(query, deadline);
}

int WaitMessageBox(const Options& options) {
  Deadline deadline(options.timeoutMs);
  auto dialog = WaitMessageBoxWindow(options, deadline);
  if (!dialog) {
    return Fail("no message box" + QueryText(options.window) + " within " + std::to_string(options.timeoutMs) + " ms",
                DescribeTopLevels());
  }
  MessageBoxInfo info = ReadMessageBox(dialog->hwnd);
  // The icon is recognised from the screen: give the box time to paint itself.
  Deadline paint(std::min<DWORD>(deadline.RemainingMs(), 3000));
  while (info.icon == "unknown" && !paint.Expired()) {
    Sleep(50);
    info = ReadMessageBox(dialog->hwnd);
  }
  std::string buttons = "[";
  for (const MessageBoxButton& button : info.buttons) {
    if (buttons.size() > 1) buttons += ",";
    buttons += JsonLine().Num("id", button.id).Str("text", button.text).Json();
  }
  JsonLine()
      .Raw("window", DescribeWindow(*dialog))
      .Str("title", info.title)
      .Str("text", info.text)
      .Str("icon", info.icon)
      .Str("icon_detail", info.iconDetail)
      .Raw("buttons", buttons + "]")
      .Print();
  return 0;
}

int PressOk(const Options& options) {
  Deadline deadline(options.timeoutMs);
  auto dialog = WaitMessageBoxWindow(options, deadline);
  if (!dialog) {
    return Fail("no message box" + QueryText(options.window) + " within " + std::to_string(options.timeoutMs) + " ms",
                DescribeTopLevels());
  }
  HWND ok = GetDlgItem(dialog->hwnd, kMessageBoxOkId);
  if (!ok) return Fail("the message box has no OK button (ID 1)", DescribeWindow(*dialog));
  PostMessageW(ok, BM_CLICK, 0, 0);
  while (IsWindow(dialog->hwnd) && IsWindowVisible(dialog->hwnd)) {
    if (deadline.Expired()) return Fail("the message box stayed open after OK was clicked", DescribeWindow(*dialog));
    Sleep(5);
  }
  JsonLine().Bool("pressed", true).Num("waited_ms", deadline.ElapsedMs()).Print();
  return 0;
}

int WaitGone(const Options& options) {
  Deadline deadline(options.timeoutMs);
  struct Watched {
    DWORD pid;
    HANDLE handle;
  };
  std::vector<Watched> processes;
  std::vector<DWORD> ids;
  if (options.window.pid) ids.push_back(options.window.pid);
  if (options.window.exe) {
    for (DWORD pid : ProcessesNamed(*options.window.exe)) ids.push_back(pid);
  }
  for (DWORD pid : ids) {
    HANDLE handle = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (handle) processes.push_back({pid, handle});
  }
  struct CloseAll {
    std::vector<Watched>& list;
    ~CloseAll() {
      for (Watched& p : list) CloseHandle(p.handle);
    }
  } closeAll{processes};

  WindowQuery windows = options.window;
  windows.visibleOnly = false;
  for (;;) {
    bool processesEnded = true;
    for (Watched& p : processes) {
      if (WaitForSingleObject(p.handle, 0) != WAIT_OBJECT_0) processesEnded = false;
    }
    auto window = FindTopLevel(windows);
    if (processesEnded && !window) break;
    if (deadline.Expired()) {
      return Fail(std::string(window ? "a window" : "the process") + QueryText(options.window) +
                      " was still there after " + std::to_string(options.timeoutMs) + " ms",
                  DescribeTopLevels());
    }
    Sleep(5);
  }
  std::string codes = "[";
  for (Watched& p : processes) {
    DWORD code = 0;
    GetExitCodeProcess(p.handle, &code);
    if (codes.size() > 1) codes += ",";
    codes += JsonLine().Num("pid", p.pid).Num("exit_code", code).Json();
  }
  JsonLine().Bool("gone", true).Raw("processes", codes + "]").Num("waited_ms", deadline.ElapsedMs()).Print();
  return 0;
}

}  // namespace
}  // namespace driver

int wmain(int argc, wchar_t** argv) {
  using namespace driver;
  // A failing call must never put up a system error dialog that nobody answers.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  auto options = Parse(argc, argv);
  if (!options) return Usage();
  const std::map<std::wstring, int (*)(const Options&)> commands = {
      {L"wait-window", WaitWindow},   {L"controls", ListControls},  {L"text", ReadProperty},
      {L"enabled", ReadProperty},     {L"visible", ReadProperty},   {L"click", Click},
      {L"set-text", SetText},         {L"list-items", ListItems},   {L"wait-messagebox", WaitMessageBox},
      {L"press-ok", PressOk},         {L"wait-gone", WaitGone},
  };
  auto command = commands.find(options->command);
  if (command == commands.end()) return Usage(L"unknown command " + options->command);
  return command->second(*options);
}
