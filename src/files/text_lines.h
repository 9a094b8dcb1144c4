#pragma once
// Line and field helpers shared by the readers of plain-text files.
#include <string>
#include <string_view>
#include <vector>

namespace kiwora {

// Splits into lines; CR LF and LF alone both end a line. A final line end does not start another line.
std::vector<std::string_view> splitLines(std::string_view text);
// The lines of a text one at a time, by the same rules as splitLines, without a table of every line: what a
// reader holds then follows what it keeps, not how many lines the file has.
class LineReader {
 public:
  explicit LineReader(std::string_view text) : text_(text) {}
  // The next line, or false after the last one. number() is then the line's number, counted from 1.
  bool next(std::string_view& line) {
    if (pos_ >= text_.size()) return false;
    const std::size_t nl = text_.find('\n', pos_);
    const std::size_t end = nl == std::string_view::npos ? text_.size() : nl;
    line = text_.substr(pos_, end - pos_);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    pos_ = nl == std::string_view::npos ? text_.size() : nl + 1;
    ++number_;
    return true;
  }
  long long number() const { return number_; }
  // The text from the start of the next line on.
  std::string_view rest() const { return text_.substr(pos_); }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
  long long number_ = 0;
};

// The comma-separated fields of one line, one at a time, by the rules of field reading: blanks around an
// unquoted field are dropped; a field in double quotes may hold commas, a doubled quote inside it stands
// for one quote, and text after the closing quote up to the comma is dropped. A line has at least one field.
class FieldReader {
 public:
  explicit FieldReader(std::string_view line) : line_(line) {}
  bool next(std::string& field);  // false after the last field
  bool skip();                    // as next, without keeping the text

 private:
  bool read(std::string* field);
  std::string_view line_;
  std::size_t pos_ = 0;
  bool done_ = false;
};
// The number of fields of a line, as FieldReader reads them.
std::size_t countFields(std::string_view line);

// A line of a file saved as UTF-16 (with its byte-order mark or without), or of any other file with NUL
// bytes: no reader can take it as text.
bool notPlainText(std::string_view line);
// What a reader says of such a file, after the line's number.
inline constexpr const char* kNotPlainText =
    "the file is not plain text (it is UTF-16, or holds NUL bytes); save it as plain text and read it again.";

// Drops blanks and tabs at both ends.
std::string_view trimBlanks(std::string_view s);

}  // namespace kiwora
