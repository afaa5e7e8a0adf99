#include "pages/control_values.h"

namespace qst::prefs {
namespace {

// PSCellType values, as the specifier plists name them.
constexpr NSInteger kSliderCell = 5, kSwitchCell = 6, kEditTextCell = 8, kLinkListCell = 2;

id property(id specifier, const char* key) {
  return msgSend<id, id>(specifier, "propertyForKey:", stringWithUTF8(key));
}

id number(NSInteger value) { return msgSend<id, NSInteger>(objc_getClass("NSNumber"), "numberWithInteger:", value); }

// Nearest whole number, halves away from zero.
NSInteger rounded(double value) { return static_cast<NSInteger>(value < 0 ? value - 0.5 : value + 0.5); }

// A whole number as the user typed it ("365", "-1"), within the row's
// `min` and `max` when it has them.
StoredValue wholeNumber(id specifier, id text) {
  if (!isString(text)) return {};
  NSInteger n = msgSend<NSInteger>(text, "integerValue");
  if (!isEqualToString(format(QST_STR("%ld"), n), text)) return {};
  id min = property(specifier, "min"), max = property(specifier, "max");
  if ((min && n < msgSend<NSInteger>(min, "integerValue")) || (max && n > msgSend<NSInteger>(max, "integerValue")))
    return {};
  return {StoredValue::Kind::Store, number(n)};
}

}  // namespace

StoredValue storedValueFor(id specifier, id cellValue) {
  switch (msgSend<NSInteger>(specifier, "cellType")) {
    case kSwitchCell:
      return {StoredValue::Kind::Store,
              msgSend<id, BOOL>(objc_getClass("NSNumber"), "numberWithBool:", msgSend<BOOL>(cellValue, "boolValue"))};
    case kSliderCell:
      if (!cellValue) return {};
      return {StoredValue::Kind::Store, number(rounded(msgSend<RealDouble>(cellValue, "doubleValue")))};
    case kEditTextCell:
      if (msgSend<BOOL>(property(specifier, "isNumeric"), "boolValue")) return wholeNumber(specifier, cellValue);
      return isString(cellValue) ? StoredValue{StoredValue::Kind::Store, cellValue} : StoredValue{};
    case kLinkListCell: {
      if (!msgSend<BOOL, id>(msgSend<id>(specifier, "values"), "containsObject:", cellValue)) return {};
      id absent = property(specifier, "absentValue");
      if (absent && msgSend<BOOL, id>(absent, "isEqual:", cellValue)) return {StoredValue::Kind::Remove, nil};
      return {StoredValue::Kind::Store, cellValue};
    }
  }
  return {};
}

id shownWhenAbsent(id specifier) {
  id absent = property(specifier, "absentValue");
  return absent ? absent : property(specifier, "default");
}

}  // namespace qst::prefs
