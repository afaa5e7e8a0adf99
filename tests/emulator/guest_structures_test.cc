// The guest structures the emulator reads (guest_structures.h), held against
// clang-19's layout of the same structures as their owners declare them, on
// each slice: a field the host placed elsewhere would be read from the wrong
// bytes of every block, constant string or message to super.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <string>

#include "guest_structures.h"
#include "temp_folder.h"

namespace emu {
namespace {

// libclosure's Block_private.h and objc4's message.h; clang declares
// __NSConstantString itself.
constexpr const char* kOwnersDeclarations = R"(
#include <stddef.h>
struct Block_descriptor_1 { unsigned long reserved; unsigned long size; };
struct Block_descriptor_2 { void (*copy)(void *dst, const void *src); void (*dispose)(const void *); };
struct Block_layout {
  void *isa;
  volatile int flags;
  int reserved;
  void (*invoke)(void *, ...);
  struct Block_descriptor_1 *descriptor;
};
struct objc_super { void *receiver; void *super_class; };
)";

// One _Static_assert per size and field: the guest compiler's figure
// must be ours.
template <class Word>
std::string ourLayouts() {
  std::string c;
  auto same = [&](const std::string& theirs, std::size_t ours) {
    c += "_Static_assert(" + theirs + " == " + std::to_string(ours) + ", \"" + theirs + "\");\n";
  };
  using Literal = BlockLiteral<Word>;
  same("sizeof(struct Block_layout)", sizeof(Literal));
  same("offsetof(struct Block_layout, flags)", offsetof(Literal, flags));
  same("offsetof(struct Block_layout, reserved)", offsetof(Literal, reserved));
  same("offsetof(struct Block_layout, invoke)", offsetof(Literal, invoke));
  same("offsetof(struct Block_layout, descriptor)", offsetof(Literal, descriptor));
  same("sizeof(struct Block_descriptor_1)", sizeof(BlockDescriptor<Word>));
  same("offsetof(struct Block_descriptor_1, size)", offsetof(BlockDescriptor<Word>, size));
  same("sizeof(struct Block_descriptor_2)", sizeof(BlockCopyDispose<Word>));
  same("offsetof(struct Block_descriptor_2, dispose)", offsetof(BlockCopyDispose<Word>, dispose));
  using String = ConstantString<Word>;
  same("sizeof(__NSConstantString)", sizeof(String));
  same("offsetof(__NSConstantString, flags)", offsetof(String, flags));
  same("offsetof(__NSConstantString, str)", offsetof(String, bytes));
  same("offsetof(__NSConstantString, length)", offsetof(String, length));
  same("sizeof(struct objc_super)", sizeof(ObjCSuper<Word>));
  same("offsetof(struct objc_super, super_class)", offsetof(ObjCSuper<Word>, superClass));
  return c;
}

// What clang says of the declarations and assertions for `triple`: empty
// when every assertion holds.
std::string compilerDisagreement(const std::string& triple, const std::string& assertions) {
  qst_test::TempFolder folder("guest-structures");
  const std::string source = (folder / "layouts.c").string();
  std::ofstream(source) << kOwnersDeclarations << assertions;
  FILE* pipe =
      popen((std::string(QST_GUEST_CC) + " -target " + triple + " -fsyntax-only " + source + " 2>&1").c_str(), "r");
  if (!pipe) return "clang-19 cannot be run";
  std::string said;
  std::array<char, 4096> buffer;
  for (std::size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0;) said.append(buffer.data(), n);
  const int status = pclose(pipe);
  return status == 0 ? "" : said.empty() ? "clang-19 failed without a word" : said;
}

TEST(GuestStructuresTest, EachSlicesCompilerLaysOutBlocksConstantStringsAndSuperAsTheEmulatorReadsThem) {
  EXPECT_EQ(compilerDisagreement("arm64-apple-ios7.0", ourLayouts<Arm64Word>()), "");
  EXPECT_EQ(compilerDisagreement("armv7-apple-ios7.0", ourLayouts<Armv7Word>()), "");
}

}  // namespace
}  // namespace emu
