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
constexpr bool kNoCode = false;
template <class T>
struct NoCode {
  static_assert(kNoCode<T>, "a type with no Objective-C encoding here");
  static constexpr char value = 0;
};

template <class T>
inline constexpr char kCode = NoCode<T>::value;
template <>
inline constexpr char kCode<void> = 'v';
template <>
inline constexpr char kCode<bool> = 'B';
template <>
inline constexpr char kCode<signed char> = 'c';
template <>
inline constexpr char kCode<int> = 'i';
template <>
inline constexpr char kCode<unsigned int> = 'I';
template <>
inline constexpr char kCode<long> = sizeof(long) == 8 ? 'q' : 'l';
template <>
inline constexpr char kCode<unsigned long> = sizeof(long) == 8 ? 'Q' : 'L';
template <>
inline constexpr char kCode<long long> = 'q';
template <>
inline constexpr char kCode<unsigned long long> = 'Q';
template <>
inline constexpr char kCode<float> = 'f';
template <>
inline constexpr char kCode<double> = 'd';
template <>
inline constexpr char kCode<objc_object*> = '@';
template <>
inline constexpr char kCode<objc_class*> = '#';
template <>
inline constexpr char kCode<const objc_selector*> = ':';
template <>
inline constexpr char kCode<objc_selector*> = ':';

template <class... T>
struct Joined {
  static constexpr char text[] = {kCode<T>..., '\0'};
};

// The encoding of a function returning R and taking A..., result first.
template <class R, class... A>
constexpr const char* of() {
  return Joined<R, A...>::text;
}

}  // namespace qst::encoding
