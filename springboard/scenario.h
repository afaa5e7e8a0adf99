// Scenarios: the steps SpringBoard lives through after a lock, written as a
// semicolon-separated list ("nowplaying; wait 5; notify com.apple.MobileSMS
// Hi there; relock").
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "runtime/objc.h"

namespace sb {

class Device;

struct ScenarioStep {
  enum class Kind { NowPlaying, NowPlayingEnd, Wait, Notify, Companion, Clear, Edit, Relock, ScreenOff };
  Kind kind = Kind::Clear;
  std::string text;  // the step as written, trimmed
  double seconds = 0;       // wait
  std::string bundleID;     // notify
  std::string title;        // notify, companion: the rest of the step
  NSInteger row = 0;        // edit
};

class ScenarioError : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

// Parses every step before anything runs; raises ScenarioError naming the
// first step that is unknown or has bad arguments. Blank steps are skipped.
std::vector<ScenarioStep> parseScenario(const std::string& text);

// Lives through one step. For `edit` the answer is the row's editability;
// every other step answers false.
bool runScenarioStep(Device& device, const ScenarioStep& step);

}  // namespace sb
