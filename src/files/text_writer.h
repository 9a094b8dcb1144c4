#pragma once
// Print rules shared by every writer of result text and exports: Tab columns, 14-column print zones,
// numbers by the rules of base/number_format.h, CR LF line ends. Columns count from 1.
#include <cstddef>
#include <cstdio>
#include <functional>
#include <string>

#include "base/number_format.h"
#include "base/refusal.h"
#include "files/atomic_file.h"
#include "files/result_lock.h"

namespace kiwora {

// Builds lines in memory by the print rules; TextFile writes them out as they grow.
class LineWriter {
 public:
  explicit LineWriter(char decimalSign = '.') : dec_(decimalSign) {}
  virtual ~LineWriter() = default;
  char decimalSign() const { return dec_; }

  LineWriter& tab(int column);   // to column n, or column n of the next line when past it
  LineWriter& zone();            // to the start of the next 14-column print zone
  LineWriter& text(const std::string& s);
  LineWriter& text(const char* s);
  LineWriter& blanks(int n);     // n blanks
  LineWriter& num(double v) { return text(bareNumber(v, dec_)); }
  LineWriter& fmt(double v, const std::string& mask);
  LineWriter& fixed(double v, int decimals);  // as fmt with a mask of that many decimals
  LineWriter& nl();              // ends the line
  // Moves the text of `part`, written from column 1, onto this writer, which must stand at column 1:
  // parts formatted side by side are joined in order.
  LineWriter& append(LineWriter& part);
  // Ends an open line, as closing a file does.
  void finish();

  int column() const { return col_; }  // the next print position
  // The text not yet handed on (all of it for a plain LineWriter).
  const std::string& str() const { return out_; }
  std::string take();

 protected:
  // Text held before a line end hands it on (a file writes it out), so memory does not grow with a report.
  static constexpr std::size_t kSpillSize = std::size_t{1} << 20;
  virtual void spill() {}
  // Empties the text, keeping the room it had.
  void dropText() { out_.clear(); }

 public:
  // Room for n characters before a line end hands them on.
  void reserve(std::size_t n) { out_.reserve(n); }

 private:
  std::string out_;
  int col_ = 1;
  char dec_;
};

// A sequential text file opened for writing (emptied) or appending, written with the print rules. A file
// opened to be created replaces an earlier one only when close() succeeds (files/atomic_file.h).
// Appending adds a section whole or not at all: the file is locked (files/result_lock.h) against other
// writers while it is open, and a failed write, a failed close or a file left open (an exception, a stopped
// run) cuts it back to its length before the section. Only a regular file is appended to: a folder, a pipe
// or a device is refused without waiting on it.
class TextFile : public LineWriter {
 public:
  enum class Mode { Create, Append };
  explicit TextFile(char decimalSign = '.') : LineWriter(decimalSign) {}
  ~TextFile();
  TextFile(const TextFile&) = delete;
  TextFile& operator=(const TextFile&) = delete;

  // `since` (appending): the file as the run found it; opening fails, with changed(), when the file at
  // `path` is no longer that one, and a missing file is then made only if there was none.
  bool open(const std::string& path, Mode mode, const ResultFileMark* since = nullptr);
  // Ends an open line, writes what is buffered and closes; false when anything failed. `after`: the file
  // as this section left it (appending), or the new file as written (creating).
  bool close(ResultFileMark* after = nullptr);
  bool isOpen() const { return fd_ >= 0 || created_.isOpen(); }
  bool failed() const { return failed_; }
  // The last open found the file changed since the run began.
  bool changed() const { return changed_; }
  // Why opening or closing failed ("No space left on device"); none when nothing failed.
  const Refusal& problem() const { return problem_; }
  // Writes buffered text out now (long reports flush as they go).
  void flush();

 protected:
  void spill() override {
    if (isOpen()) flush();
  }

 private:
  // Cuts an appended file back to its length at opening and closes it.
  void rollBack();

  int fd_ = -1;             // appending
  long long startSize_ = 0; // the appended file's length before this section
  bool wrote_ = false;      // something was handed to the appended file
  AtomicFile created_;      // creating
  bool failed_ = false;
  bool changed_ = false;
  Refusal problem_;
};

// A run's report section: appended whole or not at all, and with `since` only to the file the run began
// in. No refusal when it was written; otherwise what the user is told, and the file is as it was before.
// `after`: the file as the section left it.
Refusal appendSection(const std::string& path, char decimalSign, const std::function<void(LineWriter&)>& print,
                      const ResultFileMark* since = nullptr, ResultFileMark* after = nullptr);
// What the user is told when a section could not be written; `why` names the cause where one is known
// ("No space left on device").
std::string notWrittenMessage(const std::string& path, const Refusal& why = {});

}  // namespace kiwora
