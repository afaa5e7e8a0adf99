#include "foundation/BinaryPropertyList.h"

#include <cstdint>
#include <cstring>
#include <unordered_map>
#include <utility>
#include <vector>

#include "foundation/NSArray.h"
#include "foundation/NSData.h"
#include "foundation/NSDate.h"
#include "foundation/NSDictionary.h"
#include "foundation/NSNumber.h"
#include "foundation/NSString.h"

namespace {

constexpr std::string_view kMagic = "bplist00";
constexpr std::size_t kTrailerBytes = 32;

std::uint64_t bigEndian(const unsigned char* bytes, std::size_t width) {
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < width; ++i) value = value << 8 | bytes[i];
  return value;
}

void appendUTF8(std::uint32_t code, std::string* out) {
  if (code < 0x80) {
    out->push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    out->push_back(static_cast<char>(0xC0 | code >> 6));
    out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else if (code < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | code >> 12));
    out->push_back(static_cast<char>(0x80 | (code >> 6 & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | code >> 18));
    out->push_back(static_cast<char>(0x80 | (code >> 12 & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (code >> 6 & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

// Big-endian UTF-16; a lone surrogate becomes U+FFFD, as Foundation shows it.
std::string utf8FromUTF16BE(const unsigned char* units, std::size_t count) {
  std::string text;
  text.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    std::uint32_t unit = units[2 * i] << 8 | units[2 * i + 1];
    if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < count) {
      std::uint32_t low = units[2 * i + 2] << 8 | units[2 * i + 3];
      if (low >= 0xDC00 && low < 0xE000) {
        appendUTF8(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00), &text);
        ++i;
        continue;
      }
    }
    appendUTF8(unit >= 0xD800 && unit < 0xE000 ? 0xFFFD : unit, &text);
  }
  return text;
}

// Writers store only ASCII in this form; any other byte is read as Latin-1
// so the text is always valid.
std::string utf8FromSingleBytes(const unsigned char* bytes, std::size_t count) {
  std::string text;
  text.reserve(count);
  for (std::size_t i = 0; i < count; ++i) appendUTF8(bytes[i], &text);
  return text;
}

class Reader {
 public:
  Reader(std::string_view file, PropertyListBudget& budget, std::string* error)
      : bytes_(reinterpret_cast<const unsigned char*>(file.data())),
        size_(file.size()),
        budget_(budget),
        error_(error) {}

  id root() {
    if (!readTrailer()) return nil;
    return object(topObject_, 0);
  }

 private:
  bool fail(const std::string& message) {
    if (error_->empty()) *error_ = message;
    return false;
  }

  bool readTrailer() {
    if (size_ < kMagic.size() + 1 + kTrailerBytes) return fail("too short for a binary property list");
    const unsigned char* trailer = bytes_ + size_ - kTrailerBytes;
    offsetWidth_ = trailer[6];
    refWidth_ = trailer[7];
    objectCount_ = bigEndian(trailer + 8, 8);
    topObject_ = bigEndian(trailer + 16, 8);
    offsetTable_ = bigEndian(trailer + 24, 8);
    dataEnd_ = size_ - kTrailerBytes;
    if (offsetWidth_ < 1 || offsetWidth_ > 8 || refWidth_ < 1 || refWidth_ > 8)
      return fail("offset or reference width out of range");
    if (offsetTable_ < kMagic.size() || offsetTable_ > dataEnd_) return fail("offset table outside the file");
    if (objectCount_ == 0 || objectCount_ > (dataEnd_ - offsetTable_) / offsetWidth_)
      return fail("offset table does not fit the file");
    if (topObject_ >= objectCount_) return fail("root object out of range");
    return true;
  }

  bool offsetOf(std::uint64_t index, std::size_t* offset) {
    if (index >= objectCount_) return fail("reference to a missing object");
    std::uint64_t value = bigEndian(bytes_ + offsetTable_ + index * offsetWidth_, offsetWidth_);
    if (value < kMagic.size() || value >= offsetTable_) return fail("object offset outside the object area");
    *offset = static_cast<std::size_t>(value);
    return true;
  }

  // The element count of the marker at `offset` and where the elements,
  // each `unitBytes` long, begin; they must lie inside the object area.
  bool elements(std::size_t offset, std::size_t unitBytes, std::size_t* count, std::size_t* start) {
    std::size_t n = bytes_[offset] & 0x0F;
    std::size_t at = offset + 1;
    if (n == 0x0F) {
      if (at >= offsetTable_ || (bytes_[at] & 0xF0) != 0x10 || (bytes_[at] & 0x0F) > 3)
        return fail("malformed element count");
      std::size_t width = std::size_t{1} << (bytes_[at] & 0x0F);
      if (width > offsetTable_ - at - 1) return fail("element count runs past the object area");
      std::uint64_t value = bigEndian(bytes_ + at + 1, width);
      at += 1 + width;
      if (value > SIZE_MAX) return fail("element count too large");
      n = static_cast<std::size_t>(value);
    }
    if (at > offsetTable_ || n > (offsetTable_ - at) / unitBytes) return fail("object runs past the object area");
    *count = n;
    *start = at;
    return true;
  }

  bool fixedWidth(std::size_t offset, std::size_t width) {
    return width <= offsetTable_ - offset - 1 || fail("object runs past the object area");
  }

  id integer(std::size_t offset) {
    const unsigned power = bytes_[offset] & 0x0F;
    if (power > 4) return fail("integer width out of range"), nil;
    const std::size_t width = std::size_t{1} << power;
    if (!fixedWidth(offset, width)) return nil;
    const unsigned char* at = bytes_ + offset + 1;
    if (width < 8) return standin::numberWithLongLong(static_cast<long long>(bigEndian(at, width)));
    if (width == 8) return standin::numberWithLongLong(static_cast<long long>(bigEndian(at, 8)));
    // 128-bit: writers use it for values above INT64_MAX, upper half zero.
    const std::uint64_t high = bigEndian(at, 8), low = bigEndian(at + 8, 8);
    if (high == 0 && low > static_cast<std::uint64_t>(INT64_MAX)) return standin::numberWithUnsignedLongLong(low);
    return standin::numberWithLongLong(static_cast<long long>(low));
  }

  id real(std::size_t offset) {
    const unsigned power = bytes_[offset] & 0x0F;
    if (power != 2 && power != 3) return fail("real width out of range"), nil;
    const std::size_t width = std::size_t{1} << power;
    if (!fixedWidth(offset, width)) return nil;
    const std::uint64_t bits = bigEndian(bytes_ + offset + 1, width);
    if (width == 4) {
      float value;
      const auto bits32 = static_cast<std::uint32_t>(bits);
      std::memcpy(&value, &bits32, sizeof value);
      return standin::numberWithDouble(value);
    }
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return standin::numberWithDouble(value);
  }

  id date(std::size_t offset) {
    if (bytes_[offset] != 0x33 || !fixedWidth(offset, 8)) return fail("malformed date"), nil;
    const std::uint64_t bits = bigEndian(bytes_ + offset + 1, 8);
    double seconds;  // since 2001-01-01, as NSDate counts
    std::memcpy(&seconds, &bits, sizeof seconds);
    return standin::dateWithTimeIntervalSinceReferenceDate(seconds);
  }

  id text(std::size_t offset, bool utf16) {
    std::size_t count = 0, start = 0;
    if (!elements(offset, utf16 ? 2 : 1, &count, &start) || !budget_.takeBytes(count, error_)) return nil;
    return standin::stringWithUTF8(utf16 ? utf8FromUTF16BE(bytes_ + start, count)
                                         : utf8FromSingleBytes(bytes_ + start, count));
  }

  id data(std::size_t offset) {
    std::size_t count = 0, start = 0;
    if (!elements(offset, 1, &count, &start) || !budget_.takeBytes(count, error_)) return nil;
    return standin::dataWithBytes(bytes_ + start, count);
  }

  id uid(std::size_t offset) {
    const std::size_t width = (bytes_[offset] & 0x0F) + 1u;
    if (width > 8 || !fixedWidth(offset, width)) return fail("malformed uid"), nil;
    return standin::numberWithUnsignedLongLong(bigEndian(bytes_ + offset + 1, width));
  }

  std::uint64_t reference(std::size_t at) { return bigEndian(bytes_ + at, refWidth_); }

  id array(std::size_t offset, int depth) {
    std::size_t count = 0, start = 0;
    if (!elements(offset, refWidth_, &count, &start)) return nil;
    std::vector<id> items;
    items.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
      id item = object(reference(start + i * refWidth_), depth + 1);
      if (!item) return nil;
      items.push_back(item);
    }
    return standin::arrayWith(items);
  }

  // Entries in file order; a repeated key keeps its place and its last value.
  id dictionary(std::size_t offset, int depth) {
    std::size_t count = 0, start = 0;
    if (!elements(offset, 2 * std::size_t{refWidth_}, &count, &start)) return nil;
    std::vector<std::pair<id, id>> entries;
    entries.reserve(count);
    std::unordered_map<std::string, std::size_t> placeOfKey;
    for (std::size_t i = 0; i < count; ++i) {
      id key = object(reference(start + i * refWidth_), depth + 1);
      if (!key) return nil;
      if (!standin::isString(key)) return fail("dictionary key that is not a string"), nil;
      id value = object(reference(start + (count + i) * refWidth_), depth + 1);
      if (!value) return nil;
      auto [place, added] = placeOfKey.emplace(standin::utf8Of(key), entries.size());
      if (added)
        entries.emplace_back(key, value);
      else
        entries[place->second].second = value;
    }
    return standin::dictionaryWith(entries);
  }

  id object(std::uint64_t index, int depth) {
    if (depth > kMaxPropertyListDepth)
      return fail("nested deeper than " + std::to_string(kMaxPropertyListDepth) + " levels"), nil;
    std::size_t offset = 0;
    if (!offsetOf(index, &offset) || !budget_.takeObject(error_)) return nil;
    const unsigned char marker = bytes_[offset];
    switch (marker >> 4) {
      case 0x0:
        if (marker == 0x08 || marker == 0x09) return standin::numberWithBool(marker == 0x09);
        return fail("null or fill object where a value belongs"), nil;
      case 0x1: return integer(offset);
      case 0x2: return real(offset);
      case 0x3: return date(offset);
      case 0x4: return data(offset);
      case 0x5: return text(offset, false);
      case 0x6: return text(offset, true);
      case 0x8: return uid(offset);
      case 0xA: return array(offset, depth);
      case 0xD: return dictionary(offset, depth);
      default: return fail("unknown object type"), nil;
    }
  }

  const unsigned char* bytes_;
  std::size_t size_;
  PropertyListBudget& budget_;
  std::string* error_;
  unsigned offsetWidth_ = 0, refWidth_ = 0;
  std::uint64_t objectCount_ = 0, topObject_ = 0;
  std::size_t offsetTable_ = 0, dataEnd_ = 0;
};

}  // namespace

bool standin::isBinaryPropertyList(std::string_view bytes) { return bytes.starts_with(kMagic); }

id standin::readBinaryPropertyList(std::string_view bytes, PropertyListBudget& budget, std::string* error) {
  if (!standin::isBinaryPropertyList(bytes)) {
    *error = "not a binary property list";
    return nil;
  }
  return Reader(bytes, budget, error).root();
}
