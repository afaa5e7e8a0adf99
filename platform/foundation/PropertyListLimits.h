// Bounds on reading a property list. Settings, selection and sorting files
// are written by other programs and read inside SpringBoard, where a crash
// or a long stall takes the lock screen down, so every read is bounded far
// above what a real file holds (a few kilobytes, a handful of levels).
#pragma once

#include <cstddef>
#include <string>

inline constexpr std::size_t kMaxPropertyListFileBytes = 32u << 20;  // 32 MiB
inline constexpr int kMaxPropertyListDepth = 256;                    // nesting levels of arrays and dictionaries
// Objects and text or data bytes made, counting a shared object (binary
// lists may refer to one object from many places) each time it is reached,
// so a file cannot expand into an exponential tree.
inline constexpr std::size_t kMaxPropertyListObjects = 250'000;
inline constexpr std::size_t kMaxPropertyListPayloadBytes = 64u << 20;  // 64 MiB
// Dictionary keys in an XML list, all dictionaries together (the XML parser
// takes time growing with their square; a settings file holds a few dozen).
inline constexpr std::size_t kMaxXMLPropertyListKeys = 20'000;

// What one read may still make; each reader draws on it as it goes.
class PropertyListBudget {
 public:
  // False, with `error` set, once the objects or bytes run out.
  bool takeObject(std::string* error);
  bool takeBytes(std::size_t bytes, std::string* error);

 private:
  std::size_t objects_ = 0;
  std::size_t bytes_ = 0;
};
