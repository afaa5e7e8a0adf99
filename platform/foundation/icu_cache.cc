#include "foundation/icu_cache.h"

#include <map>
#include <memory>

#include <unicode/gregocal.h>

#include "foundation/date_internal.h"

namespace {

// Names come from files a user writes, so the caches are bounded: a thread
// that meets more zones than this starts afresh.
constexpr std::size_t kMaxEntries = 16;

template <class T>
struct PerThread {
  std::map<std::string, std::unique_ptr<T>> byName;

  // The cached entry, or the one `make` returns (kept even when null, so an
  // unknown name is looked up once).
  template <class Make>
  T* get(const std::string& name, Make make) {
    if (auto it = byName.find(name); it != byName.end()) return it->second.get();
    if (byName.size() >= kMaxEntries) byName.clear();
    return byName.emplace(name, make()).first->second.get();
  }
};

}  // namespace

const icu::TimeZone* cachedICUTimeZone(const std::string& name) {
  thread_local PerThread<icu::TimeZone> zones;
  return zones.get(name, [&] { return icuTimeZoneNamed(name); });
}

icu::Calendar* cachedCalendar(const std::string& identifier, const std::string& zoneName) {
  if (!knownCalendarIdentifier(identifier)) return nullptr;
  thread_local PerThread<icu::Calendar> calendars;
  return calendars.get(identifier + "\n" + zoneName, [&]() -> std::unique_ptr<icu::Calendar> {
    auto zone = icuTimeZoneNamed(zoneName);
    if (!zone) zone = icuTimeZoneNamed("UTC");
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Calendar> calendar;
    if (identifier == "gregorian") {
      calendar = std::make_unique<icu::GregorianCalendar>(zone.release(), status);
    } else {
      const icu::Locale locale(("@calendar=" + identifier).c_str());
      calendar.reset(icu::Calendar::createInstance(zone.release(), locale, status));
    }
    if (U_FAILURE(status)) return nullptr;
    return calendar;
  });
}
