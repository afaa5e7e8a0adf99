// Scenarios: the steps SpringBoard lives through after a lock, written as a
// semicolon-separated list ("nowplaying; wait 5; notify com.apple.MobileSMS
// Hi there; set textSize 20; relock").
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "runtime/objc.h"
#include "settings_app.h"
#include "setting_value.h"

namespace sb {

class Device;

struct ScenarioStep {
  enum class Kind {
    NowPlaying,
    NowPlayingEnd,
    Wait,
    Touch,
    Notify,
    Companion,
    Clear,
    Edit,
    Relock,
    ScreenOff,
    Set,
    Unset,
    Overlay,
    Open,
    Pane,
    PaneSet,
    PaneList,
  };
  Kind kind = Kind::Clear;
  std::string text;        // the step as written, trimmed
  double seconds = 0;      // wait, touch
  std::string bundleID;    // notify
  std::string title;       // notify, companion: the rest of the step
  NSInteger row = 0;       // edit, open
  std::string key;         // set, unset, pane KEY VALUE
  SettingValue value;      // set, typed by the key's kind (setting_value.h)
  std::string paneValue;   // pane KEY VALUE: as the user picks it
  std::string listName;    // pane-list
  std::string pluginName;  // overlay
};

// What a step answers besides the lock screen it leaves.
struct StepResult {
  bool canEdit = false;               // edit: whether the row may be edited
  std::optional<std::string> opened;  // open: the action launched, "none"; nothing when there is no such row
  std::vector<PanePage> pages;        // pane: the pane's pages; pane-list: the lists page after the tap
};

class ScenarioError : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

// Parses every step before anything runs; raises ScenarioError naming the
// first step that is unknown or has bad arguments. Blank steps are skipped.
std::vector<ScenarioStep> parseScenario(const std::string& text);

// Checks every pane step against the pane's controls and lists, loading the
// pane; raises ScenarioError naming the first step whose control cannot
// produce its value or whose list is not there.
void checkPaneSteps(Device& device, const std::vector<ScenarioStep>& steps);

// Lives through one step.
StepResult runScenarioStep(Device& device, const ScenarioStep& step);

}  // namespace sb
