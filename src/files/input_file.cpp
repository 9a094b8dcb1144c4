#include "files/input_file.h"

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
// quote standing for one quote character. Returns the position after the closing quote.
std::size_t readQuoted(std::string_view s, std::size_t open, std::string& out) {
  out.clear();
  std::size_t i = open + 1;
  while (i < s.size()) {
    if (s[i] == '"') {
      if (i + 1 < s.size() && s[i + 1] == '"') {
        out += '"';
        i += 2;
        continue;
      }
      return i + 1;
    }
    out += s[i++];
  }
  return s.size();
}


// Sequential reading as the file primitives do it: whole lines, or comma-separated fields that cross
// line ends. Lines are found as they are read (CR LF and LF end a line; a final line end starts no other
// line), so the text is passed over once.
class Cursor {
 public:
  explicit Cursor(std::string_view text) : text_(text) { findLine(); }
  bool atEnd() const { return start_ >= text_.size(); }
  int lineNumber() const { return number_; }
  // The text from the read position on.
  std::string_view rest() const { return atEnd() ? std::string_view() : text_.substr(start_ + pos_); }

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
      const std::size_t after = readQuoted(rest, i, out);
      std::size_t comma = rest.find(',', after);
      end = comma == std::string_view::npos ? rest.size() : comma;
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
  void findLine() {
    if (atEnd()) return;
    const std::size_t nl = text_.find('\n', start_);
    next_ = nl == std::string_view::npos ? text_.size() : nl + 1;
    line_ = text_.substr(start_, (nl == std::string_view::npos ? text_.size() : nl) - start_);
    if (!line_.empty() && line_.back() == '\r') line_.remove_suffix(1);
    pos_ = 0;
  }
  void nextLine() {
    start_ = next_;
    ++number_;
    findLine();
  }

  std::string_view text_;
  std::string_view line_;      // the current line without its line end
  std::size_t start_ = 0;      // where the current line starts
  std::size_t next_ = 0;       // where the line after it starts
  std::size_t pos_ = 0;        // read position within the current line
  int number_ = 1;
};

bool parseAllele(std::string_view s, int& v) {
  long long n;
  if (!parseWholeDecimal(s, n) || n < -2'000'000'000 || n > 2'000'000'000) return false;
  v = static_cast<int>(n);
  return true;
}

std::string lineRef(int n) { return "Line " + std::to_string(n) + ": "; }

}  // namespace

std::vector<std::string> splitFields(std::string_view line) {
  std::vector<std::string> out;
  std::size_t i = 0;
  while (true) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    std::string field;
    if (i < line.size() && line[i] == '"') {
      i = readQuoted(line, i, field);
      std::size_t comma = line.find(',', i);
      i = comma == std::string_view::npos ? line.size() : comma;
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

std::string ParseResult::message() const {
  std::string head = error == Error::Sizing ? kSizingMessage : kReadingFailureMessage;
  return detail.empty() ? head : head + "\n" + detail;
}

ParseResult parseInputText(std::string_view text, const InputLimits& limits) {
  return parseInputText(text, InputLayout::Populations, limits);
}

namespace {

// The individuals of each population, by the reader's own rule for where a population ends (a line "END"
// or an empty line after its header), for the first `nPop` populations that end; `rest` starts at the
// header of population 1.
std::vector<int> countIndividuals(std::string_view rest, int nPop) {
  std::vector<int> counts;
  LineReader lines(rest);
  std::string_view line;
  while (static_cast<int>(counts.size()) < nPop && lines.next(line)) {
    int n = 0;
    bool ended = false;
    while (lines.next(line)) {
      if (line == "END" || line.empty()) {
        ended = true;
        break;
      }
      ++n;
    }
    if (!ended) break;
    counts.push_back(n);
  }
  return counts;
}

// Where the parsed populations go: start() once the counts and locus names are read (with the text of the
// populations), population() with each population as soon as it is complete.
struct IntoBlocks {
  ParsedInput& in;
  void start(std::string_view) { in.blocks.assign(1, PopulationBlock{}); }
  void population(int, PopulationBlock& b) { in.blocks.push_back(std::move(b)); }
};

// Sizes the data set and its selection for populations of nInd[p] individuals, everything selected and
// every locus bi-parental; the populations are put in place by placePopulation.
void shapeDataSet(const ParsedInput& in, Vec1<int> nInd, DataSet& ds, Selection& sel) {
  ds.NPop = in.nPop;
  ds.NLoci = in.nLoci;
  ds.MaxAllele = in.maxAllele;
  ds.PopName = makeVec1<std::string>(in.nPop);
  ds.PopX = makeVec1<double>(in.nPop);
  ds.PopY = makeVec1<double>(in.nPop);
  ds.NInd = std::move(nInd);
  ds.Allele.resize(in.nPop, in.nLoci, ds.NInd);
  ds.NGenesRead.resize(in.nPop, in.nLoci);

  sel.PopSel = makeVec1<int>(in.nPop, 1);
  sel.PopSel[0] = 0;
  sel.LocSel = makeVec1<int>(in.nLoci, 1);
  sel.LocSel[0] = 0;
  sel.LocAvail = sel.LocSel;
  sel.LocMode = makeVec1<int>(in.nLoci, 1);
  sel.LocMode[0] = 0;
  // Row p: individuals 1..NInd[p] selected; cell 0 unused.
  sel.IndSel.assign(static_cast<std::size_t>(in.nPop) + 1,
                    [&](std::size_t p) { return p == 0 ? 0 : ds.NInd[p] + 1; }, 1);
  for (int p = 1; p <= in.nPop; ++p) sel.IndSel[static_cast<std::size_t>(p)][0] = 0;
}

// Population p's codes into the genotype tables (its place, name and size are set by the caller); loci
// without a genotype in it are dropped.
void placePopulation(int p, const PopulationBlock& b, int nLociIn, DataSet& ds, Selection& sel) {
  // The block holds an individual's loci side by side; the tables hold a locus's individuals side by side.
  const std::size_t nLoci = static_cast<std::size_t>(nLociIn);
  std::vector<int*> first(nLoci + 1), second(nLoci + 1);
  std::vector<int> genesOf(nLoci + 1, 0), doublyMissingOf(nLoci + 1, 0);
  for (int l = 1; l <= nLociIn; ++l) {
    first[static_cast<std::size_t>(l)] = ds.Allele.locus1(p, l);
    second[static_cast<std::size_t>(l)] = ds.Allele.locus2(p, l);
  }
  const int* cell = b.alleles.data();
  for (int j = 1; j <= b.nInd; ++j)
    for (std::size_t l = 1; l <= nLoci; ++l, cell += 2) {
      const int x = cell[0], y = cell[1];
      first[l][j] = x;
      second[l][j] = y;
      genesOf[l] += (x != kMissing) + (y != kMissing);
      doublyMissingOf[l] += x == kMissing && y == kMissing;
    }
  for (int l = 1; l <= nLociIn; ++l) {
    ds.NGenesRead(p, l) = genesOf[static_cast<std::size_t>(l)];
    // No genotype of this locus in this population (or no individual at all): the locus is dropped.
    if (doublyMissingOf[static_cast<std::size_t>(l)] == b.nInd) {
      sel.LocAvail[static_cast<std::size_t>(l)] = 0;
      sel.LocSel[static_cast<std::size_t>(l)] = 0;
    }
  }
}

// Straight into the data set: sized from a first look at the text, each population put in place as it is
// read, so that its codes are held once beside the text and the data set, not as blocks too.
struct IntoDataSet {
  const ParsedInput& in;
  DataSet& ds;
  Selection& sel;
  bool usable = false;  // false: the file ends before its last population, whose reading then fails

  void start(std::string_view rest) {
    std::vector<int> counts = countIndividuals(rest, in.nPop);
    if (static_cast<int>(counts.size()) != in.nPop) return;
    Vec1<int> nInd = makeVec1<int>(0);
    nInd.insert(nInd.end(), counts.begin(), counts.end());
    std::vector<int>().swap(counts);
    shapeDataSet(in, std::move(nInd), ds, sel);
    usable = true;
  }
  void population(int p, PopulationBlock& b) {
    const auto pu = static_cast<std::size_t>(p);
    // The first look counts lines by the same rule as the reading; a mismatch would be a fault of this reader.
    if (!usable || b.nInd != ds.NInd[pu]) {
      usable = false;
      return;
    }
    ds.PopName[pu] = std::move(b.name);
    ds.PopX[pu] = b.x;
    ds.PopY[pu] = b.y;
    placePopulation(p, b, in.nLoci, ds, sel);
  }
};

template <class Sink>
void parseWith(std::string_view text, InputLayout layout, const InputLimits& limits, ParseResult& r, Sink& sink);

}  // namespace

ParseResult parseInputText(std::string_view text, InputLayout layout, const InputLimits& limits) {
  ParseResult r;
  IntoBlocks sink{r.data};
  parseWith(text, layout, limits, r, sink);
  return r;
}

ParseResult parseInputInto(std::string_view text, DataSet& ds, Selection& sel, const InputLimits& limits) {
  ParseResult r;
  IntoDataSet sink{r.data, ds, sel};
  parseWith(text, InputLayout::Populations, limits, r, sink);
  if (r.ok() && !sink.usable) {
    r.error = ParseResult::Error::Reading;
    r.detail = "The populations could not be put in place.";
  }
  if (r.ok()) {
    ds.Title = std::move(r.data.title);
    ds.LocName = std::move(r.data.locName);
  }
  return r;
}

namespace {

template <class Sink>
void parseWith(std::string_view text, InputLayout layout, const InputLimits& limits, ParseResult& r, Sink& sink) {
  using E = ParseResult::Error;
  ParsedInput& in = r.data;
  // A failure keeps what was read before it: the test-group reader tells a file of other loci from a
  // broken file by the counts and locus names.
  auto fail = [&r](E kind, std::string detail) {
    r.error = kind;
    r.detail = std::move(detail);
  };
  const bool groups = layout == InputLayout::TestGroups;
  const std::string unit = groups ? "group" : "population";
  if (text.empty()) return fail(E::Sizing, "The file is empty.");
  Cursor cur(text);
  std::string_view titleLine;
  cur.readLine(titleLine);
  in.title = std::string(titleLine);

  const std::string countNames[3] = {"number of " + unit + "s", "number of loci", "largest allele code"};
  double counts[3];
  for (int k = 0; k < 3; ++k) {
    std::string field;
    const int at = cur.lineNumber();
    if (!cur.readField(field)) return fail(E::Sizing, "The file ends before the " + countNames[k] + ".");
    // A count is a whole decimal number; text that does not begin with a number counts as 0.
    long long whole = 0;
    counts[k] = parseWholeDecimal(field, whole) ? static_cast<double>(whole) : leadingNumber(field);
    if (counts[k] != 0 && !parseWholeDecimal(field, whole))
      return fail(E::Sizing, lineRef(at) + "the " + countNames[k] + " \"" + field + "\" is not a usable count.");
    if (counts[k] < 0 || counts[k] != std::floor(counts[k]) || counts[k] > static_cast<double>(limits.maxCount))
      return fail(E::Sizing, lineRef(at) + "the " + countNames[k] + " \"" + field + "\" is not a usable count.");
  }
  in.nPop = static_cast<int>(counts[0]);
  in.nLoci = static_cast<int>(counts[1]);
  in.maxAllele = static_cast<int>(counts[2]);
  in.countsRead = true;
  if (counts[0] == 0 || counts[1] == 0)
    return fail(E::Reading, "The number of " + unit + "s and the number of loci must be at least 1.");
  if (counts[2] < 1) return fail(E::Reading, "The largest allele code must be at least 1.");
  if (!groups && (counts[0] + 1) * (counts[1] + 1) * (counts[2] + 2) > static_cast<double>(limits.maxFrequencyCells))
    return fail(E::Sizing, "Populations x loci x allele codes exceed what the program can hold.");

  in.locName.assign(1, std::string());
  for (int l = 1; l <= in.nLoci; ++l) {
    std::string_view name;
    if (!cur.readLine(name)) return fail(E::Reading, "The file ends before the name of locus " + std::to_string(l) + ".");
    in.locName.emplace_back(name);
  }

  const int nFields = 2 * in.nLoci;
  bool finished = false;
  sink.start(cur.rest());
  PopulationBlock block;
  for (int p = 1; p <= in.nPop; ++p) {
    finished = false;
    std::string_view header;
    const int headerLine = cur.lineNumber();
    if (!cur.readLine(header))
      return fail(E::Reading, "The file ends before " + unit + " " + std::to_string(p) + " of " + std::to_string(in.nPop) + ".");
    auto hf = splitFields(header);
    if (groups) {
      if (hf.size() != 3)
        return fail(E::Reading, lineRef(headerLine) + "the header of group " + std::to_string(p) +
                                    " must be three fields (name, X, Y).");
    } else if (hf.size() != 3 || !parseDecimal(hf[1], block.x) || !parseDecimal(hf[2], block.y)) {
      return fail(E::Reading, lineRef(headerLine) + "the header of population " + std::to_string(p) +
                                  " must be a name and two numbers (name, X, Y).");
    }
    block.name = hf[0];
    bool ended = false;
    std::string_view line;
    while (cur.readLine(line)) {
      if (line == "END") {
        finished = true;
        ended = true;
        break;
      }
      if (line.empty()) {
        ended = true;
        break;
      }
      const int at = cur.lineNumber() - 1;
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
        if (!read) {
          c = fieldStart;
          while (c < end && *c != ',') ++c;
        }
        const std::string_view f(fieldStart, static_cast<std::size_t>(c - fieldStart));
        ++count;
        if (static_cast<int>(count) <= nFields) {
          if (!read) read = parseAllele(f, code);
          if (!read || code == 0 || code < -1 || code > in.maxAllele)
            return fail(E::Reading, lineRef(at) + "\"" + std::string(trimBlanks(f)) + "\" is not an allele code (a whole number from 1 to " +
                                        std::to_string(in.maxAllele) + ", or -1 for a missing allele).");
          block.alleles.push_back(code);
          if (code > in.largestCodeSeen) in.largestCodeSeen = code;
        }
        if (c == end) break;
        ++c;  // the comma
      }
      if (static_cast<int>(count) != nFields)
        return fail(E::Reading, lineRef(at) + std::to_string(count) + " allele codes where " + std::to_string(nFields) +
                                    " (two for each of " + std::to_string(in.nLoci) + " loci) are expected.");
      ++block.nInd;
    }
    if (!ended)
      return fail(E::Reading, "The file ends inside " + unit + " " + std::to_string(p) + " before its closing \"END\".");
    const std::size_t codes = block.alleles.size();
    sink.population(p, block);
    block.name.clear();
    block.x = block.y = 0;
    block.nInd = 0;
    block.alleles.clear();
    // Populations tend to be alike in size: this one's is a good first guess for the next one.
    block.alleles.reserve(codes);
  }
  if (!finished) return fail(E::Reading, "The last " + unit + " must end with a line \"END\".");
}

}  // namespace

bool readWholeFile(const std::string& path, std::string& text, std::string& reason) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    reason = "The file " + path + " does not exist.";
    return false;
  }
  if (S_ISDIR(st.st_mode)) {
    reason = path + " is a folder, not a file.";
    return false;
  }
  // Non-blocking, so that a pipe chosen by mistake does not wait for a writer; the checks below are made
  // on what was opened, not on the name.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    reason = "The file " + path + " cannot be opened.";
    return false;
  }
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    reason = path + " is not a regular file (a device, a pipe or a socket cannot be read as data).";
    return false;
  }
  const std::string tooLarge = "The file " + path + " is larger than " + std::to_string(kMaxInputFileBytes >> 20) +
                               " MB, the largest file the program reads.";
  if (st.st_size > kMaxInputFileBytes) {
    reason = tooLarge;
    return false;
  }
  text.clear();
  text.reserve(static_cast<std::size_t>(st.st_size));
  char buf[1 << 16];
  while (true) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      reason = "The file " + path + " cannot be read.";
      return false;
    }
    // A file that grows while it is read is held to the same limit.
    if (text.size() + static_cast<std::size_t>(n) > static_cast<std::size_t>(kMaxInputFileBytes)) {
      reason = tooLarge;
      return false;
    }
    text.append(buf, static_cast<std::size_t>(n));
  }
  return true;
}

namespace {

template <class Input>
void buildFrom(Input& in, DataSet& ds, Selection& sel) {
  constexpr bool release = !std::is_const_v<Input>;
  ds.Title = in.title;
  ds.LocName = in.locName;
  Vec1<int> nInd = makeVec1<int>(in.nPop);
  for (int p = 1; p <= in.nPop; ++p) nInd[static_cast<std::size_t>(p)] = in.blocks[static_cast<std::size_t>(p)].nInd;
  shapeDataSet(in, std::move(nInd), ds, sel);
  for (int p = 1; p <= in.nPop; ++p) {
    auto& b = in.blocks[static_cast<std::size_t>(p)];
    if constexpr (release) ds.PopName[static_cast<std::size_t>(p)] = std::move(b.name);
    else ds.PopName[static_cast<std::size_t>(p)] = b.name;
    ds.PopX[static_cast<std::size_t>(p)] = b.x;
    ds.PopY[static_cast<std::size_t>(p)] = b.y;
    placePopulation(p, b, in.nLoci, ds, sel);
    if constexpr (release) std::vector<int>().swap(b.alleles);
  }
}

}  // namespace

void buildDataSet(const ParsedInput& in, DataSet& ds, Selection& sel) { buildFrom(in, ds, sel); }

void buildDataSet(ParsedInput&& in, DataSet& ds, Selection& sel) {
  buildFrom(in, ds, sel);
  in.blocks.clear();
  in.blocks.shrink_to_fit();
}

}  // namespace kiwora
