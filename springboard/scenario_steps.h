// Every scenario step a user may write, once: its usage (the name, then its
// arguments as the docs name them), what it becomes and how its arguments
// are read. The parser, its messages and the docs' list of steps (a test
// holds docs/simulator.md to this table) all come from here.
#pragma once

#include <string_view>

#include "scenario.h"

namespace sb {

enum class StepArguments {
  None,            // "relock"
  Seconds,         // "wait SECONDS": a number, not negative
  Row,             // "edit ROW": 0, 1, 2, ...
  Word,            // "overlay NAME": one word
  Text,            // "companion TITLE": the rest of the step, as written
  QuotedText,      // "pane-list NAME": the rest, quotes taken off
  WordThenText,    // "notify BUNDLE TITLE"
  KeyThenSetting,  // "set KEY VALUE": typed by the key's kind
  KeyThenValue,    // "pane KEY VALUE": as the user picks it, quotes taken off
};

struct StepForm {
  std::string_view usage;
  ScenarioStep::Kind kind;
  StepArguments arguments;
  std::string_view name() const { return usage.substr(0, usage.find(' ')); }
};

// In the order the docs list them. A name may have two forms ("pane" and
// "pane KEY VALUE"), told apart by their number of arguments.
inline constexpr StepForm kStepForms[] = {
    {"nowplaying", ScenarioStep::Kind::NowPlaying, StepArguments::None},
    {"nowplaying-end", ScenarioStep::Kind::NowPlayingEnd, StepArguments::None},
    {"overlay NAME", ScenarioStep::Kind::Overlay, StepArguments::Word},
    {"wait SECONDS", ScenarioStep::Kind::Wait, StepArguments::Seconds},
    {"touch SECONDS", ScenarioStep::Kind::Touch, StepArguments::Seconds},
    {"notify BUNDLE TITLE", ScenarioStep::Kind::Notify, StepArguments::WordThenText},
    {"companion TITLE", ScenarioStep::Kind::Companion, StepArguments::Text},
    {"clear", ScenarioStep::Kind::Clear, StepArguments::None},
    {"edit ROW", ScenarioStep::Kind::Edit, StepArguments::Row},
    {"open ROW", ScenarioStep::Kind::Open, StepArguments::Row},
    {"relock", ScenarioStep::Kind::Relock, StepArguments::None},
    {"screen-off", ScenarioStep::Kind::ScreenOff, StepArguments::None},
    {"set KEY VALUE", ScenarioStep::Kind::Set, StepArguments::KeyThenSetting},
    {"unset KEY", ScenarioStep::Kind::Unset, StepArguments::Word},
    {"pane", ScenarioStep::Kind::Pane, StepArguments::None},
    {"pane KEY VALUE", ScenarioStep::Kind::PaneSet, StepArguments::KeyThenValue},
    {"pane-list NAME", ScenarioStep::Kind::PaneList, StepArguments::QuotedText},
};

}  // namespace sb
