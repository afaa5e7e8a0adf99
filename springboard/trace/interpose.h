// The typed wrappers that stand in front of traced methods. A wrapper has
// the exact signature of the method it stands for (the runtime checks it on
// every call), finds what it stands for by the receiver's class and the
// selector, records, and calls on with the same receiver, selector and
// arguments.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "runtime/message.h"
#include "trace/describe.h"
#include "trace/trace.h"

namespace sb::trace {

struct Interposition {
  enum class Role {
    Replacement,  // a module's replacement of SpringBoard's method
    Added,        // a method the module added
    Received,     // SpringBoard's own method, which the library may send to
  };
  Role role = Role::Replacement;
  Class cls = nil;
  SEL selector = nullptr;
  IMP target;  // what the wrapper calls: the module's implementation, or SpringBoard's
  IMP saved;   // replacements: the implementation they replaced
  std::string className;  // as shown
  std::string receiver;   // as shown; empty: the receiver's own description
};

// The interposition for `selector` on `cls` or the nearest superclass that
// has one. Raises, as the runtime would for an unknown method, when none.
const Interposition& findInterposition(id receiver, SEL selector, Interposition::Role role);
// The replacement whose call is innermost on this thread, or null.
const Interposition* innermostReplacement();

// Keeps the nesting and who is calling, per thread, for one wrapper's call.
class CallScope {
 public:
  enum class Side { Library, SpringBoard, Unchanged };
  // Records an event unless this thread is describing a value already, then
  // runs what follows one level deeper on the given side.
  CallScope(Event::Kind kind, const Interposition& in, id receiver, std::vector<std::string> args, Side side);
  ~CallScope();
  CallScope(const CallScope&) = delete;
  CallScope& operator=(const CallScope&) = delete;
  void finish(std::optional<std::string> result);

 private:
  std::size_t event_;
  unsigned long take_ = 0;
  Event::Kind kind_ = Event::Kind::Call;
  bool opened_ = false;
  bool wasLibrary_ = false;
};

// True while library code (a replacement or an added method) runs on this
// thread and has not handed over to SpringBoard's own code.
bool libraryIsCalling();
// True while a value is being described: its getters are not traced.
bool describing();

// Describes each argument with the describing flag set.
class DescribingScope {
 public:
  DescribingScope();
  ~DescribingScope();
};

template <class... A>
std::vector<std::string> describeAll(const A&... args) {
  DescribingScope scope;
  return {describe(args)...};
}
template <class T>
std::string describeOne(const T& value) {
  DescribingScope scope;
  return describe(value);
}

template <class R, class... A>
R callThrough(IMP imp, CallScope& scope, id self, SEL cmd, A... args) {
  if constexpr (std::is_void_v<R>) {
    imp_call<void, A...>(imp, self, cmd, args...);
    scope.finish(std::nullopt);
  } else {
    R result = imp_call<R, A...>(imp, self, cmd, args...);
    scope.finish(describeOne(result));
    return result;
  }
}

// In front of a module's replacement or added method.
template <class R, class... A>
R tracedCall(id self, SEL cmd, A... args) {
  const Interposition& in = findInterposition(self, cmd, Interposition::Role::Replacement);
  if (describing()) return imp_call<R, A...>(in.target, self, cmd, args...);
  CallScope scope(Event::Kind::Call, in, self, describeAll(args...), CallScope::Side::Library);
  return callThrough<R, A...>(in.target, scope, self, cmd, args...);
}

// Handed to the module as the saved implementation of a replacement.
template <class R, class... A>
R tracedSaved(id self, SEL cmd, A... args) {
  const Interposition* in = &findInterposition(self, cmd, Interposition::Role::Replacement);
  if (describing()) return imp_call<R, A...>(in->saved, self, cmd, args...);
  CallScope scope(Event::Kind::Saved, *in, self, describeAll(args...), CallScope::Side::SpringBoard);
  return callThrough<R, A...>(in->saved, scope, self, cmd, args...);
}

// In front of SpringBoard's own method: records the message when the
// library sends it.
template <class R, class... A>
R tracedReceived(id self, SEL cmd, A... args) {
  const Interposition& in = findInterposition(self, cmd, Interposition::Role::Received);
  if (describing() || !libraryIsCalling()) return imp_call<R, A...>(in.target, self, cmd, args...);
  CallScope scope(Event::Kind::Send, in, self, describeAll(args...), CallScope::Side::SpringBoard);
  return callThrough<R, A...>(in.target, scope, self, cmd, args...);
}

}  // namespace sb::trace
