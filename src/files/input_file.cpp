#include "files/input_file.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cerrno>
#include <type_traits>
#include <utility>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "files/decimal_number.h"
#include "files/text_lines.h"
#include "files/text_writer.h"

namespace kiwora {
namespace {

// Reads a field that opens with a double quote at `open`: the text up to the closing quote, a doubled
// quote standing for one quote character. Returns the field's end: its comma, or the end of the line.
// Text after the closing quote (`"3"x`) makes the field its whole text, quotes and all, so that a reader
// refuses it as malformed instead of dropping what follows.
std::size_t readQuoted(std::string_view s, std::size_t open, std::string& out) {
  const std::size_t after = closeQuoted(s, open, &out);
  std::size_t end = s.find(',', after);
  if (end == std::string_view::npos) end = s.size();
  if (!trimBlanks(s.substr(after, end - after)).empty()) out = std::string(trimBlanks(s.substr(open, end - open)));
  return end;
}

// The lines of an input, one at a time, by the rules of LineEndScan, a final line end starting no other
// line. A line stays valid until the next one is asked for.
class LineFeed {
 public:
  virtual bool next(std::string_view& line) = 0;

 protected:
  ~LineFeed() = default;
};

class TextFeed final : public LineFeed {
 public:
  explicit TextFeed(std::string_view text) : lines_(text) {}
  bool next(std::string_view& line) override { return lines_.next(line); }

 private:
  LineReader lines_;
};

// Sequential reading as the file primitives do it: whole lines, or comma-separated fields that cross
// line ends. A line read stays valid until the next read: the next line is only asked for then.
class Cursor {
 public:
  explicit Cursor(LineFeed& feed) : feed_(feed) {}
  bool atEnd() {
    if (fetch_) {
      fetch_ = false;
      atEnd_ = !feed_.next(line_);
      pos_ = 0;
    }
    return atEnd_;
  }
  int lineNumber() const { return number_; }

  bool readLine(std::string_view& out) {
    if (atEnd()) return false;
    out = line_.substr(pos_);
    nextLine();
    return true;
  }

  bool readField(std::string& out) {
    if (atEnd()) return false;
    std::string_view rest = line_.substr(pos_);
    std::size_t i = 0;
    while (i < rest.size() && (rest[i] == ' ' || rest[i] == '\t')) ++i;
    std::size_t end;
    if (i < rest.size() && rest[i] == '"') {
      end = readQuoted(rest, i, out);
    } else {
      std::size_t comma = rest.find(',', i);
      end = comma == std::string_view::npos ? rest.size() : comma;
      out = std::string(trimBlanks(rest.substr(i, end - i)));
    }
    if (end < rest.size()) pos_ += end + 1;
    else nextLine();
    return true;
  }

 private:
  void nextLine() {
    ++number_;
    fetch_ = true;
  }

  LineFeed& feed_;
  std::string_view line_;  // the current line without its line end
  bool fetch_ = true;      // the current line is used up
  bool atEnd_ = false;
  std::size_t pos_ = 0;    // read position within the current line
  int number_ = 1;
};

bool parseAllele(std::string_view s, int& v) {
  long long n;
  if (!parseWholeDecimal(s, n) || n < -2'000'000'000 || n > 2'000'000'000) return false;
  v = static_cast<int>(n);
  return true;
}

std::string lineRef(int n) { return "Line " + std::to_string(n) + ": "; }
// The file ended before `line`: the message names the last line there is.
std::string endsAfter(int line) { return lineRef(line - 1) + "the file ends there, "; }

// A header "name, X, Y": a population's X and Y are numbers, a test group's may be any text.
bool isBlockHeader(const std::vector<std::string>& fields, bool groups, double& x, double& y) {
  if (fields.size() != 3) return false;
  return groups || (parseDecimal(fields[1], x) && parseDecimal(fields[2], y));
}

// When the first block's header is refused, the number of loci is the likely cause: a count above the
// names read a block's header as a locus name, a count below them leaves a name where the header belongs.
std::string lociCountHint(const ParsedInput& in, const std::vector<std::string>& fields, std::string_view header,
                          bool groups) {
  const std::string counted = std::to_string(in.countLine[1]);
  for (int l = 1; l <= in.nLoci; ++l) {
    double x, y;
    const std::string& name = in.locName[static_cast<std::size_t>(l)];
    if (!isBlockHeader(splitFields(name), groups, x, y)) continue;
    return " Line " + counted + " announces " + countOf(in.nLoci, "locus", "loci") + ", but the file names " +
           std::to_string(l - 1) + ": line " + std::to_string(in.firstLocusLine + l - 1) + ", read as the name of locus " +
           std::to_string(l) + ", is the header " + quotedField(name) + ".";
  }
  if (fields.size() == 1)
    return " Is " + quotedField(header) + " a locus name beyond the " + std::to_string(in.nLoci) + " that line " +
           counted + " announces?";
  return {};
}

}  // namespace

std::vector<std::string> splitFields(std::string_view line) {
  std::vector<std::string> out;
  std::size_t i = 0;
  while (true) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    std::string field;
    if (i < line.size() && line[i] == '"') {
      i = readQuoted(line, i, field);
    } else {
      std::size_t comma = line.find(',', i);
      std::size_t end = comma == std::string_view::npos ? line.size() : comma;
      field = std::string(trimBlanks(line.substr(i, end - i)));
      i = end;
    }
    out.push_back(std::move(field));
    if (i >= line.size()) break;
    ++i;  // the comma
  }
  return out;
}

ParseResult parseInputText(std::string_view text, const InputLimits& limits) {
  return parseInputText(text, InputLayout::Populations, limits);
}

namespace {

// Where the parsed populations go: start() once the counts and locus names are read, population() with
// each population as soon as it is complete, finish() after the last.
struct IntoBlocks {
  ParsedInput& in;
  void start(std::size_t) { in.blocks.assign(1, PopulationBlock{}); }
  void population(int, PopulationBlock& b) { in.blocks.push_back(std::move(b)); }
  void finish() {}
};

// Straight into the data set and its selection (everything selected, every locus bi-parental, loci
// without any genotype in some population dropped): each population is put in place as it is read, so
// that its codes are held once.
class IntoDataSet {
 public:
  IntoDataSet(ParsedInput& in, DataSet& ds, Selection& sel) : in_(in), ds_(ds), sel_(sel) {}

  // `bytes`: the size of the input, which bounds how many populations it can hold.
  void start(std::size_t bytes) {
    // A population takes at least a header ",0,0" and a line end, and an ending line.
    const std::size_t expected = std::min(static_cast<std::size_t>(in_.nPop), bytes / 6 + 1) + 1;
    ds_.NLoci = in_.nLoci;
    ds_.MaxAllele = in_.maxAllele;
    for (auto* v : {&ds_.PopX, &ds_.PopY}) {
      v->assign(1, 0.0);
      v->reserve(expected);
    }
    ds_.PopName.assign(1, std::string());
    ds_.PopName.reserve(expected);
    ds_.NInd.assign(1, 0);
    ds_.NInd.reserve(expected);
    ds_.Allele.startPopulations(in_.nLoci, expected);
    sel_.IndSel.startRows(expected);
    sel_.IndSel.addRow(0, 0);
    sel_.LocSel = makeVec1<int>(in_.nLoci, 1);
    sel_.LocSel[0] = 0;
    sel_.LocAvail = sel_.LocSel;
    sel_.LocMode = makeVec1<int>(in_.nLoci, 1);
    sel_.LocMode[0] = 0;
  }

  void population(int p, PopulationBlock& b) { add(p, std::move(b.name), b); }
  void add(int p, std::string name, const PopulationBlock& b) {
    ds_.PopName.push_back(std::move(name));
    ds_.PopX.push_back(b.x);
    ds_.PopY.push_back(b.y);
    ds_.NInd.push_back(b.nInd);
    ds_.Allele.addPopulation(b.nInd);
    // Individuals 1..nInd selected; cell 0 unused.
    sel_.IndSel.addRow(static_cast<std::size_t>(b.nInd) + 1, 1);
    sel_.IndSel[static_cast<std::size_t>(p)][0] = 0;
    place(p, b);
  }

  void finish() {
    ds_.NPop = in_.nPop;
    sel_.PopSel = makeVec1<int>(in_.nPop, 1);
    sel_.PopSel[0] = 0;
    ds_.NGenesRead.resize(in_.nPop, in_.nLoci);
    for (int p = 1; p <= in_.nPop; ++p)
      for (int l = 1; l <= in_.nLoci; ++l) {
        const int* x1 = ds_.Allele.locus1(p, l);
        const int* x2 = ds_.Allele.locus2(p, l);
        int genes = 0;
        for (int j = 1, n = ds_.Allele.nInd(p); j <= n; ++j) genes += (x1[j] != kMissing) + (x2[j] != kMissing);
        ds_.NGenesRead(p, l) = genes;
      }
  }

 private:
  // The block holds an individual's loci side by side; the tables hold a locus's individuals side by side.
  void place(int p, const PopulationBlock& b) {
    const auto nLoci = static_cast<std::size_t>(in_.nLoci);
    first_.resize(nLoci + 1);
    second_.resize(nLoci + 1);
    doublyMissing_.assign(nLoci + 1, 0);
    for (int l = 1; l <= in_.nLoci; ++l) {
      first_[static_cast<std::size_t>(l)] = ds_.Allele.locus1(p, l);
      second_[static_cast<std::size_t>(l)] = ds_.Allele.locus2(p, l);
    }
    const int* cell = b.alleles.data();
    for (int j = 1; j <= b.nInd; ++j)
      for (std::size_t l = 1; l <= nLoci; ++l, cell += 2) {
        const int x = cell[0], y = cell[1];
        first_[l][j] = x;
        second_[l][j] = y;
        doublyMissing_[l] += x == kMissing && y == kMissing;
      }
    // No genotype of this locus in this population (or no individual at all): the locus is dropped.
    for (std::size_t l = 1; l <= nLoci; ++l)
      if (doublyMissing_[l] == b.nInd) sel_.LocAvail[l] = sel_.LocSel[l] = 0;
  }

  ParsedInput& in_;
  DataSet& ds_;
  Selection& sel_;
  std::vector<int*> first_, second_;
  std::vector<int> doublyMissing_;
};

template <class Sink>
void parseWith(LineFeed& feed, std::size_t bytes, InputLayout layout, const InputLimits& limits, ParseResult& r, Sink& sink);

}  // namespace

ParseResult parseInputText(std::string_view text, InputLayout layout, const InputLimits& limits) {
  ParseResult r;
  IntoBlocks sink{r.data};
  TextFeed feed(text);
  parseWith(feed, text.size(), layout, limits, r, sink);
  return r;
}

namespace {

// The data set takes the title and locus names of a successful read.
void finishInto(ParseResult& r, DataSet& ds) {
  if (!r.ok()) return;
  ds.Title = std::move(r.data.title);
  ds.LocName = std::move(r.data.locName);
}

}  // namespace

ParseResult parseInputInto(std::string_view text, DataSet& ds, Selection& sel, const InputLimits& limits) {
  ParseResult r;
  IntoDataSet sink(r.data, ds, sel);
  TextFeed feed(text);
  parseWith(feed, text.size(), InputLayout::Populations, limits, r, sink);
  finishInto(r, ds);
  return r;
}

namespace {

// The two failure texts of a read: the file's data cannot be read, or its counts are more than can be held.
enum class Failure { Reading, Sizing };

// One read of an input, in the order of the file: title, the three counts, what the counts ask of memory,
// the locus names, then the blocks (a header, a line of codes per individual, an ending line). Each step
// returns false once it has refused the file. A refusal keeps what was read before it: the test-group
// reader tells a file of other loci from a broken file by the counts and locus names.
class InputReader {
 public:
  InputReader(LineFeed& feed, std::size_t bytes, InputLayout layout, const InputLimits& limits, ParseResult& r)
      : cur_(feed), r_(r), in_(r.data), bytes_(bytes), limits_(limits), groups_(layout == InputLayout::TestGroups),
        unit_(groups_ ? "group" : "population"),
        countNames_{"number of " + unit_ + "s", "number of loci", "largest allele code"} {}

  bool title() {
    if (cur_.atEnd()) return fail(Failure::Sizing, "The file is empty.");
    std::string_view titleLine;
    cur_.readLine(titleLine);
    if (notPlainText(titleLine)) return fail(Failure::Reading, lineRef(1) + kNotPlainText);
    in_.title = std::string(titleLine);
    return true;
  }

  // The numbers of populations (or groups) and loci and the largest allele code, each a usable count.
  bool counts() {
    for (int k = 0; k < 3; ++k) {
      std::string& field = countText_[k];
      const int at = cur_.lineNumber();
      if (!cur_.readField(field)) return fail(Failure::Sizing, endsAfter(at) + "before the " + countNames_[k] + ".");
      in_.countLine[k] = at;
      if (notPlainText(field)) return fail(Failure::Reading, lineRef(at) + kNotPlainText);
      // A count is a whole decimal number; text that does not begin with a number counts as 0.
      long long whole = 0;
      counts_[k] = parseWholeDecimal(field, whole) ? static_cast<double>(whole) : leadingNumber(field);
      if (counts_[k] != 0 && !parseWholeDecimal(field, whole))
        return fail(Failure::Sizing, lineRef(at) + "the " + countNames_[k] + " " + quotedField(field) + " is not a usable count.");
      if (counts_[k] < 0 || counts_[k] != std::floor(counts_[k]) || counts_[k] > static_cast<double>(limits_.maxCount))
        return fail(Failure::Sizing, lineRef(at) + "the " + countNames_[k] + " " + quotedField(field) + " is not a usable count.");
    }
    in_.nPop = static_cast<int>(counts_[0]);
    in_.nLoci = static_cast<int>(counts_[1]);
    in_.maxAllele = static_cast<int>(counts_[2]);
    in_.countsRead = true;
    return true;
  }

  // No count that must be at least 1 reads as 0, and the tables the counts ask for fit the limits.
  bool countsFit() {
    // A file of no test groups is read as such, when it says 0; a data set needs a population.
    if (counts_[0] == 0) {
      long long whole = 0;
      if (!groups_ || !parseWholeDecimal(countText_[0], whole)) return zeroCount(0);
    }
    if (counts_[1] == 0) return zeroCount(1);
    if (counts_[2] < 1) return zeroCount(2);
    const std::string countsAt = in_.countLine[0] == in_.countLine[2]
                                     ? lineRef(in_.countLine[0])
                                     : "Lines " + std::to_string(in_.countLine[0]) + " to " + std::to_string(in_.countLine[2]) + ": ";
    // An individual's line holds at least a one-digit code, and a comma or the line's end, for each of its
    // 2 x loci codes: the file's size bounds the copies of a locus.
    const double copiesBound = static_cast<double>(bytes_) / (2 * counts_[1]);
    if (!groups_ && frequencyCells(counts_[0], counts_[1], counts_[2], copiesBound) > static_cast<double>(limits_.maxFrequencyCells))
      return fail(Failure::Sizing, countsAt + "populations x loci x allele codes (" + countText_[0] + " x " + countText_[1] +
                                       " x " + countText_[2] + ") exceed what the program can hold.");
    // Each population holds at least a genotype cell of each allele and a gene count at each locus.
    const double tableBytes = (counts_[0] + 1) * (counts_[1] + 1) * (2 * sizeof(int) + sizeof(int));
    const double allowed = static_cast<double>(limits_.maxTableBytesPerFileByte) * static_cast<double>(bytes_) +
                           static_cast<double>(limits_.maxTableBytesBeyondFile);
    if (!groups_ && tableBytes > allowed)
      return fail(Failure::Sizing, countsAt + "the " + countOf(in_.nPop, "population", "populations") + " x " + countOf(in_.nLoci, "locus", "loci") +
                                       " would take about " + std::to_string(std::llround(tableBytes / (1 << 20))) +
                                       " MB of tables, more than a file of " + std::to_string(bytes_) + " bytes can fill (" +
                                       std::to_string(limits_.maxTableBytesPerFileByte) + " times its size and " +
                                       std::to_string(limits_.maxTableBytesBeyondFile >> 20) + " MB).");
    return true;
  }

  bool locusNames() {
    in_.locName.assign(1, std::string());
    in_.firstLocusLine = cur_.lineNumber();
    for (int l = 1; l <= in_.nLoci; ++l) {
      std::string_view name;
      const int at = cur_.lineNumber();
      if (!cur_.readLine(name))
        return fail(Failure::Reading, endsAfter(at) + "before the name of locus " + std::to_string(l) + ".");
      in_.locName.emplace_back(name);
    }
    return true;
  }

  // Every block, each handed to `sink` as soon as it is complete; the last must end with "END".
  template <class Sink>
  bool blocks(Sink& sink) {
    bool finished = false;
    int emptyLine = 0;  // the line that ended the last block read, when it was an empty one
    sink.start(bytes_);
    PopulationBlock block;
    for (int p = 1; p <= in_.nPop; ++p) {
      if (!readBlock(p, block, finished, emptyLine)) return false;
      const std::size_t codes = block.alleles.size();
      sink.population(p, block);
      block.name.clear();
      block.headerLine = 0;
      block.x = block.y = 0;
      block.nInd = 0;
      block.alleles.clear();
      // Populations tend to be alike in size: this one's is a good first guess for the next one.
      block.alleles.reserve(codes);
    }
    // No block to read is a read that has ended.
    if (in_.nPop == 0) finished = true;
    if (!finished)
      return fail(Failure::Reading, lineRef(emptyLine) + "the last " + unit_ + " (" + std::to_string(in_.nPop) +
                                        ") ends with an empty line; it must end with a line \"END\".");
    sink.finish();
    return true;
  }

 private:
  bool fail(Failure kind, std::string detail) {
    r_.refusal = Refusal(kind == Failure::Sizing ? kSizingMessage : kReadingFailureMessage, std::move(detail));
    return false;
  }

  // A count that reads as 0: a plain 0, or text that is not a number.
  bool zeroCount(int k) {
    long long whole = 0;
    const std::string what = parseWholeDecimal(countText_[k], whole)
                                 ? "the " + countNames_[k] + " is 0"
                                 : "the " + countNames_[k] + " " + quotedField(countText_[k]) + " is not a number (it reads as 0)";
    const bool noGroupsAllowed = groups_ && k == 0;
    return fail(Failure::Reading, lineRef(in_.countLine[k]) + what +
                                      (noGroupsAllowed ? "; it must be a whole number of 0 or more." : "; it must be at least 1."));
  }

  // Block p: its header, then its individuals up to the ending line ("END" sets `finished`; an empty line
  // is noted in `emptyLine`).
  bool readBlock(int p, PopulationBlock& block, bool& finished, int& emptyLine) {
    finished = false;
    if (!blockHeader(p, block)) return false;
    bool ended = false;
    std::string_view line;
    while (cur_.readLine(line)) {
      if (line == "END") {
        finished = true;
        ended = true;
        break;
      }
      if (line.empty()) {
        ended = true;
        emptyLine = cur_.lineNumber() - 1;
        break;
      }
      if (!individual(line, cur_.lineNumber() - 1, block)) return false;
    }
    if (!ended)
      return fail(Failure::Reading, endsAfter(cur_.lineNumber()) + "inside " + unit_ + " " + std::to_string(p) + " (" +
                                        block.name + ") before its closing \"END\".");
    return true;
  }

  // "name, X, Y": a population's X and Y are numbers, a test group's may be any text.
  bool blockHeader(int p, PopulationBlock& block) {
    std::string_view header;
    const int headerLine = cur_.lineNumber();
    if (!cur_.readLine(header))
      return fail(Failure::Reading, endsAfter(headerLine) + "before " + unit_ + " " + std::to_string(p) + " of " +
                                        std::to_string(in_.nPop) + ".");
    auto hf = splitFields(header);
    if (!isBlockHeader(hf, groups_, block.x, block.y)) {
      std::string why = lineRef(headerLine) + "the header of " + unit_ + " " + std::to_string(p) +
                        (groups_ ? " must be three fields (name, X, Y)." : " must be a name and two numbers (name, X, Y).");
      if (p == 1) why += lociCountHint(in_, hf, header, groups_);
      return fail(Failure::Reading, std::move(why));
    }
    FieldReader first(header);
    first.skip();
    if (first.malformed())
      return fail(Failure::Reading, lineRef(headerLine) + "the name of " + unit_ + " " + std::to_string(p) + ", " +
                                        quotedField(hf[0]) + ", has text after its closing quote.");
    block.name = hf[0];
    block.headerLine = headerLine;
    return true;
  }

  // An individual's line `at`: two allele codes for each locus, appended to the block.
  bool individual(std::string_view line, int at, PopulationBlock& block) {
    const int nFields = 2 * in_.nLoci;
    std::size_t count = 0;
    const char* c = line.data();
    const char* const end = c + line.size();
    while (true) {
      // One pass per field: a bare code ("12", "-1") is read as it is scanned; anything else is cut at
      // its comma and read by the full rules.
      const char* const fieldStart = c;
      const bool negative = c < end && *c == '-';
      c += negative;
      const char* const digits = c;
      int n = 0;
      while (c < end && static_cast<unsigned>(*c - '0') < 10 && c - digits < 9) n = n * 10 + (*c++ - '0');
      int code = negative ? -n : n;
      bool read = c > digits && (c == end || *c == ',');
      std::string_view f(fieldStart, static_cast<std::size_t>(c - fieldStart));
      if (!read) {
        // By the rules the header's fields are read by: blanks around the field dropped, or the text
        // inside double quotes (as a spreadsheet writes its fields).
        c = fieldStart;
        while (c < end && (*c == ' ' || *c == '\t')) ++c;
        if (c < end && *c == '"') {
          c = line.data() + readQuoted(line, static_cast<std::size_t>(c - line.data()), quoted_);
          f = quoted_;
          while (c < end && *c != ',') ++c;
        } else {
          while (c < end && *c != ',') ++c;
          f = trimBlanks(std::string_view(fieldStart, static_cast<std::size_t>(c - fieldStart)));
        }
      }
      ++count;
      if (static_cast<int>(count) <= nFields) {
        if (!read) read = parseAllele(f, code);
        if (!read || code == 0 || code < -1 || code > in_.maxAllele)
          return fail(Failure::Reading, lineRef(at) + quotedField(f) + " is not an allele code (a whole number from 1 to " +
                                            std::to_string(in_.maxAllele) + ", or -1 for a missing allele).");
        block.alleles.push_back(code);
        if (code > in_.largestCodeSeen) in_.largestCodeSeen = code;
      }
      if (c == end) break;
      ++c;  // the comma
    }
    if (static_cast<int>(count) != nFields)
      return fail(Failure::Reading, lineRef(at) + countOf(static_cast<long long>(count), "allele code", "allele codes") + " where " + std::to_string(nFields) +
                                        " (two for each of " + countOf(in_.nLoci, "locus", "loci") + ") are expected.");
    ++block.nInd;
    return true;
  }

  Cursor cur_;
  ParseResult& r_;
  ParsedInput& in_;
  const std::size_t bytes_;
  const InputLimits& limits_;
  const bool groups_;
  const std::string unit_;
  const std::string countNames_[3];
  double counts_[3] = {0, 0, 0};
  std::string countText_[3];
  std::string quoted_;  // the text of a quoted allele field
};

template <class Sink>
void parseWith(LineFeed& feed, std::size_t bytes, InputLayout layout, const InputLimits& limits, ParseResult& r, Sink& sink) {
  InputReader read(feed, bytes, layout, limits, r);
  if (read.title() && read.counts() && read.countsFit() && read.locusNames()) read.blocks(sink);
}

}  // namespace

namespace {

std::string tooLargeReason(const std::string& path) {
  return "The file " + path + " is larger than " + std::to_string(kMaxInputFileBytes >> 20) +
         " MB, the largest file the program reads.";
}

// A regular file opened for reading, or refused, under the failure text `head`, with the reason why it
// cannot be read as data.
class InputFd {
 public:
  InputFd(const std::string& path, std::string head) : path_(path), head_(std::move(head)) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
      refuse("The file " + path + " does not exist.");
      return;
    }
    if (S_ISDIR(st.st_mode)) {
      refuse(path + " is a folder, not a file.");
      return;
    }
    // Non-blocking, so that a pipe chosen by mistake does not wait for a writer; the checks below are
    // made on what was opened, not on the name.
    fd_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) {
      refuse("The file " + path + " cannot be opened.");
      return;
    }
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
      refuse(path + " is not a regular file (a device, a pipe or a socket cannot be read as data).");
      return;
    }
    if (st.st_size > kMaxInputFileBytes) {
      refuse(tooLargeReason(path));
      return;
    }
    size_ = static_cast<std::size_t>(st.st_size);
  }
  ~InputFd() { close(); }
  InputFd(const InputFd&) = delete;
  InputFd& operator=(const InputFd&) = delete;

  bool open() const { return fd_ >= 0; }
  std::size_t size() const { return size_; }  // when it was opened
  // Why the file cannot be opened or read; none while it can.
  const Refusal& refusal() const { return refusal_; }
  // Appends up to `n` bytes to `text`: false at the end of the file, or with refusal() when it cannot be
  // read or grows beyond the limit while it is read.
  bool readMore(std::string& text, std::size_t n) {
    char buf[1 << 16];
    std::size_t got = 0;
    while (got < n) {
      const ssize_t k = ::read(fd_, buf, std::min(sizeof buf, n - got));
      if (k == 0) return got > 0;
      if (k < 0) {
        if (errno == EINTR) continue;
        refuse("The file " + path_ + " cannot be read.");
        return false;
      }
      // A file that grows while it is read is held to the same limit.
      read_ += static_cast<std::size_t>(k);
      if (read_ > static_cast<std::size_t>(kMaxInputFileBytes)) {
        refuse(tooLargeReason(path_));
        return false;
      }
      text.append(buf, static_cast<std::size_t>(k));
      got += static_cast<std::size_t>(k);
    }
    return true;
  }

 private:
  void refuse(std::string reason) {
    refusal_ = Refusal(head_, std::move(reason));
    close();
  }
  void close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }
  const std::string& path_;
  const std::string head_;
  Refusal refusal_;
  int fd_ = -1;
  std::size_t size_ = 0;
  std::size_t read_ = 0;
};

// The lines of a file read a piece at a time: what is held is the piece and the longest line, not the file.
class FileFeed final : public LineFeed {
 public:
  FileFeed(InputFd& file, std::size_t piece) : file_(file), piece_(std::max<std::size_t>(piece, 1)) {}

  bool next(std::string_view& line) override {
    while (true) {
      const std::size_t brk = ends_.find(buf_, pos_);
      // A CR as the last character read may be the first half of a CR LF.
      if (brk != std::string::npos && (ended_ || brk + 1 < buf_.size() || buf_[brk] == '\n'))
        return take(brk, brk + LineEndScan::length(buf_, brk), line);
      if (ended_) return pos_ < buf_.size() && take(buf_.size(), buf_.size(), line);
      // Keep the line begun and read on.
      buf_.erase(0, pos_);
      ends_.dropFront(pos_);
      pos_ = 0;
      ended_ = !file_.readMore(buf_, piece_);
    }
  }
  // Reads what is left, so that a file that cannot be read to its end or grows beyond the limit is told
  // as such whatever its text says.
  const Refusal& refusalAfterReadingAll() {
    while (!ended_) {
      buf_.clear();
      ends_ = LineEndScan();
      pos_ = 0;
      ended_ = !file_.readMore(buf_, piece_);
    }
    return file_.refusal();
  }

 private:
  bool take(std::size_t end, std::size_t next, std::string_view& line) {
    line = std::string_view(buf_).substr(pos_, end - pos_);
    pos_ = next;
    return true;
  }
  InputFd& file_;
  const std::size_t piece_;
  std::string buf_;
  LineEndScan ends_;
  std::size_t pos_ = 0;  // the next line starts here
  bool ended_ = false;
};

}  // namespace

Refusal readWholeFile(const std::string& path, std::string& text, std::string head) {
  InputFd file(path, std::move(head));
  if (file.open()) {
    text.clear();
    text.reserve(file.size());
    while (file.readMore(text, std::size_t(1) << 20)) {
    }
  }
  return file.refusal();
}

ParseResult readInputFileInto(const std::string& path, DataSet& ds, Selection& sel, const InputLimits& limits,
                              std::size_t pieceBytes) {
  ParseResult result;
  InputFd file(path, kReadingFailureMessage);
  if (!file.open()) {
    result.refusal = file.refusal();
    return result;
  }
  FileFeed feed(file, pieceBytes);
  IntoDataSet sink(result.data, ds, sel);
  parseWith(feed, file.size(), InputLayout::Populations, limits, result, sink);
  // A file that cannot be read to its end is refused as such, whatever its text said.
  if (const Refusal& unread = feed.refusalAfterReadingAll()) {
    result.refusal = unread;
    return result;
  }
  finishInto(result, ds);
  return result;
}

namespace {

template <class Input>
void buildFrom(Input& in, DataSet& ds, Selection& sel) {
  constexpr bool release = !std::is_const_v<Input>;
  ParsedInput counts;
  counts.nPop = in.nPop;
  counts.nLoci = in.nLoci;
  counts.maxAllele = in.maxAllele;
  IntoDataSet sink(counts, ds, sel);
  sink.start(static_cast<std::size_t>(in.nPop) * 6);
  for (int p = 1; p <= in.nPop; ++p) {
    auto& b = in.blocks[static_cast<std::size_t>(p)];
    if constexpr (release) {
      sink.add(p, std::move(b.name), b);
      std::vector<int>().swap(b.alleles);
    } else {
      sink.add(p, b.name, b);
    }
  }
  sink.finish();
  ds.Title = in.title;
  ds.LocName = in.locName;
}

}  // namespace

void buildDataSet(const ParsedInput& in, DataSet& ds, Selection& sel) { buildFrom(in, ds, sel); }

void buildDataSet(ParsedInput&& in, DataSet& ds, Selection& sel) {
  buildFrom(in, ds, sel);
  in.blocks.clear();
  in.blocks.shrink_to_fit();
}

}  // namespace kiwora
