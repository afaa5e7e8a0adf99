// The library's derived method encodings, compiled for each processor: a
// wrong one stops the build of that slice, naming the signature.
#include "encoding_cases.h"
#include "host/objc.h"

namespace {

constexpr bool same(const char* a, const char* b) {
  while (*a && *a == *b) ++a, ++b;
  return *a == *b;
}

template <class F>
struct Derived;
template <class R, class... A>
struct Derived<R(A...)> {
  static constexpr const char* text = qst::encoding::of<R, A...>();
};

#if defined(__LP64__)
#define QST_CHECK(arm64, armv7, ...) static_assert(same(Derived<__VA_ARGS__>::text, arm64), #__VA_ARGS__ " on arm64");
#else
#define QST_CHECK(arm64, armv7, ...) static_assert(same(Derived<__VA_ARGS__>::text, armv7), #__VA_ARGS__ " on armv7");
#endif
QST_ENCODING_CASES(QST_CHECK)

}  // namespace
