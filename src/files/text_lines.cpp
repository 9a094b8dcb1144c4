#include "files/text_lines.h"

namespace kiwora {

std::vector<std::string_view> splitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  LineReader reader(text);
  std::string_view line;
  while (reader.next(line)) lines.push_back(line);
  return lines;
}

std::size_t closeQuoted(std::string_view line, std::size_t open, std::string* text) {
  if (text) text->clear();
  std::size_t i = open + 1;
  while (i < line.size()) {
    if (line[i] == '"') {
      if (i + 1 < line.size() && line[i + 1] == '"') {
        if (text) *text += '"';
        i += 2;
        continue;
      }
      return i + 1;
    }
    if (text) *text += line[i];
    ++i;
  }
  return line.size();
}

bool FieldReader::read(std::string* field) {
  if (done_) return false;
  malformed_ = false;
  std::size_t i = pos_;
  while (i < line_.size() && (line_[i] == ' ' || line_[i] == '\t')) ++i;
  std::size_t end;
  if (i < line_.size() && line_[i] == '"') {
    const std::size_t after = closeQuoted(line_, i, field);
    end = line_.find(',', after);
    if (end == std::string_view::npos) end = line_.size();
    // Text after the closing quote: the field is its whole text, which no reader takes for a number.
    malformed_ = !trimBlanks(line_.substr(after, end - after)).empty();
    if (field && malformed_) field->assign(trimBlanks(line_.substr(i, end - i)));
  } else {
    end = line_.find(',', i);
    if (end == std::string_view::npos) end = line_.size();
    if (field) field->assign(trimBlanks(line_.substr(i, end - i)));
  }
  if (end >= line_.size()) done_ = true;
  else pos_ = end + 1;
  return true;
}

bool FieldReader::next(std::string& field) { return read(&field); }
bool FieldReader::skip() { return read(nullptr); }

std::size_t countFields(std::string_view line) {
  FieldReader r(line);
  std::size_t n = 0;
  while (r.skip()) ++n;
  return n;
}

std::string visibleText(std::string_view text) {
  static const char* const kHex = "0123456789ABCDEF";
  std::string shown;
  shown.reserve(text.size());
  for (const char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b == 0x7F) {
      shown += "\\x";
      shown += kHex[b >> 4];
      shown += kHex[b & 15];
    } else {
      shown += c;
    }
  }
  return shown;
}

std::string quotedField(std::string_view text) { return "\"" + visibleText(text) + "\""; }

std::string countOf(long long n, std::string_view one, std::string_view many) {
  return std::to_string(n) + " " + std::string(n == 1 ? one : many);
}

bool notPlainText(std::string_view line) {
  return line.starts_with("\xFF\xFE") || line.starts_with("\xFE\xFF") || line.find('\0') != std::string_view::npos;
}

std::string_view trimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

}  // namespace kiwora
