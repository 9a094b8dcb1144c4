#include "files/text_writer.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace kiwora {

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

LineWriter& LineWriter::text(const char* s) {
  const std::size_t n = std::strlen(s);
  out_.append(s, n);
  col_ += static_cast<int>(n);
  return *this;
}

LineWriter& LineWriter::blanks(int n) {
  if (n > 0) {
    out_.append(static_cast<std::size_t>(n), ' ');
    col_ += n;
  }
  return *this;
}

LineWriter& LineWriter::fmt(double v, const std::string& mask) { return fixed(v, maskDecimals(mask)); }

LineWriter& LineWriter::fixed(double v, int decimals) {
  char buf[kFixedBufferSize];
  const std::size_t n = formatFixed(buf, v, decimals, dec_);
  out_.append(buf, n);
  col_ += static_cast<int>(n);
  return *this;
}

LineWriter& LineWriter::nl() {
  out_ += "\r\n";
  col_ = 1;
  if (out_.size() >= kSpillSize) spill();
  return *this;
}

LineWriter& LineWriter::append(LineWriter& part) {
  // A file hands on what it holds first, so a large part is taken over without being copied.
  if (out_.size() + part.out_.size() >= kSpillSize) spill();
  if (out_.empty()) out_.swap(part.out_);
  else out_ += part.out_;
  col_ = part.col_;
  part.out_.clear();
  part.col_ = 1;
  if (out_.size() >= kSpillSize) spill();
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
  reserve(kSpillSize + kSpillSize / 8);
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
