// Tiny owners for Windows handles: each closes its handle exactly once, on
// every path, so the code that uses them stays a straight line.
#pragma once

#include <windows.h>

#include <utility>

namespace platform::win32 {

// Owns a handle of type T (null when empty) and closes it with Close.
// Converts to the raw handle so it can be passed straight to Win32 calls.
template <class T, void (*Close)(T)>
class Owner {
 public:
  Owner() = default;
  explicit Owner(T value) : value_(value) {}
  Owner(const Owner&) = delete;
  Owner& operator=(const Owner&) = delete;
  Owner(Owner&& other) noexcept : value_(std::exchange(other.value_, T{})) {}
  Owner& operator=(Owner&& other) noexcept {
    if (this != &other) reset(std::exchange(other.value_, T{}));
    return *this;
  }
  ~Owner() { reset(); }

  void reset(T value = T{}) {
    if (value_) Close(value_);
    value_ = value;
  }
  T release() { return std::exchange(value_, T{}); }
  T get() const { return value_; }
  operator T() const { return value_; }

 private:
  T value_{};
};

namespace detail {
inline void CloseKernelHandle(HANDLE h) { ::CloseHandle(h); }
template <class G>
void DeleteGdiObject(G h) { ::DeleteObject(h); }
inline void DeleteMemoryDc(HDC h) { ::DeleteDC(h); }
inline void FreeGlobal(HGLOBAL h) { ::GlobalFree(h); }
template <class I>
void ReleaseCom(I* p) { p->Release(); }
}  // namespace detail

// Events, timers, processes, threads, files.
using UniqueHandle = Owner<HANDLE, detail::CloseKernelHandle>;

// CreateFileW reports failure as INVALID_HANDLE_VALUE, not null: normalise it.
inline UniqueHandle OwnFile(HANDLE h) { return UniqueHandle(h == INVALID_HANDLE_VALUE ? nullptr : h); }

// Bitmaps, fonts, regions, brushes.
template <class G>
using GdiObject = Owner<G, detail::DeleteGdiObject<G>>;
using MemoryDc = Owner<HDC, detail::DeleteMemoryDc>;
using GlobalMemory = Owner<HGLOBAL, detail::FreeGlobal>;
template <class I>
using ComPtr = Owner<I*, detail::ReleaseCom<I>>;

// Selects an object into a device context for one scope, then puts the old one back.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), old_(::SelectObject(dc, object)) {}
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;
  ~SelectedObject() { ::SelectObject(dc_, old_); }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

}  // namespace platform::win32
