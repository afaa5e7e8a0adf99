#include "uikit/system_font_metrics.h"

#include "foundation/device.h"

namespace {

constexpr double kUnitsPerEm = 2048;
constexpr SystemFontVerticalMetrics kHelveticaNeue{1950 / kUnitsPerEm, 436 / kUnitsPerEm, 58 / kUnitsPerEm};
constexpr SystemFontVerticalMetrics kSanFrancisco{1950 / kUnitsPerEm, 494 / kUnitsPerEm, 0};
// NSFoundationVersionNumber_iOS_9_0.
constexpr double kFoundationOfIOS9 = 1240.1;

}  // namespace

const SystemFontVerticalMetrics& standin::systemFontVerticalMetrics() {
  return NSFoundationVersionNumber >= kFoundationOfIOS9 ? kSanFrancisco : kHelveticaNeue;
}
