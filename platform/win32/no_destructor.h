// Process-wide objects that are never destroyed.
#pragma once

#include <new>
#include <utility>

namespace platform::win32 {

// Holds a T that is built on first use and never destroyed. The launcher ends
// with exit() from inside window procedures and event handlers; static
// destructors must not tear down windows or logic whose methods are still on
// the stack, so the toolkit's registries live in these.
template <class T>
class NoDestructor {
 public:
  template <class... Args>
  explicit NoDestructor(Args&&... args) {
    new (storage_) T(std::forward<Args>(args)...);
  }
  NoDestructor(const NoDestructor&) = delete;
  NoDestructor& operator=(const NoDestructor&) = delete;

  T& get() { return *std::launder(reinterpret_cast<T*>(storage_)); }
  T* operator->() { return &get(); }
  T& operator*() { return get(); }

 private:
  alignas(T) unsigned char storage_[sizeof(T)];
};

}  // namespace platform::win32
