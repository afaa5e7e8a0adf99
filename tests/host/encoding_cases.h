// Method signatures with the encoding the device's compiler writes for each
// on arm64 and on armv7 (BOOL "B"/"c", NSInteger "q"/"i", CGFloat "d"/"f").
// The device build holds the library's derived encodings to the slice it
// compiles for (device/checks/encoding_probe.cc); host_tests holds the
// simulator's reported encodings to both (encoding_test.cc). The library's
// encodings are then what the simulator reports, on each slice.
//   QST_ENCODING_CASE(arm64, armv7, signature)
#pragma once

#define QST_ENCODING_CASES(QST_ENCODING_CASE)                       \
  QST_ENCODING_CASE("v@:", "v@:", void(id, SEL))                    \
  QST_ENCODING_CASE("@@:", "@@:", id(id, SEL))                      \
  QST_ENCODING_CASE("@@:@", "@@:@", id(id, SEL, id))                \
  QST_ENCODING_CASE("v@:@", "v@:@", void(id, SEL, id))              \
  QST_ENCODING_CASE("v@:@@", "v@:@@", void(id, SEL, id, id))        \
  QST_ENCODING_CASE("@@:@@", "@@:@@", id(id, SEL, id, id))          \
  QST_ENCODING_CASE("B@:", "c@:", BOOL(id, SEL))                    \
  QST_ENCODING_CASE("q@:", "i@:", NSInteger(id, SEL))               \
  QST_ENCODING_CASE("v@:Q", "v@:I", void(id, SEL, NSUInteger))      \
  QST_ENCODING_CASE("d@:@@", "f@:@@", CGFloat(id, SEL, id, id))     \
  QST_ENCODING_CASE("v@:Bd", "v@:cf", void(id, SEL, BOOL, CGFloat)) \
  QST_ENCODING_CASE("#@:", "#@:", Class(id, SEL))
