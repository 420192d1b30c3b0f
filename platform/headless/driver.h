// What tests use to drive the headless backend: the player's clicks and
// typing, message boxes and their answers, the clock, the process's end.
// Every call is made on the test's thread, which is the UI thread.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/graphics.h"
#include "platform/text.h"
#include "platform/toolkit.h"

namespace platform::headless {

// Forgets every window, message box, record and routine of an earlier test,
// runs a pending exit routine, makes the calling thread the UI thread and sets
// the clock to a fixed start.
void Reset();

// The launcher's folders, as Linux paths (they read back as GBK texts).
void SetRunDirectory(const std::string& path);
void SetWorkingDirectory(const std::string& path);

// ---------------------------------------------------------------- the clock

// The clock moves only when a test advances it (or a pumping delay waits):
// due timers fire in order, on this thread.
uint32_t Now();
void AdvanceClock(uint32_t milliseconds);

// Handles posted events (socket data, marshalled calls from other threads)
// until condition holds or timeoutMs of real time pass. True when it held.
bool RunUntil(const std::function<bool()>& condition, int timeoutMs = 5000);

// ---------------------------------------------------------------- windows

// The live window loaded from the form of that name, or null.
std::shared_ptr<Window> FindWindow(std::string_view formName);

// A player's click: false (and nothing happens) when the control is hidden,
// disabled, on a page not shown, or its window takes no input.
bool Click(Window& window, std::string_view control);

// A mouse press on a label.
bool Press(Window& window, std::string_view control);

// A player's typing into an edit box, replacing its content: refused when the
// box is hidden, disabled or read-only; non-digits are dropped from an integer
// box and the length limit cuts the text (GBK characters count one each).
bool Type(Window& window, std::string_view control, const Text& text);

// The window region cut by CutOutlineFromBackground: empty while rectangular.
std::vector<PixelRect> OutlineOf(const Window& window);
bool ContainsPoint(const Window& window, int x, int y);

// Whether the window is shown (Created has run and it was not destroyed).
bool IsShown(const Window& window);
// Whether the window takes input (false while a modal window is open above it).
bool TakesInput(const Window& window);

// Code run inside RunModal with the modal window: the nested loop of a modal
// dialog. Without one, RunModal returns at once and leaves the window open.
void OnModal(std::function<void(Window&)> script);

// ---------------------------------------------------------------- message boxes

struct MessageBoxRecord {
  Text text;
  int flags;
  Text title;  // the default title when none was given
};
const std::vector<MessageBoxRecord>& MessageBoxes();

// Runs while a message box is open (its record is already in MessageBoxes);
// the box closes when it returns.
void OnMessageBox(std::function<void(const MessageBoxRecord&)> answer);

// ---------------------------------------------------------------- the process

std::optional<int> ExitCode();  // set once EndProcess has run
const std::vector<Text>& StartedPrograms();
const std::vector<Text>& ShellOpened();

// The number of HTTP requests the backend has opened since Reset.
int HttpRequestCount();

}  // namespace platform::headless
