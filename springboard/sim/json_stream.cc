#include "json_stream.h"

#include <set>

namespace sim {

namespace {
constexpr unsigned kIndent = 2;
}

JsonStream::JsonStream(std::ostream& out)
    : out_(out), serializer_(nlohmann::detail::output_adapter<char>(out), ' ') {}

void JsonStream::indent() {
  for (unsigned i = 0; i < depth_ * kIndent; ++i) out_.put(' ');
}

// nlohmann's own serialiser, started at the current depth: numbers, strings
// and nested values come out as its dump would print them there.
void JsonStream::value(const nlohmann::json& v) {
  serializer_.dump(v, true, false, kIndent, depth_ * kIndent);
}

void JsonStream::quoted(const std::string& key) {
  value(nlohmann::json(key));
  out_ << ": ";
}

void JsonStream::object(const nlohmann::json& members, const std::map<std::string, Writer>& streamed) {
  std::set<std::string> keys;
  for (const auto& [key, _] : members.items()) keys.insert(key);
  for (const auto& [key, _] : streamed) keys.insert(key);
  if (keys.empty()) {
    out_ << "{}";
    return;
  }
  out_ << "{\n";
  ++depth_;
  bool first = true;
  for (const std::string& key : keys) {
    if (!first) out_ << ",\n";
    first = false;
    indent();
    quoted(key);
    if (auto found = streamed.find(key); found != streamed.end()) found->second(*this);
    else value(members.at(key));
  }
  out_ << "\n";
  --depth_;
  indent();
  out_ << "}";
}

void JsonStream::array(std::size_t count, const std::function<void(std::size_t, JsonStream&)>& element) {
  if (count == 0) {
    out_ << "[]";
    return;
  }
  out_ << "[\n";
  ++depth_;
  for (std::size_t i = 0; i < count; ++i) {
    if (i) out_ << ",\n";
    indent();
    element(i, *this);
  }
  out_ << "\n";
  --depth_;
  indent();
  out_ << "]";
}

}  // namespace sim
