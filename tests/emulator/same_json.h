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

// A number, or a text that is one: a trace's arguments and results are
// texts, and a length among them is a number written out.
inline std::optional<double> numberIn(const nlohmann::json& value) {
  if (value.is_number()) return value.get<double>();
  if (!value.is_string() || value.get<std::string>().empty()) return std::nullopt;
  const std::string& text = value.get_ref<const std::string&>();
  char* end = nullptr;
  double number = std::strtod(text.c_str(), &end);
  return *end == '\0' ? std::optional<double>(number) : std::nullopt;
}

// Every difference fails, except, for the 32-bit slice, a number within
// single-precision rounding of the Linux module's.
inline void expectSame(const nlohmann::json& expected, const nlohmann::json& actual, bool singlePrecision,
                       const std::string& what) {
  for (const auto& change : nlohmann::json::diff(expected, actual)) {
    const nlohmann::json::json_pointer at(change["path"].get<std::string>());
    const nlohmann::json was = change["op"] == "add" ? nlohmann::json() : expected.at(at);
    if (singlePrecision && change["op"] == "replace") {
      std::optional<double> a = numberIn(was), b = numberIn(change["value"]);
      if (a && b && std::fabs(*a - *b) <= std::max(1e-4, std::fabs(*a) * 8 * std::numeric_limits<float>::epsilon()))
        continue;
    }
    ADD_FAILURE() << what << at.to_string() << ": " << was.dump() << " against "
                  << change.value("value", nlohmann::json()).dump();
  }
}

}  // namespace samejson
