// One object of type T per thread, made at the thread's first use and
// deleted when the thread ends. Once it is gone, get() answers nullptr, and
// what still runs on the thread (the destructors of its other thread-locals;
// on the main thread, of statics) takes the caller's slow path.
//
// The pointer is initial-exec TLS: the platform library is loaded with the
// program, so it sits at a fixed offset from the thread pointer and is
// reached without a call to __tls_get_addr. A plain pointer also outlives
// the thread-local destructors, which an object held by value would not.
#pragma once

template <class T>
class ThreadOwned {
 public:
  static T* get() { return object_ ? object_ : make(); }

 private:
  [[gnu::noinline]] static T* make() {
    if (gone_) return nullptr;
    (void)&owner_;  // constructing the owner registers its destructor
    return object_ = new T;
  }

  struct Owner {
    ~Owner() {
      delete object_;
      object_ = nullptr;
      gone_ = true;
    }
  };

  __attribute__((tls_model("initial-exec"))) static inline thread_local T* object_ = nullptr;
  __attribute__((tls_model("initial-exec"))) static inline thread_local bool gone_ = false;
  static inline thread_local Owner owner_;
};
