#include "uikit/system_font_metrics.h"

#include "foundation/device.h"

namespace {

constexpr double kHelveticaNeueUnits = 1000, kSanFranciscoUnits = 2048;
constexpr SystemFontVerticalMetrics kHelveticaNeue{952 / kHelveticaNeueUnits, 213 / kHelveticaNeueUnits,
                                                   28 / kHelveticaNeueUnits};
constexpr SystemFontVerticalMetrics kSanFrancisco{1950 / kSanFranciscoUnits, 494 / kSanFranciscoUnits, 0};
// NSFoundationVersionNumber_iOS_9_0.
constexpr double kFoundationOfIOS9 = 1240.1;

}  // namespace

const SystemFontVerticalMetrics& standin::systemFontVerticalMetrics() {
  return NSFoundationVersionNumber >= kFoundationOfIOS9 ? kSanFrancisco : kHelveticaNeue;
}
