#include "trace/recording.h"

#include <mutex>

#include "trace/describe.h"

namespace sb::trace {
namespace {

struct Recording {
  std::mutex lock;
  std::vector<Event> events;
  std::size_t omitted = 0;
  unsigned long takes = 0;  // a call still open across a take no longer points into `events`
};

Recording& recording() {
  static auto* r = new Recording;
  return *r;
}

struct ThreadState {
  int depth = 0;
  bool libraryCalling = false;
  int describing = 0;
  std::vector<std::size_t> openCalls;  // Call events not yet finished, innermost last
};
thread_local ThreadState tState;

constexpr std::size_t kDropped = static_cast<std::size_t>(-1);

}  // namespace

bool libraryIsCalling() { return tState.libraryCalling; }
bool describing() { return tState.describing > 0; }
Unobserved::Unobserved() { ++tState.describing; }
Unobserved::~Unobserved() { --tState.describing; }
DescribingScope::DescribingScope() { ++tState.describing; }
DescribingScope::~DescribingScope() { --tState.describing; }

CallScope::CallScope(Event::Kind kind, const Interposition& in, id receiver, std::vector<std::string> args, Side side)
    : event_(kDropped), kind_(kind) {
  Event event;
  event.kind = kind;
  event.depth = tState.depth;
  event.className = in.className;
  event.selector = sel_getName(in.selector);
  if (in.receiver.empty()) {
    DescribingScope describingReceiver;
    event.receiver = describeObject(receiver);
  } else {
    event.receiver = in.receiver;
  }
  event.args = std::move(args);
  event.replaced = in.role == Interposition::Role::Replacement;
  {
    Recording& r = recording();
    std::lock_guard guard(r.lock);
    if (kind == Event::Kind::Saved && !tState.openCalls.empty() && tState.openCalls.back() != kDropped)
      r.events[tState.openCalls.back()].calledSaved = true;
    take_ = r.takes;
    if (r.events.size() < kMaxEventsPerTake) {
      event_ = r.events.size();
      r.events.push_back(std::move(event));
    } else {
      ++r.omitted;
    }
  }
  ++tState.depth;
  wasLibrary_ = tState.libraryCalling;
  tState.libraryCalling = side == Side::Library;
  if (kind == Event::Kind::Call) tState.openCalls.push_back(event_);
}

void CallScope::finish(std::optional<std::string> result) {
  if (event_ == kDropped || !result) return;
  Recording& r = recording();
  std::lock_guard guard(r.lock);
  if (take_ == r.takes) r.events[event_].result = std::move(result);
}

CallScope::~CallScope() {
  --tState.depth;
  tState.libraryCalling = wasLibrary_;
  if (kind_ == Event::Kind::Call) tState.openCalls.pop_back();
}

std::vector<Event> takeEvents(std::size_t* omitted) {
  Recording& r = recording();
  std::lock_guard guard(r.lock);
  std::vector<Event> events;
  events.swap(r.events);
  if (omitted) *omitted = r.omitted;
  r.omitted = 0;
  ++r.takes;
  // Calls still open (a take from inside a call) keep no index into the
  // taken events.
  for (std::size_t& open : tState.openCalls) open = kDropped;
  return events;
}

}  // namespace sb::trace
