#include "host_call.h"

#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <utility>

namespace hostcall {
namespace {

// A structure of `count` members of one type, for libffi.
ffi_type* structType(ffi_type* member, unsigned count) {
  static std::mutex lock;
  static std::map<std::pair<ffi_type*, unsigned>, std::pair<ffi_type, std::vector<ffi_type*>>> types;
  std::lock_guard guard(lock);
  auto& [type, elements] = types[{member, count}];
  if (elements.empty()) {
    elements.assign(count, member);
    elements.push_back(nullptr);
    type.size = type.alignment = 0;
    type.type = FFI_TYPE_STRUCT;
    type.elements = elements.data();
  }
  return &type;
}

ffi_type* hostTypeOf(const Type& type) {
  switch (type.kind) {
    case Kind::Void: return &ffi_type_void;
    case Kind::Int:
      return type.size == 1   ? (type.encoding == "B" ? &ffi_type_uint8 : &ffi_type_sint8)
             : type.size == 2 ? &ffi_type_sint16
             : type.size == 4 ? &ffi_type_sint32
                              : &ffi_type_sint64;
    case Kind::UInt:
      return type.size == 1   ? &ffi_type_uint8
             : type.size == 2 ? &ffi_type_uint16
             : type.size == 4 ? &ffi_type_uint32
                              : &ffi_type_uint64;
    case Kind::Word: return &ffi_type_slong;
    case Kind::UWord: return &ffi_type_ulong;
    case Kind::Float: return &ffi_type_float;
    case Kind::Double:
    case Kind::Length: return &ffi_type_double;
    case Kind::Lengths: return structType(&ffi_type_double, type.count);
    case Kind::Words: return structType(&ffi_type_ulong, type.count);
    default: return &ffi_type_pointer;  // pointers, and what C++ passes by invisible reference
  }
}

struct CallCache {
  std::mutex lock;
  std::map<std::string, std::unique_ptr<HostCall>> byText;
};
CallCache& callCache() {
  static auto* cache = new CallCache;
  return *cache;
}

}  // namespace

const HostCall& hostCallFor(const std::string& encoding, std::uint64_t realDoubles) {
  std::string key = realDoubles ? encoding + "|" + std::to_string(realDoubles) : encoding;
  CallCache& cache = callCache();
  std::lock_guard guard(cache.lock);
  auto known = cache.byText.find(key);
  if (known != cache.byText.end()) return *known->second;
  auto call = std::make_unique<HostCall>();
  call->signature = parseSignature(encoding, realDoubles);
  for (std::size_t i = 0; i < call->signature.arguments(); ++i)
    call->argumentTypes.push_back(hostTypeOf(call->signature.argument(i)));
  if (ffi_prep_cif(&call->cif, FFI_DEFAULT_ABI, static_cast<unsigned>(call->argumentTypes.size()),
                   hostTypeOf(call->signature.result()), call->argumentTypes.data()) != FFI_OK)
    throw std::runtime_error("libffi cannot call a function of type \"" + encoding + "\"");
  return *cache.byText.emplace(key, std::move(call)).first->second;
}

}  // namespace hostcall
