// Two simulator documents compared as the Linux module's against a slice's:
// equal, except that the 32-bit slice's lengths are floats.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

namespace samejson {

// Equal, except numbers of the 32-bit slice within single-precision
// rounding of the Linux module's.
// A trace's arguments and results are texts; a length among them is a
// number written out.
inline std::optional<double> numberIn(const nlohmann::json& value) {
  if (value.is_number()) return value.get<double>();
  if (!value.is_string() || value.get<std::string>().empty()) return std::nullopt;
  const std::string& text = value.get_ref<const std::string&>();
  char* end = nullptr;
  double number = std::strtod(text.c_str(), &end);
  return *end == '\0' ? std::optional<double>(number) : std::nullopt;
}

inline void expectSame(const nlohmann::json& expected, const nlohmann::json& actual, bool singlePrecision,
                const std::string& path) {
  std::optional<double> expectedNumber = numberIn(expected), actualNumber = numberIn(actual);
  if (singlePrecision && expectedNumber && actualNumber) {
    double a = *expectedNumber, b = *actualNumber;
    double tolerance = std::max(1e-4, std::fabs(a) * 8 * std::numeric_limits<float>::epsilon());
    EXPECT_LE(std::fabs(a - b), tolerance) << path << ": " << a << " against " << b;
    return;
  }
  if (expected.type() != actual.type() || expected.size() != actual.size() ||
      (!expected.is_structured() && expected != actual)) {
    EXPECT_EQ(expected.dump(), actual.dump()) << path;
    return;
  }
  if (expected.is_object()) {
    for (auto it = expected.begin(); it != expected.end(); ++it) {
      if (!actual.contains(it.key())) {
        ADD_FAILURE() << path << "." << it.key() << " is missing";
        continue;
      }
      expectSame(it.value(), actual[it.key()], singlePrecision, path + "." + it.key());
    }
  } else if (expected.is_array()) {
    for (size_t i = 0; i < expected.size(); ++i)
      expectSame(expected[i], actual[i], singlePrecision, path + "[" + std::to_string(i) + "]");
  }
}

}  // namespace samejson
