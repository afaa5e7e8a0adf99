#include "runtime/method_types.h"

#include <atomic>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string>
#include <tuple>

#include "runtime/objc_class.h"

namespace {
std::atomic<DeviceSlice> gSlice{DeviceSlice::Arm64};
}  // namespace

void setSimulatedSlice(DeviceSlice slice) { gSlice.store(slice); }
DeviceSlice simulatedSlice() { return gSlice.load(); }

namespace objc_detail {

// The derived encodings in the slice's text, made once each: the runtime
// hands out pointers to them, good for the life of the process.
const char* reportedEncoding(const char* types, std::uint64_t realDoubles) {
  if (!types) return "";
  static std::mutex lock;
  static auto* made = new std::map<std::tuple<const char*, std::uint64_t, DeviceSlice>, std::string>;
  const DeviceSlice slice = gSlice.load(std::memory_order_relaxed);
  std::lock_guard guard(lock);
  auto [it, fresh] = made->try_emplace({types, realDoubles, slice});
  if (fresh) it->second = deviceEncoding(types, realDoubles, slice);
  return it->second.c_str();
}

objc_method methodOf(IMP imp, const char* given) {
  objc_method m;
  m.imp = imp;
  if (given) m.given = given;
  m.types = imp.types;
  m.realDoubles = imp.realDoubles;
  return m;
}

const char* reportedEncoding(const objc_method& m) {
  return m.given ? m.given->c_str() : reportedEncoding(m.types, m.realDoubles);
}

// A module's literal that says something else than its implementation
// takes is a defect the device would keep silently.
void checkGivenEncoding(Class cls, SEL name, IMP imp, const char* given) {
  if (!given || !imp.types) return;
  const char* own = reportedEncoding(imp.types, imp.realDoubles);
  std::string plain;
  try {
    plain = plainEncoding(given);
  } catch (const std::invalid_argument&) {}
  if (plain == own) return;
  objc_raise("NSInvalidArgumentException", std::string("class_addMethod: ") + (cls->meta ? "+[" : "-[") + cls->name +
                                               " " + sel_getName(name) + "] given the type encoding \"" + given +
                                               "\", but its implementation's is \"" + own + "\" on " +
                                               deviceSliceName(simulatedSlice()));
}

}  // namespace objc_detail
