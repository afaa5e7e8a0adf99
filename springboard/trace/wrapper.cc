#include "trace/wrapper.h"

#include <ffi.h>

#include <cstdint>
#include <cstring>
#include <deque>
#include <mutex>

#include "host_call.h"
#include "trace/describe.h"

namespace sb::trace {
namespace {

template <class T>
T read(const void* at) {
  T value;
  std::memcpy(&value, at, sizeof value);
  return value;
}

std::string hex(std::uintptr_t address) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  do {
    out.insert(out.begin(), digits[address & 15]);
    address >>= 4;
  } while (address);
  return "0x" + out;
}

// A structure's members, as {a, b}; a rectangle as {{x, y}, {w, h}}.
template <class Member>
std::string members(const void* at, unsigned count, std::string (*text)(Member)) {
  std::string out = "{";
  for (unsigned i = 0; i < count; ++i)
    out += (i ? ", " : "") + text(read<Member>(static_cast<const unsigned char*>(at) + i * sizeof(Member)));
  return out + "}";
}

std::string wordText(unsigned long value) { return std::to_string(value); }

// One value of a type, where libffi keeps it (integers narrower than a
// register read from its low bytes, as libffi widens them on a
// little-endian host).
std::string describeValue(const hostcall::Type& type, const void* at) {
  using hostcall::Kind;
  switch (type.kind) {
    case Kind::Void: return "";
    case Kind::Int:
      if (type.encoding == "B") return read<std::uint8_t>(at) ? "YES" : "NO";
      switch (type.size) {
        case 1: return std::to_string(read<std::int8_t>(at));
        case 2: return std::to_string(read<std::int16_t>(at));
        case 4: return std::to_string(read<std::int32_t>(at));
        default: return std::to_string(read<std::int64_t>(at));
      }
    case Kind::UInt:
      switch (type.size) {
        case 1: return std::to_string(read<std::uint8_t>(at));
        case 2: return std::to_string(read<std::uint16_t>(at));
        case 4: return std::to_string(read<std::uint32_t>(at));
        default: return std::to_string(read<std::uint64_t>(at));
      }
    case Kind::Word: return std::to_string(read<long>(at));
    case Kind::UWord: return std::to_string(read<unsigned long>(at));
    case Kind::Float: return describeNumber(read<float>(at));
    case Kind::Double:
    case Kind::Length: return describeNumber(read<double>(at));
    case Kind::Lengths:
      if (type.count == 4) return describe(read<CGRect>(at));
      return members<double>(at, type.count, describeNumber);
    case Kind::Words: return members<unsigned long>(at, type.count, wordText);
    case Kind::Object: return describeObject(read<id>(at));
    case Kind::Selector: return describe(read<SEL>(at));
    case Kind::CString: {
      const char* text = read<const char*>(at);
      return text ? describeText(text) : "NULL";
    }
    case Kind::Block: return "<block>";
    case Kind::FormatArgs: return "…";
    case Kind::Pointer:
    case Kind::OutScalar:
    case Kind::Raw: return hex(read<std::uintptr_t>(at));
  }
  return "?";
}

struct Wrapper {
  const hostcall::HostCall* call;
  WrapperEntry entry;
  void* context;
};

void enterWrapper(ffi_cif*, void* result, void** arguments, void* user) {
  auto* wrapper = static_cast<const Wrapper*>(user);
  WrappedCall call(*wrapper->call, result, arguments);
  wrapper->entry(call, wrapper->context);
}

}  // namespace

id WrappedCall::self() const { return read<id>(arguments_[0]); }
SEL WrappedCall::cmd() const { return read<SEL>(arguments_[1]); }

std::vector<std::string> WrappedCall::describeArguments() const {
  std::vector<std::string> texts;
  for (std::size_t i = 2; i < call_.signature.arguments(); ++i)
    texts.push_back(describeValue(call_.signature.argument(i), arguments_[i]));
  return texts;
}

void WrappedCall::callThrough(IMP imp) { ffi_call(const_cast<ffi_cif*>(&call_.cif), imp.fn, result_, arguments_); }

std::optional<std::string> WrappedCall::describeResult() const {
  if (call_.signature.result().kind == hostcall::Kind::Void) return std::nullopt;
  return describeValue(call_.signature.result(), result_);
}

IMP makeWrapper(IMP target, WrapperEntry entry, void* context) {
  if (!target.types) throw UnwrappableMethod("its implementation has no type encoding");
  const hostcall::HostCall* call;
  try {
    call = &hostcall::hostCallFor(target.types, target.realDoubles);
  } catch (const std::exception& e) {
    throw UnwrappableMethod(std::string("its type encoding \"") + target.types + "\" cannot be called: " + e.what());
  }
  if (call->signature.arguments() < 2)
    throw UnwrappableMethod(std::string("its type encoding \"") + target.types + "\" lacks the receiver and selector");
  void* code = nullptr;
  auto* closure = static_cast<ffi_closure*>(ffi_closure_alloc(sizeof(ffi_closure), &code));
  if (!closure) throw UnwrappableMethod("libffi cannot make a closure");
  // Kept where a leak checker sees them, since the closure's own memory is not.
  static std::mutex lock;
  static auto* kept = new std::deque<Wrapper>;
  Wrapper* wrapper;
  {
    std::lock_guard guard(lock);
    wrapper = &kept->emplace_back(Wrapper{call, entry, context});
  }
  if (ffi_prep_closure_loc(closure, const_cast<ffi_cif*>(&call->cif), enterWrapper, wrapper, code) != FFI_OK) {
    ffi_closure_free(closure);
    throw UnwrappableMethod("libffi cannot prepare a closure");
  }
  IMP imp = target;
  imp.fn = reinterpret_cast<void (*)()>(code);
  return imp;
}

}  // namespace sb::trace
