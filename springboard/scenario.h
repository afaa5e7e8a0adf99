// Scenarios: the steps SpringBoard lives through after a lock, written as a
// semicolon-separated list ("nowplaying; wait 5; notify com.apple.MobileSMS
// Hi there; set textSize 20; relock").
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "runtime/objc.h"
#include "settings_pane.h"

namespace sb {

class Device;

struct ScenarioStep {
  enum class Kind {
    NowPlaying, NowPlayingEnd, Wait, Notify, Companion, Clear, Edit, Relock, ScreenOff,
    Set, Unset, Overlay, Open,
  };
  Kind kind = Kind::Clear;
  std::string text;  // the step as written, trimmed
  double seconds = 0;       // wait
  std::string bundleID;     // notify
  std::string title;        // notify, companion: the rest of the step
  NSInteger row = 0;        // edit, open
  std::string key;          // set, unset
  SettingValue value;       // set, typed as the settings pane types it
  std::string pluginName;   // overlay
};

// What a step answers besides the lock screen it leaves.
struct StepResult {
  bool canEdit = false;              // edit: whether the row may be edited
  std::optional<std::string> opened;  // open: the action launched, "none"; nothing when there is no such row
};

class ScenarioError : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

// Parses every step before anything runs; raises ScenarioError naming the
// first step that is unknown or has bad arguments. Blank steps are skipped.
std::vector<ScenarioStep> parseScenario(const std::string& text);

// Lives through one step.
StepResult runScenarioStep(Device& device, const ScenarioStep& step);

}  // namespace sb
