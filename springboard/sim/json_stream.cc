#include "json_stream.h"

#include <set>

namespace sim {

namespace {
constexpr unsigned kIndent = 2;
}

// The serialiser writes into a buffer handed to the stream in large pieces:
// a stream's write per number or punctuation costs more than the number.
JsonStream::JsonStream(std::ostream& out)
    : out_(out), serializer_(nlohmann::detail::output_adapter<char>(buffer_), ' ') {
  buffer_.reserve(kSpillBytes + 4096);
}

void JsonStream::flush() {
  out_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
  buffer_.clear();
}

// nlohmann's own serialiser, started at the current depth: numbers, strings
// and nested values come out as its dump would print them there.
void JsonStream::value(const nlohmann::json& v) {
  serializer_.dump(v, true, false, kIndent, static_cast<unsigned>(counts_.size()) * kIndent);
  spill();
}

void JsonStream::begin(char open) {
  buffer_ += open;
  counts_.push_back(0);
}

void JsonStream::end(char close) {
  const bool empty = counts_.back() == 0;
  counts_.pop_back();
  if (!empty) {
    buffer_ += '\n';
    buffer_.append(counts_.size() * kIndent, ' ');
  }
  buffer_ += close;
}

void JsonStream::next() {
  buffer_ += counts_.back()++ ? ",\n" : "\n";
  buffer_.append(counts_.size() * kIndent, ' ');
}

void JsonStream::key(const std::string& name) {
  next();
  value(nlohmann::json(name));
  buffer_ += ": ";
}

void JsonStream::element() { next(); }

void JsonStream::members(const nlohmann::json& members, const std::map<std::string, Writer>& streamed) {
  std::set<std::string> keys;
  for (const auto& [key, _] : members.items()) keys.insert(key);
  for (const auto& [key, _] : streamed) keys.insert(key);
  for (const std::string& name : keys) {
    key(name);
    if (auto found = streamed.find(name); found != streamed.end())
      found->second(*this);
    else
      value(members.at(name));
  }
}

void JsonStream::array(std::size_t count, const std::function<void(std::size_t, JsonStream&)>& element) {
  beginArray();
  for (std::size_t i = 0; i < count; ++i) {
    this->element();
    element(i, *this);
  }
  endArray();
}

}  // namespace sim
