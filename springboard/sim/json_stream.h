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
#include <vector>

namespace sim {

class JsonStream {
 public:
  using Writer = std::function<void(JsonStream&)>;

  explicit JsonStream(std::ostream& out);
  ~JsonStream() { flush(); }
  JsonStream(const JsonStream&) = delete;
  JsonStream& operator=(const JsonStream&) = delete;

  // A finished value at the current depth.
  void value(const nlohmann::json& v);
  // Members of the object begun last: those of `members` and those of
  // `streamed`, in key order as nlohmann keeps them; a streamed member's
  // writer writes its value when its turn comes. A key in both is written
  // from `streamed`. An object may be written in several runs of members,
  // each key after the last run's.
  void members(const nlohmann::json& members, const std::map<std::string, Writer>& streamed = {});
  // An array of `count` elements; element(i, stream) writes the i-th.
  void array(std::size_t count, const std::function<void(std::size_t, JsonStream&)>& element);

  // An object or array written member by member; the caller gives an
  // object's keys in nlohmann's order (byte order).
  void beginObject() { begin('{'); }
  void endObject() { end('}'); }
  void beginArray() { begin('['); }
  void endArray() { end(']'); }
  void key(const std::string& name);  // then the member's value
  void element();                     // then the element's value
  template <class T>
  void member(const std::string& name, const T& v) {
    key(name);
    value(nlohmann::json(v));
  }

  // Hands what is written so far to the output stream.
  void flush();

 private:
  void begin(char open);
  void end(char close);
  void next();  // the separator and indentation before a member or element
  void spill() {
    if (buffer_.size() >= kSpillBytes) flush();
  }

  static constexpr std::size_t kSpillBytes = 1 << 16;
  std::ostream& out_;
  std::string buffer_;
  nlohmann::detail::serializer<nlohmann::json> serializer_;
  std::vector<std::size_t> counts_;  // members or elements so far, per open object or array
};

}  // namespace sim
