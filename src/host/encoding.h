// The Objective-C type encoding of a method's C++ signature, made at compile
// time: "v@:@" for void(id, SEL, id). class_addMethod is told the types of
// the method it adds, and on a device nothing checks that they are the
// function's; derived here from the function itself, they cannot drift from
// it. Each code is the one clang's @encode gives the type on the slice being
// compiled (a bool "B", a signed char "c", a long "l" in 32 bits and "q" in
// 64). A type with no code here stops the build.
//
// Plain templates with no library in them: the device's freestanding build
// includes this as the simulator's does.
#pragma once

struct objc_object;
struct objc_class;
struct objc_selector;

namespace qst::encoding {

template <class T>
struct Code;  // only the types below

template <unsigned long N>
struct Literal {
  char text[N];
};

template <>
struct Code<void> {
  static constexpr Literal<2> value{"v"};
};
template <>
struct Code<bool> {
  static constexpr Literal<2> value{"B"};
};
template <>
struct Code<signed char> {
  static constexpr Literal<2> value{"c"};
};
template <>
struct Code<int> {
  static constexpr Literal<2> value{"i"};
};
template <>
struct Code<unsigned int> {
  static constexpr Literal<2> value{"I"};
};
template <>
struct Code<long> {
  static constexpr Literal<2> value{{sizeof(long) == 8 ? 'q' : 'l', 0}};
};
template <>
struct Code<unsigned long> {
  static constexpr Literal<2> value{{sizeof(long) == 8 ? 'Q' : 'L', 0}};
};
template <>
struct Code<long long> {
  static constexpr Literal<2> value{"q"};
};
template <>
struct Code<unsigned long long> {
  static constexpr Literal<2> value{"Q"};
};
template <>
struct Code<float> {
  static constexpr Literal<2> value{"f"};
};
template <>
struct Code<double> {
  static constexpr Literal<2> value{"d"};
};
template <>
struct Code<objc_object*> {
  static constexpr Literal<2> value{"@"};
};
template <>
struct Code<objc_class*> {
  static constexpr Literal<2> value{"#"};
};
template <>
struct Code<const objc_selector*> {
  static constexpr Literal<2> value{":"};
};
template <>
struct Code<objc_selector*> {
  static constexpr Literal<2> value{":"};
};

template <class... T>
struct Joined {
  static constexpr unsigned long length = (0 + ... + (sizeof(Code<T>::value.text) - 1));
  static constexpr Literal<length + 1> make() {
    Literal<length + 1> out{};
    unsigned long at = 0;
    auto append = [&](const auto& piece) {
      for (unsigned long i = 0; piece.text[i]; ++i) out.text[at++] = piece.text[i];
    };
    (append(Code<T>::value), ...);
    out.text[at] = 0;
    return out;
  }
  static constexpr Literal<length + 1> value = make();
};

// The encoding of a function returning R and taking A..., result first.
template <class R, class... A>
constexpr const char* of() {
  return Joined<R, A...>::value.text;
}

}  // namespace qst::encoding
