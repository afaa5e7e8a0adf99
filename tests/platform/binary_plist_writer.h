// Writes binary property lists object by object, so a test can make the shapes other writers never produce.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class BinaryPlistWriter {
 public:
  using Ref = std::uint32_t;

  Ref string(std::string_view ascii) { return add(header(0x50, ascii.size()) + std::string(ascii)); }
  Ref boolean(bool value) { return add(std::string(1, value ? '\x09' : '\x08')); }
  Ref integer(std::int64_t value) { return add("\x13" + bigEndian(static_cast<std::uint64_t>(value), 8)); }
  Ref array(const std::vector<Ref>& items) { return add(arrayBody(items)); }
  Ref dictionary(const std::vector<std::pair<Ref, Ref>>& entries) {
    std::string body = header(0xD0, entries.size());
    for (auto [key, value] : entries) body += bigEndian(key, kRefBytes);
    for (auto [key, value] : entries) body += bigEndian(value, kRefBytes);
    return add(body);
  }
  // An object whose content is set later, so it can refer to itself.
  Ref reserve() { return add(""); }
  void setArray(Ref ref, const std::vector<Ref>& items) { objects_[ref] = arrayBody(items); }

  std::string bytes(Ref top) const {
    std::string out = "bplist00";
    std::vector<std::uint64_t> offsets;
    for (const std::string& object : objects_) {
      offsets.push_back(out.size());
      out += object;
    }
    const std::uint64_t table = out.size();
    for (std::uint64_t offset : offsets) out += bigEndian(offset, 8);
    out += std::string(6, '\0') + '\x08' + static_cast<char>(kRefBytes);
    out += bigEndian(objects_.size(), 8) + bigEndian(top, 8) + bigEndian(table, 8);
    return out;
  }

 private:
  static constexpr unsigned kRefBytes = 4;

  static std::string bigEndian(std::uint64_t value, unsigned width) {
    std::string out(width, '\0');
    for (unsigned i = 0; i < width; ++i) out[width - 1 - i] = static_cast<char>(value >> (8 * i) & 0xFF);
    return out;
  }
  static std::string header(unsigned marker, std::size_t count) {
    if (count < 15) return std::string(1, static_cast<char>(marker | count));
    return std::string(1, static_cast<char>(marker | 0x0F)) + '\x13' + bigEndian(count, 8);
  }
  static std::string arrayBody(const std::vector<Ref>& items) {
    std::string body = header(0xA0, items.size());
    for (Ref item : items) body += bigEndian(item, kRefBytes);
    return body;
  }
  Ref add(std::string object) {
    objects_.push_back(std::move(object));
    return static_cast<Ref>(objects_.size() - 1);
  }

  std::vector<std::string> objects_;
};
