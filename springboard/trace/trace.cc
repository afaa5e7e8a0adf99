#include "trace/trace.h"

#include <map>
#include <mutex>
#include <typeindex>
#include <unordered_map>

#include "coregraphics/CGGeometry.h"
#include "foundation/NSDate.h"
#include "substrate/substrate.h"
#include "trace/interpose.h"

namespace sb::trace {
namespace {

// The wrappers for one method signature.
struct Wrappers {
  IMP call, saved, received;
};

template <class R, class... A>
std::pair<std::type_index, Wrappers> wrappersFor() {
  using Fn = R (*)(id, SEL, A...);
  return {std::type_index(typeid(Fn)),
          Wrappers{IMP(&tracedCall<R, A...>), IMP(&tracedSaved<R, A...>), IMP(&tracedReceived<R, A...>)}};
}

// Every signature of SpringBoard's methods that the library replaces, adds
// or sends to. A method of another signature is installed untraced.
const std::unordered_map<std::type_index, Wrappers>& knownSignatures() {
  static const auto* table = new std::unordered_map<std::type_index, Wrappers>{
      wrappersFor<void>(),                                       // loadView, layoutSubviews, removeCustomBulletins_QST
      wrappersFor<id>(),                                         // iconImage
      wrappersFor<BOOL>(),                                       // canBeClearedByNotificationCenter
      wrappersFor<NSUInteger>(),                                 // count
      wrappersFor<void, id>(),                                   // turnOnScreenIfNecessaryForItem:, underlay requests
      wrappersFor<void, BOOL>(),                                 // separator switches
      wrappersFor<void, CGFloat>(),                              // setContentAlpha:
      wrappersFor<id, CGRect>(),                                 // initWithFrame:
      wrappersFor<id, NSInteger, id>(),                          // initWithStyle:reuseIdentifier:
      wrappersFor<id, id, id, id>(),                             // initWithPluginName:pluginController:lockScreenViewController:
      wrappersFor<CGFloat, id, id>(),                            // tableView:heightForRowAtIndexPath:
      wrappersFor<BOOL, id, id>(),                               // tableView:canEditRowAtIndexPath:
      wrappersFor<void, id, id>(),                               // observer:removeBulletin:, setObject:forKey:
      wrappersFor<void, id, id, NSUInteger>(),                   // observer:addBulletin:forFeed:
      wrappersFor<void, id, id, NSUInteger, BOOL, id>(),         // ...playLightsAndSirens:withReply:
      wrappersFor<void, SEL, id, NSTimeInterval>(),                      // performSelector:withObject:afterDelay:
  };
  return *table;
}

const Wrappers* wrappersForImp(IMP imp) {
  if (!imp.signature) return nullptr;
  auto it = knownSignatures().find(std::type_index(*imp.signature));
  return it == knownSignatures().end() ? nullptr : &it->second;
}

struct State {
  std::mutex lock;
  bool tracing = false;
  bool loading = false;
  std::vector<InstalledMethod> installed;
  std::vector<Interposition> added;  // methods the module added, wrapped once it has loaded
  // Interpositions live as long as the process (wrappers may run to its end).
  std::map<std::pair<Class, SEL>, Interposition*> interpositions;
  std::vector<Event> events;
  std::size_t omitted = 0;
  unsigned long takes = 0;  // a call still open across a take no longer points into `events`
};

State& state() {
  static auto* s = new State;
  return *s;
}

struct ThreadState {
  int depth = 0;
  bool libraryCalling = false;
  int describing = 0;
  std::vector<std::size_t> openCalls;  // Call events not yet finished, innermost last
  std::vector<const Interposition*> openReplacements;
};
thread_local ThreadState tState;

constexpr std::size_t kDropped = static_cast<std::size_t>(-1);

void addInterposition(const Interposition& in) {
  std::lock_guard guard(state().lock);
  auto& slot = state().interpositions[{in.cls, in.selector}];
  delete slot;
  slot = new Interposition(in);
}

const Interposition* lookup(id receiver, SEL selector) {
  std::lock_guard guard(state().lock);
  for (Class c = object_getClass(receiver); c; c = class_getSuperclass(c)) {
    auto it = state().interpositions.find({c, selector});
    if (it != state().interpositions.end()) return it->second;
  }
  return nullptr;
}

InstalledMethod::Had hadFor(MSHookEvent::Found found) {
  switch (found) {
    case MSHookEvent::Found::Own: return InstalledMethod::Had::Own;
    case MSHookEvent::Found::Inherited: return InstalledMethod::Had::Inherited;
    case MSHookEvent::Found::Missing: break;
  }
  return InstalledMethod::Had::Missing;
}

void observeHook(const MSHookEvent& event, IMP* install, IMP* handedBack) {
  InstalledMethod method{class_getName(event.cls), sel_getName(event.selector), event.types ? event.types : "",
                         InstalledMethod::How::Replaced, hadFor(event.found)};
  bool tracing;
  {
    std::lock_guard guard(state().lock);
    state().installed.push_back(method);
    tracing = state().tracing;
  }
  if (!tracing || event.found == MSHookEvent::Found::Missing) return;
  const Wrappers* wrappers = wrappersForImp(event.replacement);
  if (!wrappers || !event.previous.signature || *event.previous.signature != *event.replacement.signature) return;
  Interposition in;
  in.role = Interposition::Role::Replacement;
  in.cls = event.cls;
  in.selector = event.selector;
  in.target = event.replacement;
  in.saved = event.previous;
  in.className = method.className;
  addInterposition(in);
  *install = wrappers->call;
  *handedBack = wrappers->saved;
}

void observeAdd(Class cls, SEL name, IMP imp, const char* types) {
  std::lock_guard guard(state().lock);
  if (!state().loading) return;
  state().installed.push_back(InstalledMethod{class_getName(cls), sel_getName(name), types ? types : "",
                                              InstalledMethod::How::Added, InstalledMethod::Had::Missing});
  Interposition in;
  in.role = Interposition::Role::Added;
  in.cls = cls;
  in.selector = name;
  in.target = imp;
  in.className = class_getName(cls);
  state().added.push_back(in);
}

// Stands a wrapper in front of SpringBoard's own method `selector` of
// `className` (own or inherited); nothing when the class lacks it.
void interposeReceived(const char* className, const char* selector, const std::string& shownClass = "",
                       const std::string& shownReceiver = "") {
  Class cls = objc_getClass(className);
  SEL s = sel_registerName(selector);
  IMP original = cls ? class_lookupMethod(cls, s) : nil;
  const Wrappers* wrappers = wrappersForImp(original);
  if (!original || !wrappers) return;
  Interposition in;
  in.role = Interposition::Role::Received;
  in.cls = cls;
  in.selector = s;
  in.target = original;
  in.className = shownClass.empty() ? className : shownClass;
  in.receiver = shownReceiver;
  addInterposition(in);
  class_replaceMethod(cls, s, wrappers->received, class_getMethodTypeEncoding(cls, s));
}

// The list view's height cache is a plain mutable dictionary; each new one
// is given a subclass that records the library's writes into it, as
// key-value observing gives an observed object a subclass of its own.
Class gTracedHeightCache = nil;
IMP gListViewInitWithFrame;

id listViewInitWithFrame(id self, SEL cmd, CGRect frame) {
  self = imp_call<id, CGRect>(gListViewInitWithFrame, self, cmd, frame);
  Ivar cacheIvar = self ? class_getInstanceVariable(object_getClass(self), "_heightForListItemCache") : nullptr;
  if (!cacheIvar) return self;
  id cache = *reinterpret_cast<id*>(reinterpret_cast<char*>(self) + ivar_getOffset(cacheIvar));
  if (cache && class_isSubclassOf(object_getClass(cache), class_getSuperclass(gTracedHeightCache)))
    cache->isa = gTracedHeightCache;
  return self;
}

void interposeHeightCache() {
  Class listView = objc_getClass("SBLockScreenNotificationListView");
  Class dictionary = objc_getClass("NSMutableDictionary");
  SEL init = sel_registerName("initWithFrame:");
  if (!listView || !dictionary || !class_getOwnMethodImplementation(listView, init)) return;
  gTracedHeightCache = objc_allocateClassPair(dictionary, "SBTracedHeightCache");
  objc_registerClassPair(gTracedHeightCache);
  interposeReceived("SBTracedHeightCache", "setObject:forKey:", "NSMutableDictionary",
                    "SBLockScreenNotificationListView._heightForListItemCache");
  gListViewInitWithFrame = class_replaceMethod(listView, init, listViewInitWithFrame, nullptr);
}

// The messages of SpringBoard's interface that the library sends.
void interposeSpringBoard() {
  for (const char* selector : {"observer:addBulletin:forFeed:", "observer:addBulletin:forFeed:playLightsAndSirens:withReply:",
                               "observer:removeBulletin:"})
    interposeReceived("SBLockScreenNotificationListController", selector);
  interposeReceived("SBLockScreenView", "_removeLockContentUnderlayWithRequester:");
  for (const char* selector : {"setDrawsSeparators:", "_setSeparatorHidden:", "_setDrawsSeparatorAtTopOfSection:"})
    interposeReceived("SBLockScreenBulletinCell", selector);
  interposeReceived("SBLockScreenPluginOverlayContext", "performSelector:withObject:afterDelay:");
  interposeHeightCache();
}

}  // namespace

const Interposition& findInterposition(id receiver, SEL selector, Interposition::Role role) {
  const Interposition* in = lookup(receiver, selector);
  // A replacement that calls its saved implementation under another
  // selector still means the innermost one.
  if (!in && role == Interposition::Role::Replacement) in = innermostReplacement();
  if (!in) objc_detail::unrecognizedSelector(receiver, selector);
  return *in;
}

const Interposition* innermostReplacement() {
  return tState.openReplacements.empty() ? nullptr : tState.openReplacements.back();
}

bool libraryIsCalling() { return tState.libraryCalling; }
bool describing() { return tState.describing > 0; }
Unobserved::Unobserved() { ++tState.describing; }
Unobserved::~Unobserved() { --tState.describing; }
DescribingScope::DescribingScope() { ++tState.describing; }
DescribingScope::~DescribingScope() { --tState.describing; }

CallScope::CallScope(Event::Kind kind, const Interposition& in, id receiver, std::vector<std::string> args, Side side)
    : event_(kDropped) {
  Event event;
  event.kind = kind;
  event.depth = tState.depth;
  event.className = in.className;
  event.selector = sel_getName(in.selector);
  event.receiver = in.receiver.empty() ? describeOne(receiver) : in.receiver;
  event.args = std::move(args);
  event.replaced = in.role == Interposition::Role::Replacement;
  {
    std::lock_guard guard(state().lock);
    if (kind == Event::Kind::Saved && !tState.openCalls.empty() && tState.openCalls.back() != kDropped)
      state().events[tState.openCalls.back()].calledSaved = true;
    take_ = state().takes;
    if (state().events.size() < kMaxEventsPerTake) {
      event_ = state().events.size();
      state().events.push_back(std::move(event));
    } else {
      ++state().omitted;
    }
  }
  opened_ = true;
  ++tState.depth;
  wasLibrary_ = tState.libraryCalling;
  if (side != Side::Unchanged) tState.libraryCalling = side == Side::Library;
  if (kind == Event::Kind::Call) {
    tState.openCalls.push_back(event_);
    tState.openReplacements.push_back(&in);
  }
  kind_ = kind;
}

void CallScope::finish(std::optional<std::string> result) {
  if (event_ == kDropped || !result) return;
  std::lock_guard guard(state().lock);
  if (take_ == state().takes) state().events[event_].result = std::move(result);
}

CallScope::~CallScope() {
  if (!opened_) return;
  --tState.depth;
  tState.libraryCalling = wasLibrary_;
  if (kind_ == Event::Kind::Call) {
    tState.openCalls.pop_back();
    tState.openReplacements.pop_back();
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
  std::vector<Interposition> added;
  bool tracing;
  {
    std::lock_guard guard(state().lock);
    state().loading = false;
    added.swap(state().added);
    tracing = state().tracing;
  }
  if (!tracing) return;
  for (const Interposition& in : added) {
    const Wrappers* wrappers = wrappersForImp(in.target);
    if (!wrappers || class_getOwnMethodImplementation(in.cls, in.selector) != in.target) continue;
    addInterposition(in);
    class_replaceMethod(in.cls, in.selector, wrappers->call, nullptr);
  }
}

const std::vector<InstalledMethod>& installedMethods() { return state().installed; }

bool tracingCalls() {
  std::lock_guard guard(state().lock);
  return state().tracing;
}

std::vector<Event> takeEvents(std::size_t* omitted) {
  std::lock_guard guard(state().lock);
  std::vector<Event> events;
  events.swap(state().events);
  if (omitted) *omitted = state().omitted;
  state().omitted = 0;
  ++state().takes;
  // Calls still open (a take from inside a call) keep no index into the
  // taken events.
  for (std::size_t& open : tState.openCalls) open = kDropped;
  return events;
}

}  // namespace sb::trace
