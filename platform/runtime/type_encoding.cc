#include "runtime/type_encoding.h"
#include "runtime/encoding_types.h"

#include <optional>
#include <stdexcept>
#include <vector>

namespace {

// The marker foundation/NSString.h gives a variadic method's arguments
// (standin::FormatArgs); the device's compiler writes nothing for them.

bool isQualifier(char c) { return std::string_view("rnNoORVA").find(c) != std::string_view::npos; }
bool isOffset(char c) { return (c >= '0' && c <= '9') || c == '-' || c == '+'; }

// Walks an encoding type by type, writing each either as it is or as the
// device's compiler writes it for one slice.
class Rewriter {
 public:
  Rewriter(std::string_view text, std::optional<DeviceSlice> slice) : text_(text), slice_(slice) {}

  // The types in order, each written apart; `realDoubles` marks the
  // top-level ones that are real doubles (bit 0 the first type).
  std::vector<std::string> each(std::uint64_t realDoubles) {
    std::vector<std::string> types;
    for (unsigned index = 0;; ++index) {
      while (pos_ < text_.size() && isOffset(text_[pos_])) ++pos_;
      if (pos_ >= text_.size()) return types;
      if (slice_ && text_.substr(pos_).starts_with(kFormatArgumentsEncoding)) {
        pos_ += kFormatArgumentsEncoding.size();
        continue;
      }
      type(index < 64 && (realDoubles >> index & 1), types.emplace_back());
    }
  }
  std::string all(std::uint64_t realDoubles) {
    std::string out;
    for (const std::string& type : each(realDoubles)) out += type;
    return out;
  }

 private:
  [[noreturn]] void endsEarly() const {
    throw std::invalid_argument("a type encoding ends inside a type: \"" + std::string(text_) + "\"");
  }
  char take() {
    if (pos_ >= text_.size()) endsEarly();
    return text_[pos_++];
  }
  bool next(char c) const { return pos_ < text_.size() && text_[pos_] == c; }

  void type(bool realDouble, std::string& out) {
    while (pos_ < text_.size() && isQualifier(text_[pos_])) ++pos_;
    const char c = take();
    const bool arm64 = slice_ == DeviceSlice::Arm64;
    switch (slice_ ? c : '\0') {
      case 'l': out += arm64 ? 'q' : 'i'; return;
      case 'L': out += arm64 ? 'Q' : 'I'; return;
      case 'B': out += arm64 ? 'B' : 'c'; return;
      case 'd': out += arm64 || realDouble ? 'd' : 'f'; return;
      default: break;
    }
    out += c;
    switch (c) {
      case '^': return type(false, out);
      case '@':
        if (next('?')) {
          out += take();
          if (next('<')) blockSignature(out);
        }
        return;
      case '{': return members('}', out);
      case '(': return members(')', out);
      case '[':
        while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') out += take();
        type(false, out);
        if (take() != ']') endsEarly();
        out += ']';
        return;
      default: return;
    }
  }

  // A block's signature "<v@?@>": kept as it is, dropped for the device.
  void blockSignature(std::string& out) {
    std::size_t start = pos_;
    for (int depth = 0;;) {
      char c = take();
      depth += c == '<' ? 1 : c == '>' ? -1 : 0;
      if (depth == 0) break;
    }
    if (!slice_) out += text_.substr(start, pos_ - start);
  }

  // A structure's or union's name, then its members up to `close`.
  void members(char close, std::string& out) {
    while (!next('=') && !next(close)) out += take();
    if (next('=')) out += take();
    while (!next(close)) type(false, out);
    out += take();
  }

  std::string_view text_;
  std::optional<DeviceSlice> slice_;
  std::size_t pos_ = 0;
};

}  // namespace

const char* deviceSliceName(DeviceSlice slice) { return slice == DeviceSlice::Arm64 ? "arm64" : "armv7"; }

std::string deviceEncoding(std::string_view types, std::uint64_t realDoubles, DeviceSlice slice) {
  return Rewriter(types, slice).all(realDoubles);
}

std::string plainEncoding(std::string_view types) { return Rewriter(types, std::nullopt).all(0); }

std::vector<std::string> encodingTypes(std::string_view types) { return Rewriter(types, std::nullopt).each(0); }
