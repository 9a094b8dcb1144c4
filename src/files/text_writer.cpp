#include "files/text_writer.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "base/run_context.h"
#include "files/atomic_file.h"

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
  // A file being created is kept only by an explicit close(): one left open (a run broken off) is dropped,
  // and a section left open is taken back out of the file it was appended to.
  created_.abandon();
  if (fd_ >= 0) rollBack();
}

bool TextFile::open(const std::string& path, Mode mode, const ResultFileMark* since) {
  if (isOpen()) close();
  failed_ = false;
  changed_ = false;
  problem_ = {};
  take();
  reserve(kSpillSize + kSpillSize / 8);
  if (mode == Mode::Create) {
    if (!created_.open(path)) problem_ = created_.problem();
  } else {
    wrote_ = false;
    // A run that began with no file there may make it; one that began in a file writes only to that file.
    LockedFile locked = openLocked(path, since == nullptr || !since->exists);
    fd_ = locked.fd;
    problem_ = std::move(locked.refusal);
    // A link put in the file's place is another file, even one that leads to the noted file.
    const bool linked = since && since->exists && fd_ >= 0 && !pathIsOpenFile(path, fd_);
    if (since && (fd_ >= 0 ? linked || !stillAsMarked(fd_, *since, false) : locked.missing)) {
      if (fd_ >= 0) ::close(fd_);
      fd_ = -1;
      changed_ = true;
      problem_ = Refusal("it was started afresh, replaced or removed");
    }
    struct stat st {};
    if (fd_ >= 0 && ::fstat(fd_, &st) != 0) {
      problem_ = Refusal(writeErrorText(errno));
      ::close(fd_);
      fd_ = -1;
    }
    startSize_ = fd_ >= 0 ? static_cast<long long>(st.st_size) : 0;
  }
  failed_ = !isOpen();
  return !failed_;
}

void TextFile::flush() {
  if (str().empty()) return;
  // A stop signal ends the section at its next piece: unwinding cuts an appended file back, or drops
  // the file being created, before the program ends.
  if (stopSignalled()) throw RunStopped();
  // The text is handed on from the buffer, which keeps its room for the text that follows: buffers taken
  // over from parts formatted on other threads then go round instead of being freed and allocated anew.
  struct Drop {
    TextFile& f;
    ~Drop() { f.dropText(); }
  } drop{*this};
  const std::string& s = str();
  if (created_.isOpen()) {
    if (!created_.write(s)) failed_ = true;  // the reason comes with the commit
    return;
  }
  if (fd_ < 0) {
    if (!failed_) problem_ = Refusal("the file is not open");
    failed_ = true;
    return;
  }
  if (failed_) return;  // the section is cut back at close; nothing more goes after a failed write
  wrote_ = true;
  std::size_t done = 0;
  while (done < s.size()) {
    const ssize_t n = ::write(fd_, s.data() + done, s.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      problem_ = Refusal(writeErrorText(n < 0 ? errno : EIO));
      failed_ = true;
      return;
    }
    done += static_cast<std::size_t>(n);
  }
}

void TextFile::rollBack() {
  // A file that was only opened (a probe) is left untouched, its times included.
  if (wrote_ && ::ftruncate(fd_, static_cast<off_t>(startSize_)) != 0 && !failed_)
    problem_ = Refusal(writeErrorText(errno));
  ::close(fd_);  // releases the lock
  fd_ = -1;
}

bool TextFile::close(ResultFileMark* after) {
  finish();
  flush();
  // Noted while the lock is still held, so the note is of this file with this section at its end.
  if (after && fd_ >= 0 && !failed_ && !markOpenFile(fd_, *after)) *after = {};
  if (created_.isOpen()) {
    // Written whole, or the earlier file stays.
    if (!created_.commit(after)) {
      failed_ = true;
      problem_ = created_.problem();
    }
  }
  if (fd_ >= 0) {
    if (failed_) {
      rollBack();
    } else if (::close(fd_) != 0) {
      failed_ = true;
      problem_ = Refusal(writeErrorText(errno));
      fd_ = -1;
    } else {
      fd_ = -1;
    }
  }
  return !failed_;
}

Refusal appendSection(const std::string& path, char decimalSign, const std::function<void(LineWriter&)>& print,
                      const ResultFileMark* since, ResultFileMark* after) {
  TextFile out(decimalSign);
  if (out.open(path, TextFile::Mode::Append, since)) {
    print(out);
    if (out.close(after)) return {};
  }
  return Refusal(out.changed() ? resultFileChangedMessage(path, false) : notWrittenMessage(path, out.problem()));
}

std::string notWrittenMessage(const std::string& path, const Refusal& why) {
  if (!why) return "The results could not be written to " + path + "!";
  return "The results could not be written to " + path + " (" + why.message() + ")!";
}

}  // namespace kiwora
