#include "trace/trace.h"

#include <deque>
#include <iostream>
#include <mutex>

#include "substrate/substrate.h"
#include "trace/recording.h"
#include "trace/shown_sends.h"
#include "trace/wrapper.h"

namespace sb::trace {
namespace {

// What one wrapper records, and the implementation it calls on.
struct Stand {
  const Interposition* in;
  Event::Kind kind;
  IMP through;
};

struct Added {
  Class cls;
  Interposition shown;
  IMP imp;
};

struct State {
  std::mutex lock;
  bool tracing = false;
  bool loading = false;
  std::vector<InstalledMethod> installed;
  std::vector<UntracedMethod> untraced;
  std::vector<Added> added;  // methods the module added, wrapped once it has loaded
  // Wrappers may run to the process's end, so what they point to stays.
  std::deque<Interposition> interpositions;
  std::deque<Stand> stands;
};

State& state() {
  static auto* s = new State;
  return *s;
}

// Every wrapper's entry: records the call as its stand says, unless a value
// is being described or (for SpringBoard's own methods) the library is not
// the caller, and calls on with the same arguments.
void enterStand(WrappedCall& call, void* context) {
  const Stand& stand = *static_cast<const Stand*>(context);
  if (describing() || (stand.kind == Event::Kind::Send && !libraryIsCalling())) return call.callThrough(stand.through);
  std::vector<std::string> args;
  {
    DescribingScope describingArguments;
    args = call.describeArguments();
  }
  CallScope scope(stand.kind, *stand.in, call.self(), std::move(args),
                  stand.kind == Event::Kind::Call ? CallScope::Side::Library : CallScope::Side::SpringBoard);
  call.callThrough(stand.through);
  DescribingScope describingResult;
  scope.finish(call.describeResult());
}

const Interposition* keep(Interposition in) {
  std::lock_guard guard(state().lock);
  return &state().interpositions.emplace_back(std::move(in));
}

// A wrapper of `through` that records `kind` events for `in`.
IMP wrapperOf(const Interposition* in, Event::Kind kind, IMP through) {
  Stand* stand;
  {
    std::lock_guard guard(state().lock);
    stand = &state().stands.emplace_back(Stand{in, kind, through});
  }
  return makeWrapper(through, enterStand, stand);
}

// A method that runs untraced is said so, on the error stream as it
// happens and in untracedMethods().
void reportUntraced(Class cls, SEL selector, const char* types, const std::string& reason) {
  UntracedMethod method{class_getName(cls), sel_getName(selector), types ? types : "", reason};
  std::cerr << "trace: -[" << method.className << " " << method.selector << "] is not traced: " << reason << "\n";
  std::lock_guard guard(state().lock);
  state().untraced.push_back(std::move(method));
}

InstalledMethod::Had hadFor(MSHookEvent::Found found) {
  switch (found) {
    case MSHookEvent::Found::Own: return InstalledMethod::Had::Own;
    case MSHookEvent::Found::Inherited: return InstalledMethod::Had::Inherited;
    case MSHookEvent::Found::Missing: break;
  }
  return InstalledMethod::Had::Missing;
}

// Both sides of a replacement are wrapped, each with its own encoding: a
// replacement whose signature is not the method's stays so, and the runtime
// refuses a call through it as it would untraced.
void observeHook(const MSHookEvent& event, IMP* install, IMP* handedBack) {
  InstalledMethod method{
      class_getName(event.cls),
      sel_getName(event.selector),
      event.types ? event.types : "",
      InstalledMethod::How::Replaced,
      hadFor(event.found),
      event.found == MSHookEvent::Found::Missing || (event.replacement.signature && event.previous.signature &&
                                                     *event.replacement.signature == *event.previous.signature)};
  bool tracing;
  {
    std::lock_guard guard(state().lock);
    state().installed.push_back(method);
    tracing = state().tracing;
  }
  if (!tracing || event.found == MSHookEvent::Found::Missing) return;
  const Interposition* in = keep({Interposition::Role::Replacement, event.selector, method.className, ""});
  try {
    IMP call = wrapperOf(in, Event::Kind::Call, event.replacement);
    IMP saved = wrapperOf(in, Event::Kind::Saved, event.previous);
    *install = call;
    *handedBack = saved;
  } catch (const UnwrappableMethod& e) {
    reportUntraced(event.cls, event.selector, event.types, e.what());
  }
}

void observeAdd(Class cls, SEL name, IMP imp, const char* types) {
  std::lock_guard guard(state().lock);
  if (!state().loading) return;
  state().installed.push_back(InstalledMethod{class_getName(cls), sel_getName(name), types ? types : "",
                                              InstalledMethod::How::Added, InstalledMethod::Had::Missing});
  state().added.push_back(Added{cls, Interposition{Interposition::Role::Added, name, class_getName(cls), ""}, imp});
}

}  // namespace

void interposeReceived(const char* className, const char* selector, const std::string& shownClass,
                       const std::string& shownReceiver) {
  Class cls = objc_getClass(className);
  SEL s = sel_registerName(selector);
  IMP original = cls ? class_lookupMethod(cls, s) : nil;
  if (!original) return;
  const Interposition* in =
      keep({Interposition::Role::Received, s, shownClass.empty() ? className : shownClass, shownReceiver});
  try {
    class_replaceMethod(cls, s, wrapperOf(in, Event::Kind::Send, original), class_getMethodTypeEncoding(cls, s));
  } catch (const UnwrappableMethod& e) {
    reportUntraced(cls, s, class_getMethodTypeEncoding(cls, s), e.what());
  }
}

void beginModuleLoad(bool traceCalls) {
  {
    std::lock_guard guard(state().lock);
    state().tracing = state().tracing || traceCalls;
    state().loading = true;
  }
  if (traceCalls) interposeSpringBoard();
  MSSetHookObserver(observeHook);
  objc_setMethodAddedHandler(observeAdd);
}

void endModuleLoad() {
  MSSetHookObserver(nullptr);
  objc_setMethodAddedHandler(nullptr);
  std::vector<Added> added;
  bool tracing;
  {
    std::lock_guard guard(state().lock);
    state().loading = false;
    added.swap(state().added);
    tracing = state().tracing;
  }
  if (!tracing) return;
  for (Added& a : added) {
    SEL selector = a.shown.selector;
    // A method the module replaced again after adding it is traced as that.
    if (class_getOwnMethodImplementation(a.cls, selector) != a.imp) continue;
    try {
      class_replaceMethod(a.cls, selector, wrapperOf(keep(std::move(a.shown)), Event::Kind::Call, a.imp), nullptr);
    } catch (const UnwrappableMethod& e) {
      reportUntraced(a.cls, selector, a.imp.types, e.what());
    }
  }
}

const std::vector<InstalledMethod>& installedMethods() { return state().installed; }

std::vector<UntracedMethod> untracedMethods() {
  std::lock_guard guard(state().lock);
  return state().untraced;
}

bool tracingCalls() {
  std::lock_guard guard(state().lock);
  return state().tracing;
}

}  // namespace sb::trace
