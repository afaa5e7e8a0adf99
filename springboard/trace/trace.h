// What the library does to SpringBoard, as a tracing tool for tweaks shows it:
// the methods the module put in place while it loaded, and, when call
// tracing is on, every call into them and every message the library sends
// to SpringBoard's objects.
//
// The simulator owns both sides of the seam, so nothing is patched in the
// library: the hooks are observed as CydiaSubstrate installs them, and the
// calls pass through wrappers that stand in front of the library's
// replacements, their saved implementations and SpringBoard's own methods.
// A wrapper is made from the method's own type encoding, so a method of any
// signature is traced, whatever the module replaces; one whose encoding
// cannot be called is reported and runs untraced. With call tracing off no
// wrapper is installed: messages cost what they always cost.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace sb::trace {

// One method the module put in place while it loaded, in the order it did.
struct InstalledMethod {
  enum class How { Replaced, Added };
  // What the class had before: its own implementation, an inherited one, or
  // none (a replacement of a method the class lacks installs nothing).
  enum class Had { Own, Inherited, Missing };
  std::string className, selector, types;
  How how = How::Replaced;
  Had had = Had::Own;
  // Whether the implementation the module put in place takes and returns
  // what the method it replaces does; when not, the runtime refuses every
  // call through it.
  bool signatureMatches = true;
};

// A method the tracer could not stand in front of (its implementation has
// no type encoding, or one libffi cannot call): it runs untraced.
struct UntracedMethod {
  std::string className, selector, types, reason;
};

struct Event {
  enum class Kind {
    Call,   // SpringBoard (or the library itself) calls a replaced or added method
    Saved,  // a replacement calls the implementation it replaced, with these arguments
    Send,   // the library sends a message to one of SpringBoard's objects
  };
  Kind kind = Kind::Call;
  int depth = 0;  // nesting: events inside a call, a saved call or a message come one deeper
  std::string className, selector, receiver;
  std::vector<std::string> args;      // readable forms, in order
  std::optional<std::string> result;  // calls of methods that return something
  bool replaced = false;              // calls: a replaced method (not an added one)
  bool calledSaved = false;           // calls of replaced methods
};

// Process-wide, as the module's load is. Around the module's mapping:
// records what it installs; with `traceCalls`, also stands the wrappers in
// front of what it installs, and in front of SpringBoard's methods that the
// library sends to (call before the module maps, after SpringBoard's classes
// exist).
void beginModuleLoad(bool traceCalls);
void endModuleLoad();

const std::vector<InstalledMethod>& installedMethods();
// Each is also written to the error stream as "trace: -[Class selector] is
// not traced: reason" when it happens.
std::vector<UntracedMethod> untracedMethods();
bool tracingCalls();

// At most this many events are kept between two takes; later ones are
// counted, not kept, so a huge list cannot exhaust memory.
inline constexpr std::size_t kMaxEventsPerTake = 100000;

// While one lives, this thread's calls are not recorded: for an onlooker
// (a snapshot of the lock screen, a picture) whose questions are not part
// of the conversation.
class Unobserved {
 public:
  Unobserved();
  ~Unobserved();
  Unobserved(const Unobserved&) = delete;
  Unobserved& operator=(const Unobserved&) = delete;
};

// The events recorded since the last take, and how many were left out.
std::vector<Event> takeEvents(std::size_t* omitted = nullptr);

}  // namespace sb::trace
