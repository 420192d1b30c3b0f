// The window toolkit: windows built from form tables, their controls and
// events, message boxes and the message loop. The launcher's windows are
// written against this header only; platform/win32 and platform/headless
// implement it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "platform/text.h"

namespace platform {

// ---------------------------------------------------------------- form tables

enum class ControlKind {
  PictureButton,     // a button drawn from state pictures
  Button,            // a push button with a caption, optionally a face picture
  TransparentLabel,  // text drawn straight on the window's background
  Label,             // text on the window's face colour
  Edit,              // a one-line (or multi-line) edit box
  Tab,               // a tab control whose pages hold other controls
  PictureBox,        // shows the picture of image-file bytes
  ProgressBar,
  Timer,             // not visible; raises Event::Timer every periodMs
  ListView,          // report-style list with columns
  Browser,           // hypertext browser: holds an address
};

enum class Border { None, Single, Sunken };

// A Windows colour value: red in the lowest byte, then green, then blue.
using Colour = uint32_t;
constexpr Colour kDefaultColour = 0xFFFFFFFF;
constexpr Colour Rgb(int r, int g, int b) { return Colour(r) | Colour(g) << 8 | Colour(b) << 16; }

struct Rect {
  int left = 0, top = 0, width = 0, height = 0;
};

// Bytes of an image file (BMP, JPEG, GIF or PNG) embedded in the program.
using PictureBytes = std::span<const unsigned char>;

struct StatePictures {
  PictureBytes normal;    // also a button's face picture and a picture box's first picture
  PictureBytes hover;     // empty: normal
  PictureBytes pressed;   // empty: normal
  PictureBytes disabled;  // empty: normal
};

struct ListColumn {
  std::string_view caption;  // UTF-8
  int width;
};

// One control of a form. Names and texts are UTF-8 here and GBK at run time.
struct ControlSpec {
  std::string_view name;  // the control's name, the key by which code finds it
  ControlKind kind;
  int left = 0, top = 0, width = 0, height = 0;
  bool visible = true;
  bool enabled = true;
  std::string_view text;  // caption or first content

  // Edit boxes.
  bool password = false;   // shown masked with '*'
  bool integer = false;    // accepts digits only
  bool readOnly = false;
  bool multiline = false;
  bool centred = false;
  int maxLength = 0;       // characters a player may type; 0: no limit
  Border border = Border::None;

  // Texts of labels, edit boxes and buttons.
  Colour textColour = kDefaultColour;
  int fontHeight = 0;      // pixels; 0: the toolkit's default
  bool bold = false;

  // Progress bars: range 0 .. maximum.
  int maximum = 100;
  bool smooth = false;

  // Timers.
  int periodMs = 0;

  // List views.
  std::vector<ListColumn> columns;

  // Tab controls: the page captions in order.
  std::vector<std::string_view> tabs;

  // A control on a tab page: the tab control's name and the page (from 0).
  // Its position is then relative to the tab control.
  std::string_view tabControl;
  int tabPage = 0;

  StatePictures pictures;
};

struct FormSpec {
  std::string_view name;   // "MainWindow"
  int width = 0, height = 0;
  int left = -1, top = -1; // -1: centred on the screen
  std::string_view title;  // UTF-8; may be empty
  PictureBytes background; // drawn under everything; its magenta pixels can cut the outline
  // Where the window draws its title on the background, since the windows
  // have no title bar; empty: the title shows in the taskbar only.
  Rect titleArea;
  Colour titleColour = kDefaultColour;
  int titleFontHeight = 0;
  std::vector<ControlSpec> controls;
};

// ---------------------------------------------------------------- windows

enum class Event {
  Click,       // buttons, picture buttons
  Timer,       // timers
  MouseDown,   // labels and transparent labels
  TabChanged,  // tab controls
  First,       // a browser's or list view's first event (bound, never needed)
};

// A control of a loaded window. Every property can be read and written, from
// any thread: calls from another thread than the UI thread are carried out on
// the UI thread. Properties that a kind does not have read as empty or 0.
class Control {
 public:
  virtual ~Control() = default;
  virtual std::string_view Name() const = 0;
  virtual ControlKind Kind() const = 0;

  virtual Text GetText() const = 0;
  virtual void SetText(const Text& text) = 0;
  virtual bool IsVisible() const = 0;
  virtual void SetVisible(bool visible) = 0;
  virtual bool IsEnabled() const = 0;
  virtual void SetEnabled(bool enabled) = 0;
  virtual Rect GetBounds() const = 0;
  virtual void SetBounds(const Rect& bounds) = 0;
  void SetHeight(int height) {
    Rect r = GetBounds();
    r.height = height;
    SetBounds(r);
  }

  // Progress bars.
  virtual int GetPosition() const = 0;
  virtual void SetPosition(int position) = 0;
  virtual int GetMaximum() const = 0;

  // Picture boxes (and the face of picture buttons): image-file bytes; empty clears.
  virtual void SetPicture(std::span<const unsigned char> bytes) = 0;
  virtual std::vector<unsigned char> GetPicture() const = 0;

  // List views: rows of texts, one per column.
  virtual int AddRow() = 0;  // appends an empty row, returns its index
  virtual int RowCount() const = 0;
  virtual void SetCell(int row, int column, const Text& text) = 0;
  virtual Text GetCell(int row, int column) const = 0;

  // Browsers: the address shown.
  virtual void SetAddress(const Text& address) = 0;
  virtual Text GetAddress() const = 0;

  // Tab controls: the page shown.
  virtual int GetSelectedTab() const = 0;
  virtual void SetSelectedTab(int page) = 0;
};

class Window : public std::enable_shared_from_this<Window> {
 public:
  virtual ~Window() = default;
  virtual const FormSpec& Form() const = 0;

  // The control of that name. Asking for a name the form lacks is a program
  // error and aborts.
  virtual Control& operator[](std::string_view name) = 0;
  virtual bool Has(std::string_view name) const = 0;

  // Binds a handler to an event of a control; a later binding replaces it.
  virtual void On(std::string_view control, Event event, std::function<void()> handler) = 0;

  virtual Text GetTitle() const = 0;
  virtual void SetTitle(const Text& title) = 0;
  virtual void Minimise() = 0;
  virtual bool IsMinimised() const = 0;

  // Cuts the window's outline from its background picture, leaving out every
  // magenta pixel. False (and the window stays rectangular) when the picture
  // cannot be read.
  virtual bool CutOutlineFromBackground() = 0;

  // Destroys the window: its logic's Destroying runs, its controls go. The
  // object stays valid (IsDestroyed() true, every control inert) while anyone
  // holds it, so code that may outlive the window can keep a weak reference.
  virtual void Destroy() = 0;
  virtual bool IsDestroyed() const = 0;
};

// The portable code of one window: it binds its handlers, then the toolkit
// raises Created; Destroying runs when the window will be destroyed. The
// window owns its logic.
class WindowLogic {
 public:
  virtual ~WindowLogic() = default;
  virtual void Bind(Window& window) = 0;
  virtual void Created() {}
  virtual void Destroying() {}
};

// Loads a modeless window without owner and shows it once Created has run
// (unless Created destroyed it or ended the process).
std::shared_ptr<Window> LoadWindow(const FormSpec& form, std::unique_ptr<WindowLogic> logic);

// Loads a modal window without owner and returns when it has been destroyed;
// meanwhile the other windows take no input.
void RunModal(const FormSpec& form, std::unique_ptr<WindowLogic> logic);

// ---------------------------------------------------------------- message boxes

constexpr int kMessageNoIcon = 0;
constexpr int kMessageError = 16;
constexpr int kMessageInformation = 64;

// The title a message box bears when none is given: "信息：" in GBK.
Text DefaultMessageTitle();

// A task-modal message box without owner, one OK button; returns when it is dismissed.
void ShowMessageBox(const Text& text, int flags, std::optional<Text> title = std::nullopt);

// ---------------------------------------------------------------- the loop

// Initialises the toolkit's run time; first call of the entry point.
void InitToolkit();

// Runs the message loop until the process ends (or, headless, no window is left).
void RunMessageLoop();

// Handles every message that is waiting, then returns.
void ProcessPendingMessages();

// Waits while window messages go on being handled. unit 0: amount
// milliseconds; 1: microseconds; 2, 3, 4, 5: seconds, minutes, hours, days.
void PumpingDelay(int64_t amount, int unit);

// True on the toolkit's user-interface thread.
bool OnUiThread();

// Runs work on the user-interface thread and waits for it (at once when
// called there).
void InvokeOnUiThread(const std::function<void()>& work);

}  // namespace platform
