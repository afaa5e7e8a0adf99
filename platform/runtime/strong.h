// A strong reference: holds one retain on its object; storing a new value
// retains the new one and then releases the old one.
#pragma once

#include <utility>

#include "runtime/objc.h"

template <class T = objc_object>
class Strong {
 public:
  Strong() = default;
  Strong(std::nullptr_t) {}
  explicit Strong(T* obj) : obj_(obj) { objc_retain(obj_); }
  Strong(const Strong& other) : obj_(other.obj_) { objc_retain(obj_); }
  Strong(Strong&& other) noexcept : obj_(std::exchange(other.obj_, nullptr)) {}
  ~Strong() { objc_release(obj_); }

  Strong& operator=(const Strong& other) {
    store(other.obj_);
    return *this;
  }
  Strong& operator=(Strong&& other) noexcept {
    if (this != &other) {
      T* old = std::exchange(obj_, std::exchange(other.obj_, nullptr));
      objc_release(old);
    }
    return *this;
  }

  // Retains obj, then releases the previous value.
  void store(T* obj) {
    objc_retain(obj);
    T* old = std::exchange(obj_, obj);
    objc_release(old);
  }
  // Takes over a reference the caller already owns (a +1 from alloc/init).
  void adopt(T* obj) {
    T* old = std::exchange(obj_, obj);
    objc_release(old);
  }
  static Strong adopting(T* obj) {
    Strong s;
    s.obj_ = obj;
    return s;
  }

  T* get() const { return obj_; }
  operator T*() const { return obj_; }
  T* operator->() const { return obj_; }
  explicit operator bool() const { return obj_ != nullptr; }

 private:
  T* obj_ = nullptr;
};

using StrongId = Strong<objc_object>;
