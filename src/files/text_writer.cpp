#include "files/text_writer.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace kiwora {
namespace {

std::string withDecimalSign(std::string s, char dec) {
  if (dec != '.')
    for (char& c : s)
      if (c == '.') c = dec;
  return s;
}

}  // namespace

std::string joinedNumber(double v, char dec) {
  if (std::isnan(v)) return "NaN";
  if (std::isinf(v)) return v < 0 ? "-Inf" : "Inf";
  if (v == 0) return "0";
  char buf[64];
  // Shortest text that holds at most 15 significant digits.
  std::snprintf(buf, sizeof buf, "%.15G", v);
  std::string s = buf;
  std::string mant = s, expo;
  if (auto e = s.find('E'); e != std::string::npos) {
    mant = s.substr(0, e);
    int ex = std::atoi(s.c_str() + e + 1);
    char eb[16];
    std::snprintf(eb, sizeof eb, "E%c%02d", ex < 0 ? '-' : '+', std::abs(ex));
    expo = eb;
  }
  if (mant.find('.') != std::string::npos) {
    while (!mant.empty() && mant.back() == '0') mant.pop_back();
    if (!mant.empty() && mant.back() == '.') mant.pop_back();
  }
  // No 0 before the decimal sign between -1 and 1.
  if (mant.rfind("0.", 0) == 0) mant.erase(0, 1);
  else if (mant.rfind("-0.", 0) == 0) mant.erase(1, 1);
  return withDecimalSign(mant + expo, dec);
}

std::string plainNumber(double v, char dec) {
  std::string s = joinedNumber(v, dec);
  if (s.size() > 1 && s[0] == dec) return "0" + s;
  if (s.size() > 2 && s[0] == '-' && s[1] == dec) return "-0" + s.substr(1);
  return s;
}

std::string bareNumber(double v, char dec) {
  std::string s = joinedNumber(v, dec);
  return (v < 0 ? "" : " ") + s + " ";
}

std::string masked(double v, const std::string& mask, char dec) {
  int decimals = 0;
  if (auto p = mask.find('.'); p != std::string::npos) decimals = static_cast<int>(mask.size() - p - 1);
  char buf[512];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  std::string s = buf;
  // A value that rounds to zero prints without its sign.
  if (s[0] == '-' && s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);
  return withDecimalSign(s, dec);
}

double leadingNumber(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  std::size_t start = i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
  }
  if (digits == 0) return 0;
  return std::strtod(text.substr(start, i - start).c_str(), nullptr);
}

LineWriter& LineWriter::tab(int column) {
  if (column < 1) column = 1;
  if (col_ > column) nl();
  out_.append(static_cast<std::size_t>(column - col_), ' ');
  col_ = column;
  return *this;
}

LineWriter& LineWriter::zone() {
  const int next = ((col_ - 1) / 14 + 1) * 14 + 1;
  out_.append(static_cast<std::size_t>(next - col_), ' ');
  col_ = next;
  return *this;
}

LineWriter& LineWriter::text(const std::string& s) {
  out_ += s;
  col_ += static_cast<int>(s.size());
  return *this;
}

LineWriter& LineWriter::nl() {
  out_ += "\r\n";
  col_ = 1;
  return *this;
}

void LineWriter::finish() {
  if (col_ != 1) nl();
}

std::string LineWriter::take() {
  std::string s;
  s.swap(out_);
  return s;
}

TextFile::~TextFile() {
  // A file being created is kept only by an explicit close(): one left open (a run broken off) is dropped.
  created_.abandon();
  if (f_) close();
}

bool TextFile::open(const std::string& path, Mode mode) {
  if (isOpen()) close();
  failed_ = false;
  problem_.clear();
  take();
  if (mode == Mode::Create) {
    if (!created_.open(path)) problem_ = created_.problem();
  } else if ((f_ = std::fopen(path.c_str(), "ab")) == nullptr) {
    problem_ = std::strerror(errno);
  }
  failed_ = !isOpen();
  return !failed_;
}

void TextFile::flush() {
  std::string s = take();
  if (s.empty()) return;
  if (created_.isOpen()) {
    if (!created_.write(s)) failed_ = true;  // the reason comes with the commit
  } else if (!f_ || std::fwrite(s.data(), 1, s.size(), f_) != s.size()) {
    if (!failed_) problem_ = f_ ? std::strerror(errno) : "the file is not open";
    failed_ = true;
  }
}

bool TextFile::close() {
  finish();
  flush();
  if (created_.isOpen()) {
    // Written whole, or the earlier file stays.
    if (!created_.commit()) {
      failed_ = true;
      problem_ = created_.problem();
    }
  }
  if (f_) {
    if (std::fclose(f_) != 0 && !failed_) {
      failed_ = true;
      problem_ = std::strerror(errno);
    }
    f_ = nullptr;
  }
  return !failed_;
}

}  // namespace kiwora
