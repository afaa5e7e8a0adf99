// An implementation that stands in front of another of any signature: a
// libffi closure made from the other's type encoding, which hands each call
// to one entry function and can then pass it on unchanged. It carries the
// other's signature, encoding and real doubles, so the runtime checks every
// message sent through it as it checked the original.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "runtime/objc.h"

namespace hostcall {
struct HostCall;
}

namespace sb::trace {

// Raised when an implementation cannot be stood in front of: it has no type
// encoding, or one whose types libffi cannot be told how to pass.
class UnwrappableMethod : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One call as it reached a wrapper.
class WrappedCall {
 public:
  WrappedCall(const hostcall::HostCall& call, void* result, void** arguments)
      : call_(call), result_(result), arguments_(arguments) {}
  id self() const;
  SEL cmd() const;
  // The readable forms of the arguments after the receiver and selector.
  std::vector<std::string> describeArguments() const;
  // Calls `imp` with the same receiver, selector and arguments; its result
  // becomes the wrapper's.
  void callThrough(IMP imp);
  // The readable form of the result after callThrough; none for void.
  std::optional<std::string> describeResult() const;

 private:
  const hostcall::HostCall& call_;
  void* result_;
  void** arguments_;
};

using WrapperEntry = void (*)(WrappedCall& call, void* context);

// A wrapper of `target`'s encoding that calls `entry` with `context` on
// every call. Wrappers live as long as the process: a method may be called
// through one until its end. Raises UnwrappableMethod, saying why.
IMP makeWrapper(IMP target, WrapperEntry entry, void* context);

}  // namespace sb::trace
