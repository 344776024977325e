// Move-only owner of one GObject reference.
#pragma once

#include <glib-object.h>

#include <utility>

namespace vantile {

template <typename T>
class GObjectPtr {
 public:
  GObjectPtr() = default;
  // Takes over a reference the caller owns (a "transfer full" result).
  explicit GObjectPtr(T* adopted) : ptr_(adopted) {}
  ~GObjectPtr() { reset(); }
  GObjectPtr(GObjectPtr&& other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)) {}
  GObjectPtr& operator=(GObjectPtr&& other) noexcept {
    if (this != &other) {
      reset();
      ptr_ = std::exchange(other.ptr_, nullptr);
    }
    return *this;
  }
  GObjectPtr(const GObjectPtr&) = delete;
  GObjectPtr& operator=(const GObjectPtr&) = delete;

  // Adds a reference of our own to an object someone else owns.
  static GObjectPtr Ref(T* borrowed) { return GObjectPtr(borrowed ? static_cast<T*>(g_object_ref(borrowed)) : nullptr); }

  T* get() const { return ptr_; }
  T* operator->() const { return ptr_; }
  explicit operator bool() const { return ptr_ != nullptr; }
  T* release() { return std::exchange(ptr_, nullptr); }
  void reset() {
    if (ptr_) g_object_unref(std::exchange(ptr_, nullptr));
  }

 private:
  T* ptr_ = nullptr;
};

// Frees a g_malloc'ed string when it goes out of scope.
struct GFreeDeleter {
  void operator()(void* p) const { g_free(p); }
};

}  // namespace vantile
