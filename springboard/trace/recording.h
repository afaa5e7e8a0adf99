// How the wrappers record: what each stands for, the nesting of calls and
// who is calling, per thread, and the events kept until the next take.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "runtime/objc.h"
#include "trace/trace.h"

namespace sb::trace {

// A method a wrapper stands in front of, as events show it.
struct Interposition {
  enum class Role {
    Replacement,  // a module's replacement of SpringBoard's method
    Added,        // a method the module added
    Received,     // SpringBoard's own method, which the library may send to
  };
  Role role = Role::Replacement;
  SEL selector = nullptr;
  std::string className;  // as shown
  std::string receiver;   // as shown; empty: the receiver's own description
};

// Keeps the nesting and who is calling, per thread, for one wrapper's call.
class CallScope {
 public:
  enum class Side { Library, SpringBoard };
  // Records an event, then runs what follows one level deeper on the given
  // side.
  CallScope(Event::Kind kind, const Interposition& in, id receiver, std::vector<std::string> args, Side side);
  ~CallScope();
  CallScope(const CallScope&) = delete;
  CallScope& operator=(const CallScope&) = delete;
  void finish(std::optional<std::string> result);

 private:
  std::size_t event_;
  unsigned long take_ = 0;
  Event::Kind kind_ = Event::Kind::Call;
  bool wasLibrary_ = false;
};

// True while library code (a replacement or an added method) runs on this
// thread and has not handed over to SpringBoard's own code.
bool libraryIsCalling();
// True while a value is being described: its getters are not traced.
bool describing();

// While one lives, this thread describes values: what they answer is not
// recorded.
class DescribingScope {
 public:
  DescribingScope();
  ~DescribingScope();
  DescribingScope(const DescribingScope&) = delete;
  DescribingScope& operator=(const DescribingScope&) = delete;
};

}  // namespace sb::trace
