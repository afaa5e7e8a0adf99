#include "eventkit/ics_reminder.h"

#include <libical/ical.h>

#include <array>
#include <cstdlib>
#include <memory>
#include <strings.h>
#include <unordered_map>

#include "eventkit/ics_lines.h"
#include "eventkit/ics_todo.h"
#include "eventkit/utf8_repair.h"

namespace {
struct ParserFree {
  void operator()(icalparser* p) const { icalparser_free(p); }
};
struct ComponentFree {
  void operator()(icalcomponent* c) const { icalcomponent_free(c); }
};
using ComponentPtr = std::unique_ptr<icalcomponent, ComponentFree>;

// The properties read, per component kind; any other line is stepped over
// unread. Each is read from its first occurrence only, so a component
// repeating one line millions of times costs no memory.
constexpr std::array<std::string_view, 6> kTodoProperties = {"UID", "SUMMARY", "PRIORITY",
                                                             "DUE", "STATUS",  "COMPLETED"};
constexpr std::array<std::string_view, 2> kAlarmProperties = {"X-APPLE-STRUCTURED-LOCATION", "X-APPLE-PROXIMITY"};
constexpr std::array<std::string_view, 4> kCalendarProperties = {"X-WR-CALNAME", "NAME", "X-APPLE-CALENDAR-COLOR",
                                                                 "COLOR"};

template <std::size_t N>
int indexOf(const std::array<std::string_view, N>& names, const std::string& name) {
  for (std::size_t i = 0; i < N; ++i)
    if (names[i] == name) return static_cast<int>(i);
  return -1;
}

enum class Kind { Calendar, Todo, Alarm, Skipped };

struct Frame {
  std::string name;  // upper-cased component name
  Kind kind;
  unsigned propertiesSeen = 0;  // bit i: property i of the kind's list was read
};

// The raw value of a property line: after the first ':' outside quoted
// parameter values.
std::string_view rawValue(std::string_view line) {
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '"')
      quoted = !quoted;
    else if (line[i] == ':' && !quoted)
      return line.substr(i + 1);
  }
  return {};
}

// How many parameters a property line carries (';' before its value).
std::size_t parameterCount(std::string_view line) {
  std::size_t count = 0;
  bool quoted = false;
  for (char c : line) {
    if (c == '"')
      quoted = !quoted;
    else if (c == ':' && !quoted)
      break;
    else if (c == ';' && !quoted)
      ++count;
  }
  return count;
}

// TEXT unescaping (\, \; \n \\) as libical does it for its own TEXT values.
std::string decodedText(std::string_view raw) {
  std::string copy(raw);
  icalvalue* value = icalvalue_new_from_string(ICAL_TEXT_VALUE, copy.c_str());
  std::string text = copy;
  if (value) {
    if (const char* decoded = icalvalue_get_text(value)) text = decoded;
    icalvalue_free(value);
  }
  return text;
}

struct PendingReminder {
  ReminderRecord record;
  bool isOverride = false;
};

class FileReader {
 public:
  FileReader(std::string_view text, std::size_t budget) : lines_(text), budget_(budget) {}

  ReminderFileContents read() {
    while (lines_.next()) readLine();
    if (!stack_.empty()) damage("an unterminated " + stack_.back().name);
    while (!stack_.empty()) closeTop(/*terminated=*/false);
    out_.reminders = foldOverrides(std::move(pending_));
    return std::move(out_);
  }

 private:
  void damage(const std::string& what) {
    if (out_.problem.empty()) out_.problem = what;
  }

  void readLine() {
    if (lines_.blank()) return;
    const std::string& name = lines_.name();
    if (name.empty()) return damage("a line that is no property");
    if (skipDepth_ > 0) {
      if (name == "BEGIN")
        ++skipDepth_;
      else if (name == "END")
        --skipDepth_;
      return;
    }
    if (name == "BEGIN" || name == "END") {
      if (!lines_.unfolded(line_, 256)) return damage("an overlong " + name + " line");
      const std::string component = icsUpper(icsValue(line_));
      return name == "BEGIN" ? begin(component) : end(component);
    }
    if (stack_.empty()) return damage("text outside any component");
    switch (stack_.back().kind) {
      case Kind::Calendar: return calendarProperty(name);
      case Kind::Todo:
        if (name == "RECURRENCE-ID") {
          todoIsOverride_ = true;
          return;
        }
        return feedProperty(indexOf(kTodoProperties, name));
      case Kind::Alarm: return feedProperty(indexOf(kAlarmProperties, name));
      case Kind::Skipped: return;
    }
  }

  void begin(const std::string& component) {
    if (stack_.size() >= kMaxComponentNesting) {
      damage("components nested more than " + std::to_string(kMaxComponentNesting) + " deep");
      skipDepth_ = 1;
      return;
    }
    const Kind parent = stack_.empty() ? Kind::Skipped : stack_.back().kind;
    Kind kind = Kind::Skipped;
    if (component == "VCALENDAR" && stack_.empty())
      kind = Kind::Calendar;
    else if (component == "VTODO" && (stack_.empty() || parent == Kind::Calendar))
      kind = Kind::Todo;
    else if (component == "VALARM" && parent == Kind::Todo)
      kind = Kind::Alarm;
    if (kind == Kind::Todo || kind == Kind::Alarm) {
      if (out_.components >= budget_) {
        damage("more than " + std::to_string(budget_) + " to-dos and alarms");
        kind = Kind::Skipped;
      } else {
        ++out_.components;
      }
    }
    if (kind == Kind::Todo) {
      todo_.reset(icalparser_new());
      todoIsOverride_ = false;
      feed("BEGIN:VTODO");
    } else if (kind == Kind::Alarm) {
      feed("BEGIN:VALARM");
    }
    stack_.push_back({component, kind});
  }

  void end(const std::string& component) {
    std::size_t match = stack_.size();
    while (match > 0 && stack_[match - 1].name != component) --match;
    if (match == 0) return damage("END:" + component + " without BEGIN");
    if (stack_.size() > match) damage("an unterminated " + stack_.back().name);
    while (stack_.size() > match) closeTop(/*terminated=*/false);
    closeTop(/*terminated=*/true);
  }

  // An unterminated alarm is closed for libical so the to-do around it
  // stands; an unterminated to-do is dropped: it may be cut anywhere.
  void closeTop(bool terminated) {
    const Kind kind = stack_.back().kind;
    stack_.pop_back();
    if (terminated) out_.readable = true;
    if (kind == Kind::Alarm) {
      feed("END:VALARM");
    } else if (kind == Kind::Todo) {
      if (terminated) finishTodo();
      todo_.reset();
    }
  }

  void finishTodo() {
    ComponentPtr component(feed("END:VTODO"));
    if (!component || icalcomponent_isa(component.get()) != ICAL_VTODO_COMPONENT) {
      damage("a to-do libical could not read");
      return;
    }
    if (hasUnreadableValue(component.get())) damage("a value libical could not read");
    pending_.push_back({readTodo(component.get()), todoIsOverride_});
  }

  static bool hasUnreadableValue(icalcomponent* todo) {
    if (icalcomponent_get_first_property(todo, ICAL_XLICERROR_PROPERTY)) return true;
    for (icalcomponent* a = icalcomponent_get_first_component(todo, ICAL_VALARM_COMPONENT); a;
         a = icalcomponent_get_next_component(todo, ICAL_VALARM_COMPONENT))
      if (icalcomponent_get_first_property(a, ICAL_XLICERROR_PROPERTY)) return true;
    return false;
  }

  icalcomponent* feed(const char* line) {
    std::string copy(line);
    return icalparser_add_line(todo_.get(), copy.data());
  }

  void feedProperty(int index) {
    Frame& frame = stack_.back();
    if (index < 0 || (frame.propertiesSeen & (1u << index))) return;
    if (!lines_.unfolded(line_, kMaxPropertyLineBytes)) return damage(overlong());
    if (parameterCount(line_) > kMaxPropertyParameters)
      return damage("a property with more than " + std::to_string(kMaxPropertyParameters) + " parameters");
    frame.propertiesSeen |= 1u << index;
    icalparser_add_line(todo_.get(), line_.data());
  }

  void calendarProperty(const std::string& name) {
    const int index = indexOf(kCalendarProperties, name);
    if (index < 0) return;
    CalendarProperties& calendar = out_.calendar;
    const bool isName = index < 2;
    if (isName ? calendar.name.has_value() : calendar.color.has_value()) return;
    if (!lines_.unfolded(line_, kMaxPropertyLineBytes)) return damage(overlong());
    const std::string text = decodedText(rawValue(line_));
    if (isName)
      calendar.name = repairUTF8(text);
    else
      calendar.color = parseCalendarColor(text);
  }

  static std::string overlong() { return "a line longer than " + std::to_string(kMaxPropertyLineBytes) + " bytes"; }

  // One reminder per series: an override (RECURRENCE-ID) joins the series of
  // its UID; the series stands where its first part appeared and carries
  // the main to-do's fields, or the first override's when the file holds no
  // main to-do.
  static std::vector<ReminderRecord> foldOverrides(std::vector<PendingReminder> pending) {
    std::vector<ReminderRecord> reminders;
    std::vector<bool> fromOverride;
    std::unordered_map<std::string, std::size_t> seriesAt;
    for (PendingReminder& p : pending) {
      if (p.record.uid.empty()) {
        reminders.push_back(std::move(p.record));
        fromOverride.push_back(false);
        continue;
      }
      auto [it, isNew] = seriesAt.try_emplace(p.record.uid, reminders.size());
      if (isNew) {
        reminders.push_back(std::move(p.record));
        fromOverride.push_back(p.isOverride);
      } else if (!p.isOverride && fromOverride[it->second]) {
        reminders[it->second] = std::move(p.record);
        fromOverride[it->second] = false;
      } else if (!p.isOverride) {
        // A second main to-do under one UID is broken, but it is data: keep it.
        reminders.push_back(std::move(p.record));
        fromOverride.push_back(false);
      }
    }
    return reminders;
  }

  IcsLineReader lines_;
  std::size_t budget_;
  ReminderFileContents out_;
  std::vector<Frame> stack_;
  std::size_t skipDepth_ = 0;
  std::unique_ptr<icalparser, ParserFree> todo_;
  bool todoIsOverride_ = false;
  std::vector<PendingReminder> pending_;
  std::string line_;
};
}  // namespace

ReminderFileContents parseReminderICS(std::string_view text, std::size_t componentBudget) {
  return FileReader(text, componentBudget).read();
}
