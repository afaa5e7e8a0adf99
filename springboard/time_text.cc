#include "time_text.h"

#include <unicode/ucal.h>
#include <unicode/udat.h>
#include <unicode/ustring.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <utility>
#include <regex>
#include <tuple>

namespace sb {
namespace {

constexpr double kMillisPerSecond = 1000.0;

std::u16string utf16(const std::string& text) {
  return std::u16string(text.begin(), text.end());  // zone names and patterns are ASCII
}

// Milliseconds since 1970 of a wall-clock time in `zone`; none for an
// unknown zone.
std::optional<double> wallClockToMillis(const std::string& zone, int y, int mo, int d, int h, int mi, int s) {
  UErrorCode status = U_ZERO_ERROR;
  std::u16string zoneId = utf16(zone);
  UCalendar* cal = ucal_open(reinterpret_cast<const UChar*>(zoneId.c_str()), -1, "en_GB", UCAL_GREGORIAN, &status);
  if (U_FAILURE(status)) return std::nullopt;
  // ICU falls back to GMT for names it does not know.
  UChar canonical[64];
  UBool system = false;
  ucal_getCanonicalTimeZoneID(reinterpret_cast<const UChar*>(zoneId.c_str()), -1, canonical, 64, &system, &status);
  if (U_FAILURE(status) || !system) {
    ucal_close(cal);
    return std::nullopt;
  }
  ucal_clear(cal);
  ucal_setDateTime(cal, y, mo - 1, d, h, mi, s, &status);
  double millis = ucal_getMillis(cal, &status);
  ucal_close(cal);
  if (U_FAILURE(status)) return std::nullopt;
  return millis;
}

struct CloseDateFormat {
  void operator()(UDateFormat* format) const { udat_close(format); }
};
using DateFormat = std::unique_ptr<UDateFormat, CloseDateFormat>;

// Opening a formatter loads locale data and costs far more than formatting
// with it, and rows ask for the same few patterns over and over: each thread
// keeps the formatters it opened, a handful at most.
UDateFormat* formatterFor(const std::string& pattern, const std::string& zone) {
  constexpr std::size_t kMaxKept = 16;
  thread_local std::map<std::pair<std::string, std::string>, DateFormat> kept;
  auto key = std::make_pair(pattern, zone);
  if (auto found = kept.find(key); found != kept.end()) return found->second.get();
  UErrorCode status = U_ZERO_ERROR;
  std::u16string zoneId = utf16(zone), pat = utf16(pattern);
  DateFormat format(udat_open(UDAT_PATTERN, UDAT_PATTERN, "en_GB", reinterpret_cast<const UChar*>(zoneId.c_str()), -1,
                              reinterpret_cast<const UChar*>(pat.c_str()), -1, &status));
  if (U_FAILURE(status) || !format) return nullptr;
  if (kept.size() >= kMaxKept) kept.clear();
  return kept.emplace(std::move(key), std::move(format)).first->second.get();
}

std::string formatUncached(double millis, const std::string& pattern, const std::string& zone) {
  UDateFormat* fmt = formatterFor(pattern, zone);
  if (!fmt) return "";
  UErrorCode status = U_ZERO_ERROR;
  UChar buffer[128];
  int32_t n = udat_format(fmt, millis, buffer, 128, nullptr, &status);
  if (U_FAILURE(status)) return "";
  char out[512];
  u_strToUTF8(out, sizeof out, nullptr, buffer, n, &status);
  return U_FAILURE(status) ? "" : std::string(out);
}

// Every relock formats the same moments again (each row's date, the clock):
// each thread keeps its recent texts, emptied when full.
std::string formatInZone(double millis, const std::string& pattern, const std::string& zone) {
  constexpr std::size_t kMaxKept = 4096;
  if (!std::isfinite(millis)) return formatUncached(millis, pattern, zone);  // NaN cannot be a key
  thread_local std::map<std::tuple<double, std::string, std::string>, std::string> kept;
  auto key = std::make_tuple(millis, pattern, zone);
  if (auto found = kept.find(key); found != kept.end()) return found->second;
  std::string text = formatUncached(millis, pattern, zone);
  if (kept.size() >= kMaxKept) kept.clear();
  kept.emplace(std::move(key), text);
  return text;
}

double toMillis(NSTimeInterval sinceReference) { return (sinceReference + NSTimeIntervalSince1970) * kMillisPerSecond; }

}  // namespace

std::optional<NSTimeInterval> parseISO8601(const std::string& text, const std::string& zone) {
  static const std::regex moment(
      R"((\d{4})-(\d{2})-(\d{2})(?:[T ](\d{2}):(\d{2})(?::(\d{2}))?(Z|[+-]\d{2}:?\d{2})?)?)");
  std::smatch m;
  if (!std::regex_match(text, m, moment)) return std::nullopt;
  auto num = [&](int i) { return m[i].matched ? std::stoi(m[i].str()) : 0; };
  int y = num(1), mo = num(2), d = num(3), h = num(4), mi = num(5), s = num(6);
  if (mo < 1 || mo > 12 || h > 23 || mi > 59 || s > 59) return std::nullopt;
  // A day past its month's last (30 February, 31 April) is no moment at all:
  // ICU would roll it into the next month without a word.
  const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  static constexpr int kDaysInMonth[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (d < 1 || d > kDaysInMonth[mo - 1] + (mo == 2 && leap)) return std::nullopt;
  std::optional<double> millis;
  if (m[7].matched) {
    millis = wallClockToMillis("UTC", y, mo, d, h, mi, s);
    std::string offset = m[7].str();
    if (millis && offset != "Z") {
      int sign = offset[0] == '-' ? -1 : 1;
      int oh = std::stoi(offset.substr(1, 2));
      int om = std::stoi(offset.substr(offset.size() - 2));
      if (oh > 23 || om > 59) return std::nullopt;
      *millis -= sign * (oh * 3600 + om * 60) * kMillisPerSecond;
    }
  } else {
    millis = wallClockToMillis(zone, y, mo, d, h, mi, s);
  }
  if (!millis) return std::nullopt;
  return *millis / kMillisPerSecond - NSTimeIntervalSince1970;
}

std::string formatISO8601UTC(NSTimeInterval sinceReference) {
  return formatInZone(toMillis(std::floor(sinceReference)), "yyyy-MM-dd'T'HH:mm:ss'Z'", "UTC");
}

std::string rowDateText(NSTimeInterval date, bool allDay, NSTimeInterval now, const std::string& zone) {
  std::string day = formatInZone(toMillis(date), "yyyy-MM-dd", zone);
  bool sameDay = day == formatInZone(toMillis(now), "yyyy-MM-dd", zone);
  if (allDay) return sameDay ? "Today" : formatInZone(toMillis(date), "d MMM", zone);
  double ago = now - date;
  if (ago >= 0 && ago < 60) return "now";
  if (ago >= 60 && ago < 3600) return std::to_string(static_cast<int>(ago / 60)) + "m ago";
  if (sameDay) return formatInZone(toMillis(date), "HH:mm", zone);
  return formatInZone(toMillis(date), "d MMM", zone);
}

}  // namespace sb

namespace sb {
std::string clockTimeText(NSTimeInterval now, const std::string& zone) {
  return formatInZone(toMillis(now), "HH:mm", zone);
}
std::string clockDayText(NSTimeInterval now, const std::string& zone) {
  return formatInZone(toMillis(now), "EEEE d MMMM", zone);
}
}  // namespace sb
