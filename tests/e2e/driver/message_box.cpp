#include "message_box.h"

#include <algorithm>
#include <cstdlib>
#include <optional>

#include "window_search.h"

namespace driver {

namespace {

struct KnownIcon {
  const char* name;
  LPCWSTR resource;
};

const KnownIcon kKnownIcons[] = {
    {"error", IDI_HAND},
    {"warning", IDI_EXCLAMATION},
    {"information", IDI_ASTERISK},
    {"question", IDI_QUESTION},
};

// 32 bpp top-down pixels of a width x height area.
struct Pixels {
  int width = 0, height = 0;
  std::vector<DWORD> data;
};

// A memory DC with a 32 bpp DIB selected into it; everything released on exit.
class Canvas {
 public:
  Canvas(int width, int height) : width_(width), height_(height) {
    HDC screen = GetDC(nullptr);
    dc_ = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
    if (bitmap_) old_ = SelectObject(dc_, bitmap_);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;
  ~Canvas() {
    if (old_) SelectObject(dc_, old_);
    if (bitmap_) DeleteObject(bitmap_);
    if (dc_) DeleteDC(dc_);
  }
  bool Ok() const { return dc_ && bitmap_ && bits_; }
  HDC Dc() const { return dc_; }
  Pixels Take() const {
    GdiFlush();
    const auto* first = static_cast<const DWORD*>(bits_);
    return {width_, height_, std::vector<DWORD>(first, first + size_t(width_) * height_)};
  }
  void Fill(DWORD colour) {
    auto* first = static_cast<DWORD*>(bits_);
    std::fill(first, first + size_t(width_) * height_, colour);
  }

 private:
  int width_, height_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  void* bits_ = nullptr;
};

// What the icon control shows on the screen.
std::optional<Pixels> CaptureScreen(HWND control) {
  RECT client;
  GetClientRect(control, &client);
  POINT origin{0, 0};
  ClientToScreen(control, &origin);
  if (client.right <= 0 || client.bottom <= 0) return std::nullopt;
  Canvas canvas(client.right, client.bottom);
  if (!canvas.Ok()) return std::nullopt;
  HDC screen = GetDC(nullptr);
  BOOL copied = BitBlt(canvas.Dc(), 0, 0, client.right, client.bottom, screen, origin.x, origin.y, SRCCOPY);
  ReleaseDC(nullptr, screen);
  if (!copied) return std::nullopt;
  return canvas.Take();
}

// The icon drawn the way the static control draws it: stretched to its
// client area over the dialog's background colour.
std::optional<Pixels> Render(HICON icon, int width, int height, DWORD background) {
  Canvas canvas(width, height);
  if (!canvas.Ok()) return std::nullopt;
  canvas.Fill(background);
  if (icon && !DrawIconEx(canvas.Dc(), 0, 0, icon, width, height, 0, nullptr, DI_NORMAL)) return std::nullopt;
  return canvas.Take();
}

// Mean difference per colour channel, 0 (same) to 255.
double Difference(const Pixels& a, const Pixels& b) {
  long long sum = 0;
  for (size_t i = 0; i < a.data.size(); ++i) {
    for (int shift = 0; shift < 24; shift += 8) {
      sum += std::abs(int((a.data[i] >> shift) & 0xFF) - int((b.data[i] >> shift) & 0xFF));
    }
  }
  return a.data.empty() ? 255.0 : double(sum) / (3.0 * double(a.data.size()));
}

// Which system icon the static shows. Comparing handles works where system
// icons are shared between processes; under Wine each process loads its own
// copies, so the pixels on the screen are compared with each candidate.
void IdentifyIcon(HWND iconControl, MessageBoxInfo& info) {
  if (!iconControl) {
    info.icon = "none";
    info.iconDetail = "no icon control";
    return;
  }
  DWORD_PTR shown = 0;
  SendMessageTimeoutW(iconControl, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 1000, &shown);
  if (!shown) SendMessageTimeoutW(iconControl, STM_GETIMAGE, IMAGE_ICON, 0, SMTO_ABORTIFHUNG, 1000, &shown);
  if (!shown) {
    info.icon = "none";
    info.iconDetail = "the icon control holds no icon";
    return;
  }
  for (const KnownIcon& known : kKnownIcons) {
    if (HICON(shown) == LoadIconW(nullptr, known.resource)) {
      info.icon = known.name;
      info.iconDetail = "same handle";
      return;
    }
  }
  auto screen = CaptureScreen(iconControl);
  if (!screen) {
    info.icon = "unknown";
    info.iconDetail = "could not capture the icon from the screen";
    return;
  }
  // Standard icons leave their corners transparent: the corner shows the background.
  DWORD background = screen->data.front();
  std::string scores;
  const char* best = nullptr;
  double bestScore = 255.0;
  for (const KnownIcon& known : kKnownIcons) {
    auto drawn = Render(LoadIconW(nullptr, known.resource), screen->width, screen->height, background);
    if (!drawn) continue;
    double score = Difference(*screen, *drawn);
    char line[64];
    wsprintfA(line, "%s%s=%d", scores.empty() ? "" : " ", known.name, int(score * 100));
    scores += line;
    if (score < bestScore) {
      bestScore = score;
      best = known.name;
    }
  }
  constexpr double kSameEnough = 2.0;  // per channel; a different icon scores far above
  if (best && bestScore <= kSameEnough) {
    info.icon = best;
    info.iconDetail = "pixels match (difference x100: " + scores + ")";
  } else {
    info.icon = "unknown";
    info.iconDetail = "no system icon matches the pixels (difference x100: " + scores + ")";
  }
}

BOOL CALLBACK CollectChild(HWND hwnd, LPARAM param) {
  reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
  return TRUE;
}

}  // namespace

MessageBoxInfo ReadMessageBox(HWND dialog) {
  MessageBoxInfo info;
  info.title = ReadText(dialog).value_or(L"");
  HWND text = GetDlgItem(dialog, kMessageBoxTextId);
  info.text = text ? ReadText(text).value_or(L"") : L"";
  HWND icon = GetDlgItem(dialog, kMessageBoxIconId);
  IdentifyIcon(icon && IsWindowVisible(icon) ? icon : nullptr, info);
  std::vector<HWND> children;
  EnumChildWindows(dialog, CollectChild, reinterpret_cast<LPARAM>(&children));
  for (HWND child : children) {
    wchar_t className[64];
    int size = GetClassNameW(child, className, 64);
    if (size > 0 && _wcsicmp(className, L"Button") == 0 && IsWindowVisible(child)) {
      info.buttons.push_back({GetDlgCtrlID(child), ReadText(child).value_or(L"")});
    }
  }
  return info;
}

}  // namespace driver
