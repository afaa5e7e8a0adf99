// iCalendar content lines, read without building the whole file: a long
// line the reader does not want is stepped over, not copied.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

class IcsLineReader {
 public:
  explicit IcsLineReader(std::string_view text) : text_(text) {}

  // Moves to the next logical line (a physical line and the folded lines
  // after it); false at the end of the text.
  bool next();
  // The property name of the current line, upper-cased: the text before the
  // first ';' or ':' of its first physical line. "" for a line with neither.
  const std::string& name() const { return name_; }
  // True when the current line is only white space.
  bool blank() const;
  // The whole line unfolded into `out`; false (and `out` unspecified) when
  // it is longer than `limit`. A NUL byte ends the line, as it would end the
  // C string libical is given.
  bool unfolded(std::string& out, std::size_t limit) const;

 private:
  std::string_view text_;
  std::size_t start_ = 0, end_ = 0;  // the current line's raw bytes
  std::size_t next_ = 0;             // where the next line starts
  std::string name_;
};

// Upper-case ASCII copy, for names and BEGIN/END values.
std::string icsUpper(std::string_view text);
// The value of a line: the text after the first ':', surrounding blanks removed.
std::string_view icsValue(std::string_view line);
