// An owning holder for objects that count their own references (AddRef/Release): each holder
// owns exactly one reference and gives it back when it goes, on every path out, an early
// return or a failed test assertion included, so no caller pairs Release calls by hand.
#pragma once

#include <cstddef>
#include <utility>

namespace vd {

template <typename T>
class RefPtr {
 public:
  RefPtr() = default;
  RefPtr(std::nullptr_t) {}  // NOLINT: null converts, as for any pointer
  // Takes over a reference the caller already holds (what a Query... call hands out).
  explicit RefPtr(T* adopted) : p_(adopted) {}
  // A reference of its own to an object someone else keeps.
  static RefPtr Share(T* object) {
    if (object != nullptr) object->AddRef();
    return RefPtr(object);
  }

  RefPtr(const RefPtr& other) : p_(other.p_) {
    if (p_ != nullptr) p_->AddRef();
  }
  RefPtr(RefPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  RefPtr& operator=(RefPtr other) noexcept {
    std::swap(p_, other.p_);
    return *this;
  }
  ~RefPtr() {
    if (p_ != nullptr) p_->Release();
  }

  // Gives the reference back now (and adopts `adopted`, as the constructor does).
  void reset(T* adopted = nullptr) { RefPtr(adopted).swap(*this); }
  void swap(RefPtr& other) noexcept { std::swap(p_, other.p_); }

  T* get() const { return p_; }
  T* operator->() const { return p_; }
  T& operator*() const { return *p_; }
  explicit operator bool() const { return p_ != nullptr; }
  friend bool operator==(const RefPtr& a, std::nullptr_t) { return a.p_ == nullptr; }

 private:
  T* p_ = nullptr;
};

}  // namespace vd
