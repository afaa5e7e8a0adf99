#include "scenario.h"

#include <cmath>
#include <sstream>

#include "Device.h"
#include "scenario_steps.h"
#include "dispatch/dispatch.h"

namespace sb {
namespace {

// Real seconds a step waits at most for background work to finish.
constexpr double kBackgroundWorkBound = 5.0;

using Kind = ScenarioStep::Kind;

std::string trim(const std::string& s) {
  size_t begin = s.find_first_not_of(" \t\n");
  if (begin == std::string::npos) return "";
  return s.substr(begin, s.find_last_not_of(" \t\n") - begin + 1);
}

[[noreturn]] void reject(const std::string& step, const std::string& why) {
  throw ScenarioError("bad step \"" + step + "\": " + why);
}

// The text after the first word: titles may hold spaces.
std::string restAfter(const std::string& text, size_t words) {
  size_t pos = 0;
  for (size_t i = 0; i < words; ++i) {
    pos = text.find_first_not_of(" \t", pos);
    pos = text.find_first_of(" \t", pos);
    if (pos == std::string::npos) return "";
  }
  return trim(text.substr(pos));
}

double parseSeconds(const std::string& step, const std::string& word) {
  size_t used = 0;
  double seconds = 0;
  try {
    seconds = std::stod(word, &used);
  } catch (const std::exception&) {
    reject(step, "\"" + word + "\" is not a number of seconds");
  }
  if (used != word.size() || !std::isfinite(seconds)) reject(step, "\"" + word + "\" is not a number of seconds");
  if (seconds < 0) reject(step, "the time cannot be negative");
  return seconds;
}

NSInteger parseRow(const std::string& step, const std::string& word) {
  if (word.empty() || word.find_first_not_of("0123456789") != std::string::npos || word.size() > 9)
    reject(step, "\"" + word + "\" is not a row number (0, 1, 2, ...)");
  return std::stol(word);
}

// Quotes keep a text as written: "" is the empty string.
std::string unquoted(const std::string& value) {
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') return value.substr(1, value.size() - 2);
  return value;
}

// How many words a form takes after its name: exactly (`atLeast` false) or
// at least (true).
std::pair<size_t, bool> wordsTaken(StepArguments arguments) {
  switch (arguments) {
    case StepArguments::None: return {0, false};
    case StepArguments::Seconds:
    case StepArguments::Row:
    case StepArguments::Word: return {1, false};
    case StepArguments::Text:
    case StepArguments::QuotedText: return {1, true};
    case StepArguments::WordThenText:
    case StepArguments::KeyThenSetting:
    case StepArguments::KeyThenValue: return {2, true};
  }
  return {0, false};
}

bool fits(const StepForm& form, size_t words) {
  const auto [taken, atLeast] = wordsTaken(form.arguments);
  return atLeast ? words >= taken : words == taken;
}

// Fills the step's fields from its words, as its form reads them.
void readArguments(const StepForm& form, const std::string& text, const std::vector<std::string>& words,
                   ScenarioStep& step) {
  switch (form.arguments) {
    case StepArguments::None: break;
    case StepArguments::Seconds: step.seconds = parseSeconds(text, words[1]); break;
    case StepArguments::Row: step.row = parseRow(text, words[1]); break;
    case StepArguments::Word: (step.kind == Kind::Overlay ? step.pluginName : step.key) = words[1]; break;
    case StepArguments::Text: step.title = restAfter(text, 1); break;
    case StepArguments::QuotedText: step.listName = unquoted(restAfter(text, 1)); break;
    case StepArguments::WordThenText:
      step.bundleID = words[1];
      step.title = restAfter(text, 2);
      break;
    case StepArguments::KeyThenSetting:
      step.key = words[1];
      try {
        step.value = typedSetting(step.key, unquoted(restAfter(text, 2)));
      } catch (const SettingError& e) {
        reject(text, e.what());
      }
      break;
    case StepArguments::KeyThenValue:
      step.key = words[1];
      step.paneValue = unquoted(restAfter(text, 2));
      break;
  }
}

ScenarioStep parseStep(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  std::string usages, names;
  std::string_view previous;
  for (const StepForm& form : kStepForms) {
    if (form.name() != previous) names += std::string(names.empty() ? "" : ", ") + std::string(form.name());
    previous = form.name();
    if (form.name() != words[0]) continue;
    usages += std::string(usages.empty() ? "" : " or ") + "\"" + std::string(form.usage) + "\"";
    if (!fits(form, words.size() - 1)) continue;
    ScenarioStep step;
    step.text = text;
    step.kind = form.kind;
    readArguments(form, text, words, step);
    return step;
  }
  if (!usages.empty()) reject(text, "expected " + usages);
  reject(text, "unknown step \"" + words[0] + "\" (known: " + names + ")");
}

}  // namespace

std::vector<ScenarioStep> parseScenario(const std::string& text) {
  std::vector<ScenarioStep> steps;
  std::istringstream in(text);
  for (std::string part; std::getline(in, part, ';');) {
    std::string step = trim(part);
    if (!step.empty()) steps.push_back(parseStep(step));
  }
  return steps;
}

void checkPaneSteps(Device& device, const std::vector<ScenarioStep>& steps) {
  for (const ScenarioStep& step : steps) {
    if (step.kind != Kind::Pane && step.kind != Kind::PaneSet && step.kind != Kind::PaneList) continue;
    SettingsApp& app = device.settingsApp();
    try {
      if (step.kind == Kind::PaneSet) app.check(step.key, step.paneValue);
      if (step.kind == Kind::PaneList) app.checkList(step.listName);
    } catch (const PaneError& e) {
      reject(step.text, e.what());
    }
  }
}

namespace {

void workPane(Device& device, const ScenarioStep& step, StepResult& result) {
  SettingsApp& app = device.settingsApp();
  try {
    if (step.kind == Kind::Pane) {
      result.pages = {app.mainPage(), app.listsPage()};
    } else if (step.kind == Kind::PaneSet) {
      app.set(step.key, step.paneValue);
    } else {
      app.tapList(step.listName);
      result.pages = {app.listsPage()};
    }
  } catch (const PaneError& e) {
    throw DeviceError(step.text + ": " + e.what());
  }
}

}  // namespace

StepResult runScenarioStep(Device& device, const ScenarioStep& step) {
  StepResult result;
  // What the previous step started on the store's threads (an access
  // request's answer, say) has run before the user acts again; bounded, so
  // work that never ends cannot hold the scenario.
  settleGlobalQueue(kBackgroundWorkBound);
  switch (step.kind) {
    case Kind::NowPlaying: device.nowPlaying(); break;
    case Kind::NowPlayingEnd: device.nowPlayingEnd(); break;
    case Kind::Wait: device.wait(step.seconds); break;
    case Kind::Touch: device.touch(step.seconds); break;
    case Kind::Notify: device.notify(step.bundleID, step.title); break;
    case Kind::Companion: device.companion(step.title); break;
    case Kind::Clear: device.clear(); break;
    case Kind::Edit: result.canEdit = device.canEdit(step.row); break;
    case Kind::Relock: device.relock(); break;
    case Kind::ScreenOff: device.screenOff(); break;
    case Kind::Set: device.setSetting(step.key, step.value); break;
    case Kind::Unset: device.unsetSetting(step.key); break;
    case Kind::Overlay: device.overlay(step.pluginName); break;
    case Kind::Open: result.opened = device.open(step.row); break;
    case Kind::Pane:
    case Kind::PaneSet:
    case Kind::PaneList: workPane(device, step, result); break;
  }
  return result;
}

}  // namespace sb
