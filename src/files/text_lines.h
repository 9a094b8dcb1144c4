#pragma once
// Line and field helpers shared by the readers of plain-text files.
#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace kiwora {

// Finds the line ends of a text: CR LF, LF alone and CR alone each end a line. Each kind of end is looked
// for once per stretch of text, so a text whose lines all end alike is scanned once, not once per line.
class LineEndScan {
 public:
  // The first line end at or after `from`, or npos. `from` never goes back between calls; the text may
  // only grow at its end (or lose its front through dropFront).
  std::size_t find(std::string_view text, std::size_t from) {
    return std::min(next(text, from, '\n', lf_), next(text, from, '\r', cr_));
  }
  // The number of characters of the line end at `at`: 2 for CR LF, else 1.
  static std::size_t length(std::string_view text, std::size_t at) {
    return text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n' ? 2 : 1;
  }
  // The first `n` characters of the text were removed.
  void dropFront(std::size_t n) {
    for (Found* f : {&lf_, &cr_}) {
      if (f->at == std::string_view::npos) f->searchedTo = f->searchedTo > n ? f->searchedTo - n : 0;
      else if (f->at >= n) f->at -= n;
      else *f = Found{};  // passed and gone: look again
    }
  }

 private:
  // Where the character was found; when it was not, how far the text holds none of it.
  struct Found {
    std::size_t at = std::string_view::npos;
    std::size_t searchedTo = 0;
  };
  static std::size_t next(std::string_view text, std::size_t from, char c, Found& f) {
    if (f.at != std::string_view::npos && f.at >= from) return f.at;
    const std::size_t start = f.at == std::string_view::npos ? std::max(from, f.searchedTo) : from;
    f.at = text.find(c, start);
    f.searchedTo = text.size();
    return f.at;
  }
  Found lf_, cr_;
};

// Splits into lines by the rules of LineEndScan. A final line end does not start another line.
std::vector<std::string_view> splitLines(std::string_view text);
// The lines of a text one at a time, by the same rules as splitLines, without a table of every line: what a
// reader holds then follows what it keeps, not how many lines the file has.
class LineReader {
 public:
  explicit LineReader(std::string_view text) : text_(text) {}
  // The next line, or false after the last one. number() is then the line's number, counted from 1.
  bool next(std::string_view& line) {
    if (pos_ >= text_.size()) return false;
    const std::size_t brk = ends_.find(text_, pos_);
    const std::size_t end = brk == std::string_view::npos ? text_.size() : brk;
    line = text_.substr(pos_, end - pos_);
    pos_ = brk == std::string_view::npos ? text_.size() : brk + LineEndScan::length(text_, brk);
    ++number_;
    return true;
  }
  long long number() const { return number_; }
  // The text from the start of the next line on.
  std::string_view rest() const { return text_.substr(pos_); }

 private:
  std::string_view text_;
  LineEndScan ends_;
  std::size_t pos_ = 0;
  long long number_ = 0;
};

// The text of a field that opens with a double quote at `open` (a doubled quote stands for one quote
// character) into `text` when given; returns the position after the closing quote.
std::size_t closeQuoted(std::string_view line, std::size_t open, std::string* text);

// The comma-separated fields of one line, one at a time, by the rules of field reading: blanks around an
// unquoted field are dropped; a field in double quotes may hold commas, and a doubled quote inside it stands
// for one quote. Text after the closing quote up to the comma makes the field its whole text, quotes and
// all, which no reader takes for a number or a code. A line has at least one field.

class FieldReader {
 public:
  explicit FieldReader(std::string_view line) : line_(line) {}
  bool next(std::string& field);  // false after the last field
  bool skip();                    // as next, without keeping the text
  // The field just read had text after its closing quote.
  bool malformed() const { return malformed_; }

 private:
  bool read(std::string* field);
  std::string_view line_;
  std::size_t pos_ = 0;
  bool done_ = false;
  bool malformed_ = false;
};
// The number of fields of a line, as FieldReader reads them.
std::size_t countFields(std::string_view line);

// A line of a file saved as UTF-16 (with its byte-order mark or without), or of any other file with NUL
// bytes: no reader can take it as text.
bool notPlainText(std::string_view line);
// What a reader says of such a file, after the line's number.
inline constexpr const char* kNotPlainText =
    "the file is not plain text (it is UTF-16, or holds NUL bytes); save it as plain text and read it again.";

// A field's text as a message shows it: control bytes (a NUL, a tab, an escape) as \xNN, so a terminal
// shows what the file holds instead of swallowing it.
std::string visibleText(std::string_view text);
// The same, in double quotes.
std::string quotedField(std::string_view text);

// A number with its noun, singular for 1 ("1 locus", "2 loci").
std::string countOf(long long n, std::string_view one, std::string_view many);

// Drops blanks and tabs at both ends.
std::string_view trimBlanks(std::string_view s);

}  // namespace kiwora
