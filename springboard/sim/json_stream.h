// Writes one JSON document piece by piece, exactly as nlohmann's pretty
// printer (indent 2) prints the whole document, so that a document of many
// large parts (the lock and each step's rows) is never held in memory whole:
// each part is written as soon as it is known and then let go.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <ostream>
#include <string>

namespace sim {

class JsonStream {
 public:
  using Writer = std::function<void(JsonStream&)>;

  explicit JsonStream(std::ostream& out);

  // A finished value at the current depth.
  void value(const nlohmann::json& v);
  // An object: the members of `members` and those of `streamed`, in key
  // order as nlohmann keeps them; a streamed member's writer writes its value
  // when its turn comes. A key in both is written from `streamed`.
  void object(const nlohmann::json& members, const std::map<std::string, Writer>& streamed = {});
  // An array of `count` elements; element(i, stream) writes the i-th.
  void array(std::size_t count, const std::function<void(std::size_t, JsonStream&)>& element);

 private:
  void indent();
  void quoted(const std::string& key);

  std::ostream& out_;
  nlohmann::detail::serializer<nlohmann::json> serializer_;
  unsigned depth_ = 0;
};

}  // namespace sim
