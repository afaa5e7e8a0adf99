#include "eventkit/ics_lines.h"

namespace {
constexpr std::size_t kMaxNameBytes = 64;

bool isFoldContinuation(std::string_view text, std::size_t pos) {
  return pos < text.size() && (text[pos] == ' ' || text[pos] == '\t');
}

std::size_t lineEnd(std::string_view text, std::size_t pos) {
  const std::size_t eol = text.find('\n', pos);
  return eol == std::string_view::npos ? text.size() : eol;
}
}  // namespace

std::string icsUpper(std::string_view text) {
  std::string upper(text);
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return upper;
}

std::string_view icsValue(std::string_view line) {
  const std::size_t colon = line.find(':');
  if (colon == std::string_view::npos) return {};
  std::string_view value = line.substr(colon + 1);
  constexpr std::string_view space = " \t\r";
  const std::size_t first = value.find_first_not_of(space);
  if (first == std::string_view::npos) return {};
  return value.substr(first, value.find_last_not_of(space) - first + 1);
}

bool IcsLineReader::next() {
  if (next_ >= text_.size()) return false;
  start_ = next_;
  std::size_t eol = lineEnd(text_, start_);
  const std::string_view first = text_.substr(start_, eol - start_);
  while (isFoldContinuation(text_, eol + 1)) eol = lineEnd(text_, eol + 1);
  end_ = eol;
  next_ = eol + 1;

  name_.clear();
  const std::size_t stop = first.find_first_of(";:");
  if (stop != std::string_view::npos && stop <= kMaxNameBytes) name_ = icsUpper(first.substr(0, stop));
  return true;
}

bool IcsLineReader::blank() const {
  for (std::size_t i = start_; i < end_; ++i)
    if (text_[i] != ' ' && text_[i] != '\t' && text_[i] != '\r' && text_[i] != '\n') return false;
  return true;
}

bool IcsLineReader::unfolded(std::string& out, std::size_t limit) const {
  out.clear();
  std::size_t pos = start_;
  while (pos <= end_ && pos < text_.size() + 1) {
    std::size_t eol = lineEnd(text_, pos);
    if (eol > end_) eol = end_;
    std::string_view piece = text_.substr(pos, eol - pos);
    if (!piece.empty() && piece.back() == '\r') piece.remove_suffix(1);
    if (pos != start_) piece.remove_prefix(1);  // the fold's leading blank
    const std::size_t nul = piece.find('\0');
    if (nul != std::string_view::npos) piece = piece.substr(0, nul);
    if (out.size() + piece.size() > limit) return false;
    out.append(piece);
    if (nul != std::string_view::npos) return true;
    pos = eol + 1;
  }
  return true;
}
