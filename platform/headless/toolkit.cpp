// The headless window toolkit: a window model that holds every control's
// properties, raises the same events as the Win32 toolkit and lets tests act
// as the player.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>

#include "platform/graphics.h"
#include "platform/headless/driver.h"
#include "platform/headless/loop.h"
#include "platform/headless/state.h"
#include "platform/toolkit.h"

namespace platform::headless {
namespace {

// ---------------------------------------------------------------- helpers

// Runs fn on the UI thread and returns its value, from whatever thread.
template <typename Fn>
auto OnUi(Fn&& fn) -> decltype(fn()) {
  if (OnUiThread()) return fn();
  if constexpr (std::is_void_v<decltype(fn())>) {
    InvokeOnUiThread(fn);
  } else {
    decltype(fn()) result{};
    InvokeOnUiThread([&] { result = fn(); });
    return result;
  }
}

// Characters of a GBK text: a lead byte and its trail byte count once.
size_t CharacterCount(const Text& text) {
  size_t n = 0;
  for (size_t i = 0; i < text.size(); ++i, ++n)
    if (IsGbkLeadByte(text[i]) && i + 1 < text.size()) ++i;
  return n;
}

Text FirstCharacters(const Text& text, size_t count) {
  size_t i = 0;
  for (size_t n = 0; n < count && i < text.size(); ++n)
    i += (IsGbkLeadByte(text[i]) && i + 1 < text.size()) ? 2 : 1;
  return text.substr(0, i);
}

// ---------------------------------------------------------------- controls

class HeadlessControl final : public Control {
 public:
  explicit HeadlessControl(const ControlSpec& spec)
      : spec_(spec), text_(Gbk(spec.text)), visible_(spec.visible), enabled_(spec.enabled),
        bounds_{spec.left, spec.top, spec.width, spec.height}, maximum_(spec.maximum) {
    picture_.assign(spec.pictures.normal.begin(), spec.pictures.normal.end());
  }

  std::string_view Name() const override { return spec_.name; }
  ControlKind Kind() const override { return spec_.kind; }
  const ControlSpec& Spec() const { return spec_; }

  Text GetText() const override { return OnUi([&] { return text_; }); }
  void SetText(const Text& text) override {
    OnUi([&] { text_ = text; });  // WM_SETTEXT ignores the length limit too
  }
  bool IsVisible() const override { return OnUi([&] { return visible_; }); }
  void SetVisible(bool visible) override { OnUi([&] { visible_ = visible; }); }
  bool IsEnabled() const override { return OnUi([&] { return enabled_; }); }
  void SetEnabled(bool enabled) override { OnUi([&] { enabled_ = enabled; }); }
  Rect GetBounds() const override { return OnUi([&] { return bounds_; }); }
  void SetBounds(const Rect& bounds) override { OnUi([&] { bounds_ = bounds; }); }

  int GetPosition() const override { return OnUi([&] { return position_; }); }
  void SetPosition(int position) override {
    OnUi([&] { position_ = std::clamp(position, 0, maximum_); });
  }
  int GetMaximum() const override { return maximum_; }

  void SetPicture(std::span<const unsigned char> bytes) override {
    OnUi([&] { picture_.assign(bytes.begin(), bytes.end()); });
  }
  std::vector<unsigned char> GetPicture() const override { return OnUi([&] { return picture_; }); }

  int AddRow() override {
    return OnUi([&] {
      rows_.emplace_back(std::max<size_t>(spec_.columns.size(), 1));
      return int(rows_.size()) - 1;
    });
  }
  int RowCount() const override { return OnUi([&] { return int(rows_.size()); }); }
  void SetCell(int row, int column, const Text& text) override {
    OnUi([&] {
      if (row < 0 || row >= int(rows_.size()) || column < 0 || column >= int(rows_[row].size())) return;
      rows_[row][column] = text;
    });
  }
  Text GetCell(int row, int column) const override {
    return OnUi([&] {
      if (row < 0 || row >= int(rows_.size()) || column < 0 || column >= int(rows_[row].size())) return Text();
      return rows_[row][column];
    });
  }

  void SetAddress(const Text& address) override { OnUi([&] { address_ = address; }); }
  Text GetAddress() const override { return OnUi([&] { return address_; }); }

  int GetSelectedTab() const override { return OnUi([&] { return selectedTab_; }); }
  void SetSelectedTab(int page) override {
    OnUi([&] {
      if (page >= 0 && page < int(spec_.tabs.size())) selectedTab_ = page;
    });
  }

  void Bind(Event event, std::function<void()> handler) { handlers_[event] = std::move(handler); }
  // Raises an event; a handler may destroy the window, so it runs from a copy.
  void Raise(Event event) {
    auto it = handlers_.find(event);
    if (it == handlers_.end() || !it->second) return;
    std::function<void()> handler = it->second;
    handler();
  }

  int timerId = 0;

 private:
  const ControlSpec& spec_;
  Text text_;
  bool visible_;
  bool enabled_;
  Rect bounds_;
  int position_ = 0;
  int maximum_;
  std::vector<unsigned char> picture_;
  std::vector<std::vector<Text>> rows_;
  Text address_;
  int selectedTab_ = 0;
  std::map<Event, std::function<void()>> handlers_;
};

// ---------------------------------------------------------------- windows

class HeadlessWindow final : public Window {
 public:
  HeadlessWindow(const FormSpec& form, std::unique_ptr<WindowLogic> logic)
      : form_(form), title_(Gbk(form.title)), logic_(std::move(logic)) {
    for (const ControlSpec& spec : form_.controls) controls_.push_back(std::make_unique<HeadlessControl>(spec));
  }

  const FormSpec& Form() const override { return form_; }

  Control& operator[](std::string_view name) override { return Find(name); }
  bool Has(std::string_view name) const override {
    for (const auto& c : controls_)
      if (c->Name() == name) return true;
    return false;
  }
  HeadlessControl& Find(std::string_view name) const {
    for (const auto& c : controls_)
      if (c->Name() == name) return *c;
    std::fprintf(stderr, "form %.*s has no control %.*s\n", int(form_.name.size()), form_.name.data(),
                 int(name.size()), name.data());
    std::abort();
  }

  void On(std::string_view control, Event event, std::function<void()> handler) override {
    Find(control).Bind(event, std::move(handler));
  }

  Text GetTitle() const override { return OnUi([&] { return title_; }); }
  void SetTitle(const Text& title) override { OnUi([&] { title_ = title; }); }
  void Minimise() override { OnUi([&] { minimised_ = true; }); }
  bool IsMinimised() const override { return OnUi([&] { return minimised_; }); }

  bool CutOutlineFromBackground() override {
    return OnUi([&] {
      const Image image = DecodePicture(form_.background);
      if (image.empty()) return false;
      outline_ = OutlineWithoutMagenta(image);
      return true;
    });
  }

  void Destroy() override {
    OnUi([&] {
      if (destroyed_) return;
      destroyed_ = true;
      shown_ = false;
      for (auto& c : controls_)
        if (c->timerId) StopTimer(c->timerId);
      for (auto& weak : disabledOthers_)
        if (auto other = weak.lock()) --other->disabledByModal_;
      disabledOthers_.clear();
      if (logic_) logic_->Destroying();
      // The logic may be on the stack (a handler that destroyed its window):
      // release it once the current event is done.
      if (logic_) Post([logic = std::shared_ptr<WindowLogic>(std::move(logic_))] {});
      Forget(this);
    });
  }
  bool IsDestroyed() const override { return OnUi([&] { return destroyed_; }); }

  // Ending the process tears windows down without raising their events.
  void DropSilently() {
    destroyed_ = true;
    shown_ = false;
    for (auto& c : controls_)
      if (c->timerId) StopTimer(c->timerId);
  }

  void Start() {
    logic_->Bind(*this);
    for (auto& c : controls_) {
      if (c->Kind() == ControlKind::Timer && c->Spec().periodMs > 0) {
        HeadlessControl* timer = c.get();
        c->timerId = StartTimer(uint32_t(c->Spec().periodMs), [timer] { timer->Raise(Event::Timer); });
      }
    }
    logic_->Created();
    if (!destroyed_ && !Ending()) shown_ = true;
  }

  // Whether a player could reach the control: visible, enabled, on the page shown.
  bool Reachable(const HeadlessControl& c) const {
    if (destroyed_ || !shown_ || disabledByModal_ > 0) return false;
    if (!c.IsVisible() || !c.IsEnabled()) return false;
    if (!c.Spec().tabControl.empty()) {
      const HeadlessControl& tab = Find(c.Spec().tabControl);
      if (!tab.IsVisible() || tab.GetSelectedTab() != c.Spec().tabPage) return false;
    }
    return true;
  }

  std::vector<PixelRect> outline_;
  std::vector<std::weak_ptr<HeadlessWindow>> disabledOthers_;  // windows a modal one holds back
  bool shown_ = false;
  int disabledByModal_ = 0;

 private:
  static void Forget(HeadlessWindow* window);

  const FormSpec& form_;
  std::vector<std::unique_ptr<HeadlessControl>> controls_;
  Text title_;
  bool minimised_ = false;
  bool destroyed_ = false;
  std::unique_ptr<WindowLogic> logic_;
};

// ---------------------------------------------------------------- registry

std::vector<std::shared_ptr<HeadlessWindow>>& LiveWindows() {
  static std::vector<std::shared_ptr<HeadlessWindow>> windows;
  return windows;
}

void HeadlessWindow::Forget(HeadlessWindow* window) {
  auto& live = LiveWindows();
  for (auto it = live.begin(); it != live.end(); ++it) {
    if (it->get() == window) {
      // Keep the object alive until the current event is over.
      Post([keep = *it] {});
      live.erase(it);
      return;
    }
  }
}

std::function<void(const MessageBoxRecord&)> messageBoxAnswer;
std::vector<MessageBoxRecord> messageBoxes;
std::function<void(Window&)> modalScript;

HeadlessWindow& AsHeadless(Window& window) { return static_cast<HeadlessWindow&>(window); }
const HeadlessWindow& AsHeadless(const Window& window) { return static_cast<const HeadlessWindow&>(window); }

}  // namespace

// ---------------------------------------------------------------- driver

void CloseAllWindows() {
  auto live = LiveWindows();
  LiveWindows().clear();
  for (auto& w : live) w->DropSilently();
  for (auto& w : live) Post([keep = w] {});
}

void ResetToolkit() {
  CloseAllWindows();
  messageBoxAnswer = nullptr;
  messageBoxes.clear();
  modalScript = nullptr;
}

std::shared_ptr<Window> FindWindow(std::string_view formName) {
  for (auto& w : LiveWindows())
    if (w->Form().name == formName) return w;
  return nullptr;
}

bool Click(Window& window, std::string_view control) {
  HeadlessWindow& w = AsHeadless(window);
  HeadlessControl& c = w.Find(control);
  if (!w.Reachable(c)) return false;
  c.Raise(Event::Click);
  Pump(0);
  return true;
}

bool Press(Window& window, std::string_view control) {
  HeadlessWindow& w = AsHeadless(window);
  HeadlessControl& c = w.Find(control);
  if (!w.Reachable(c)) return false;
  c.Raise(Event::MouseDown);
  return true;
}

bool Type(Window& window, std::string_view control, const Text& text) {
  HeadlessWindow& w = AsHeadless(window);
  HeadlessControl& c = w.Find(control);
  if (!w.Reachable(c) || c.Kind() != ControlKind::Edit || c.Spec().readOnly) return false;
  Text typed;
  for (char ch : text)
    if (!c.Spec().integer || (ch >= '0' && ch <= '9')) typed.push_back(ch);
  if (c.Spec().maxLength > 0 && CharacterCount(typed) > size_t(c.Spec().maxLength))
    typed = FirstCharacters(typed, size_t(c.Spec().maxLength));
  c.SetText(typed);
  return true;
}

std::vector<PixelRect> OutlineOf(const Window& window) { return AsHeadless(window).outline_; }

bool ContainsPoint(const Window& window, int x, int y) {
  const HeadlessWindow& w = AsHeadless(window);
  if (x < 0 || y < 0 || x >= w.Form().width || y >= w.Form().height) return false;
  if (w.outline_.empty()) return true;
  for (const PixelRect& r : w.outline_)
    if (x >= r.x && x < r.x + r.width && y >= r.y && y < r.y + r.height) return true;
  return false;
}

bool IsShown(const Window& window) { return AsHeadless(window).shown_; }
bool TakesInput(const Window& window) {
  const HeadlessWindow& w = AsHeadless(window);
  return w.shown_ && w.disabledByModal_ == 0;
}

void OnModal(std::function<void(Window&)> script) { modalScript = std::move(script); }

const std::vector<MessageBoxRecord>& MessageBoxes() { return messageBoxes; }
void OnMessageBox(std::function<void(const MessageBoxRecord&)> answer) { messageBoxAnswer = std::move(answer); }

}  // namespace platform::headless

// ---------------------------------------------------------------- seam

namespace platform {

using headless::HeadlessWindow;

std::shared_ptr<Window> LoadWindow(const FormSpec& form, std::unique_ptr<WindowLogic> logic) {
  auto window = std::make_shared<HeadlessWindow>(form, std::move(logic));
  headless::LiveWindows().push_back(window);
  window->Start();
  return window;
}

void RunModal(const FormSpec& form, std::unique_ptr<WindowLogic> logic) {
  auto window = std::make_shared<HeadlessWindow>(form, std::move(logic));
  for (auto& other : headless::LiveWindows()) {
    ++other->disabledByModal_;
    window->disabledOthers_.push_back(other);
  }
  headless::LiveWindows().push_back(window);
  window->Start();
  // The modal loop: a test's script acts inside it. Without one the call
  // returns and the window stays open (the others without input) so the test
  // can go on driving it.
  if (headless::modalScript && !window->IsDestroyed() && !headless::Ending()) {
    auto script = headless::modalScript;
    script(*window);
  }
}

Text DefaultMessageTitle() { return Gbk("信息："); }

void ShowMessageBox(const Text& text, int flags, std::optional<Text> title) {
  headless::messageBoxes.push_back({text, flags, title ? *title : DefaultMessageTitle()});
  if (headless::messageBoxAnswer) {
    auto answer = headless::messageBoxAnswer;
    answer(headless::messageBoxes.back());
  }
}

void InitToolkit() {}

void RunMessageLoop() {
  while (!headless::Ending() && !headless::LiveWindows().empty()) headless::Pump(20);
}

}  // namespace platform
